// Reading current-format CFG files: values, errors with their line numbers,
// warnings, and input that is not a CFG at all.
#include "CfgTestFiles.h"
#include "support/ScriptedDialogs.h"
#include "cfg/CfgReader.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

struct ReadResult {
    CfgError error;
    Model model;
    QList<ShownMessage> messages;
};

ReadResult readLines(const QTemporaryDir& dir, const QStringList& lines)
{
    ReadResult result;
    result.model.cfgpath = writeBytes(dir, "test.cfg", crlf(lines));
    ScriptedDialogs dialogs;
    result.error = ReadCfg(result.model, dialogs);
    result.messages = dialogs.messages();
    return result;
}

QStringList variables(int count)
{
    QStringList lines{"[K7]"};
    for (int v = 1; v <= count; ++v)
        lines << QString("[V%1]").arg(v);
    return lines;
}

}  // namespace

class TestCfgReader : public QObject {
    Q_OBJECT
private slots:
    void sampleCfg()
    {
        Model model;
        model.cfgpath = QStringLiteral(K7_EXAMPLES "/finds.cfg");
        const QByteArray before = readBytes(model.cfgpath);
        ScriptedDialogs dialogs;
        QVERIFY(!ReadCfg(model, dialogs).failed());
        QVERIFY(dialogs.messages().isEmpty());
        QCOMPARE(readBytes(model.cfgpath), before);  // reading changes nothing
        QCOMPARE(model.varcount, 6);
        QCOMPARE(model.options[OptFilename], QString());
        QCOMPARE(model.options[OptBackColor], kWhiteColorNumber);
        QCOMPARE(model.var(1).varname, QString("VAR1"));
        QCOMPARE(model.var(1).vartype, int(TypeText));
        QCOMPARE(model.var(1).varunique, 1);
        QCOMPARE(model.var(1).varlength, 20.0);
        QCOMPARE(model.var(1).varprompt, QString("Enter the artiface ID :"));
        QCOMPARE(model.var(2).vartype, int(TypeMenu));
        QCOMPARE(model.var(2).varmenu, QString("Ceramic Lithic Bone"));
        QCOMPARE(model.var(3).condcount, 1);
        QCOMPARE(model.var(3).condtext[1], QString("Var2 Ceramic"));
        QCOMPARE(model.var(6).condcount, 2);
        QCOMPARE(model.var(6).condtext[1], QString("Var2 Lithic AND"));
        QCOMPARE(model.var(6).condtext[2], QString("Var4 Tool"));
        QCOMPARE(model.var(6).vartype, int(TypeNumeric));
    }

    void values()
    {
        QTemporaryDir dir;
        writeBytes(dir, "look up.mdb", "x");
        const ReadResult r = readLines(dir, {
            "[K7]", "Com=COM1:9600,N,8,1", "BackColor=255", "Sound=Yes", "BackColorOut=1",
            "[ Site A ]",
            "Type = Menu",
            "Carry=yEs", "Skip=Y", "Unique=1", "Autoinc= Yes",
            "Length=300",
            "Look up=" + dir.filePath("look up.mdb") + " Finds",
            "[B]", "Type=Sqid",
            "Condition1=b x",
            "Condition3=b y",  // not read: Condition2 is missing
            "[C]", "Type=sqid", "Length=abc", "ImageJ=3.5 mm", "Prompt=one", "Prompt=two",
            "Menu=a b", "Table=Finds",
            "[D]", "Type=TRUE", "Length=-5",
        });
        QCOMPARE(r.error.text, QString(" ERROR: TRUE is an unrecognized variable TYPE. "));
        QCOMPARE(r.model.options[OptCom], QString("COM1:9600,N,8,1"));
        QCOMPARE(r.model.options[OptBackColor], QString("255"));
        QCOMPARE(r.model.options[OptSound], QString("Yes"));
        const Variable& a = r.model.var(1);
        QCOMPARE(a.varname, QString(" Site A "));
        QCOMPARE(a.vartype, int(TypeText));
        QCOMPARE(a.varcarry, 1);
        QCOMPARE(a.varskip, 0);
        QCOMPARE(a.varunique, 0);
        QCOMPARE(a.varautoinc, 0);
        QCOMPARE(a.varlength, 255.0);
        QCOMPARE(a.varlookup, dir.filePath("look up.mdb") + " Finds");
        QCOMPARE(a.condcount, 0);
        QCOMPARE(r.model.var(2).varlength, 11.0);
        QCOMPARE(r.model.var(2).condcount, 1);
        const Variable& c = r.model.var(3);
        QCOMPARE(c.varlength, 0.0);  // a Length key overrides the Sqid length
        QCOMPARE(c.varimagej, 3.5);
        QCOMPARE(c.varprompt, QString("one") + QChar(1) + "two");
        QCOMPARE(c.varmenu, QString("Finds"));
        QCOMPARE(r.model.var(4).varlength, 0.0);  // a negative length is no length
    }

    void errors_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::newRow("A duplicate, other case")
            << QStringList{"[K7]", "[Depth]", "", "[DEPTH]"}
            << "ERROR: Duplicate FIELD definition for DEPTH " << 4;
        QTest::newRow("C earlier character of the list first")
            << QStringList{"[K7]", "[a.b(c)]"}
            << "ERROR: ( is an illegal character for a field name.  Please correct field "
               "definition a.b(c)." << 2;
        QTest::newRow("C text after the options header")
            << QStringList{"[K7] options"}
            << "ERROR: ] is an illegal character for a field name.  Please correct field "
               "definition K7] option." << 1;
        QTest::newRow("D menu without list")
            << QStringList{"[K7]", "[V]", "Type=menu", "Menu="}
            << " ERROR: Menu type variable must include a MENU line with menu list." << 2;
        QTest::newRow("E Ohaus") << QStringList{"[K7]", "[V]", "Type=Ohaus"}
                                 << " ERROR: Must use OHAUS communications setting first." << 2;
        QTest::newRow("E Mitutoyo") << QStringList{"[K7]", "[V]", "Type=MITUTOYO"}
                                    << " ERROR: Must use MITUTOYO communications setting first." << 2;
        QTest::newRow("F ImageJ without file")
            << QStringList{"[K7]", "[V]", "Type=ImageJ"}
            << "ERROR: Must supply an IMAGEJFILE in K7 section to use IMAGEJ variable type." << 2;
        QTest::newRow("G blank after equals sign")
            << QStringList{"[K7]", "[V]", "Type= Menu"}
            << " ERROR:  Menu is an unrecognized variable TYPE. " << 2;
        QTest::newRow("H look up without table")
            << QStringList{"[K7]", "[V]", "Look up=finds.mdb"}
            << " ERROR: Look-up variable needs a database and table name." << 2;
        QTest::newRow("I look up database missing")
            << QStringList{"[K7]", "[V]", "Look up=no where.mdb Finds"}
            << " ERROR: Look-up database no where.mdb could not be found/opened." << 2;
        QTest::newRow("J sixth condition")
            << QStringList{"[K7]", "[V]", "Condition6=V x"}
            << " ERROR: To many condition statements for V field." << 2;
        QTest::newRow("K condition without values")
            << QStringList{"[K7]", "[V]", "Condition1=V"}
            << " ERROR: No matching values given for this condition statement. " << 2;
        QTest::newRow("L condition names a later variable")
            << QStringList{"[K7]", "[V]", "Condition1=W x", "[W]"}
            << " ERROR: W field must be declared before condition." << 2;
        QTest::newRow("M only comments and options")
            << QStringList{"'comment", "[K7]", "Com=COM1", "", "'more"}
            << " ERROR: This CFG does not include any variables." << 5;
        QTest::newRow("options header only once exactly")
            << QStringList{"[K7]", "[k7]", "[V]", "[v]"}
            << "ERROR: Duplicate FIELD definition for v " << 4;
    }
    void errors()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, text);
        QFETCH(int, line);
        QTemporaryDir dir;
        const ReadResult r = readLines(dir, lines);
        QCOMPARE(r.error.text, text);
        QCOMPARE(r.error.line, line);
    }

    void variableLimit()
    {
        QTemporaryDir dir;
        const ReadResult full = readLines(dir, variables(500));
        QVERIFY(!full.error.failed());
        QCOMPARE(full.model.varcount, 500);

        const ReadResult over = readLines(dir, variables(501));
        QCOMPARE(over.error.text, QString("ERROR: Too many FIELD definitions.  Limit is  500."));
        QCOMPARE(over.error.line, 502);
        QCOMPARE(over.model.varcount, 500);

        QStringList repeated = variables(500);
        repeated << "[v7]";  // the duplicate test comes first
        QCOMPARE(readLines(dir, repeated).error.text,
                 QString("ERROR: Duplicate FIELD definition for v7 "));
    }

    void conditions()
    {
        QTemporaryDir dir;
        const ReadResult r = readLines(dir, {
            "[K7]", "[A]", "[B]", "Condition1=b x", "Condition2=A  y  ", "Condition3=a z",
        });
        QVERIFY2(!r.error.failed(), qPrintable(r.error.text));
        QCOMPARE(r.model.var(2).condcount, 3);  // itself and earlier ones
        QCOMPARE(r.model.var(2).condtext[2], QString("A  y"));
    }

    void sectionReadTwice()
    {
        QTemporaryDir dir;
        const ReadResult r = readLines(dir, {
            "[K7]", "Com=COM2", "[A]", "Prompt=first", "[K7]", "Table=T", "[B]", "[a]", "Length=5",
        });
        QCOMPARE(r.error.text, QString("ERROR: Duplicate FIELD definition for a "));
        QCOMPARE(r.error.line, 8);
        QCOMPARE(r.model.options[OptCom], QString("COM2"));
        QCOMPARE(r.model.options[OptTable], QString("T"));
        QCOMPARE(r.model.var(1).varlength, 5.0);  // both parts are one section
    }

    void filesBesideTheCfg()
    {
        QTemporaryDir dir;
        writeBytes(dir, "help.txt", "help");
        writeBytes(dir, "in.wav", "RIFF");
        const QString absolute = writeBytes(dir, "out.wav", "RIFF");
        const ReadResult r = readLines(dir, {
            "[K7]", "[V]",
            "Info file=/elsewhere/help.txt",
            "Wave in=in.wav",
            "Wave out=" + absolute,
            "[W]",
            "Info file=nohelp.txt", "Wave in=none.wav", "Wave out=gone.wav",
        });
        QVERIFY(!r.error.failed());
        QCOMPARE(r.model.var(1).varinfo, QString("help.txt"));
        QCOMPARE(r.model.var(1).varwavein, QString("in.wav"));
        QCOMPARE(r.model.var(1).varwaveout, absolute);
        QCOMPARE(r.model.var(2).varinfo, QString("nohelp.txt"));
        QCOMPARE(r.messages.size(), 3);
        QCOMPARE(r.messages.at(0).text, QString("Warning: Could not find Info File nohelp.txt for field W"));
        QCOMPARE(r.messages.at(1).text, QString("Warning: Could not find Sound In file none.wav for field W"));
        QCOMPARE(r.messages.at(2).text, QString("Warning: Could not find Sound Out file gone.wav for field W"));
        for (const auto& m : r.messages)
            QCOMPARE(m.style, Style::Information);
    }

    void imageJ()
    {
        QTemporaryDir dir;
        const QString results = writeBytes(dir, "Results.txt", "1\t2\n");
        const ReadResult r = readLines(dir, {"[K7]", "ImageJFile=" + results, "[Area]", "Type=imagej"});
        QVERIFY(!r.error.failed());
        QCOMPARE(r.model.var(1).vartype, int(TypeImageJ));
        QVERIFY(r.model.imagejstamp.has_value());
        QCOMPARE(*r.model.imagejstamp, QFileInfo(results).lastModified());
    }

    void formatTest()
    {
        QVERIFY(IsCurrentFormat({"'[k7] only in a comment"}));
        QVERIFY(IsCurrentFormat({"x", "  [K7]  "}));
        QVERIFY(!IsCurrentFormat({"FIELD: K7", "[K 7]"}));
        QTemporaryDir dir;
        const ReadResult lower = readLines(dir, {"[k7]", "Table=T", "[V]"});
        QVERIFY(!lower.error.failed());
        QCOMPARE(lower.model.options[OptTable], QString("T"));
    }

    void badInput_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("line");
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("binary") << QByteArray("\x7f" "ELF\x02\x01\x00\x00\xff\xfe", 10) << 1;
        QTest::newRow("NUL bytes in a CFG")
            << QByteArray("[K7]\r\n[V\0W]\r\nPrompt=a\0b\r\n", 24) << -1;
        QTest::newRow("invalid UTF-8") << QByteArray("[K7]\r\n[Caf\xE9]\r\n\xC3\x28=1\r\n") << -1;
        QTest::newRow("1 MB line") << "[K7]\r\n[V]\r\nPrompt=" + QByteArray(1 << 20, 'x') << -1;
        QByteArray big = "[K7]\r\n[V]\r\n";
        while (big.size() < 10 * 1024 * 1024)
            big += "'a comment line that is repeated to make a large file\r\n";
        QTest::newRow("10 MB") << big << -1;
    }
    void badInput()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        QTemporaryDir dir;
        Model model;
        model.cfgpath = writeBytes(dir, "bad.cfg", bytes);
        ScriptedDialogs dialogs;
        QElapsedTimer timer;
        timer.start();
        const CfgError error = ReadCfg(model, dialogs);
        QVERIFY(timer.elapsed() < 10000);
        QCOMPARE(readBytes(model.cfgpath), bytes);
        if (line < 0) {
            QVERIFY2(!error.failed(), qPrintable(error.text));
            QCOMPARE(model.varcount, 1);
        } else {
            QVERIFY(error.failed());
            QCOMPARE(error.line, line);
        }
        QVERIFY(dialogs.messages().isEmpty());  // no conversion offered
    }

    void unreadablePaths()
    {
        QTemporaryDir dir;
        ScriptedDialogs dialogs;
        Model model;
        model.cfgpath = dir.filePath("missing.cfg");
        const CfgError missing = ReadCfg(model, dialogs);
        QVERIFY(missing.failed());
        QVERIFY(missing.unreadable);
        QVERIFY(!QFileInfo::exists(model.cfgpath));
        model.cfgpath = dir.path();
        const CfgError error = ReadCfg(model, dialogs);
        QVERIFY(error.failed());
        QVERIFY(error.unreadable);
        QVERIFY(error.text.contains(dir.path()));
        QVERIFY(dialogs.messages().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCfgReader)
#include "tst_cfg_reader.moc"
