// Where a CFG's records go: database path and table name.

#include "store/Naming.h"

#include <QTest>

using namespace k7;

class TestNaming : public QObject {
    Q_OBJECT
private slots:
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

QTEST_GUILESS_MAIN(TestNaming)
#include "tst_naming.moc"
