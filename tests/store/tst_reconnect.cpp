// Connecting again after the server went away: the record sets open on the
// database read their rows again on the new connection, each on the row it
// was on; while the server is away the attempt fails and changes nothing;
// a file is never reconnected.

#include "store/Database.h"
#include "store/RecordSet.h"

#include "support/PgConnectionChecks.h"
#include "support/PgTestServer.h"

#include <QTemporaryDir>
#include <QTest>

using namespace k7;
using namespace k7::test;

class TestReconnect : public QObject {
    Q_OBJECT

    PgTestServer m_server;
    QString m_uri;

    bool insert(Database& db, const QString& id)
    {
        return db.execute("INSERT INTO \"Finds\" (\"Id\") VALUES (?)", {id});
    }

private slots:
    void initTestCase()
    {
        START_SERVER_OR_SKIP(m_server, "site");
        m_uri = m_server.uri("site");
        Database db;
        QVERIFY2(db.open(m_uri), qPrintable(db.lastError()));
        QVERIFY(db.appendTable(TableDef{"Finds", {FieldDef{"Id"}}, {}}));
        for (int n = 1; n <= 5; ++n)
            QVERIFY(insert(db, QStringLiteral("F%1").arg(n)));
    }

    // The table's set and a view's set keep their rows, their current row
    // and their use after a restart; rows added meanwhile are read too.
    void recordSetsKeepTheirRows()
    {
        Database db;
        QVERIFY2(db.open(m_uri), qPrintable(db.lastError()));
        RecordSet table;
        QVERIFY(table.openTable(db, "Finds"));
        QVERIFY(table.setAbsolutePosition(2));
        RecordSet sorted;
        RecordView byId;
        byId.sortFields = {"Id"};
        QVERIFY2(sorted.openView(db, "Finds", byId), qPrintable(sorted.lastError()));
        QVERIFY(sorted.setAbsolutePosition(3));
        QCOMPARE(sorted.value(0).toString(), QString("F4"));

        QVERIFY2(m_server.restart(), qPrintable(m_server.lastError()));
        QVERIFY(!db.connectionLost());  // not known until the connection is used
        QVERIFY(!db.execute("SELECT 1"));
        QVERIFY(db.connectionLost());
        QVERIFY2(db.reconnect(), qPrintable(db.lastError()));
        QVERIFY(!db.connectionLost());

        QCOMPARE(table.recordCount(), 5);
        QCOMPARE(table.absolutePosition(), 2);
        QCOMPARE(table.value(0).toString(), QString("F3"));
        QCOMPARE(sorted.absolutePosition(), 3);
        QCOMPARE(sorted.value(0).toString(), QString("F4"));
        // Statements are prepared again on the new connection.
        QVERIFY(table.addNew());
        QVERIFY(table.setField(0, "F6"));
        QVERIFY2(table.update(), qPrintable(table.lastError()));
        QVERIFY(table.requery());
        QCOMPARE(table.recordCount(), 6);
        QVERIFY(db.execute("DELETE FROM \"Finds\" WHERE \"Id\" = ?", {"F6"}));
    }

    // While the server is away the attempt fails with the reason, and the
    // next one, once it is back, works.
    void failsWhileTheServerIsAway()
    {
        Database db;
        QVERIFY2(db.open(m_uri), qPrintable(db.lastError()));
        RecordSet table;
        QVERIFY(table.openTable(db, "Finds"));
        QVERIFY(m_server.stop());
        auto started = qScopeGuard([&] { static_cast<void>(m_server.start()); });
        QVERIFY(!db.execute("SELECT 1"));
        QVERIFY(db.connectionLost());
        QVERIFY(!db.reconnect());
        QVERIFY(db.lastError().contains("cannot be opened"));
        QVERIFY(db.connectionLost());
        QVERIFY(db.isOpen());
        QVERIFY(m_server.start());
        started.dismiss();
        QVERIFY2(db.reconnect(), qPrintable(db.lastError()));
        QCOMPARE(table.recordCount(), 5);
        QVERIFY(table.setAbsolutePosition(4));
        QCOMPARE(table.value(0).toString(), QString("F5"));
    }

    // A file is not reconnected, and never counts as a lost connection.
    void aFileIsNotReconnected()
    {
        QTemporaryDir dir;
        Database db;
        QVERIFY(db.create(dir.filePath("site.mdb")));
        QVERIFY(!db.connectionLost());
        QVERIFY(!db.reconnect());
        QVERIFY(!db.lastError().isEmpty());
        QVERIFY(db.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestReconnect)
#include "tst_reconnect.moc"
