// The text export: its format, a round trip through another program's CSV
// reader, the record set's order. Then exports of every format that fail or
// are cancelled, File > Export and File > Export codebook, and k7 --export
// in every format and k7 --codebook, run as a separate process.

#include "ExportRig.h"

#include "support/CaseTable.h"
#include "support/FileSizeLimit.h"

#include "exports/ExportFileFormat.h"
#include "exports/TextExport.h"
#include "workflows/RecordCommands.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>

using namespace k7;
using namespace k7::test;

namespace {

const QString kShape = QStringLiteral("ID VARCHAR(40), Count REAL, Kind VARCHAR(40)");

// Variables as "name:type" separated by blanks; the table T made by `fields`
// and holding `rows` (each the text of a VALUES list, or "(fields) VALUES
// (...)"); both opened.
bool prepare(StoreRig& rig, const QString& variables, const QString& fields, const QStringList& rows)
{
    for (const QString& v : variables.split(' '))
        rig.add(v.section(':', 0, 0), v.section(':', 1).toInt());
    QStringList sql{"CREATE TABLE T (" + fields + ")"};
    for (const QString& row : rows)
        sql << "INSERT INTO T " + (row.startsWith('(') ? row : "VALUES (" + row + ")");
    return openTable(rig, sql);
}

ExportOutcome exportTo(StoreRig& rig, const QString& path, bool names = false)
{
    return ExportToFile(rig.model, rig.store.currentrs(), path, names, rig.dialogs).outcome;
}

}  // namespace

class TestExport : public QObject {
    Q_OBJECT
private slots:
    void format_data() { addCaseRows("exports/format.tsv"); }
    void format()
    {
        QFETCH(Case, c);
        StoreRig rig;
        QVERIFY(prepare(rig, "ID:1 Count:2 Kind:4", c.text("fields", kShape), c.list("rows")));
        // An export that never ends is cancelled, and fails here, instead of hanging.
        rig.dialogs.cancelAfterSteps = 100;
        const QString out = rig.path("out.txt");
        QCOMPARE(exportTo(rig, out, c.yes("names")), ExportOutcome::Written);
        QVERIFY(QFileInfo(out).isFile());
        QCOMPARE(readFile(out), c.bytes("expected"));
    }

    // Quotes, line ends, negative row ids, a BLOB, text in another encoding
    // and doubles that a float cannot hold: the file is strict UTF-8 CSV that
    // gives back every value (a number as the same value, whatever its
    // spelling), and the values changed on the way are counted.
    void readByPythonCsv_data() { addCaseRows("exports/python-csv.tsv"); }
    void readByPythonCsv()
    {
        if (!hasPython())
            QSKIP("python3 is not installed");
        QFETCH(Case, c);
        StoreRig rig;
        QVERIFY(prepare(rig, "ID:1 Count:2 Kind:4", c.text("fields"), c.list("rows")));
        rig.dialogs.cancelAfterSteps = 100;
        const QString out = rig.path("out.txt");
        const ExportResult result = ExportToFile(rig.model, rig.store.currentrs(), out, true, rig.dialogs);
        QCOMPARE(result.outcome, ExportOutcome::Written);
        QCOMPARE(result.converted, qint64(c.number("converted")));
        const std::optional<QByteArray> csv = runReader("python3", "read-csv.py", out);
        QVERIFY(csv);
        const QJsonArray read = QJsonDocument::fromJson(*csv).array();
        const QJsonArray expected = QJsonDocument::fromJson(c.bytes("read")).array();
        QCOMPARE(read.size(), expected.size());
        for (int r = 0; r < expected.size(); ++r) {
            const QStringList row = read.at(r).toVariant().toStringList();
            const QStringList want = expected.at(r).toVariant().toStringList();
            QCOMPARE(row.size(), want.size());
            for (int v = 0; v < row.size(); ++v) {
                bool number = false;
                const double wanted = want[v].toDouble(&number);
                if (number)
                    QCOMPARE(row[v].toDouble(), wanted);
                else
                    QCOMPARE(row[v], want[v]);
            }
        }
    }

    // A target the export reads, or variables that name no field, are
    // refused before anything is written.
    void refusedExports_data() { addCaseRows("exports/refused.tsv"); }
    void refusedExports()
    {
        QFETCH(Case, c);
        StoreRig rig;
        QVERIFY(prepare(rig, c.text("variables"), kShape, {"'A', 1, 'B'"}));
        QVERIFY(QDir(rig.dir.path()).mkdir("sub"));
        QVERIFY(QFile::link(rig.dbPath(), rig.path("link.txt")));
        QVERIFY(writeFile(rig.model.cfgpath, "[K7]\r\n"));
        QVERIFY(writeFile(rig.path("out.txt"), "old\r\n"));
        const QByteArray db = readFile(rig.dbPath()), cfg = readFile(rig.model.cfgpath);
        const QStringList files = entriesIn(rig.dir.path());

        const QString path = rig.path(c.text("target")), error = c.text("error");
        const ExportResult result = ExportToFile(rig.model, rig.store.currentrs(), path, false, rig.dialogs);
        QCOMPARE(result.outcome, ExportOutcome::Failed);
        QCOMPARE(result.error, error.startsWith(' ') ? path + error : error);
        QCOMPARE(readFile(rig.dbPath()), db);
        QCOMPARE(readFile(rig.model.cfgpath), cfg);
        QCOMPARE(readFile(rig.path("out.txt")), QByteArray("old\r\n"));
        QCOMPARE(entriesIn(rig.dir.path()), files);
    }

    // File > Export (the format by the chosen file's type) and File > Export
    // codebook: what they ask and say, and what they write; an older file
    // is replaced only when the operator agrees, and the database never.
    void fileMenu_data() { addCaseRows("exports/file-menu.tsv"); }
    void fileMenu()
    {
        QFETCH(Case, c);
        const QString target = c.text("target");
        if (ExportFormatForPath(target) != ExportFileFormat::Text)
            SKIP_WITHOUT_WRITER(target);
        StoreRig rig;
        QVERIFY(prepare(rig, "ID:1 Count:2 Kind:4 by:2", kShape + ", \"by\" REAL", {"X'01', 1, 'B', 2"}));
        RecordCommands commands({rig.model, rig.store, rig.dialogs, rig.shell, rig.view,
                                 [&rig] { return &rig.store.currentrs(); }, [] {}});
        const QString path = rig.path(target);
        if (c.yes("older"))
            QVERIFY(writeFile(path, "old"));
        const QByteArray db = readFile(rig.dbPath());
        rig.dialogs.queueFile(path);
        rig.dialogs.queueAnswers(c.list("answers"));
        if (c.text("command") == "codebook")
            commands.exportCodebook();
        else
            commands.exportAscii();
        const QStringList shown = rig.shown(), expected = c.list("shown").replaceInStrings("%1", path);
        QCOMPARE(shown.size(), expected.size());
        for (int m = 0; m < shown.size(); ++m)
            QVERIFY2(shown[m].startsWith(expected[m]), qPrintable(shown[m]));
        const QByteArray written = readFile(path), wanted = c.bytes("written");
        if (wanted.endsWith("..."))
            QVERIFY2(written.startsWith(wanted.chopped(3)), written.left(40).constData());
        else if (path != rig.dbPath())
            QCOMPARE(written, wanted);
        QCOMPARE(readFile(rig.dbPath()), db);
    }

    void followsTheRecordSet()
    {
        StoreRig rig;
        QVERIFY(prepare(rig, "ID:1 Count:2", "ID TEXT, Count REAL", {"'C', 3", "'A', 1", "'B', 2"}));
        const QString out = rig.path("out.txt");
        QVERIFY(rig.store.showView(RecordView{{"ID"}, {}, {}}));
        QCOMPARE(exportTo(rig, out), ExportOutcome::Written);
        QCOMPARE(readFile(out), QByteArray("\"A\", 1\r\n\"B\", 2\r\n\"C\", 3\r\n"));

        // Rows another program deletes after the set was read are left out.
        QVERIFY(rig.store.switchTable("T"));
        QVERIFY(execSql(rig.dbPath(), {"DELETE FROM T WHERE ID <> 'A'"}));
        QCOMPARE(exportTo(rig, out), ExportOutcome::Written);
        QCOMPARE(readFile(out), QByteArray("\"A\", 1\r\n"));
    }

    // Exports of every format that fail or are cancelled leave the older
    // files as they were and nothing beside them. The file size limit fails
    // writes as a full disk does.
    void failedOrCancelledKeepsTheOldFile_data() { addCaseRows("exports/failed.tsv"); }
    void failedOrCancelledKeepsTheOldFile()
    {
        QFETCH(Case, c);
        const QString target = c.text("target");
        const ExportFileFormat format = ExportFormatForPath(target);
        if (format != ExportFileFormat::Text)
            SKIP_WITHOUT_WRITER(target);
        StoreRig rig;
        QVERIFY(prepareMany(rig, 20000));
        QVERIFY(QDir(rig.dir.path()).mkdir("folder"));
        const QStringList olderFiles{"out.txt", "out.dta", "out.sav", "out.xlsx"};
        for (const QString& name : olderFiles)
            QVERIFY(writeFile(rig.path(name), "old\r\n"));
        const QStringList files = entriesIn(rig.dir.path());
        rig.dialogs.cancelAfterSteps = c.number("cancel after");
        std::optional<FileSizeLimit> limit(std::in_place, c.number("size limit"));
        QVERIFY(limit->ok());
        const QString path = rig.path(target);
        const ExportResult result = format == ExportFileFormat::Text
            ? ExportToFile(rig.model, rig.store.currentrs(), path, false, rig.dialogs)
            : ExportTableToFile(rig.model, rig.store.currentrs(), path, format, rig.dialogs);
        limit.reset();
        QCOMPARE(result.outcome, c.text("outcome") == "cancelled" ? ExportOutcome::Cancelled : ExportOutcome::Failed);
        QCOMPARE(result.error.isEmpty(), result.outcome == ExportOutcome::Cancelled);
        for (const QString& name : olderFiles)
            QCOMPARE(readFile(rig.path(name)), QByteArray("old\r\n"));
        QVERIFY(QFileInfo(rig.path("folder")).isDir());
        QCOMPARE(entriesIn(rig.dir.path()), files);
    }

    // k7 --export (the format by the file's extension) and k7 --codebook,
    // each run on a CFG and its database that it leaves as they were.
    void commandLine_data() { addCaseRows("exports/command-line.tsv"); }
    void commandLine()
    {
        QFETCH(Case, c);
        StoreRig rig;
        const QString cfg = writeFile(rig.dir, "t.cfg", crlf({"[K7]", "Filename=d.mdb", "Table=T", "[Kind]", "Type=Menu",
                                                              "Menu=Bone Stone", "[ID]", "Type=Text", "[Count]",
                                                              "Type=Numeric", "Condition1=Kind Bone"}));
        const QString db = rig.path("d.mdb"), out = rig.path(c.text("file"));
        QVERIFY(execSql(db, {"CREATE TABLE T (Kind TEXT, ID TEXT, Count REAL, Note TEXT)",
                             "INSERT INTO T VALUES ('Bone', 'A1', -3, 'x'), ('Wood', 'A2', 2.5, 'y')"}));
        QVERIFY(writeFile(out, "old"));
        const QByteArray cfgBytes = readFile(cfg), dbBytes = readFile(db);
        if (!c.text("removed").isEmpty())
            QVERIFY(QFile::remove(rig.path(c.text("removed"))));
        const QStringList args = c.list("args").replaceInStrings(QRegularExpression("^@"), rig.dir.path() + '/');
        const K7Run run = runK7(args);
        QString unavailable;
        const ExportFileFormat format = ExportFormatForPath(args.value(2));
        if (args.first() == "--export" && format != ExportFileFormat::Text && !MakeTableWriter(format, &unavailable)) {
            QCOMPARE(run.status, 1);
            QVERIFY2(run.err.contains(unavailable.toUtf8()), run.err.constData());
            return;
        }
        QCOMPARE(run.status, c.number("status"));
        QVERIFY2(c.text("stderr").isEmpty() ? run.err.isEmpty() : run.err.contains(c.bytes("stderr")), run.err.constData());
        const QByteArray written = readFile(out), expected = c.bytes("written");
        if (expected.endsWith("..."))
            QVERIFY2(written.startsWith(expected.chopped(3)), written.left(40).constData());
        else
            QCOMPARE(written, expected);
        for (const QString& text : c.list("holds"))
            QVERIFY2(written.contains(text.toUtf8()), qPrintable(text));
        if (c.text("removed").isEmpty())
            QCOMPARE(readFile(db), dbBytes);
        QCOMPARE(readFile(cfg), cfgBytes);
    }
};

QTEST_GUILESS_MAIN(TestExport)
#include "tst_export.moc"
