// Where a CFG's records go: database path and table name.

#include "store/Naming.h"

#include <QTest>

using namespace k7;

class TestNaming : public QObject {
    Q_OBJECT
private slots:
    void dbName_data();
    void dbName();
    void tableName_data();
    void tableName();
};

void TestNaming::dbName_data()
{
    QTest::addColumn<QString>("cfgpath");
    QTest::addColumn<QString>("filename");
    QTest::addColumn<QString>("expected");

    QTest::newRow("own name") << "/digs/site1.cfg" << "" << "/digs/site1.mdb";
    QTest::newRow("case kept") << "/Digs/Site1.CFG" << "" << "/Digs/Site1.mdb";
    QTest::newRow("backslash folder") << "C:\\digs\\site1.cfg" << "" << "C:/digs/site1.mdb";
    QTest::newRow("dotted folder keeps the file name") << "/work/dig.2024/site.cfg" << "" << "/work/dig.2024/site.mdb";
    QTest::newRow("two dots in the name") << "/digs/site.v2.cfg" << "" << "/digs/site.mdb";
    QTest::newRow("no extension") << "/digs/site1" << "" << "/digs/mdb.mdb";
    QTest::newRow("no folder, no extension") << "site1" << "" << "mdb.mdb";
    QTest::newRow("dat turned into mdb") << "/x/a.cfg" << "old.dat" << "/x/old.mdb";
    QTest::newRow("DAT any case") << "/x/a.cfg" << "Old.DAT" << "/x/Old.mdb";
    QTest::newRow("filename beside the cfg") << "/x/a.cfg" << "finds.mdb" << "/x/finds.mdb";
    QTest::newRow("filename without extension") << "/x/a.cfg" << "finds" << "/x/finds.mdb";
    QTest::newRow("filename with folder stays relative") << "/x/a.cfg" << "Data\\Site" << "Data/Site.mdb";
    QTest::newRow("absolute filename") << "/x/a.cfg" << "/y/z.db" << "/y/z.db";
    QTest::newRow("filename in dotted folder") << "/x/a.cfg" << "/y.1/z" << "/y.1/z.mdb";
    QTest::newRow("blanks kept") << "/my digs/site 1.cfg" << "" << "/my digs/site 1.mdb";
}

void TestNaming::dbName()
{
    QFETCH(QString, cfgpath);
    QFETCH(QString, filename);
    QFETCH(QString, expected);
    QCOMPARE(DeriveDbName(cfgpath, filename), expected);
}

void TestNaming::tableName_data()
{
    QTest::addColumn<QString>("dbname");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("expected");

    QTest::newRow("from the file name") << "/digs/site1.mdb" << "" << "site1";
    QTest::newRow("option wins") << "/digs/site1.mdb" << "Finds" << "Finds";
    QTest::newRow("first dot of the file name") << "/digs/a.b.mdb" << "" << "a";
    QTest::newRow("dotted folder") << "/dig.2024/site.mdb" << "" << "site";
    QTest::newRow("no folder") << "site.mdb" << "" << "site";
    QTest::newRow("backslash folder") << "C:\\x\\Site.mdb" << "" << "Site";
}

void TestNaming::tableName()
{
    QFETCH(QString, dbname);
    QFETCH(QString, option);
    QFETCH(QString, expected);
    QCOMPARE(DeriveTableName(dbname, option), expected);
}

QTEST_GUILESS_MAIN(TestNaming)
#include "tst_naming.moc"
