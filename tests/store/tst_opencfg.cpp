// Opening a CFG end to end and repairing a table that no longer matches it:
// every question, in order, and what each answer leaves in the file.

#include "support/RecordingShellHooks.h"
#include "support/ScriptedDialogs.h"

#include "cfg/CfgReader.h"
#include "store/OpenCfg.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace k7;
using namespace k7::test;

namespace {

const QString kClosing = QStringLiteral(
    "The data table and database will be closed.  You need to either modify the CFG file, change the name of "
    "the CFG file (so that a brand new database will be created), or specify a new database name in the CFG "
    "file.");
const QString kEncounter = QStringLiteral(
    "An error was encounter while processing the CFG file: VAR7 could not be found in the existing data table.  "
    "A new data table will have to be started.");
const QString kRenameAsk = QStringLiteral(
    "There are data in your existing table.  Would you like to rename this table and start a new one to match "
    "the CFG file?");
const QString kRenamePrompt = QStringLiteral("Rename existing data table as :");
const QString kExists = QStringLiteral("Error: That data table name already exists.  Use another name.");
const QString kDeleteAsk = QStringLiteral("Ok to delete the current dataset and create a new one?");
const QString kEmptyAsk = QStringLiteral(
    "The current data table is empty.  K7 will erase it and create a new one to match the fields in your CFG.");
const QString kAddVar7 = QStringLiteral(
    "The field VAR7 exist in the CFG but not in the data table finds.  If you have added a new variable, K7 can "
    "add this to the data table now.  Would you like to add VAR7?");

void writeFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Rows of a table, counted by another connection; -1 when there is no such table.
int rowCount(const QString& dbPath, const QString& table)
{
    sqlite3* db = nullptr;
    int n = -1;
    if (sqlite3_open_v2(QFile::encodeName(dbPath).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        QString quoted = table;
        quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
        const QByteArray sql = QStringLiteral("SELECT count(*) FROM \"%1\"").arg(quoted).toUtf8();
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
            n = sqlite3_column_int(stmt, 0);
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return n;
}

QStringList fieldNames(const Database& db, const QString& table)
{
    QStringList names;
    if (const TableDef* t = db.findTable(table)) {
        for (const auto& f : t->fields)
            names << f.name;
    }
    return names;
}

const QStringList kSixFields{"VAR1", "VAR2", "VAR3", "VAR4", "VAR5", "VAR6"};
const QStringList kSevenFields{"VAR1", "VAR2", "VAR3", "VAR4", "VAR5", "VAR6", "VAR7"};

struct Rig {
    QTemporaryDir dir;
    Model model;
    DataStore store;
    ScriptedDialogs dialogs;
    RecordingShellHooks shell;

    QString cfg() const { return dir.filePath(QStringLiteral("finds.cfg")); }
    QString db() const { return dir.filePath(QStringLiteral("finds.mdb")); }

    Rig()
    {
        QFile::copy(QStringLiteral(K7_EXAMPLES "/finds.cfg"), cfg());
        QFile::setPermissions(cfg(), QFile::ReadOwner | QFile::WriteOwner);
    }

    OpenResult open()
    {
        model.cfgpath = cfg();
        return OpenCfg(model, store, dialogs, shell);
    }

    // The sample CFG opened once, with `rows` records saved.
    bool openWithRows(int rows)
    {
        if (open() != OpenResult::Opened)
            return false;
        for (int i = 0; i < rows; ++i) {
            RecordSet& rs = store.currentrs;
            if (!rs.addNew() || !rs.setField(QStringLiteral("VAR1"), QStringLiteral("ID%1").arg(i)) || !rs.update())
                return false;
        }
        dialogs.clear();
        return true;
    }

    void addVar7()
    {
        QByteArray text = readFile(cfg());
        text += "\r\n[VAR7]\r\nType=text\r\nLength=15\r\n";
        writeFile(cfg(), text);
    }
};

}  // namespace

class TestOpenCfg : public QObject {
    Q_OBJECT
private slots:
    void newCfgOpensWithoutAQuestion();
    void cfgWithAnErrorIsShownInTheEditor_data();
    void cfgWithAnErrorIsShownInTheEditor();
    void addedVariableIsAddedOnYes();
    void rebuildWithRows_data();
    void rebuildWithRows();
    void rebuildEmptyTable_data();
    void rebuildEmptyTable();
    void renameThatFailsIsAskedAgain();
    void tooLongLengthIsReducedOnce();
    void databaseThatIsNotOneStopsTheOpen();
    void fieldsTheCfgDoesNotKnowAreKept();
};

void TestOpenCfg::newCfgOpensWithoutAQuestion()
{
    Rig rig;
    QCOMPARE(rig.open(), OpenResult::Opened);
    QVERIFY2(rig.dialogs.messages().isEmpty(), qPrintable(rig.dialogs.texts().join(QLatin1Char('\n'))));
    QCOMPARE(rig.store.dbname, rig.db());
    QCOMPARE(rig.store.tablename, QStringLiteral("finds"));
    QCOMPARE(fieldNames(rig.store.currentdb, QStringLiteral("finds")), kSixFields);
    const TableCheck check = CheckTableFields(rig.model, rig.store);
    QCOMPARE(check.code, 0);
    QCOMPARE(check.message, QString());
    QCOMPARE(rig.shell.recentFiles, QStringList{rig.cfg()});
    QCOMPARE(rig.shell.portOpenings, 1);
    QCOMPARE(rig.shell.dataSource, &rig.store.currentrs);
    QVERIFY(rig.shell.editorPaths.isEmpty());

    // Opening again passes through closed and finds the same table.
    QVERIFY(rig.store.currentrs.addNew() && rig.store.currentrs.update());
    QCOMPARE(rig.open(), OpenResult::Opened);
    QCOMPARE(rig.store.currentrs.recordCount(), 1);
    QCOMPARE(rig.store.currentdb.tableCount(), 1);
    QVERIFY(rig.dialogs.messages().isEmpty());
}

void TestOpenCfg::cfgWithAnErrorIsShownInTheEditor_data()
{
    QTest::addColumn<bool>("editorLoads");
    QTest::newRow("editor shows the file") << true;
    QTest::newRow("editor cannot load it") << false;
}

void TestOpenCfg::cfgWithAnErrorIsShownInTheEditor()
{
    QFETCH(bool, editorLoads);
    Rig rig;
    QVERIFY(rig.openWithRows(1));
    QByteArray text = readFile(rig.cfg());
    text += "\r\n[VAR7]\r\nType=Bogus\r\n";
    writeFile(rig.cfg(), text);
    // What the reader itself says about this file.
    Model probe;
    probe.cfgpath = rig.cfg();
    ScriptedDialogs quiet;
    const CfgError expected = ReadCfg(probe, quiet);
    QVERIFY(expected.failed());

    rig.shell.editorLoads = editorLoads;
    QCOMPARE(rig.open(), OpenResult::Failed);
    QCOMPARE(rig.shell.editorPaths, QStringList{rig.cfg()});
    if (editorLoads) {
        QCOMPARE(rig.dialogs.texts(), QStringList{expected.text});
        QCOMPARE(rig.shell.editorLines, QList<int>{expected.line});
    } else {
        QCOMPARE(rig.dialogs.texts(),
                 QStringList{QStringLiteral("Though the CFG cannot be displayed, the error was as follows: ")
                             + expected.text});
        QVERIFY(rig.shell.editorLines.isEmpty());
    }
    QCOMPARE(rig.dialogs.messages().at(0).style, 64);
    // Nothing stays open, and the earlier table is untouched.
    QVERIFY(rig.store.dbname.isEmpty() && rig.store.tablename.isEmpty());
    QVERIFY(!rig.store.currentdb.isOpen() && !rig.store.currentrs.isOpen());
    QCOMPARE(rig.shell.dataSource, nullptr);
    QCOMPARE(rig.shell.recentFiles.size(), 1);
    QCOMPARE(rowCount(rig.db(), QStringLiteral("finds")), 1);
}

void TestOpenCfg::addedVariableIsAddedOnYes()
{
    Rig rig;
    QVERIFY(rig.openWithRows(2));
    rig.addVar7();
    rig.dialogs.queueAnswer(Answer::Yes);
    QCOMPARE(rig.open(), OpenResult::Opened);
    QCOMPARE(rig.dialogs.texts(), QStringList{kAddVar7});
    QCOMPARE(rig.dialogs.messages().at(0).style, 4);
    QCOMPARE(CheckTableFields(rig.model, rig.store).code, 0);
    QCOMPARE(fieldNames(rig.store.currentdb, QStringLiteral("finds")), kSevenFields);
    const TableDef* t = rig.store.currentdb.findTable(QStringLiteral("finds"));
    QCOMPARE(t->fields.last().type, FieldType::Text);
    QCOMPARE(t->fields.last().size, 15);
    QCOMPARE(rig.store.currentrs.recordCount(), 2);
    QCOMPARE(rig.store.currentrs.fieldIndex(QStringLiteral("var7")), 6);
    QCOMPARE(rig.shell.dataSource, &rig.store.currentrs);
}

void TestOpenCfg::rebuildWithRows_data()
{
    // Answers to every box after the add question, information boxes included
    // (the scripted dialogs hand queued answers to those too).
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QStringList>("typed");          // rename dialog: a name, or "" for Cancel
    QTest::addColumn<QStringList>("texts");          // messages after the add question
    QTest::addColumn<bool>("stillOpen");
    QTest::addColumn<int>("findsRows");              // rows in "finds" afterwards (-1: no table)
    QTest::addColumn<QString>("asideTable");
    QTest::addColumn<int>("asideRows");

    QTest::newRow("rename, first name taken in another case")
        << QList<int>{Answer::Ok, Answer::Yes, Answer::Ok} << QStringList{"FINDS", "Finds 2024"}
        << QStringList{kEncounter, kRenameAsk, kRenamePrompt, kExists, kRenamePrompt} << true << 0 << "Finds 2024"
        << 3;
    QTest::newRow("rename cancelled, then delete")
        << QList<int>{Answer::Ok, Answer::Yes, Answer::Yes} << QStringList{""}
        << QStringList{kEncounter, kRenameAsk, kRenamePrompt, kDeleteAsk} << true << 0 << "" << -1;
    QTest::newRow("rename cancelled, delete declined")
        << QList<int>{Answer::Ok, Answer::Yes, Answer::No} << QStringList{""}
        << QStringList{kEncounter, kRenameAsk, kRenamePrompt, kDeleteAsk} << false << 3 << "" << -1;
    QTest::newRow("no") << QList<int>{Answer::Ok, Answer::No} << QStringList{} << QStringList{kEncounter, kRenameAsk, kClosing}
                        << false << 3 << "" << -1;
    QTest::newRow("cancel") << QList<int>{Answer::Ok, Answer::Cancel} << QStringList{}
                            << QStringList{kEncounter, kRenameAsk, kClosing} << false << 3 << "" << -1;
}

void TestOpenCfg::rebuildWithRows()
{
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, texts);
    QFETCH(bool, stillOpen);
    QFETCH(int, findsRows);
    QFETCH(QString, asideTable);
    QFETCH(int, asideRows);

    Rig rig;
    QVERIFY(rig.openWithRows(3));
    rig.addVar7();
    rig.dialogs.queueAnswer(Answer::No);
    QCOMPARE(rig.open(), OpenResult::Opened);
    QCOMPARE(rig.dialogs.texts(), QStringList{kAddVar7});
    rig.dialogs.clear();

    const TableCheck check = CheckTableFields(rig.model, rig.store);
    QCOMPARE(check.code, 1);
    for (int a : answers)
        rig.dialogs.queueAnswer(a);
    for (const auto& name : typed)
        rig.dialogs.queueInput(name.isEmpty() ? std::nullopt : std::optional<QString>(name));
    RebuildDataTable(rig.model, rig.store, rig.dialogs, rig.shell, check.code, check.message);

    QCOMPARE(rig.dialogs.texts(), texts);
    QCOMPARE(rig.dialogs.pendingAnswers(), 0);
    QCOMPARE(rig.dialogs.messages().at(0).style, 64);
    QCOMPARE(rig.dialogs.messages().at(1).style, 3);
    if (stillOpen) {
        QCOMPARE(rig.store.tablename, QStringLiteral("finds"));
        QCOMPARE(rig.model.cfgpath, rig.cfg());
        QVERIFY(rig.store.currentrs.isOpen());
        QCOMPARE(rig.shell.dataSource, &rig.store.currentrs);
        QCOMPARE(rig.store.currentrs.fields().size(), 7);
        QCOMPARE(CheckTableFields(rig.model, rig.store).code, 0);
        QCOMPARE(fieldNames(rig.store.currentdb, QStringLiteral("finds")), kSevenFields);
    } else {
        QVERIFY(rig.store.dbname.isEmpty() && rig.store.tablename.isEmpty());
        QVERIFY(rig.model.cfgpath.isEmpty());
        QVERIFY(!rig.store.currentdb.isOpen());
        QCOMPARE(rig.shell.dataSource, nullptr);
    }
    rig.store.closeAll();
    QCOMPARE(rowCount(rig.db(), QStringLiteral("finds")), findsRows);
    if (!asideTable.isEmpty())
        QCOMPARE(rowCount(rig.db(), asideTable), asideRows);
}

void TestOpenCfg::rebuildEmptyTable_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("ok erases and re-creates") << int(Answer::Ok);
    QTest::newRow("cancel closes") << int(Answer::Cancel);
}

void TestOpenCfg::rebuildEmptyTable()
{
    QFETCH(int, answer);
    Rig rig;
    QVERIFY(rig.openWithRows(0));
    rig.addVar7();
    rig.dialogs.queueAnswer(Answer::No);
    QCOMPARE(rig.open(), OpenResult::Opened);
    rig.dialogs.clear();
    const TableCheck check = CheckTableFields(rig.model, rig.store);
    rig.dialogs.queueAnswer(Answer::Ok);
    rig.dialogs.queueAnswer(answer);
    RebuildDataTable(rig.model, rig.store, rig.dialogs, rig.shell, check.code, check.message);
    if (answer == Answer::Ok) {
        QCOMPARE(rig.dialogs.texts(), (QStringList{kEncounter, kEmptyAsk}));
        QCOMPARE(rig.dialogs.messages().at(1).style, 1);
        QCOMPARE(fieldNames(rig.store.currentdb, QStringLiteral("finds")), kSevenFields);
        QVERIFY(rig.store.currentrs.isOpen());
        QVERIFY(rig.store.currentrs.bof() && rig.store.currentrs.eof());
        QCOMPARE(rig.store.currentrs.fieldCount(), 7);
    } else {
        QCOMPARE(rig.dialogs.texts(), (QStringList{kEncounter, kEmptyAsk, kClosing}));
        QVERIFY(rig.model.cfgpath.isEmpty());
        QVERIFY(rig.store.tablename.isEmpty());
        QVERIFY(!rig.store.currentdb.isOpen());
    }
    // A code other than 1 only reports.
    ScriptedDialogs only;
    RebuildDataTable(rig.model, rig.store, only, rig.shell, 2, QStringLiteral("x"));
    QCOMPARE(only.texts(), QStringList{QStringLiteral("An error was encounter while processing the CFG file: x")});
}

void TestOpenCfg::renameThatFailsIsAskedAgain()
{
    Rig rig;
    QVERIFY(rig.openWithRows(2));
    rig.addVar7();
    rig.dialogs.queueAnswer(Answer::No);
    QCOMPARE(rig.open(), OpenResult::Opened);
    rig.dialogs.clear();
    const TableCheck check = CheckTableFields(rig.model, rig.store);
    for (int a : {Answer::Ok, Answer::Yes, Answer::Ok, Answer::Ok})
        rig.dialogs.queueAnswer(a);
    rig.dialogs.queueInput(QStringLiteral("   "));
    rig.dialogs.queueInput(QStringLiteral("sqlite_old"));  // a name the engine keeps for itself
    rig.dialogs.queueInput(QStringLiteral("O'Brien's \"old\" finds"));
    RebuildDataTable(rig.model, rig.store, rig.dialogs, rig.shell, check.code, check.message);

    const QStringList texts = rig.dialogs.texts();
    QCOMPARE(texts.count(kRenamePrompt), 3);
    QCOMPARE(texts.at(3), QStringLiteral("Error: A data table needs a name.  Use another name."));
    QVERIFY(texts.at(5).startsWith(QStringLiteral("Error: The data table could not be renamed as sqlite_old.")));
    QCOMPARE(texts.size(), 7);
    QCOMPARE(rig.store.currentdb.tableNames(),
             (QStringList{QStringLiteral("O'Brien's \"old\" finds"), QStringLiteral("finds")}));
    rig.store.closeAll();
    QCOMPARE(rowCount(rig.db(), QStringLiteral("O'Brien's \"old\" finds")), 2);
    QCOMPARE(rowCount(rig.db(), QStringLiteral("finds")), 0);
}

void TestOpenCfg::tooLongLengthIsReducedOnce()
{
    Rig rig;
    QVERIFY(rig.openWithRows(1));
    rig.store.closeAll();
    QByteArray text = readFile(rig.cfg());
    QVERIFY(text.contains("Length=20"));
    text.replace("Length=20", "Length=40");
    writeFile(rig.cfg(), text);

    QCOMPARE(rig.open(), OpenResult::Opened);
    QCOMPARE(rig.dialogs.texts(),
             QStringList{QStringLiteral(
                 "Warning: Field size for VAR1 is too small and will be adjusted to match the database.  This may "
                 "result in entries being truncated to fit the table field size.  To make it larger, either change "
                 "it in Access and then enlarge it here or start a new data file with a larger value.")});
    QCOMPARE(rig.model.var(1).varlength, 20.0);
    QVERIFY(readFile(rig.cfg()).contains("Length=20"));
    QVERIFY(!readFile(rig.cfg()).contains("Length=40"));

    rig.dialogs.clear();
    QCOMPARE(rig.open(), OpenResult::Opened);
    QVERIFY(rig.dialogs.messages().isEmpty());
}

void TestOpenCfg::databaseThatIsNotOneStopsTheOpen()
{
    Rig rig;
    writeFile(rig.db(), QByteArray(4096, 'z'));
    QCOMPARE(rig.open(), OpenResult::Failed);
    QCOMPARE(rig.dialogs.texts(), QStringList{QStringLiteral("Error: The file %1 is not a database.").arg(rig.db())});
    QVERIFY(rig.shell.recentFiles.isEmpty());
    QCOMPARE(rig.shell.portOpenings, 0);
    QVERIFY(rig.store.dbname.isEmpty() && rig.store.tablename.isEmpty());
    QCOMPARE(readFile(rig.db()), QByteArray(4096, 'z'));
}

void TestOpenCfg::fieldsTheCfgDoesNotKnowAreKept()
{
    Rig rig;
    {
        // A table made by another tool: extra fields, other types, a row.
        Database db;
        QVERIFY(db.create(rig.db()));
        QVERIFY(db.execute(QStringLiteral(
            "CREATE TABLE finds (Notes TEXT, VAR1 VARCHAR(20), VAR2 VARCHAR(50), VAR3 VARCHAR(50), "
            "VAR4 VARCHAR(50), VAR5 DOUBLE, VAR6 DOUBLE, Checked BOOLEAN)")));
        QVERIFY(db.execute(QStringLiteral("INSERT INTO finds (Notes, VAR1, Checked) VALUES ('keep me', 'A-1', 1)")));
    }
    QCOMPARE(rig.open(), OpenResult::Opened);
    QVERIFY2(rig.dialogs.messages().isEmpty(), qPrintable(rig.dialogs.texts().join(QLatin1Char('\n'))));
    QCOMPARE(CheckTableFields(rig.model, rig.store).code, 0);
    RecordSet& rs = rig.store.currentrs;
    QVERIFY(rs.addNew() && rs.setField(QStringLiteral("VAR1"), QStringLiteral("A-2")) && rs.update());
    rs.moveFirst();
    QCOMPARE(rs.value(QStringLiteral("Notes")).toString(), QStringLiteral("keep me"));
    QCOMPARE(rs.value(QStringLiteral("Checked")), QVariant(true));
    rs.moveLast();
    QCOMPARE(rs.value(QStringLiteral("VAR1")).toString(), QStringLiteral("A-2"));
    QVERIFY(rs.value(QStringLiteral("Notes")).isNull());
}

QTEST_GUILESS_MAIN(TestOpenCfg)
#include "tst_opencfg.moc"
