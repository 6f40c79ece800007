// Writing: profile sections, the prepared CFG in its normal form and its
// stability, single variables, and failed writes. Then the k7 program's
// --check, --help and --version, run as a separate process: --check prints
// what preparing the CFG would write.
#include "CfgRig.h"
#include "support/CaseTable.h"
#include "cfg/CfgWriter.h"
#include "cfg/ModelPreparation.h"
#include "cfg/ProfileFile.h"

#include <QDirIterator>
#include <QFileInfo>

using namespace k7;
using namespace k7::test;

namespace {

const QString kJoin(QChar(1));  // joins the values of a repeated key

}  // namespace

class TestCfgWriter : public QObject {
    Q_OBJECT
private slots:
    void readSection()
    {
        QTemporaryDir dir;
        const QString path = writeFile(dir, "a.ini", crlf({
            "Top=ignored", "[Main]",
            "  left = 1",  // key "left " matches nothing
            "Left=10",
            "TOP= 20 ",    // the value keeps its leading blank, not the trailing one
            "Name=first", "[Other]", "Left=99", "[MAIN]", "name=second", "nothing here"}));
        KeyTable keys{{"Left", ""}, {"Top", ""}, {"Name", ""}, {"Missing", ""}};
        ReadSection(path, "[main]", keys);
        QCOMPARE(keys, (KeyTable{{"Left", "10"}, {"Top", " 20"}, {"Name", "first" + kJoin + "second"}, {"Missing", ""}}));
        keys = {{"Left", ""}};
        ReadSection(path, "[Absent]", keys);
        QCOMPARE(keys, (KeyTable{{"Left", ""}}));

        // A missing file is created holding the header.
        const QString fresh = dir.filePath("new.ini");
        ReadSection(fresh, "[Main]", keys);
        QCOMPARE(readFile(fresh), QByteArray("[Main]\r\n"));
        QVERIFY(!WriteSection(dir.path(), "[S]", {{"A", "1"}}));  // a folder is no file
        // A key keeps a bounded number of values, however often it is repeated.
        writeFile(fresh, "[Main]\r\n" + QByteArray("Many=v\r\n").repeated(150) + "Many=" + QByteArray(1000, '\x01') + "w\r\n");
        QCOMPARE(readKey(fresh, "[Main]", "Many"), QStringList(100, "v").join(kJoin));
        QVERIFY(RemoveSection(dir.filePath("missing.ini"), "[Main]"));
        QVERIFY(!QFileInfo::exists(dir.filePath("missing.ini")));
    }

    void sections_data()
    {
        addCaseRows("cfg/sections.tsv");
        // Mended: values were written in forms the next reading changes (a
        // trailing blank, leading empty lines) or without bound.
        QTest::newRow("values written as they read back") << Case("", {
            {"before", "[S]"}, {"section", "[S]"},
            {"keys", "P=" + kJoin + kJoin + "a " + kJoin + "b|Sound= ON |R=" + QString("x" + kJoin).repeated(150)},
            {"after", (QStringList{"[S]", "P=a", "P=b", "Sound= ON"} + QStringList(100, "R=x")).join('|')}});
    }
    void sections()
    {
        QFETCH(Case, c);
        const auto lines = [&](const char* column) {
            QByteArray bytes;
            for (const QByteArray& line : c.byteList(column))
                bytes += line + "\r\n";
            return bytes;
        };
        KeyTable keys;
        for (const QString& entry : c.list("keys"))
            keys.append({entry.section(u'=', 0, 0), entry.section(u'=', 1)});
        const QString section = c.text("section");
        QTemporaryDir dir;
        const QString path = lines("before").isNull() ? dir.filePath("s.ini") : writeFile(dir, "s.ini", lines("before"));
        QVERIFY(keys.isEmpty() ? RemoveSection(path, section) : WriteSection(path, section, keys));
        QCOMPARE(readFile(path), lines("after"));
    }

    // What preparing a CFG writes: every kind of option and variable in the
    // forms people write them, the sample, and files once written back wrong.
    void normalForm_data() { addCaseRows("cfg/normal-form.tsv"); }
    void normalForm()
    {
        QFETCH(Case, c);
        const QByteArray input = c.bytes("input");
        const QList<QByteArray> written = c.byteList("parts");
        const QByteArray bytes = input.startsWith('@') ? readFile(K7_TEST_DATA "/" + QString::fromUtf8(input.mid(1))) : input;
        QTemporaryDir dir;
        CfgRead first;
        QVERIFY2(readCfg(first, writeFile(dir, "s.cfg", bytes)), qPrintable(first.error.text));
        QVERIFY(NormalizeModel(first.model, first.dialogs));
        const QByteArray once = readFile(first.model.cfgpath);
        for (const QByteArray& part : written)
            QVERIFY2(once.contains(part), part.constData());
        QVERIFY(!once.contains("Unknown") && !once.contains("'"));

        // Writing the model and reading it back gives the same model, and
        // preparing it again gives the same bytes.
        CfgRead second;
        QVERIFY2(readCfg(second, first.model.cfgpath), qPrintable(second.error.text));
        QCOMPARE(CfgLines(second.model), CfgLines(first.model));
        QVERIFY(NormalizeModel(second.model, second.dialogs));
        QCOMPARE(readFile(first.model.cfgpath), once);
        QVERIFY(first.dialogs.messages().isEmpty() && second.dialogs.messages().isEmpty());
    }

    void writeVariable()
    {
        QTemporaryDir dir;
        CfgRead r;
        readCfg(r, writeFile(dir, "m.cfg", crlf({"[K7]", "[a]", "Type=menu", "Menu=x,y", "Length=1", "Carry=yes",
                                                  "Condition1=a 1", "Table=T", "[New]"})));
        const QString path = writeFile(dir, "w.cfg", crlf({
            "[K7]", "Com=COM1", " ", "[A]", "Type=Text", "Prompt=old", "comment=keep", " ", "[B]", "Type=Numeric"}));
        QVERIFY(WriteVariable(r.model, path, 1, r.dialogs));
        QVERIFY(WriteVariable(r.model, path, 2, r.dialogs));
        QCOMPARE(readFile(path), crlf({
            "[K7]", "Com=COM1", " ", "[A]", "Type=Menu", "Menu=T", "Length=1", "Carry=True",
            "Condition1=a 1", "comment=keep", " ", "[B]", "Type=Numeric", " ", "[New]", "Type=Text"}));
        QVERIFY(r.dialogs.messages().isEmpty());
    }

    void failedWritesKeepTheOldFile()
    {
        QTemporaryDir dir;
        const QString blocker = writeFile(dir, "file", "x");
        Model model;
        model.varcount = 1;
        model.var(1).varname = "V";
        ScriptedDialogs dialogs;
        QVERIFY(!WriteCfg(model, blocker + "/k.cfg", dialogs));
        QVERIFY(!WriteVariable(model, dir.path(), 1, dialogs));
        model.cfgpath = blocker + "/k.cfg";
        QVERIFY(!NormalizeModel(model, dialogs));
        QCOMPARE(dialogs.shown().size(), 3);
        QCOMPARE(dialogs.shown().at(0), "Error writing temporary file " + blocker + "/$$$temp$$$.cfg. Changes not saved. [16]");

        // A folder that may not be written to; root is not held back by it.
        dialogs.clear();
        const QString path = writeFile(dir, "ro.cfg", "[K7]\r\n[V]\r\n");
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        const bool written = WriteCfg(model, path, dialogs);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (written)
            QSKIP("running with rights that ignore a read-only folder");
        QCOMPARE(readFile(path), QByteArray("[K7]\r\n[V]\r\n"));
        QCOMPARE(dialogs.messages().size(), 1);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);  // no temporary left
    }

    void commandLine()
    {
        const K7Run version = runK7({"--version"}), help = runK7({"--help"}), unknown = runK7({"--frobnicate"});
        QVERIFY(version.status == 0 && version.out == "K7 4.7\n");
        QVERIFY(help.status == 0 && help.out.contains("--check FILE"));
        QVERIFY(unknown.status == 2 && unknown.err.contains("--frobnicate"));
        QCOMPARE(runK7({"--check"}).status, 2);

        // Files that cannot be read at all are not CFG errors.
        QTemporaryDir dir;
        for (const QString& path : {dir.filePath("none.cfg"), dir.path()}) {
            const K7Run run = runK7({"--check", path});
            QCOMPARE(run.status, 2);
            QVERIFY2(run.err.startsWith(path.toUtf8() + ": "), run.err.constData());
            QCOMPARE(run.out, QByteArray());
        }
        QVERIFY(entriesIn(dir.path()).isEmpty());

        // A file named from another folder: what is found beside an old CFG
        // is stored with that CFG's full folder, as opening it would.
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        writeFile(dir, "sub/help.txt", "x");
        writeFile(dir, "sub/old.cfg", crlf({"FIELD: A", "A: INFO help.txt"}));
        const K7Run relative = runK7({"--check", "sub/old.cfg"}, dir.path());
        QVERIFY2(relative.out.contains("\r\nInfo file=" + dir.filePath("sub/help.txt").toUtf8() + "\r\n"),
                 relative.out.constData());
    }

    // Checking the text that --check printed gives status 0 and the same text:
    // what one opening writes, the next one reads unchanged.
    void readBack_data()
    {
        QTest::addColumn<QString>("path");
        for (const QString& folder : {QStringLiteral(K7_TEST_DATA), QStringLiteral(K7_EXAMPLES)}) {
            QDirIterator files(folder, {"*.cfg"}, QDir::Files, QDirIterator::Subdirectories);
            while (files.hasNext()) {
                const QString path = files.next();
                QTest::newRow(qPrintable(QDir(folder).relativeFilePath(path))) << path;
            }
        }
        // Fixed: a megabyte of the character 1 became a million empty Prompt lines.
        QTest::newRow("value of separators") << "[K7]\r\n[V]\r\nPrompt=" + QString(1 << 20, QChar(1));
    }
    void readBack()
    {
        QFETCH(QString, path);
        QTemporaryDir dir;
        if (!QFileInfo(path).isFile())
            path = writeFile(dir, "generated.cfg", path.toUtf8());
        const K7Run first = runK7({"--check", path});
        if (first.status == 1)
            QSKIP("an error in the file: nothing would be written");
        QCOMPARE(first.status, 0);
        const K7Run second = runK7({"--check", writeFile(dir, "again.cfg", first.out)});
        QCOMPARE(second.status, 0);
        QCOMPARE(second.out, first.out);
    }

    void check_data()
    {
        addCaseRows("cfg/check.tsv");
        const QString sample = QString::fromUtf8(readFile(K7_EXAMPLES "/finds.cfg")).chopped(2).replace("\r\n", "|");
        QTest::newRow("sample") << Case("", {{"lines", sample}, {"status", "0"},
            {"stderr", "%1: File is not a K7 option; the database name is set with Filename\\n"}, {"printed", ""}});
    }
    void check()
    {
        QFETCH(Case, c);
        const QByteArray bytes = crlf(c.list("lines"));
        QString err = c.text("stderr");
        QTemporaryDir dir;
        const QString path = writeFile(dir, "check.cfg", bytes);
        const K7Run run = runK7({"--check", path});
        QCOMPARE(run.status, c.number("status"));
        QCOMPARE(QString::fromUtf8(run.err), err.replace("%1", path));
        QCOMPARE(readFile(path), bytes);  // nothing changed, no backup made
        QCOMPARE(entriesIn(dir.path()), QStringList{"check.cfg"});
        QCOMPARE(run.out.isEmpty(), run.status != 0);
        QVERIFY2(run.out.contains(c.bytes("printed")), run.out.constData());
        if (run.status != 0)
            return;

        // Byte for byte what opening the file (converting it) would write.
        QTemporaryDir other;
        CfgRead opened;
        QVERIFY(readCfg(opened, writeFile(other, "opened.cfg", bytes), {Answer::Yes})
                && NormalizeModel(opened.model, opened.dialogs));
        QCOMPARE(run.out, readFile(opened.model.cfgpath));
    }
};

QTEST_GUILESS_MAIN(TestCfgWriter)
#include "tst_cfg_writer.moc"
