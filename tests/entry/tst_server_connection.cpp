// A station whose database is on a server that goes away: the record in
// progress stays (in memory and in the journal beside the CFG), the loss is
// told once in the status line, Enter connects again and saves, and nothing
// is saved twice. A server of this program's own is stopped and started.

#include "support/CaseTable.h"
#include "support/EntryRig.h"
#include "support/PgTestServer.h"

#include "store/Database.h"
#include "store/RecordJournal.h"

#include <QFile>
#include <QScopeGuard>
#include <QThread>

#include <memory>
#include <thread>

#include <libpq-fe.h>

using namespace k7;
using namespace k7::test;

namespace {

const QStringList kThree{"A", "B", "C"};

using Connection = std::unique_ptr<PGconn, decltype(&PQfinish)>;

// Runs `sql`; with `rows`, true only when it returned a row.
bool exec(PGconn* conn, const char* sql, bool rows = false)
{
    const std::unique_ptr<PGresult, decltype(&PQclear)> result(PQexec(conn, sql), &PQclear);
    const ExecStatusType status = PQresultStatus(result.get());
    if (rows)
        return status == PGRES_TUPLES_OK && PQntuples(result.get()) > 0;
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

QList<QStringList> journalRows(const QString& cfgpath)
{
    const QString local = JournalFileBeside(cfgpath);
    if (!QFile::exists(local))
        return {};
    return querySeparately(local, "SELECT curvar, vals, token FROM k7_journal").value_or(QList<QStringList>{});
}

}  // namespace

class TestServerConnection : public QObject {
    Q_OBJECT

    std::unique_ptr<PgTestServer> m_server;
    int m_databases = 0;

    // A new database on the test's server, for one test.
    QString newDatabase()
    {
        const QString name = QStringLiteral("site%1").arg(++m_databases);
        if (!m_server->createDatabase(name))
            qFatal("%s", qPrintable(m_server->lastError()));
        return m_server->uri(name);
    }

private slots:
    void initTestCase()
    {
        if (!PgTestServer::available())
            QSKIP(qPrintable(PgTestServer::unavailableReason()));
        m_server = std::make_unique<PgTestServer>();
        QVERIFY2(m_server->start(), qPrintable(m_server->lastError()));
    }

    // The journal of a server CFG goes into the local file beside the CFG,
    // named after it without its extension.
    void journalFileIsBesideTheCfg_data() { addCaseRows("entry/journal-files.tsv"); }
    void journalFileIsBesideTheCfg()
    {
        QFETCH(Case, c);
        QCOMPARE(JournalFileBeside(c.text("cfg")), c.text("journal"));
    }

    // Restarted while a station is mid-record: the next Enter at the end of
    // the record connects again and saves it, once, without a message box.
    void restartedMidRecordSavesOnce()
    {
        EntryRig rig;
        const QString uri = newDatabase();
        QVERIFY(rig.openText(uri, kThree));  // its CFG: site.cfg in the rig's folder
        rig.enter({"a1", "b2", "c3", "x1", "y2"});
        QCOMPARE(rowCount(uri, rig.store.tablename()), 1);
        rig.engine.flushJournal();
        QCOMPARE(journalRows(rig.path("site.cfg")).size(), 1);

        QVERIFY2(m_server->restart(), qPrintable(m_server->lastError()));
        rig.enter({"z3"});
        QVERIFY2(rig.dialogs.messages().isEmpty(), qPrintable(rig.shown().join('\n')));
        QCOMPARE(rig.rows(), (QList<QStringList>{{"a1", "b2", "c3"}, {"x1", "y2", "z3"}}));
        rig.engine.flushJournal();
        QVERIFY(journalRows(rig.path("site.cfg")).isEmpty());
        // The next record starts and saves on the new connection as usual.
        rig.enter({"p", "q", "r"});
        QCOMPARE(rig.rows().size(), 3);
        QCOMPARE(rig.store.currentrs().recordCount(), 3);
    }

    // Stopped when Enter saves: the save fails, the values stay (in memory
    // and in the local journal), the loss is told once in the status line and
    // each further Enter says the server is still away; once it is back,
    // Enter saves the record once.
    void stoppedDuringSaveKeepsTheRecord()
    {
        EntryRig rig;
        const QString uri = newDatabase();
        const QString cfg = rig.model.cfgpath;
        QVERIFY(rig.openText(uri, kThree));
        rig.enter({"a1", "b2"});
        QVERIFY2(m_server->stop(), qPrintable(m_server->lastError()));
        auto started = qScopeGuard([&] { static_cast<void>(m_server->start()); });
        rig.enter({"c3"});
        QVERIFY2(rig.dialogs.messages().isEmpty(), qPrintable(rig.shown().join('\n')));
        QCOMPARE(rig.view.statuses().size(), 1);
        QVERIFY(rig.view.statuses().first().startsWith("The connection to the database server was lost."));
        QCOMPARE(rig.state.varvalue[1], QString("a1"));
        QCOMPARE(rig.state.varvalue[3], QString("c3"));
        QCOMPARE(rig.state.curvar, 3);
        // The journal keeps what it held before the save, as on a file: the
        // values accepted before the last.
        rig.engine.flushJournal();
        QCOMPARE(journalRows(cfg).value(0).value(0), QString("3"));
        QVERIFY(journalRows(cfg).value(0).value(1).contains("\"b2\""));
        QVERIFY(!rig.engine.recordInProgressUnprotected());  // Exit need not warn

        QVERIFY(rig.press(Key::Enter));
        QCOMPARE(rig.view.statuses().size(), 2);
        QVERIFY(rig.view.statuses().last().startsWith("The database server still cannot be reached"));
        QCOMPARE(rig.state.varvalue[3], QString("c3"));

        QVERIFY2(m_server->start(), qPrintable(m_server->lastError()));
        started.dismiss();
        QVERIFY(rig.press(Key::Enter));
        QVERIFY2(rig.dialogs.messages().isEmpty(), qPrintable(rig.shown().join('\n')));
        QCOMPARE(rig.rows(), (QList<QStringList>{{"a1", "b2", "c3"}}));
        QCOMPARE(rig.state.varvalue[1], QString());
        rig.engine.flushJournal();
        QVERIFY(journalRows(cfg).isEmpty());
        // A later restart is got over the same way.
        rig.enter({"d", "e"});
        QVERIFY2(m_server->restart(), qPrintable(m_server->lastError()));
        rig.enter({"f"});
        QCOMPARE(rig.rows().size(), 2);
    }

    // The connection lost while COMMIT waits: the record is committed on the
    // server, but the station never hears so. The server is made to hold the
    // COMMIT (it waits for a standby that does not exist) and the station's
    // session is ended there. The next Enter asks the server what became of
    // the saving transaction and does not save the record a second time.
    void commitUnansweredIsNotSavedTwice()
    {
        EntryRig rig;
        const QString uri = newDatabase();
        const QString cfg = rig.model.cfgpath;
        QVERIFY(rig.openText(uri, kThree));
        rig.enter({"a1", "b2"});
        // Connected first: once the setting holds, a session that writes
        // anything waits at its COMMIT too.
        const Connection admin(PQconnectdb(uri.toUtf8().constData()), &PQfinish);
        QVERIFY2(PQstatus(admin.get()) == CONNECTION_OK, PQerrorMessage(admin.get()));
        QVERIFY(exec(admin.get(), "ALTER SYSTEM SET synchronous_standby_names = 'nobody'"));
        QVERIFY(exec(admin.get(), "SELECT pg_reload_conf()"));
        QThread::msleep(300);  // the setting reaches every session

        // Ends the station's session while its COMMIT waits, then lets the
        // server commit without a standby again, whatever happened.
        bool cut = false;
        std::thread cutter([&] {
            for (int tries = 0; tries < 100 && !cut; ++tries) {
                cut = exec(admin.get(), "SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                        "WHERE wait_event = 'SyncRep'", true);
                if (!cut)
                    QThread::msleep(50);
            }
            static_cast<void>(exec(admin.get(), "ALTER SYSTEM RESET synchronous_standby_names"));
            static_cast<void>(exec(admin.get(), "SELECT pg_reload_conf()"));
        });
        rig.enter({"c3"});
        cutter.join();
        QVERIFY(cut);
        // The session may take a moment to end on the server; until then the
        // outcome is not known and the station says so.
        for (int tries = 0; tries < 20 && rig.state.varvalue[1] == "a1"; ++tries) {
            QThread::msleep(100);
            QVERIFY(rig.press(Key::Enter));
        }
        QVERIFY2(rig.dialogs.messages().isEmpty(), qPrintable(rig.shown().join('\n')));
        QCOMPARE(rig.state.varvalue[1], QString());
        QCOMPARE(rig.rows(), (QList<QStringList>{{"a1", "b2", "c3"}}));
        rig.engine.flushJournal();
        QVERIFY(journalRows(cfg).isEmpty());
        rig.enter({"d", "e", "f"});
        QCOMPARE(rig.rows().size(), 2);
    }

    // A crash (the engine dropped without saving) leaves the record in the
    // local journal, offered on the next open. A crash after the saving
    // transaction committed but before the journal ended leaves a row whose
    // token the server noted: the record is not offered, so it is not saved
    // twice, and a save of it tried again notes nothing; a rolled-back one
    // is offered.
    void crashOffersOnlyUnsavedRecords_data() { addCaseRows("entry/server-crashes.tsv"); }
    void crashOffersOnlyUnsavedRecords()
    {
        QFETCH(Case, c);
        const QString crash = c.text("crash");
        const bool offered = c.yes("offered");
        QTemporaryDir dir;
        const QString cfg = dir.filePath("site.cfg");
        const QString uri = newDatabase();
        QString table;
        {
            EntryRig first;
            first.model.cfgpath = cfg;
            QVERIFY(first.openText(uri, kThree));
            table = first.store.tablename();
            first.enter({"a1", "b2"});
            first.engine.flushJournal();
        }
        QCOMPARE(journalRows(cfg).size(), 1);
        if (crash != "none") {
            // The save as the engine runs it, cut off before the journal ends.
            Database db;
            QVERIFY2(db.open(uri), qPrintable(db.lastError()));
            RecordJournal journal(db, JournalFileBeside(cfg), "site.cfg", table);
            QVERIFY(db.transaction());
            QVERIFY(db.execute(QStringLiteral("INSERT INTO \"%1\" (\"A\", \"B\") VALUES (?, ?)").arg(table),
                               {"a1", "b2"}));
            QCOMPARE(journal.clear(), JournalEnd::Ended);
            const QString token = journal.unsettledSave();
            QVERIFY(!token.isEmpty());
            QCOMPARE(journalRows(cfg).value(0).value(2), token);  // the record's own
            QVERIFY(crash == "commit" ? db.commit() : db.rollback());
            QCOMPARE(journal.outcomeOf(token), crash == "commit" ? SaveOutcome::Committed : SaveOutcome::NotCommitted);
            QVERIFY(db.transaction());
            QCOMPARE(journal.clear(), crash == "commit" ? JournalEnd::SavedBefore : JournalEnd::Ended);
            QVERIFY(db.rollback());
        }

        EntryRig next;
        if (offered)
            next.dialogs.queueAnswer(Answer::Yes);
        next.model.cfgpath = cfg;
        QVERIFY(next.openText(uri, kThree));
        next.engine.OfferJournalledRecord();
        QCOMPARE(next.dialogs.messages().size(), offered ? 1 : 0);
        QCOMPARE(rowCount(uri, table), c.number("saved"));
        next.engine.flushJournal();
        if (!offered) {
            QVERIFY(journalRows(cfg).isEmpty());
            QCOMPARE(next.state.varvalue[1], QString());
            return;
        }
        QVERIFY(next.dialogs.texts().first().contains("2 values were typed"));
        QCOMPARE(next.state.curvar, 3);
        next.enter({"c3"});
        QCOMPARE(next.rows(), (QList<QStringList>{{"a1", "b2", "c3"}}));
        next.engine.flushJournal();
        QVERIFY(journalRows(cfg).isEmpty());
    }

    void cleanupTestCase()
    {
        if (m_server)
            QVERIFY(m_server->stop());
    }
};

QTEST_GUILESS_MAIN(TestServerConnection)
#include "tst_server_connection.moc"
