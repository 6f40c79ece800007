// Preparing a model and writing it back: the normal form, its stability, and
// failed writes.
#include "CfgTestFiles.h"
#include "support/ScriptedDialogs.h"
#include "cfg/CfgReader.h"
#include "cfg/CfgWriter.h"
#include "cfg/ModelPreparation.h"
#include "cfg/TextFile.h"

#include <QFileInfo>
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

void compareModels(const Model& a, const Model& b)
{
    QCOMPARE(a.varcount, b.varcount);
    QCOMPARE(a.options.slot, b.options.slot);
    for (int v = 1; v <= a.varcount; ++v) {
        const Variable& x = a.var(v);
        const Variable& y = b.var(v);
        QCOMPARE(x.varname, y.varname);
        QCOMPARE(x.vartype, y.vartype);
        QCOMPARE(x.varprompt, y.varprompt);
        QCOMPARE(x.varoutput, y.varoutput);
        QCOMPARE(x.varmenu, y.varmenu);
        QCOMPARE(x.varlength, y.varlength);
        QCOMPARE(x.varinfo, y.varinfo);
        QCOMPARE(x.varwavein, y.varwavein);
        QCOMPARE(x.varwaveout, y.varwaveout);
        QCOMPARE(x.varunique, y.varunique);
        QCOMPARE(x.varcarry, y.varcarry);
        QCOMPARE(x.varautoinc, y.varautoinc);
        QCOMPARE(x.varskip, y.varskip);
        QCOMPARE(x.varlookup, y.varlookup);
        QCOMPARE(x.varimagej, y.varimagej);
        QCOMPARE(x.condcount, y.condcount);
        QCOMPARE(x.condtext, y.condtext);
    }
}

const QStringList kRichCfg{
    "'comments and blank lines go",
    "",
    "[k7]",
    "Com=COM1:9600,N,8,1", "Instrument=KEYBOARD", "Sound=Yes", "Delaytime=2.5", "Table=Finds",
    "Re-edit=Yes", "Emptyonly=Yes", "BackColor=12632256", "Sort=[ID] DESC", "Filter=[Kind]='Bone'",
    "Unknown=dropped",
    "[ID]", "Output=F8.2", "Unique=TRUE", "Autoinc=yes", "Length=12.5", "Prompt= leading blank kept",
    "[Kind]", "Type=MENU", "Menu=  Bone  Shell Stone", "Carry=Yes", "Skip=True",
    "[Count]", "Type=Numeric", "Length=3", "Condition1=kind not bone shell or",
    "Condition2=Kind \"\" AND", "Condition3=ID x", "Prompt=a", "Prompt=b",
    "[Code ]", "Type=Sqid", "Length=0",
    "[Where]", "Type=table", "Table=Sites", "Menu=ignored",
    "[Size]", "Type=Instrument", "ImageJ=4",
    "[Note]", "Type=Text", "Menu=a,b,  c",
    "[Short]", "Type=Menu", "Menu=Earthenware Bone", "Length=4",
    "[One]", "Type=Menu", "Menu=single", "Length=30",
    "[List]", "Menu=x y",
};

}  // namespace

class TestCfgWriter : public QObject {
    Q_OBJECT
private slots:
    void sampleNormalForm()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::copy(K7_EXAMPLES "/finds.cfg", dir.filePath("finds.cfg")));
        Model model;
        model.cfgpath = dir.filePath("finds.cfg");
        ScriptedDialogs dialogs;
        QVERIFY(!ReadCfg(model, dialogs).failed());
        QVERIFY(NormalizeModel(model, dialogs));
        QCOMPARE(readBytes(model.cfgpath), crlf({
            "[K7]", "BackColor=16777215",
            " ", "[VAR1]", "Type=Text", "Prompt=Enter the artiface ID :", "Length=20", "Unique=True",
            " ", "[VAR2]", "Type=Menu", "Prompt=Select the artifact type :",
            "Menu=Ceramic,Lithic,Bone", "Length=7",
            " ", "[VAR3]", "Type=Menu", "Prompt=Select the ceramic type :",
            "Menu=Crudeware,Niceware", "Length=9", "Condition1=Var2 Ceramic",
            " ", "[VAR4]", "Type=Menu", "Prompt=Select the lithic type type :",
            "Menu=Tool,Core,Flake,Debris", "Length=6", "Condition1=Var2 Lithic",
            " ", "[VAR5]", "Type=Numeric", "Prompt=How many sherds are there ?", "Length=10",
            "Condition1=Var2 Ceramic",
            " ", "[VAR6]", "Type=Numeric", "Prompt=Measure the artifact length :", "Length=10",
            "Condition1=Var2 Lithic AND", "Condition2=Var4 Tool",
        }));
        QVERIFY(dialogs.messages().isEmpty());
    }

    void preparation()
    {
        QTemporaryDir dir;
        Model model;
        model.cfgpath = writeBytes(dir, "rich.cfg", crlf(kRichCfg));
        ScriptedDialogs dialogs;
        const CfgError error = ReadCfg(model, dialogs);
        QVERIFY2(!error.failed(), qPrintable(error.text));
        PrepareModel(model);
        QCOMPARE(model.var(1).varlength, 12.5);
        QCOMPARE(model.var(1).varprompt, QString(" leading blank kept"));
        QCOMPARE(model.var(2).varmenu, QString("Bone,,Shell,Stone"));
        QCOMPARE(model.var(2).varlength, 5.0);
        QCOMPARE(model.var(2).varprompt, QString("Select a value for Kind"));
        QCOMPARE(model.var(3).condtext[1], QString("kind NOT bone,shell OR"));
        QCOMPARE(model.var(3).condtext[2], QString("Kind \"\" AND"));
        QCOMPARE(model.var(4).varlength, 12.0);
        QCOMPARE(model.var(4).varprompt, QString("Enter a value for Code"));
        QCOMPARE(model.var(5).varmenu, QString("Sites"));
        QCOMPARE(model.var(6).varlength, 10.0);
        QCOMPARE(model.var(7).varmenu, QString("a,b,  c"));  // has a comma: left alone
        QCOMPARE(model.var(8).varlength, 11.0);  // longest item beats a shorter Length
        QCOMPARE(model.var(9).varmenu, QString("single"));
        QCOMPARE(model.var(9).varlength, 30.0);
        QCOMPARE(model.var(10).varmenu, QString("x,y"));  // any variable's list
    }

    void stability_data()
    {
        QTest::addColumn<QStringList>("lines");
        QStringList sample;
        for (const QString& line : TextFile::read(K7_EXAMPLES "/finds.cfg").lines)
            sample << line;
        QTest::newRow("sample") << sample;
        QTest::newRow("rich") << kRichCfg;
    }
    void stability()
    {
        QFETCH(QStringList, lines);
        QTemporaryDir dir;
        ScriptedDialogs dialogs;
        Model first;
        first.cfgpath = writeBytes(dir, "s.cfg", crlf(lines));
        QVERIFY(!ReadCfg(first, dialogs).failed());
        QVERIFY(NormalizeModel(first, dialogs));
        const QByteArray once = readBytes(first.cfgpath);

        // Writing the model and reading it back gives the same model.
        Model second;
        second.cfgpath = first.cfgpath;
        QVERIFY(!ReadCfg(second, dialogs).failed());
        compareModels(first, second);

        // Preparing again gives the same bytes.
        QVERIFY(NormalizeModel(second, dialogs));
        QCOMPARE(readBytes(first.cfgpath), once);
        QVERIFY(dialogs.messages().isEmpty());
    }

    void nameEndingInBlank()
    {
        QTemporaryDir dir;
        ScriptedDialogs dialogs;
        Model model;
        model.cfgpath = writeBytes(dir, "n.cfg", crlf({"[K7]", "[Code ]"}));
        QVERIFY(!ReadCfg(model, dialogs).failed());
        QVERIFY(NormalizeModel(model, dialogs));
        const QByteArray once = readBytes(model.cfgpath);
        QVERIFY(once.contains("\r\n[Code ]\r\nType=Text\r\nPrompt=Enter a value for Code\r\n"));
        QVERIFY(!ReadCfg(model, dialogs).failed());
        QVERIFY(NormalizeModel(model, dialogs));
        QCOMPARE(readBytes(model.cfgpath), once);
    }

    void keepsEightBitEncoding()
    {
        QTemporaryDir dir;
        ScriptedDialogs dialogs;
        Model model;
        model.cfgpath = writeBytes(dir, "e.cfg", "[K7]\r\n[Caf\xE9]\r\nPrompt=Ni\xF1o\r\n");
        QVERIFY(!ReadCfg(model, dialogs).failed());
        QCOMPARE(model.var(1).varname, QString::fromUtf8("Café"));
        QVERIFY(NormalizeModel(model, dialogs));
        const QByteArray bytes = readBytes(model.cfgpath);
        QVERIFY(bytes.contains("[Caf\xE9]\r\n"));
        QVERIFY(bytes.contains("Prompt=Ni\xF1o\r\n"));
    }

    void writeVariable()
    {
        QTemporaryDir dir;
        const QString path = writeBytes(dir, "w.cfg", crlf({
            "[K7]", "Com=COM1", " ", "[A]", "Type=Text", "Prompt=old", "comment=keep", " ", "[B]", "Type=Numeric",
        }));
        Model model;
        model.varcount = 2;
        model.var(1).varname = "a";
        model.var(1).vartype = TypeMenu;
        model.var(1).varmenu = "x,y";
        model.var(1).varlength = 1;
        model.var(1).varcarry = 1;
        model.var(1).condcount = 1;
        model.var(1).condtext[1] = "B 1";
        model.var(2).varname = "New";
        ScriptedDialogs dialogs;
        QVERIFY(WriteVariable(model, path, 1, dialogs));
        QVERIFY(WriteVariable(model, path, 2, dialogs));
        QCOMPARE(TextFile::read(path).lines, (QStringList{
            "[K7]", "Com=COM1", " ", "[A]", "Type=Menu", "Menu=x,y", "Length=1", "Carry=True",
            "Condition1=B 1", "comment=keep", " ", "[B]", "Type=Numeric", " ", "[New]",
        }));
        QVERIFY(dialogs.messages().isEmpty());
    }

    void failedWrites()
    {
        QTemporaryDir dir;
        const QString blocker = writeBytes(dir, "file", "x");
        Model model;
        model.varcount = 1;
        model.var(1).varname = "V";
        ScriptedDialogs dialogs;
        QVERIFY(!WriteCfg(model, blocker + "/k.cfg", dialogs));
        QCOMPARE(dialogs.messages().size(), 1);
        QCOMPARE(dialogs.messages().at(0).text,
                 "Error writing temporary file " + blocker + "/$$$temp$$$.cfg. Changes not saved.");
        QCOMPARE(dialogs.messages().at(0).style, Style::Critical);

        dialogs.clear();
        QVERIFY(!WriteVariable(model, dir.path(), 1, dialogs));
        QCOMPARE(dialogs.messages().size(), 1);

        model.cfgpath = blocker + "/k.cfg";
        dialogs.clear();
        QVERIFY(!NormalizeModel(model, dialogs));
        QCOMPARE(dialogs.messages().size(), 1);
    }

    void readOnlyFolderKeepsOldFile()
    {
        QTemporaryDir dir;
        const QString path = writeBytes(dir, "ro.cfg", "[K7]\r\n[V]\r\n");
        Model model;
        model.varcount = 1;
        model.var(1).varname = "Changed";
        ScriptedDialogs dialogs;
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        const bool written = WriteCfg(model, path, dialogs);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (written)
            QSKIP("running with rights that ignore a read-only folder");
        QCOMPARE(readBytes(path), QByteArray("[K7]\r\n[V]\r\n"));
        QCOMPARE(dialogs.messages().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestCfgWriter)
#include "tst_cfg_writer.moc"
