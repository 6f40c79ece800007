// Making a CFG from a database table: which tables are offered, where the
// CFG goes, and the variables built from the fields.

#include "app/TableToCfg.h"
#include "cfg/Model.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace k7;

class TestTableToCfg : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_db;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_db = m_dir.filePath(QStringLiteral("dig.mdb"));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make"));
            db.setDatabaseName(m_db);
            QVERIFY(db.open());
            QSqlQuery q(db);
            for (const char* sql : {"CREATE TABLE MSysObjects (Id INTEGER)", "CREATE TABLE Finds (Id INTEGER)",
                                    "CREATE TABLE msysACEs (Id INTEGER)", "CREATE TABLE Sites (Id INTEGER)",
                                    "CREATE TABLE Msys (Id INTEGER)",
                                    "CREATE TABLE Mixed (Note CLOB, Code CHAR(4), Flag BOOL, Seen DATETIME, "
                                    "Depth DOUBLE, Count BIGINT)"})
                QVERIFY2(q.exec(QString::fromLatin1(sql)), sql);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("make"));
    }

    void offersOnlyEntryTables()
    {
        QStringList tables;
        QVERIFY(ListEntryTables(m_db, tables));
        QVERIFY(tables.contains(QStringLiteral("Finds")));
        QVERIFY(tables.contains(QStringLiteral("Sites")));
        for (const QString& t : tables)
            QVERIFY2(!t.toLower().startsWith(QLatin1String("msys")), qPrintable(t));
    }

    void aMissingDatabaseIsReported()
    {
        QStringList tables{QStringLiteral("stale")};
        QString error;
        QVERIFY(!ListEntryTables(m_dir.filePath(QStringLiteral("none.mdb")), tables, &error));
        QVERIFY(tables.isEmpty());
        QVERIFY(!error.isEmpty());
    }

    void theCfgLivesBesideTheDatabase_data()
    {
        QTest::addColumn<QString>("db");
        QTest::addColumn<QString>("cfg");
        QTest::newRow("folder") << QStringLiteral("/data/dig.mdb") << QStringLiteral("/data/Finds.cfg");
        QTest::newRow("dotted folder") << QStringLiteral("/data/dig.2024/dig.mdb")
                                       << QStringLiteral("/data/dig.2024/Finds.cfg");
        QTest::newRow("backslashes") << QStringLiteral("c:\\data\\dig.mdb") << QStringLiteral("c:\\data\\Finds.cfg");
        QTest::newRow("no folder") << QStringLiteral("dig.mdb")
                                   << QCoreApplication::applicationDirPath() + QStringLiteral("/Finds.cfg");
    }
    void theCfgLivesBesideTheDatabase()
    {
        QFETCH(QString, db);
        QFETCH(QString, cfg);
        QCOMPARE(CfgPathForTable(db, QStringLiteral("Finds")), cfg);
    }

    void fieldsOfKnownTypesBecomeVariables()
    {
        Model model;
        // Left over from a CFG open before: must not survive.
        model.varcount = 3;
        model.var(3).varname = QStringLiteral("Old");
        model.var(2).condcount = 2;
        model.options[OptSound] = QStringLiteral("Yes");
        QVERIFY(BuildVariablesFromTable(model, m_db, QStringLiteral("Mixed")));
        QCOMPARE(model.varcount, 5);  // Seen (a date) takes no number
        QCOMPARE(model.var(1).varname, QStringLiteral("Note"));
        QCOMPARE(model.var(1).vartype, int(TypeText));
        QCOMPARE(int(model.var(1).varlength), 255);
        QCOMPARE(model.var(2).varname, QStringLiteral("Code"));
        QCOMPARE(int(model.var(2).varlength), 4);
        QCOMPARE(model.var(2).condcount, 0);
        QCOMPARE(model.var(3).varname, QStringLiteral("Flag"));
        QCOMPARE(model.var(3).vartype, int(TypeMenu));
        QCOMPARE(int(model.var(3).varlength), 3);
        QCOMPARE(model.var(4).varname, QStringLiteral("Depth"));
        QCOMPARE(model.var(4).varautoinc, 0);
        QCOMPARE(model.var(5).varname, QStringLiteral("Count"));
        QCOMPARE(model.var(5).varautoinc, 1);
        QCOMPARE(model.options[OptSound], QStringLiteral("Yes"));  // options untouched
    }

    void anUnknownTableIsReported()
    {
        Model model;
        QString error;
        QVERIFY(!BuildVariablesFromTable(model, m_db, QStringLiteral("Nope"), &error));
        QVERIFY(error.contains(QLatin1String("Nope")));
    }
};

QTEST_MAIN(TestTableToCfg)
#include "tst_table_to_cfg.moc"
