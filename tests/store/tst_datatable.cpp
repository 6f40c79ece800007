// Opening or creating the data table of a CFG: fields by variable type,
// indexes for Unique variables, reuse of an existing table, bad files.

#include "StoreRig.h"

#include "store/DataTable.h"

#include <QDir>

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

void addSampleVariables(Model& m, const QString& cfgpath)
{
    m.cfgpath = cfgpath;
    addVariable(m, QStringLiteral("ID"), TypeText, 20, 1);
    addVariable(m, QStringLiteral("Kind"), TypeMenu, 8);
    addVariable(m, QStringLiteral("Count"), TypeNumeric, 5);
    addVariable(m, QStringLiteral("Sqid"), TypeSqid, 11);
    addVariable(m, QStringLiteral("Ware"), TypeTable, 12);
    addVariable(m, QStringLiteral("Length"), TypeInstrument);
    addVariable(m, QStringLiteral("Area"), TypeImageJ);
}

QStringList indexLists(const Database& db, const QString& table)
{
    QStringList out;
    for (const auto& i : db.findTable(table)->indexes)
        out << i.name + QLatin1Char('=') + i.fields;
    out.sort();
    return out;
}

QString indexWarning(const QString& var)
{
    return QStringLiteral("Warning: Index could not be created on %1. Either the name is invalid or there are too "
                          "many indexed fields. Use Unique only on fields that have unique entries (such as ID "
                          "numbers).")
        .arg(var);
}

}  // namespace

class TestDataTable : public QObject {
    Q_OBJECT
private slots:
    void newTableIsCreatedThenReused()
    {
        StoreRig rig;
        addSampleVariables(rig.model, rig.path(QStringLiteral("site1.cfg")));
        const QString db = rig.path(QStringLiteral("site1.mdb"));
        QVERIFY(OpenDataTable(rig.model, rig.store, rig.dialogs, rig.shell, db));
        QVERIFY(rig.dialogs.messages().isEmpty());
        QCOMPARE(rig.store.tablename, QStringLiteral("site1"));
        QCOMPARE(rig.model.options[OptTable], QStringLiteral("site1"));
        QCOMPARE(rig.shell.dataSource, &rig.store.currentrs);
        QCOMPARE(rig.shell.variableList, (QStringList{"ID", "Kind", "Count", "Sqid", "Ware", "Length", "Area"}));
        // Length sizes Text fields only; numeric kinds are Single.
        QStringList shapes;
        for (const auto& f : rig.store.currentdb.findTable(QStringLiteral("site1"))->fields)
            shapes << QStringLiteral("%1:%2:%3").arg(f.name).arg(int(f.type)).arg(f.size);
        QCOMPARE(shapes, (QStringList{"ID:10:20", "Kind:10:8", "Count:6:0", "Sqid:10:11", "Ware:10:12", "Length:6:0",
                                      "Area:6:0"}));
        QCOMPARE(indexLists(rig.store.currentdb, QStringLiteral("site1")), QStringList{"site1_ID=+ID"});
        QVERIFY(rig.store.currentrs.addNew() && rig.store.currentrs.setField(0, QStringLiteral("kept"))
                && rig.store.currentrs.update());

        // Opened again under the name in another case: the same table, nothing asked or added.
        rig.model.options[OptTable] = QStringLiteral("SITE1");
        QVERIFY(OpenDataTable(rig.model, rig.store, rig.dialogs, rig.shell, db));
        QVERIFY(rig.dialogs.messages().isEmpty());
        QCOMPARE(rig.store.currentdb.tableNames(), QStringList{QStringLiteral("site1")});
        QCOMPARE(indexLists(rig.store.currentdb, QStringLiteral("site1")), QStringList{"site1_ID=+ID"});
        QCOMPARE(rig.store.currentrs.recordCount(), 1);
        QCOMPARE(rig.store.currentrs.value(QStringLiteral("ID")).toString(), QStringLiteral("kept"));
    }

    void uniqueIndexesOnAnExistingTable()
    {
        StoreRig rig;
        addSampleVariables(rig.model, rig.path(QStringLiteral("site1.cfg")));
        rig.model.var(2).varunique = 1;  // Kind
        const QString path = rig.path(QStringLiteral("site1.mdb"));
        {
            Database db;
            QVERIFY(db.create(path));
            QVERIFY(CreateDataTable(rig.model, db, QStringLiteral("site1")));
            // An index of another name over ID counts; one over two fields does not.
            QVERIFY(db.execute(QStringLiteral("CREATE INDEX MyIdIndex ON site1 (ID)")));
            QVERIFY(db.execute(QStringLiteral("CREATE INDEX Pair ON site1 (Kind, Count)")));
            // A table put aside under another name holds the index name the new one would get.
            QVERIFY(CreateDataTable(rig.model, db, QStringLiteral("old")));
            QVERIFY(db.appendIndex(QStringLiteral("old"), IndexDef{QStringLiteral("site1_Kind"), QStringLiteral("+Kind")}));
        }
        // Two Unique variables the table does not have: each warned of once, the table still opens.
        addVariable(rig.model, QStringLiteral("Bag"), TypeText, 10, 1);
        addVariable(rig.model, QStringLiteral("Box"), TypeText, 10, 1);
        QVERIFY(OpenDataTable(rig.model, rig.store, rig.dialogs, rig.shell, path));
        QCOMPARE(rig.dialogs.texts(), (QStringList{indexWarning(QStringLiteral("Bag")), indexWarning(QStringLiteral("Box"))}));
        QCOMPARE(rig.dialogs.messages().at(0).style, 64);
        QVERIFY(rig.store.currentrs.isOpen());
        QCOMPARE(indexLists(rig.store.currentdb, QStringLiteral("site1")),
                 (QStringList{"MyIdIndex=+ID", "Pair=+Kind;+Count", "site1_Kind_2=+Kind"}));
    }

    void namesWithBlanksAndQuotes()
    {
        StoreRig rig;
        rig.model.cfgpath = rig.path(QStringLiteral("my site.cfg"));
        addVariable(rig.model, QStringLiteral("Bag no"), TypeText, 10, 1);
        addVariable(rig.model, QStringLiteral("O'Brien \"tag\""), TypeText, 10, 1);
        rig.model.options[OptTable] = QStringLiteral("Finds of O'Brien's [dig]");
        const QString path = rig.path(QStringLiteral("my site.mdb"));
        QVERIFY(OpenDataTable(rig.model, rig.store, rig.dialogs, rig.shell, path));
        QVERIFY2(rig.dialogs.messages().isEmpty(), qPrintable(rig.dialogs.texts().join(QLatin1Char('\n'))));
        QCOMPARE(indexLists(rig.store.currentdb, rig.store.tablename).size(), 2);
        RecordSet& rs = rig.store.currentrs;
        QVERIFY(rs.addNew() && rs.setField(QStringLiteral("o'brien \"TAG\""), QStringLiteral("x")) && rs.update());
        QCOMPARE(querySeparately(path, QStringLiteral("SELECT * FROM \"Finds of O'Brien's [dig]\"")),
                 QStringList{QStringLiteral("NULL|x")});
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
        addSampleVariables(rig.model, rig.path(QStringLiteral("site1.cfg")));
        QString path = rig.path(QStringLiteral("site1.mdb"));
        const QByteArray text(2000, 'x');
        std::optional<ForeignLock> lock;
        if (kind == QLatin1String("text")) {
            QVERIFY(writeFile(path, text));
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("site1.mdb")));
        } else if (kind == QLatin1String("locked")) {
            QVERIFY(Database().create(path));
            lock.emplace(path);
            QVERIFY(lock->held);
        } else {
            path = rig.path(QStringLiteral("gone/site1.mdb"));
        }
        QVERIFY(!OpenDataTable(rig.model, rig.store, rig.dialogs, rig.shell, path));
        lock.reset();
        expected.replace(QLatin1String("%2"), rig.path(QStringLiteral("gone")));
        QCOMPARE(rig.dialogs.texts(), QStringList{expected.arg(path)});
        QCOMPARE(rig.dialogs.messages().at(0).style, 16);
        QVERIFY(rig.allClosed());
        if (kind == QLatin1String("text"))
            QCOMPARE(readFile(path), text);  // left exactly as it was
    }
};

QTEST_GUILESS_MAIN(TestDataTable)
#include "tst_datatable.moc"
