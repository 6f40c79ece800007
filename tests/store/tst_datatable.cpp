// Opening or creating the data table of a CFG: where it goes (database path
// and table name), fields by variable type, indexes for Unique variables,
// reuse of an existing table, bad files.

#include "StoreRig.h"

#include "store/DataTable.h"
#include "store/Naming.h"

#include <QDir>

#include <sqlite3.h>

using namespace k7;
using namespace k7::test;

namespace {

void addSampleVariables(StoreRig& rig)
{
    rig.model.cfgpath = rig.path("site1.cfg");
    rig.add("ID", TypeText, 20).varunique = 1;
    rig.add("Kind", TypeMenu, 8);
    rig.add("Count", TypeNumeric, 5);
    rig.add("Sqid", TypeSqid, 11);
    rig.add("Ware", TypeTable, 12);
    rig.add("Length", TypeInstrument);
    rig.add("Area", TypeImageJ);
}

QStringList indexLists(const Database& db, const QString& table)
{
    QStringList out;
    for (const auto& i : db.findTable(table)->indexes)
        out << i.name + '=' + i.fields;
    out.sort();
    return out;
}

}  // namespace

class TestDataTable : public QObject {
    Q_OBJECT
private slots:
    void tableCreatedReusedAndIndexed()
    {
        StoreRig rig;
        addSampleVariables(rig);
        const QString path = rig.path("site1.mdb");
        QVERIFY(OpenDataTable(rig.model, rig.store, rig.dialogs, rig.shell, path));
        QVERIFY(rig.dialogs.messages().isEmpty());
        QCOMPARE(rig.shell.dataSource, &rig.store.currentrs);
        QCOMPARE(rig.shell.variableList, (QStringList{"ID", "Kind", "Count", "Sqid", "Ware", "Length", "Area"}));
        // Length sizes Text fields only; numeric kinds are Single.
        QCOMPARE(fieldShapes(rig.store.currentrs.fields()),
                 (QStringList{"ID:10:20", "Kind:10:8", "Count:6:0", "Sqid:10:11", "Ware:10:12", "Length:6:0",
                              "Area:6:0"}));
        QCOMPARE(indexLists(rig.store.currentdb, "site1"), QStringList{"site1_ID=+ID"});
        RecordSet& rs = rig.store.currentrs;
        QVERIFY(rs.addNew() && rs.setField(0, "kept") && rs.update());

        // Opened again under the name in another case: the same table, nothing asked or added.
        rig.model.options[OptTable] = "SITE1";
        QVERIFY(OpenDataTable(rig.model, rig.store, rig.dialogs, rig.shell, path));
        QVERIFY(rig.dialogs.messages().isEmpty());
        QCOMPARE(rig.store.currentdb.tableNames(), QStringList{"site1"});
        QCOMPARE(indexLists(rig.store.currentdb, "site1"), QStringList{"site1_ID=+ID"});
        QCOMPARE(readRows(path, "site1").value(0).value(0), QString("kept"));

        // An index of another name over ID counts; one over two fields does not; and a table
        // put aside holds the index name that Kind would get.
        Database& db = rig.store.currentdb;
        QVERIFY(db.execute("DROP INDEX site1_ID") && db.execute("CREATE INDEX MyIdIndex ON site1 (ID)"));
        QVERIFY(db.execute("CREATE INDEX Pair ON site1 (Kind, Count)"));
        QVERIFY(CreateDataTable(rig.model, db, "old") && db.appendIndex("old", IndexDef{"site1_Kind", "+Kind"}));
        rig.model.options[OptTable] = "site1";
        rig.model.var(2).varunique = 1;
        // Two Unique variables the table lacks: each warned of once, and the table still opens.
        rig.add("Bag", TypeText, 10).varunique = 1;
        rig.add("Box", TypeText, 10).varunique = 1;
        QVERIFY(OpenDataTable(rig.model, rig.store, rig.dialogs, rig.shell, path));
        const QString warning("Warning: Index could not be created on %1. Either the name is invalid or there are too "
                              "many indexed fields. Use Unique only on fields that have unique entries (such as ID "
                              "numbers).");
        QCOMPARE(rig.dialogs.texts(), (QStringList{warning.arg("Bag"), warning.arg("Box")}));
        QCOMPARE(rig.dialogs.messages().at(0).style, 64);
        QVERIFY(rig.store.currentrs.isOpen());
        QCOMPARE(indexLists(rig.store.currentdb, "site1"),
                 (QStringList{"MyIdIndex=+ID", "Pair=+Kind;+Count", "site1_Kind_2=+Kind"}));
    }

    void badDatabaseFileLeavesEverythingClosed_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("text file") << "text" << "Error: The file %1 is not a database.";
        QTest::newRow("folder") << "folder" << "Error: The database %1 is not a file.";
        QTest::newRow("locked") << "locked" << "Error: The database %1 is locked by another program.";
        QTest::newRow("missing folder") << "missing"
                                        << "Error: The database %1 cannot be created: the folder %2 does not exist.";
    }
    void badDatabaseFileLeavesEverythingClosed()
    {
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        StoreRig rig;
        addSampleVariables(rig);
        QString path = rig.path("site1.mdb");
        const QByteArray text(2000, 'x');
        sqlite3* other = nullptr;  // another program holding the write lock
        if (kind == "text") {
            QVERIFY(writeFile(path, text));
        } else if (kind == "folder") {
            QVERIFY(QDir(rig.dir.path()).mkdir("site1.mdb"));
        } else if (kind == "locked") {
            QVERIFY(Database().create(path));
            QCOMPARE(sqlite3_open(QFile::encodeName(path), &other), SQLITE_OK);
            QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        } else {
            path = rig.path("gone/site1.mdb");
        }
        QVERIFY(!OpenDataTable(rig.model, rig.store, rig.dialogs, rig.shell, path));
        sqlite3_close_v2(other);
        QCOMPARE(rig.dialogs.texts(), QStringList{expected.replace("%2", rig.path("gone")).arg(path)});
        QCOMPARE(rig.dialogs.messages().at(0).style, 16);
        QVERIFY(rig.allClosed());
        if (kind == "text")
            QCOMPARE(readFile(path), text);  // left exactly as it was
    }

    void names_data()
    {
        QTest::addColumn<QString>("cfgpath");
        QTest::addColumn<QString>("filename");  // the File option
        QTest::addColumn<QString>("table");     // the Table option
        QTest::addColumn<QString>("dbname");
        QTest::addColumn<QString>("tablename");
        QTest::newRow("own name") << "/Digs/Site 1.CFG" << "" << "" << "/Digs/Site 1.mdb" << "Site 1";
        QTest::newRow("backslash folder") << "C:\\digs\\site1.cfg" << "" << "" << "C:/digs/site1.mdb" << "site1";
        QTest::newRow("two dots in the name") << "/digs/site.v2.cfg" << "" << "" << "/digs/site.mdb" << "site";
        QTest::newRow("no extension") << "/digs/site1" << "" << "" << "/digs/mdb.mdb" << "mdb";
        QTest::newRow("DAT turned into mdb") << "/x/a.cfg" << "Old.DAT" << "" << "/x/Old.mdb" << "Old";
        QTest::newRow("file without extension") << "/x/a.cfg" << "finds" << "Bags" << "/x/finds.mdb" << "Bags";
        QTest::newRow("file with folder stays relative") << "/x/a.cfg" << "Data\\Site" << "" << "Data/Site.mdb"
                                                         << "Site";
        QTest::newRow("absolute file") << "/x/a.cfg" << "/y/z.db" << "" << "/y/z.db" << "z";
    }
    void names()
    {
        QFETCH(QString, cfgpath);
        QFETCH(QString, filename);
        QFETCH(QString, table);
        QFETCH(QString, dbname);
        QFETCH(QString, tablename);
        QCOMPARE(DeriveDbName(cfgpath, filename), dbname);
        QCOMPARE(DeriveTableName(dbname, table), tablename);
    }
};

QTEST_GUILESS_MAIN(TestDataTable)
#include "tst_datatable.moc"
