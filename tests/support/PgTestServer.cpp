#include "PgTestServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>
#include <QVersionNumber>

#include <atomic>
#include <memory>

#include <pwd.h>
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#ifdef K7_HAVE_POSTGRES
#include <libpq-fe.h>
#endif

namespace k7::test {

namespace {

// PostgreSQL will not run as root; the tests' server then runs as this
// account, which every Debian system has.
const char* const kServerAccount = "nobody";
constexpr int kToolSeconds = 60;
// sockaddr_un's path has room for 107 bytes.
constexpr int kMaxSocketPath = 107;

bool runsAsRoot()
{
    return ::geteuid() == 0;
}

// The bin folder of the newest PostgreSQL installed the Debian way, or the
// folder of an initdb on the PATH.
QString binDir()
{
    static const QString dir = [] {
        const QDir versions("/usr/lib/postgresql");
        QList<QVersionNumber> found;
        for (const QString& name : versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (QFileInfo(versions.filePath(name + QStringLiteral("/bin/initdb"))).isExecutable())
                found.append(QVersionNumber::fromString(name));
        if (!found.isEmpty()) {
            std::sort(found.begin(), found.end());
            return versions.filePath(found.last().toString() + QStringLiteral("/bin"));
        }
        const QString initdb = QStandardPaths::findExecutable("initdb");
        return initdb.isEmpty() ? QString() : QFileInfo(initdb).absolutePath();
    }();
    return dir;
}

QString runuserPath()
{
    const QStringList system = {"/usr/sbin", "/sbin", "/usr/bin"};
    QString path = QStandardPaths::findExecutable("runuser");
    return path.isEmpty() ? QStandardPaths::findExecutable("runuser", system) : path;
}

// The tools run without the caller's PG* settings (a PGDATA or PGPORT of the
// machine must not steer them) and with messages in English.
QProcessEnvironment toolEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& key : env.keys())
        if (key.startsWith(QLatin1String("PG")))
            env.remove(key);
    env.insert("LC_ALL", "C.UTF-8");
    return env;
}

// Whether every folder from `path` up is open to other users, as the server's
// account needs them to be under root.
bool openToOthers(const QString& path)
{
    for (QDir dir(path);; dir.cdUp()) {
        if (!QFileInfo(dir.absolutePath()).permission(QFile::ExeOther))
            return false;
        if (dir.isRoot())
            return true;
    }
}

// The server's folder goes in the temporary folder, or in /tmp when root's
// temporary folder is closed to the server's account.
QString folderTemplate()
{
    const QString base = runsAsRoot() && !openToOthers(QDir::tempPath()) ? "/tmp" : QDir::tempPath();
    return base + QStringLiteral("/k7pg-XXXXXX");
}

// A port of this process's own: the socket's name carries it, and two
// servers of one program differ by the counter.
int choosePort()
{
    static std::atomic<int> made{0};
    return 20000 + static_cast<int>((::getpid() * 7 + made++) % 40000);
}

QString confText(const QString& text)
{
    QString quoted = text;
    return QLatin1Char('\'') + quoted.replace(QLatin1Char('\''), "''") + QLatin1Char('\'');
}

QString percentEncoded(const QString& text, const QByteArray& keep = {})
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text, keep));
}

}  // namespace

PgTestServer::PgTestServer(Sync sync) : m_sync(sync), m_dir(folderTemplate()), m_port(choosePort()) { }

PgTestServer::~PgTestServer()
{
    if (isRunning() && !stop())
        forceStop();
}

QString PgTestServer::unavailableReason()
{
#ifndef K7_HAVE_POSTGRES
    return "built without PostgreSQL (libpq not found or K7_WITHOUT_POSTGRES)";
#else
    if (binDir().isEmpty())
        return "initdb not found: install the postgresql package (scripts/install-deps.sh)";
    if (runsAsRoot() && runuserPath().isEmpty())
        return "running as root, and runuser is missing to start the server as another user";
    if (runsAsRoot() && ::getpwnam(kServerAccount) == nullptr)
        return QStringLiteral("running as root, and there is no account %1 to run the server as")
            .arg(QLatin1String(kServerAccount));
    return {};
#endif
}

bool PgTestServer::start()
{
    if (isRunning())
        return true;
    if (const QString why = unavailableReason(); !why.isEmpty())
        return fail(why);
    if (!prepareFolder() || !initCluster())
        return false;
    return runTool("pg_ctl", {"start", "-w", "-t", QString::number(kToolSeconds), "-D", dataDir(), "-l", logPath()},
                   kToolSeconds + 10);
}

bool PgTestServer::stop()
{
    if (!isRunning())
        return true;
    const bool stopped =
        runTool("pg_ctl", {"stop", "-w", "-t", QString::number(kToolSeconds), "-m", "fast", "-D", dataDir()},
                kToolSeconds + 10);
    if (!stopped)
        return false;
    return waitForPidFileGone(5000) || fail("pg_ctl stopped, but the server's pid file stays");
}

bool PgTestServer::restart()
{
    return stop() && start();
}

bool PgTestServer::isRunning() const
{
    return QFile::exists(dataDir() + QStringLiteral("/postmaster.pid"));
}

qint64 PgTestServer::serverPid() const
{
    QFile file(dataDir() + QStringLiteral("/postmaster.pid"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readLine().trimmed().toLongLong();
}

QString PgTestServer::uri(const QString& database) const
{
    return QStringLiteral("postgresql:///%1?host=%2&port=%3&user=%4")
        .arg(percentEncoded(database), percentEncoded(socketDir(), "/"), QString::number(m_port), user());
}

bool PgTestServer::createDatabase(const QString& name)
{
#ifdef K7_HAVE_POSTGRES
    const QByteArray conninfo = (uri() + QStringLiteral("&connect_timeout=10")).toUtf8();
    const std::unique_ptr<PGconn, decltype(&PQfinish)> conn(PQconnectdb(conninfo.constData()), &PQfinish);
    if (PQstatus(conn.get()) != CONNECTION_OK)
        return fail(QStringLiteral("could not connect: ") + QString::fromUtf8(PQerrorMessage(conn.get())));
    QString quoted = name;
    const QByteArray sql =
        (QStringLiteral("CREATE DATABASE \"") + quoted.replace(QLatin1Char('"'), "\"\"") + QLatin1Char('"')).toUtf8();
    const std::unique_ptr<PGresult, decltype(&PQclear)> result(PQexec(conn.get(), sql.constData()), &PQclear);
    if (PQresultStatus(result.get()) != PGRES_COMMAND_OK)
        return fail(QStringLiteral("could not create the database %1: %2")
                        .arg(name, QString::fromUtf8(PQerrorMessage(conn.get()))));
    return true;
#else
    Q_UNUSED(name);
    return fail(unavailableReason());
#endif
}

QString PgTestServer::logTail(int lines) const
{
    QFile file(logPath());
    if (!file.open(QIODevice::ReadOnly))
        return "(no server log)";
    const QStringList all = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return all.mid(std::max<qsizetype>(0, all.size() - lines)).join(QLatin1Char('\n'));
}

// The folder is the server's: handed to its account under root, checked to
// be short enough for a socket path.
bool PgTestServer::prepareFolder()
{
    if (m_prepared)
        return true;
    if (!m_dir.isValid())
        return fail(QStringLiteral("could not make a temporary folder: ") + m_dir.errorString());
    const QString socket = socketDir() + QStringLiteral("/.s.PGSQL.") + QString::number(m_port);
    if (socket.toLocal8Bit().size() > kMaxSocketPath)
        return fail(QStringLiteral("the socket path %1 is too long: set TMPDIR to a shorter folder").arg(socket));
    if (runsAsRoot()) {
        const passwd* account = ::getpwnam(kServerAccount);
        if (account == nullptr
            || ::chown(QFile::encodeName(socketDir()).constData(), account->pw_uid, account->pw_gid) != 0)
            return fail(QStringLiteral("could not hand %1 to %2").arg(socketDir(), QLatin1String(kServerAccount)));
    }
    m_prepared = true;
    return true;
}

// initdb on the first start, and the settings that keep the server to the
// socket in its own folder.
bool PgTestServer::initCluster()
{
    if (QFile::exists(dataDir() + QStringLiteral("/PG_VERSION")))
        return true;
    if (!runTool("initdb",
                 {"-D", dataDir(), "-U", user(), "--auth=trust", "-E", "UTF8", "--locale=C.UTF-8", "--no-sync"},
                 kToolSeconds))
        return false;
    QStringList settings = {"listen_addresses = ''",
                            QStringLiteral("unix_socket_directories = ") + confText(socketDir()),
                            QStringLiteral("port = ") + QString::number(m_port)};
    if (m_sync == Sync::Off)
        settings << "fsync = off"
                 << "full_page_writes = off";
    QFile conf(dataDir() + QStringLiteral("/postgresql.conf"));
    const QByteArray text =
        QStringLiteral("\n# The tests' own server\n%1\n").arg(settings.join(QLatin1Char('\n'))).toUtf8();
    if (!conf.open(QIODevice::Append) || conf.write(text) != text.size())
        return fail(QStringLiteral("could not write ") + conf.fileName());
    return true;
}

// Runs a PostgreSQL tool (as the server's account under root) in the
// server's folder, within `timeoutSeconds`.
bool PgTestServer::runTool(const QString& tool, const QStringList& args, int timeoutSeconds)
{
    QString program = binDir() + QLatin1Char('/') + tool;
    QStringList arguments = args;
    if (runsAsRoot()) {
        arguments = QStringList{"-u", QLatin1String(kServerAccount), "--", program} + args;
        program = runuserPath();
    }
    QProcess process;
    process.setProcessEnvironment(toolEnvironment());
    process.setWorkingDirectory(socketDir());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return fail(tool + QStringLiteral(" could not be started: ") + process.errorString());
    if (!process.waitForFinished(timeoutSeconds * 1000)) {
        process.terminate();
        if (!process.waitForFinished(3000))
            process.kill();
        process.waitForFinished(3000);
        return fail(QStringLiteral("%1 did not finish within %2 s").arg(tool).arg(timeoutSeconds));
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return fail(QStringLiteral("%1 failed (exit status %2): %3")
                        .arg(tool)
                        .arg(process.exitCode())
                        .arg(QString::fromLocal8Bit(process.readAll()).trimmed()));
    return true;
}

bool PgTestServer::fail(const QString& what)
{
    m_error = what + QStringLiteral("\n--- server log, last lines ---\n") + logTail();
    return false;
}

bool PgTestServer::waitForPidFileGone(int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    while (isRunning() && !deadline.hasExpired())
        QThread::msleep(20);
    return !isRunning();
}

// The last resort when pg_ctl could not stop the server: an immediate
// shutdown, then the postmaster killed, so no server outlives its test.
bool PgTestServer::forceStop()
{
    const auto pid = static_cast<pid_t>(serverPid());
    if (pid <= 0)
        return true;
    ::kill(pid, SIGQUIT);
    if (waitForPidFileGone(5000))
        return true;
    ::kill(pid, SIGKILL);
    QThread::msleep(200);
    return ::kill(pid, 0) != 0;
}

}  // namespace k7::test
