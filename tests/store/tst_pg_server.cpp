// The tests' own PostgreSQL server: it listens only on the socket in its
// folder, runs unprivileged, keeps its data over a restart, names any
// database in a URI that libpq reads back, says why it failed, and leaves no
// server process behind once stopped or gone out of scope.

#include "support/CaseTable.h"
#include "support/PgTestServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <libpq-fe.h>

#include <memory>

#include <unistd.h>

using namespace k7::test;

namespace {

using Connection = std::unique_ptr<PGconn, decltype(&PQfinish)>;
using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

Connection connectTo(const QString& uri)
{
    return Connection(PQconnectdb(uri.toUtf8().constData()), &PQfinish);
}

// Connects `conn` to `uri`, or fails the test with libpq's reason.
#define CONNECT_OR_FAIL(conn, uri)                                                                                     \
    const Connection conn = connectTo(uri);                                                                            \
    QVERIFY2(PQstatus(conn.get()) == CONNECTION_OK, PQerrorMessage(conn.get()))

// The first value of the first row of `sql` with `params`, or the error.
QString queryValue(PGconn* conn, const char* sql, const QList<QByteArray>& params = {})
{
    std::vector<const char*> values;
    for (const QByteArray& param : params)
        values.push_back(param.constData());
    const Result result(
        PQexecParams(conn, sql, static_cast<int>(values.size()), nullptr, values.data(), nullptr, nullptr, 0),
        &PQclear);
    const ExecStatusType status = PQresultStatus(result.get());
    if (status == PGRES_COMMAND_OK)
        return QString();
    if (status != PGRES_TUPLES_OK)
        return QStringLiteral("ERROR: ") + QString::fromUtf8(PQerrorMessage(conn));
    return PQntuples(result.get()) > 0 ? QString::fromUtf8(PQgetvalue(result.get(), 0, 0)) : "(none)";
}

// The text of a /proc file (their size reads as 0, so QFile::atEnd() is no guide).
QByteArray procFile(qint64 pid, const char* name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether a process runs: a zombie waiting for its reaper (the postmaster's
// parent is init once pg_ctl has left) counts as gone.
bool processLives(qint64 pid)
{
    const QByteArray stat = procFile(pid, "stat");
    const qsizetype close = stat.lastIndexOf(')');
    return close > 0 && close + 2 < stat.size() && stat.at(close + 2) != 'Z' && stat.at(close + 2) != 'X';
}

// The running processes whose command line names `folder`: the postmaster is
// started with -D and its data folder.
QList<qint64> processesOf(const QString& folder)
{
    QList<qint64> found;
    const QByteArray needle = QFile::encodeName(folder);
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number && procFile(pid, "cmdline").contains(needle) && processLives(pid))
            found.append(pid);
    }
    return found;
}

}  // namespace

class TestPgServer : public QObject {
    Q_OBJECT

    std::unique_ptr<PgTestServer> m_server;  // shared by the tests in order; the last one stops it

private slots:
    void initTestCase()
    {
        if (!PgTestServer::available())
            QSKIP(qPrintable(PgTestServer::unavailableReason()));
        m_server = std::make_unique<PgTestServer>();
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(m_server->start(), qPrintable(m_server->lastError()));
        qInfo("initdb and start: %lld ms", static_cast<long long>(clock.elapsed()));
        QVERIFY(m_server->isRunning());
    }

    // No TCP at all: the only way in is the socket in the server's folder,
    // whose name carries the port.
    void listensOnlyOnItsSocket()
    {
        CONNECT_OR_FAIL(conn, m_server->uri());
        QCOMPARE(queryValue(conn.get(), "SHOW listen_addresses"), QString());
        QCOMPARE(queryValue(conn.get(), "SHOW unix_socket_directories"), m_server->socketDir());
        QCOMPARE(queryValue(conn.get(), "SHOW port"), QString::number(m_server->port()));
        QVERIFY(
            QFile::exists(m_server->socketDir() + QStringLiteral("/.s.PGSQL.") + QString::number(m_server->port())));
        QCOMPARE(queryValue(conn.get(), "SELECT current_user"), PgTestServer::user());
        QCOMPARE(queryValue(conn.get(), "SHOW server_encoding"), "UTF8");
    }

    // PostgreSQL refuses root; under root the server runs as another account.
    void serverRunsUnprivileged()
    {
        const QFileInfo process(QStringLiteral("/proc/%1").arg(m_server->serverPid()));
        QVERIFY(process.exists());
        QVERIFY(process.ownerId() != 0);
        if (::geteuid() != 0)
            QCOMPARE(process.ownerId(), ::geteuid());
    }

    // A name with blanks, quotes, a slash or non-ASCII letters is created as
    // it stands and reached through the URI.
    void databaseNamesReachedThroughTheUri_data() { addCaseRows("store/pg-database-names.tsv"); }
    void databaseNamesReachedThroughTheUri()
    {
        QFETCH(Case, c);
        const QString name = c.text("name");
        QVERIFY2(m_server->createDatabase(name), qPrintable(m_server->lastError()));
        CONNECT_OR_FAIL(conn, m_server->uri(name));
        QCOMPARE(queryValue(conn.get(), "SELECT current_database()"), name);
        QVERIFY(!m_server->createDatabase(name));
        QVERIFY(m_server->lastError().contains(QLatin1String("already exists")));
    }

    // A committed row is there after the server went down and came back; a
    // session from before the restart is broken, a new one reads the row.
    void rowSurvivesRestart()
    {
        QVERIFY2(m_server->createDatabase("k7"), qPrintable(m_server->lastError()));
        CONNECT_OR_FAIL(before, m_server->uri("k7"));
        const QByteArray value = QStringLiteral("O'Brien \"Köln\"").toUtf8();
        QCOMPARE(queryValue(before.get(), "CREATE TABLE finds (id text PRIMARY KEY, weight real)"), QString());
        QCOMPARE(queryValue(before.get(), "INSERT INTO finds VALUES ($1, $2)", {value, "12.57"}), QString());
        QCOMPARE(queryValue(before.get(), "SELECT weight FROM finds WHERE id = $1", {value}), "12.57");

        const qint64 firstPid = m_server->serverPid();
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(m_server->restart(), qPrintable(m_server->lastError()));
        qInfo("restart: %lld ms", static_cast<long long>(clock.elapsed()));
        QVERIFY(m_server->serverPid() != firstPid);
        QVERIFY(!processLives(firstPid));
        QCOMPARE(processesOf(m_server->dataDir()), QList<qint64>{m_server->serverPid()});

        QVERIFY(queryValue(before.get(), "SELECT 1").startsWith(QLatin1String("ERROR")));
        QCOMPARE(PQstatus(before.get()), CONNECTION_BAD);
        CONNECT_OR_FAIL(after, m_server->uri("k7"));
        QCOMPARE(queryValue(after.get(), "SELECT id FROM finds WHERE weight > 12"), QString::fromUtf8(value));
    }

    // Whatever stops the server, the error says why, with the log's end.
    void failedStartReportsTheLog()
    {
        PgTestServer broken;
        QVERIFY2(broken.start(), qPrintable(broken.lastError()));
        QVERIFY(broken.stop());
        QFile conf(broken.dataDir() + QStringLiteral("/postgresql.conf"));
        QVERIFY(conf.open(QIODevice::Append));
        conf.write("no_such_setting_k7 = 1\n");
        conf.close();
        QVERIFY(!broken.start());
        QVERIFY(!broken.isRunning());
        QVERIFY2(broken.lastError().contains(QLatin1String("no_such_setting_k7")), qPrintable(broken.lastError()));
    }

    // Going out of scope stops the server and removes its folder.
    void destructorLeavesNothing()
    {
        qint64 pid = 0;
        QString folder;
        {
            PgTestServer scoped;
            QVERIFY2(scoped.start(), qPrintable(scoped.lastError()));
            pid = scoped.serverPid();
            folder = scoped.socketDir();
            QVERIFY(pid > 0);
        }
        QVERIFY(!processLives(pid));
        QCOMPARE(processesOf(folder), QList<qint64>());
        QVERIFY(!QDir(folder).exists());
    }

    // Run last: the shared server stops, its pid file is gone, no process of
    // its folder is left and nobody can connect any more.
    void stopLeavesNoServer()
    {
        const qint64 pid = m_server->serverPid();
        QVERIFY(pid > 0);
        QCOMPARE(processesOf(m_server->dataDir()), QList<qint64>{pid});
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(m_server->stop(), qPrintable(m_server->lastError()));
        qInfo("stop: %lld ms", static_cast<long long>(clock.elapsed()));
        QVERIFY(!m_server->isRunning());
        QVERIFY(!QFile::exists(m_server->dataDir() + QStringLiteral("/postmaster.pid")));
        QVERIFY(!processLives(pid));
        QCOMPARE(processesOf(m_server->dataDir()), QList<qint64>());
        const Connection conn = connectTo(m_server->uri());
        QCOMPARE(PQstatus(conn.get()), CONNECTION_BAD);
        QVERIFY(m_server->stop());
    }
};

QTEST_GUILESS_MAIN(TestPgServer)
#include "tst_pg_server.moc"
