#include "store/JournalWriter.h"

#include "store/SqliteStatement.h"

#include <QFile>
#include <QMetaObject>

#include <sqlite3.h>

#include <utility>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace k7 {

namespace {

// How long a write waits for another connection's lock, as the operator's does.
constexpr int kBusyTimeoutMs = 1000;

// The worker's own connection, straight through SQLite: a Qt connection
// would share Qt's list of connections, and its locks, with the window.
class JournalConnection {
public:
    ~JournalConnection() { close(); }
    bool isOpen() const { return m_db != nullptr; }
    void close()
    {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    // A database deleted meanwhile fails here rather than coming back as
    // an empty file holding only the journal; only a server's local journal
    // file is made when missing.
    QString open(const QString& path, bool create)
    {
        const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
        if (rc != SQLITE_OK) {
            const QString reason = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc));
            close();
            return QStringLiteral("The database %1 cannot be opened: %2").arg(path, reason);
        }
        sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
        const QString error = run(QStringLiteral("PRAGMA synchronous = FULL"), {});
        if (!error.isEmpty())
            close();
        return error;
    }
    QString run(const QString& sql, const QVariantList& values)
    {
        SqliteStatement st(m_db, sql);
        if (!st.ok())
            return st.error();
        return st.run(values) ? QString() : st.error();
    }

private:
    sqlite3* m_db = nullptr;
};

// Writes `state`, opening the connection first unless it is open; the empty
// text when it is on disk, else the reason.
QString apply(JournalConnection& db, const QString& path, bool besideServer, const QString& cfg,
              const QString& table, const JournalState& state)
{
    QString error = db.isOpen() ? QString() : db.open(path, besideServer);
    if (error.isEmpty())
        error = db.run(JournalSql::createTable(besideServer), {});
    if (error.isEmpty())
        error = state.remove ? db.run(JournalSql::clearRow(), JournalKeyValues(cfg, table))
                             : db.run(JournalSql::writeRow(besideServer),
                                      JournalRowValues(cfg, table, state.entry, besideServer));
    return error;
}

// The worker gives way to the thread that takes the keys: woken by an accept
// on a busy machine, it would otherwise take the processor from the window
// until its write reaches the disk (measured: accepts of 0.5 to 4 ms instead
// of 0.1). On Linux each thread has a nice value of its own; the write itself
// needs well under a millisecond of processor time.
void yieldToTheWindow()
{
#ifdef Q_OS_LINUX
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
#endif
}

}  // namespace

JournalWriter::JournalWriter(const QString& dbPath, const QString& cfg, const QString& table, bool besideServer)
    : m_dbPath(dbPath), m_cfg(cfg), m_table(table), m_besideServer(besideServer)
{
    m_worker = std::thread([this] { run(); });
}

JournalWriter::~JournalWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

void JournalWriter::post(JournalState state)
{
    {
        std::lock_guard lock(m_mutex);
        m_pending = std::move(state);
    }
    m_wake.notify_all();
}

std::optional<JournalState> JournalWriter::settle()
{
    std::unique_lock lock(m_mutex);
    std::optional<JournalState> dropped = std::move(m_pending);
    m_pending.reset();
    m_idle.wait(lock, [this] { return !m_busy; });
    return dropped;
}

std::optional<JournalState> JournalWriter::dropPending()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_pending, std::nullopt);
}

void JournalWriter::flush()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_busy && !m_pending; });
}

JournalOutcome JournalWriter::takeOutcome()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_outcome, JournalOutcome{});
}

bool JournalWriter::lastFailed() const
{
    std::lock_guard lock(m_mutex);
    return m_lastFailed;
}

void JournalWriter::run()
{
    yieldToTheWindow();
    JournalConnection db;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_pending || m_stopping; });
        if (!m_pending)
            break;
        const JournalState state = std::move(*m_pending);
        m_pending.reset();
        m_busy = true;
        lock.unlock();
        const QString error = apply(db, m_dbPath, m_besideServer, m_cfg, m_table, state);
        lock.lock();
        if (!m_pending || !error.isEmpty()) {
            lock.unlock();
            db.close();
            lock.lock();
        }
        m_busy = false;
        m_lastFailed = !error.isEmpty();
        m_outcome.lastOk = error.isEmpty();
        if (!error.isEmpty()) {
            ++m_outcome.failures;
            m_outcome.error = error;
        }
        m_idle.notify_all();
        lock.unlock();
        QMetaObject::invokeMethod(this, [this] { emit finished(); }, Qt::QueuedConnection);
        lock.lock();
    }
}

}  // namespace k7
