#pragma once
// A PostgreSQL server of one test program's own: initdb and pg_ctl in a
// temporary folder, listening only on a Unix socket in that folder (no TCP),
// stopped when the object goes. Under root the server runs as the
// unprivileged account `nobody` (PostgreSQL refuses to run as root); the
// test itself connects as the database user k7test, trusted on the socket.
//
//     PgTestServer server;
//     if (!PgTestServer::available())
//         QSKIP(qPrintable(PgTestServer::unavailableReason()));
//     QVERIFY2(server.start(), qPrintable(server.lastError()));
//     QVERIFY2(server.createDatabase("site"), qPrintable(server.lastError()));
//     open(server.uri("site"));  // postgresql:///site?host=/tmp/...&port=...&user=k7test

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace k7::test {

class PgTestServer {
public:
    enum class Sync {
        Off,  // fsync off: fast, and safe while the machine itself stays up
        On,  // as a real server: for timings that should include the disk
    };

    explicit PgTestServer(Sync sync = Sync::Off);
    ~PgTestServer();  // stops the server when it runs
    PgTestServer(const PgTestServer&) = delete;
    PgTestServer& operator=(const PgTestServer&) = delete;

    // Empty when a server can be started here; otherwise why not (no initdb,
    // a build without PostgreSQL, no account to run it as), for QSKIP.
    static QString unavailableReason();
    static bool available() { return unavailableReason().isEmpty(); }

    // Makes the cluster on the first call (initdb), then starts the server
    // and waits until it accepts connections.
    [[nodiscard]] bool start();
    // A fast shutdown (open sessions are ended), waited for.
    [[nodiscard]] bool stop();
    // Stops and starts again on the same folder, port and data.
    [[nodiscard]] bool restart();
    // Whether the server's folder holds a running postmaster's pid file.
    bool isRunning() const;
    // The postmaster's process id from its pid file; 0 when there is none.
    qint64 serverPid() const;

    // A connection URI that libpq (and so K7's Filename) accepts.
    QString uri(const QString& database = QStringLiteral("postgres")) const;
    // A new, empty database owned by k7test.
    [[nodiscard]] bool createDatabase(const QString& name);

    QString socketDir() const { return m_dir.path(); }
    QString dataDir() const { return m_dir.filePath(QStringLiteral("data")); }
    QString logPath() const { return m_dir.filePath(QStringLiteral("server.log")); }
    int port() const { return m_port; }
    static QString user() { return QStringLiteral("k7test"); }

    // What went wrong last, with the tail of the server's log.
    QString lastError() const { return m_error; }
    QString logTail(int lines = 15) const;

private:
    bool prepareFolder();
    bool initCluster();
    bool runTool(const QString& tool, const QStringList& args, int timeoutSeconds);
    bool fail(const QString& what);
    bool waitForPidFileGone(int timeoutMs) const;
    bool forceStop();

    Sync m_sync;
    QTemporaryDir m_dir;
    int m_port = 0;
    bool m_prepared = false;
    QString m_error;
};

}  // namespace k7::test
