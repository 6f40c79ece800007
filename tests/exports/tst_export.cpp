// The text export: its format, a round trip through another program's CSV
// reader, the record set's order, writes that fail or are cancelled, and
// k7 --export run as a separate process.

#include "support/StoreRig.h"

#include "workflows/RecordCommands.h"
#include "exports/TextExport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <sys/resource.h>

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
    return execSql(rig.dbPath(), sql) && rig.store.open(rig.dbPath()) && rig.store.switchTable("T");
}

// A table of `count` rows ("row 1", 1, "Bone" ...).
bool prepareMany(StoreRig& rig, int count)
{
    const QString many = QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < %1) "
                                        "INSERT INTO T SELECT 'row ' || x, x, 'Bone' FROM c").arg(count);
    return prepare(rig, "ID:1 Count:2 Kind:4", kShape, {}) && execSql(rig.dbPath(), {many})
           && rig.store.currentrs().requery();
}

ExportOutcome exportTo(StoreRig& rig, const QString& path, bool names = false)
{
    return ExportToFile(rig.model, rig.store.currentrs(), path, names, rig.dialogs).outcome;
}

// The rows Python's csv module reads from `path` as strict UTF-8; nullopt
// when it fails. Needs python3 (see hasPython).
std::optional<QJsonArray> readWithPython(const QString& path)
{
    QProcess reader;
    reader.start(QStandardPaths::findExecutable("python3"),
                 {"-c", "import csv, json, sys; print(json.dumps(list(csv.reader("
                        "open(sys.argv[1], newline='', encoding='utf-8', errors='strict')))))",
                  path});
    if (!reader.waitForFinished(30000) || reader.exitCode() != 0)
        return std::nullopt;
    return QJsonDocument::fromJson(reader.readAllStandardOutput()).array();
}

bool hasPython()
{
    return !QStandardPaths::findExecutable("python3").isEmpty();
}

int runK7(const QStringList& args)
{
    QProcess k7;
    k7.start(QStringLiteral(K7_BINARY), args);
    return k7.waitForFinished(30000) && k7.exitStatus() == QProcess::NormalExit ? k7.exitCode() : -1;
}

}  // namespace

class TestExport : public QObject {
    Q_OBJECT
private slots:
    void format_data()
    {
        QTest::addColumn<QString>("variables");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<bool>("names");
        QTest::addColumn<QByteArray>("expected");
        const QString vars = "ID:1 Count:2 Kind:4";
        QTest::newRow("text, number, menu") << vars << kShape << QStringList{"'A1', 12, 'Bone'", "'A1', -3, 'Bone'"}
                                            << false << QByteArray("\"A1\", 12,\"Bone\"\r\n\"A1\",-3,\"Bone\"\r\n");
        QTest::newRow("quotes doubled") << vars << kShape << QStringList{"'12\" rim', 1.5, 'a,b'"} << false
                                        << QByteArray("\"12\"\" rim\", 1.5,\"a,b\"\r\n");
        QTest::newRow("fields by name") << vars << "Kind VARCHAR(9), Count REAL, ID VARCHAR(9)"
                                        << QStringList{"'Bone', 12, 'A1'"} << true
                                        << QByteArray("\"Kind\",\"Count\",\"ID\"\r\n\"Bone\", 12,\"A1\"\r\n");
        QTest::newRow("field without variable left out") << vars << "ID TEXT, Note TEXT, Count REAL, Kind TEXT"
                                                         << QStringList{"'A1', 'x', 12, 'Bone'"} << true
                                                         << QByteArray("\"ID\",\"Count\",\"Kind\"\r\n\"A1\", 12,\"Bone\"\r\n");
        QTest::newRow("Null is nothing") << vars << kShape << QStringList{"NULL, NULL, ''"} << false
                                         << QByteArray(",,\"\"\r\n");
        QTest::newRow("Single short, UTF-8") << vars << kShape << QStringList{"'Pièce', 12.569999694824219, 'Os'"}
                                             << false << QString("\"Pièce\", 12.57,\"Os\"\r\n").toUtf8();
        QTest::newRow("text in a number field") << vars << "ID TEXT, Count TEXT, Kind TEXT"
                                                << QStringList{"'A1', 'n/a', 'B'", "'A2', '7.5', 'B'"} << false
                                                << QByteArray("\"A1\",\"n/a\",\"B\"\r\n\"A2\", 7.5,\"B\"\r\n");
        QTest::newRow("empty table") << vars << kShape << QStringList{} << true << QByteArray();
        QTest::newRow("negative row ids") << vars << kShape
                                          << QStringList{"(rowid, ID) VALUES (5, 'B')", "(rowid, ID) VALUES (-3, 'A')",
                                                         "(rowid, ID) VALUES (-9223372036854775808, 'Z')"}
                                          << false << QByteArray("\"Z\",,\r\n\"A\",,\r\n\"B\",,\r\n");
        QTest::newRow("Double keeps every digit, Single its float")
            << vars << "ID TEXT, Count DOUBLE, Kind REAL"
            << QStringList{"'A', 1125899906842624.0, 1125899906842624.0", "'B', 12.569999694824219, 12.569999694824219"}
            << false
            << QByteArray("\"A\", 1125899906842624,\"1.1258999e+15\"\r\n\"B\", 12.569999694824219,\"12.57\"\r\n");
        QTest::newRow("BLOB as hexadecimal") << vars << kShape << QStringList{"X'00FF22', X'0A', X''"} << false
                                             << QByteArray("\"00FF22\",\"0A\",\"\"\r\n");
        QTest::newRow("text in Windows-1252") << vars << kShape
                                              << QStringList{"CAST(X'50E8636580' AS TEXT), CAST(X'B0' AS TEXT), 'ok'"}
                                              << false << QString("\"Pèce€\",\"°\",\"ok\"\r\n").toUtf8();
    }
    void format()
    {
        QFETCH(QString, variables);
        QFETCH(QString, fields);
        QFETCH(QStringList, rows);
        QFETCH(bool, names);
        StoreRig rig;
        QVERIFY(prepare(rig, variables, fields, rows));
        // An export that never ends is cancelled, and fails here, instead of hanging.
        rig.dialogs.cancelAfterSteps = 100;
        const QString out = rig.path("out.txt");
        QCOMPARE(exportTo(rig, out, names), ExportOutcome::Written);
        QVERIFY(QFileInfo(out).isFile());
        QTEST(readFile(out), "expected");
    }

    void roundTripThroughPythonCsv()
    {
        if (!hasPython())
            QSKIP("python3 is not installed");
        StoreRig rig;
        QVERIFY(prepare(rig, "ID:1 Count:2 Kind:4", kShape,
                        {"'plain', 1, 'x'", "'12\" rim', -3, ''", "'a, b', 0.25, NULL",
                         "'two' || char(13, 10) || 'lines', -1.5e-7, '\"'", "'Pièce à l''œil', 1234567, 'Os'",
                         "NULL, NULL, 'é'"}));
        const QList<QStringList> values{{"ID", "Count", "Kind"},     {"plain", "1", "x"},
                                        {"12\" rim", "-3", ""},       {"a, b", "0.25", ""},
                                        {"two\r\nlines", "-1.5e-7", "\""}, {"Pièce à l'œil", "1234567", "Os"},
                                        {"", "", "é"}};
        const QString out = rig.path("out.txt");
        QCOMPARE(exportTo(rig, out, true), ExportOutcome::Written);

        const std::optional<QJsonArray> csv = readWithPython(out);
        QVERIFY(csv);
        const QJsonArray read = *csv;
        QCOMPARE(read.size(), values.size());
        for (int r = 0; r < values.size(); ++r) {
            const QStringList row = read[r].toVariant().toStringList();
            QCOMPARE(row.size(), 3);
            QCOMPARE(row[0], values[r][0]);
            QCOMPARE(row[2], values[r][2]);
            // A number reads back as the same value, whatever its spelling.
            QCOMPARE(row[1].isEmpty(), values[r][1].isEmpty());
            QCOMPARE(row[1].toDouble(), values[r][1].toDouble());
        }
    }

    // Negative row ids, a BLOB, text in another encoding and doubles that a
    // float cannot hold: the file is still strict UTF-8 CSV, every value
    // comes back, and the changed ones are counted.
    void hostileTableThroughPythonCsv()
    {
        if (!hasPython())
            QSKIP("python3 is not installed");
        StoreRig rig;
        QVERIFY(prepare(rig, "ID:1 Count:2 Kind:4", "ID TEXT, Count DOUBLE, Kind TEXT",
                        {"(rowid, ID, Count, Kind) VALUES (-9223372036854775808, X'FF00', 1125899906842624.0, 'a')",
                         "(rowid, ID, Count, Kind) VALUES (-1, CAST(X'C9636C6174' AS TEXT), 1.7976931348623157e308, "
                         "CAST(X'22E92C' AS TEXT))",
                         "(rowid, ID, Count, Kind) VALUES (7, 'Éclat', -4.9e-324, 'b')"}));
        rig.dialogs.cancelAfterSteps = 100;
        const QString out = rig.path("out.txt");
        const ExportResult result = ExportToFile(rig.model, rig.store.currentrs(), out, true, rig.dialogs);
        QCOMPARE(result.outcome, ExportOutcome::Written);
        QCOMPARE(result.converted, qint64(3));
        QVERIFY(ConvertedValuesNote(result.converted).startsWith("3 value(s) were not UTF-8 text"));

        const std::optional<QJsonArray> read = readWithPython(out);
        QVERIFY(read);
        const QList<QStringList> expected{{"ID", "Count", "Kind"},
                                          {"FF00", "1125899906842624", "a"},
                                          {"Éclat", "1.7976931348623157e+308", "\"é,"},
                                          {"Éclat", "-5e-324", "b"}};
        QCOMPARE(read->size(), expected.size());
        for (int r = 0; r < expected.size(); ++r) {
            const QStringList row = read->at(r).toVariant().toStringList();
            QCOMPARE(row.size(), 3);
            QCOMPARE(row[0], expected[r][0]);
            QCOMPARE(row[1].trimmed(), expected[r][1]);
            QCOMPARE(row[2], expected[r][2]);
        }
    }

    // A target the export reads, or variables that name no field, are
    // refused before anything is written.
    void refusedExports_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("variables");
        QTest::addColumn<QString>("error");
        const QString vars = "ID:1 Count:2 Kind:4";
        const QString isDb = " is the database being exported.  Choose another file.";
        QTest::newRow("the database") << "site.mdb" << vars << isDb;
        QTest::newRow("the database by another way") << "sub/../site.mdb" << vars << isDb;
        QTest::newRow("a link to the database") << "link.txt" << vars << isDb;
        QTest::newRow("the CFG") << "site.cfg" << vars << " is the CFG file being exported.  Choose another file.";
        QTest::newRow("no variable names a field")
            << "out.txt" << "Other:1 Else:2" << "No variable of the CFG names a field of the table T.";
    }
    void refusedExports()
    {
        QFETCH(QString, target);
        QFETCH(QString, variables);
        StoreRig rig;
        QVERIFY(prepare(rig, variables, kShape, {"'A', 1, 'B'"}));
        QVERIFY(QDir(rig.dir.path()).mkdir("sub"));
        QVERIFY(QFile::link(rig.dbPath(), rig.path("link.txt")));
        QVERIFY(writeFile(rig.model.cfgpath, "[K7]\r\n"));
        QVERIFY(writeFile(rig.path("out.txt"), "old\r\n"));
        const QByteArray db = readFile(rig.dbPath()), cfg = readFile(rig.model.cfgpath);
        const QStringList files = QDir(rig.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        const QString path = rig.path(target);
        const ExportResult result = ExportToFile(rig.model, rig.store.currentrs(), path, false, rig.dialogs);
        QCOMPARE(result.outcome, ExportOutcome::Failed);
        QFETCH(QString, error);
        QCOMPARE(result.error, error.startsWith(' ') ? path + error : error);
        QCOMPARE(readFile(rig.dbPath()), db);
        QCOMPARE(readFile(rig.model.cfgpath), cfg);
        QCOMPARE(readFile(rig.path("out.txt")), QByteArray("old\r\n"));
        QCOMPARE(QDir(rig.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), files);
    }

    // File > Export ASCII refuses such a file before asking to overwrite it,
    // and its closing message counts the values it changed.
    void exportMenu()
    {
        StoreRig rig;
        QVERIFY(prepare(rig, "ID:1 Count:2 Kind:4", kShape, {"X'01', 1, 'B'"}));
        RecordCommands commands({rig.model, rig.store, rig.dialogs, rig.shell, rig.view,
                                 [&rig] { return &rig.store.currentrs(); }, [] {}});
        const QByteArray db = readFile(rig.dbPath());
        rig.dialogs.queueFile(rig.dbPath());
        commands.exportAscii();
        QCOMPARE(rig.shown(), QStringList{"Error: " + rig.dbPath()
                                          + " is the database being exported.  Choose another file. [48]"});
        QCOMPARE(readFile(rig.dbPath()), db);

        rig.dialogs.clear();
        rig.dialogs.queueFile(rig.path("out.txt"));
        rig.dialogs.queueAnswer(Answer::No);  // no names
        rig.dialogs.queueAnswer(Answer::Ok);  // the closing message
        rig.dialogs.queueAnswer(Answer::No);  // keep the data
        commands.exportAscii();
        QCOMPARE(rig.shown().size(), 3);
        QCOMPARE(rig.shown()[1], ConvertedValuesNote(1) + " [64]");
        QCOMPARE(readFile(rig.path("out.txt")), QByteArray("\"01\", 1,\"B\"\r\n"));
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

    void failedOrCancelledKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("sizeLimit");
        QTest::addColumn<int>("cancelAfter");
        QTest::addColumn<ExportOutcome>("outcome");
        QTest::newRow("target is a folder") << "folder" << 0 << 0 << ExportOutcome::Failed;
        QTest::newRow("folder missing") << "missing/out.txt" << 0 << 0 << ExportOutcome::Failed;
        QTest::newRow("disk full") << "out.txt" << 16384 << 0 << ExportOutcome::Failed;
        QTest::newRow("cancelled") << "out.txt" << 0 << 1 << ExportOutcome::Cancelled;
    }
    void failedOrCancelledKeepsTheOldFile()
    {
        QFETCH(QString, target);
        QFETCH(int, sizeLimit);
        QFETCH(int, cancelAfter);
        StoreRig rig;
        QVERIFY(prepareMany(rig, 20000));
        QVERIFY(QDir(rig.dir.path()).mkdir("folder"));
        QVERIFY(writeFile(rig.path("out.txt"), "old\r\n"));
        const QStringList files = QDir(rig.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        rig.dialogs.cancelAfterSteps = cancelAfter;

        // A file size limit fails writes as a full disk does.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        if (sizeLimit > 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limited = saved;
            limited.rlim_cur = static_cast<rlim_t>(sizeLimit);
            QVERIFY(setrlimit(RLIMIT_FSIZE, &limited) == 0);
        }
        const ExportOutcome outcome = exportTo(rig, rig.path(target));
        setrlimit(RLIMIT_FSIZE, &saved);

        QTEST(outcome, "outcome");
        QCOMPARE(readFile(rig.path("out.txt")), QByteArray("old\r\n"));
        QVERIFY(QFileInfo(rig.path("folder")).isDir());
        QCOMPARE(QDir(rig.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), files);
    }

    void commandLine()
    {
        StoreRig rig;
        const QString cfg = writeFile(rig.dir, "t.cfg", crlf({"[K7]", "Filename=d.mdb", "Table=T", "[ID]", "Type=Text",
                                                              "[Count]", "Type=Numeric", "[Kind]", "Type=Menu",
                                                              "Menu=Bone Stone"}));
        const QString db = rig.path("d.mdb");
        QVERIFY(execSql(db, {"CREATE TABLE T (Kind TEXT, ID TEXT, Count REAL, Note TEXT)",
                             "INSERT INTO T VALUES ('Bone', 'A1', -3, 'x')"}));
        const QByteArray cfgBytes = readFile(cfg), dbBytes = readFile(db);
        const QString out = rig.path("out.txt");

        QCOMPARE(runK7({"--export", cfg, out, "--names"}), 0);
        QCOMPARE(readFile(out), QByteArray("\"Kind\",\"ID\",\"Count\"\r\n\"Bone\",\"A1\",-3\r\n"));
        QCOMPARE(runK7({"--export", cfg, out}), 0);
        QCOMPARE(readFile(out), QByteArray("\"Bone\",\"A1\",-3\r\n"));
        QCOMPARE(readFile(cfg), cfgBytes);
        QCOMPARE(readFile(db), dbBytes);

        QCOMPARE(runK7({"--export", cfg, rig.path("missing/out.txt")}), 1);
        // Over its own input: refused, both files as they were.
        QCOMPARE(runK7({"--export", cfg, db}), 1);
        QCOMPARE(runK7({"--export", cfg, cfg, "--names"}), 1);
        QCOMPARE(readFile(cfg), cfgBytes);
        QCOMPARE(readFile(db), dbBytes);

        QCOMPARE(runK7({"--export", rig.path("none.cfg"), out}), 2);
        QVERIFY(QFile::remove(db));
        QCOMPARE(runK7({"--export", cfg, out}), 2);
        QCOMPARE(readFile(out), QByteArray("\"Bone\",\"A1\",-3\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestExport)
#include "tst_export.moc"
