// Where a CFG's records go: database path and table name.

#include "store/Naming.h"

#include <QTest>

using namespace k7;

class TestNaming : public QObject {
    Q_OBJECT
private slots:
    void dbName_data()
    {
        QTest::addColumn<QString>("cfgpath");
        QTest::addColumn<QString>("filename");
        QTest::addColumn<QString>("expected");
        QTest::newRow("own name") << "/Digs/Site 1.CFG" << "" << "/Digs/Site 1.mdb";
        QTest::newRow("backslash folder") << "C:\\digs\\site1.cfg" << "" << "C:/digs/site1.mdb";
        QTest::newRow("dotted folder keeps the file name") << "/dig.2024/site.cfg" << "" << "/dig.2024/site.mdb";
        QTest::newRow("two dots in the name") << "/digs/site.v2.cfg" << "" << "/digs/site.mdb";
        QTest::newRow("no extension") << "/digs/site1" << "" << "/digs/mdb.mdb";
        QTest::newRow("DAT turned into mdb") << "/x/a.cfg" << "Old.DAT" << "/x/Old.mdb";
        QTest::newRow("filename without extension") << "/x/a.cfg" << "finds" << "/x/finds.mdb";
        QTest::newRow("filename with folder stays relative") << "/x/a.cfg" << "Data\\Site" << "Data/Site.mdb";
        QTest::newRow("absolute filename") << "/x/a.cfg" << "/y/z.db" << "/y/z.db";
        QTest::newRow("filename in dotted folder") << "/x/a.cfg" << "/y.1/z" << "/y.1/z.mdb";
    }
    void dbName()
    {
        QFETCH(QString, cfgpath);
        QFETCH(QString, filename);
        QFETCH(QString, expected);
        QCOMPARE(DeriveDbName(cfgpath, filename), expected);
    }

    void tableName_data()
    {
        QTest::addColumn<QString>("dbname");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("expected");
        QTest::newRow("option wins") << "/digs/site1.mdb" << "Finds" << "Finds";
        QTest::newRow("first dot of the file name") << "/digs/a.b.mdb" << "" << "a";
        QTest::newRow("dotted folder") << "/dig.2024/site.mdb" << "" << "site";
        QTest::newRow("backslash folder") << "C:\\x\\Site.mdb" << "" << "Site";
    }
    void tableName()
    {
        QFETCH(QString, dbname);
        QFETCH(QString, option);
        QFETCH(QString, expected);
        QCOMPARE(DeriveTableName(dbname, option), expected);
    }
};

QTEST_GUILESS_MAIN(TestNaming)
#include "tst_naming.moc"
