// Opening or creating the data table of a CFG: fields by variable type,
// indexes for Unique variables, reuse of an existing table, bad files.

#include "support/RecordingShellHooks.h"
#include "support/ScriptedDialogs.h"
#include "store/DataTable.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace k7;
using namespace k7::test;

namespace {

void addVariable(Model& m, const QString& name, int type, double length = 0, int unique = 0)
{
    Variable& v = m.var(++m.varcount);
    v.varname = name;
    v.vartype = type;
    v.varlength = length;
    v.varunique = unique;
}

Model sampleModel(const QString& cfgpath)
{
    Model m;
    m.cfgpath = cfgpath;
    addVariable(m, QStringLiteral("ID"), TypeText, 20, 1);
    addVariable(m, QStringLiteral("Kind"), TypeMenu, 8);
    addVariable(m, QStringLiteral("Count"), TypeNumeric, 5);
    addVariable(m, QStringLiteral("Sqid"), TypeSqid, 11);
    addVariable(m, QStringLiteral("Ware"), TypeTable, 12);
    addVariable(m, QStringLiteral("Length"), TypeInstrument);
    addVariable(m, QStringLiteral("Area"), TypeImageJ);
    return m;
}

QStringList fieldShapes(const TableDef& t)
{
    QStringList out;
    for (const auto& f : t.fields)
        out << QStringLiteral("%1:%2:%3").arg(f.name).arg(int(f.type)).arg(f.size);
    return out;
}

QStringList indexLists(const TableDef& t)
{
    QStringList out;
    for (const auto& i : t.indexes)
        out << i.name + QLatin1Char('=') + i.fields;
    out.sort();
    return out;
}

}  // namespace

class TestDataTable : public QObject {
    Q_OBJECT
private slots:
    void newCfgCreatesDatabaseTableAndIndex();
    void existingTableReusedInAnyCase();
    void indexJudgedByItsFieldList();
    void indexThatCannotBeMadeWarnsOncePerVariable();
    void oddNamesWork();
    void badDatabaseFileLeavesEverythingClosed_data();
    void badDatabaseFileLeavesEverythingClosed();
};

void TestDataTable::newCfgCreatesDatabaseTableAndIndex()
{
    QTemporaryDir dir;
    Model model = sampleModel(dir.filePath(QStringLiteral("site1.cfg")));
    DataStore store;
    ScriptedDialogs dialogs;
    RecordingShellHooks shell;
    const QString db = dir.filePath(QStringLiteral("site1.mdb"));

    QVERIFY(OpenDataTable(model, store, dialogs, shell, db));
    QVERIFY(dialogs.messages().isEmpty());
    QVERIFY(QFile::exists(db));
    QCOMPARE(store.dbname, db);
    QCOMPARE(store.tablename, QStringLiteral("site1"));
    QCOMPARE(model.options[OptTable], QStringLiteral("site1"));
    QVERIFY(store.currentrs.isOpen());
    QVERIFY(store.currentrs.bof() && store.currentrs.eof());
    QCOMPARE(shell.dataSource, &store.currentrs);
    QCOMPARE(shell.variableList, (QStringList{"ID", "Kind", "Count", "Sqid", "Ware", "Length", "Area"}));

    const TableDef* t = store.currentdb.findTable(QStringLiteral("site1"));
    QVERIFY(t);
    // Length sizes Text fields only; numeric kinds are Single.
    QCOMPARE(fieldShapes(*t), (QStringList{"ID:10:20", "Kind:10:8", "Count:6:0", "Sqid:10:11", "Ware:10:12",
                                           "Length:6:0", "Area:6:0"}));
    QCOMPARE(indexLists(*t), QStringList{QStringLiteral("site1_ID=+ID")});

    // A second opening adds nothing and asks nothing.
    QVERIFY(OpenDataTable(model, store, dialogs, shell, db));
    QVERIFY(dialogs.messages().isEmpty());
    QCOMPARE(indexLists(*store.currentdb.findTable(QStringLiteral("site1"))),
             QStringList{QStringLiteral("site1_ID=+ID")});
    QCOMPARE(store.currentdb.tableCount(), 1);
}

void TestDataTable::existingTableReusedInAnyCase()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site1.mdb"));
    Model model = sampleModel(dir.filePath(QStringLiteral("site1.cfg")));
    {
        Database db;
        QVERIFY(db.create(path));
        QVERIFY(CreateDataTable(model, db, QStringLiteral("Site1")));
        QVERIFY(db.execute(QStringLiteral("INSERT INTO Site1 (ID) VALUES ('kept')")));
    }
    DataStore store;
    ScriptedDialogs dialogs;
    RecordingShellHooks shell;
    QVERIFY(OpenDataTable(model, store, dialogs, shell, path));
    QCOMPARE(store.currentdb.tableNames(), QStringList{QStringLiteral("Site1")});
    QCOMPARE(store.currentrs.recordCount(), 1);
    QCOMPARE(store.currentrs.value(QStringLiteral("ID")).toString(), QStringLiteral("kept"));
}

void TestDataTable::indexJudgedByItsFieldList()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site1.mdb"));
    Model model = sampleModel(dir.filePath(QStringLiteral("site1.cfg")));
    model.var(2).varunique = 1;  // Kind
    {
        Database db;
        QVERIFY(db.create(path));
        QVERIFY(CreateDataTable(model, db, QStringLiteral("site1")));
        // An index of another name over ID counts; one over two fields does not.
        QVERIFY(db.execute(QStringLiteral("CREATE INDEX MyIdIndex ON site1 (ID)")));
        QVERIFY(db.execute(QStringLiteral("CREATE INDEX Pair ON site1 (Kind, Count)")));
        // An old table put aside under another name keeps the index name the
        // new table would get.
        QVERIFY(CreateDataTable(model, db, QStringLiteral("old")));
        QVERIFY(db.appendIndex(QStringLiteral("old"), IndexDef{QStringLiteral("site1_Kind"), QStringLiteral("+Kind")}));
    }
    DataStore store;
    ScriptedDialogs dialogs;
    RecordingShellHooks shell;
    QVERIFY(OpenDataTable(model, store, dialogs, shell, path));
    QVERIFY(dialogs.messages().isEmpty());
    QCOMPARE(indexLists(*store.currentdb.findTable(QStringLiteral("site1"))),
             (QStringList{QStringLiteral("MyIdIndex=+ID"), QStringLiteral("Pair=+Kind;+Count"),
                          QStringLiteral("site1_Kind_2=+Kind")}));
}

void TestDataTable::indexThatCannotBeMadeWarnsOncePerVariable()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site1.mdb"));
    Model older = sampleModel(dir.filePath(QStringLiteral("site1.cfg")));
    {
        Database db;
        QVERIFY(db.create(path));
        QVERIFY(CreateDataTable(older, db, QStringLiteral("site1")));
    }
    // Two Unique variables the table does not have yet.
    Model model = older;
    addVariable(model, QStringLiteral("Bag"), TypeText, 10, 1);
    addVariable(model, QStringLiteral("Box"), TypeText, 10, 1);
    DataStore store;
    ScriptedDialogs dialogs;
    RecordingShellHooks shell;
    QVERIFY(OpenDataTable(model, store, dialogs, shell, path));
    QCOMPARE(dialogs.texts(),
             (QStringList{
                 QStringLiteral("Warning: Index could not be created on Bag. Either the name is invalid or there are "
                                "too many indexed fields. Use Unique only on fields that have unique entries (such "
                                "as ID numbers)."),
                 QStringLiteral("Warning: Index could not be created on Box. Either the name is invalid or there are "
                                "too many indexed fields. Use Unique only on fields that have unique entries (such "
                                "as ID numbers).")}));
    QCOMPARE(dialogs.messages().at(0).style, 64);
    QVERIFY(store.currentrs.isOpen());
    QCOMPARE(store.tablename, QStringLiteral("site1"));
}

void TestDataTable::oddNamesWork()
{
    QTemporaryDir dir;
    Model model;
    model.cfgpath = dir.filePath(QStringLiteral("my site.cfg"));
    addVariable(model, QStringLiteral("Bag no"), TypeText, 10, 1);
    addVariable(model, QStringLiteral("O'Brien \"tag\""), TypeText, 10, 1);
    model.options[OptTable] = QStringLiteral("Finds of O'Brien's [dig]");
    DataStore store;
    ScriptedDialogs dialogs;
    RecordingShellHooks shell;
    QVERIFY(OpenDataTable(model, store, dialogs, shell, dir.filePath(QStringLiteral("my site.mdb"))));
    QVERIFY2(dialogs.messages().isEmpty(), qPrintable(dialogs.texts().join(QLatin1Char('\n'))));
    QCOMPARE(store.tablename, QStringLiteral("Finds of O'Brien's [dig]"));
    QCOMPARE(indexLists(*store.currentdb.findTable(store.tablename)).size(), 2);
    QVERIFY(store.currentrs.addNew());
    QVERIFY(store.currentrs.setField(QStringLiteral("o'brien \"TAG\""), QStringLiteral("x")));
    QVERIFY(store.currentrs.update());
    QCOMPARE(store.currentrs.recordCount(), 1);
}

void TestDataTable::badDatabaseFileLeavesEverythingClosed_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("expected");
    QTest::newRow("text file") << "text" << "Error: The file %1 is not a database.";
    QTest::newRow("folder") << "folder" << "Error: The database %1 is not a file.";
    QTest::newRow("locked") << "locked" << "Error: The database %1 is locked by another program.";
    QTest::newRow("missing folder") << "missing" << "Error: The database %1 cannot be created: the folder %2 does not exist.";
}

void TestDataTable::badDatabaseFileLeavesEverythingClosed()
{
    QFETCH(QString, kind);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("site1.mdb"));
    sqlite3* other = nullptr;
    QByteArray before;
    if (kind == QLatin1String("text")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        before = QByteArray(2000, 'x');
        f.write(before);
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("site1.mdb")));
    } else if (kind == QLatin1String("locked")) {
        {
            Database db;
            QVERIFY(db.create(path));
        }
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    } else {
        path = dir.filePath(QStringLiteral("gone/site1.mdb"));
    }

    Model model = sampleModel(dir.filePath(QStringLiteral("site1.cfg")));
    DataStore store;
    ScriptedDialogs dialogs;
    RecordingShellHooks shell;
    QVERIFY(!OpenDataTable(model, store, dialogs, shell, path));
    if (other) {
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
    }
    expected.replace(QLatin1String("%2"), dir.filePath(QStringLiteral("gone")));
    QCOMPARE(dialogs.texts(), QStringList{expected.arg(path)});
    QCOMPARE(dialogs.messages().at(0).style, 16);
    QVERIFY(store.dbname.isEmpty());
    QVERIFY(store.tablename.isEmpty());
    QVERIFY(!store.currentrs.isOpen());
    QVERIFY(!store.currentdb.isOpen());
    QCOMPARE(shell.dataSource, nullptr);
    if (!before.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }
}

QTEST_GUILESS_MAIN(TestDataTable)
#include "tst_datatable.moc"
