#include "store/ChangeListener.h"

#include "store/Database.h"
#include "store/SqlStatement.h"

#ifdef K7_HAVE_POSTGRES
#include "store/postgres/PgConnection.h"
#include "store/postgres/PgRowNotices.h"
#endif

namespace k7 {

ChangeListener::ChangeListener(Handler handler) : m_handler(std::move(handler))
{
    m_batch.setSingleShot(true);
    QObject::connect(&m_batch, &QTimer::timeout, &m_batch, [this] { deliver(); });
    QObject::connect(&m_poll, &QTimer::timeout, &m_poll, [this] { poll(); });
}

ChangeListener::~ChangeListener() = default;

bool ChangeListener::listen(Database& db, const QString& table)
{
    stop();
    const std::optional<TableDef> def = db.isOpen() ? db.findTable(table) : std::nullopt;
    if (!def) {
        m_error = QStringLiteral("The table %1 does not exist in the database.").arg(table);
        return false;
    }
    m_db = &db;
    m_table = def->name;
    m_error.clear();
    if (db.onServer()) {
        if (!startServer()) {
            stop();
            return false;
        }
        m_poll.start(kServerPollMs);
        return true;
    }
    if (!readDataVersion(&m_dataVersion)) {
        m_error = db.lastError();
        stop();
        return false;
    }
    m_poll.start(kFilePollMs);
    return true;
}

void ChangeListener::stop()
{
    m_socket.reset();
    m_poll.stop();
    m_batch.stop();
    m_pending = {};
    m_db = nullptr;
    m_table.clear();
    m_dataVersion = -1;
    m_session = 0;
}

bool ChangeListener::startServer()
{
#ifdef K7_HAVE_POSTGRES
    // A table whose trigger cannot be made is still listened to: the
    // stations that could make it announce their writes.
    QString refused;
    if (!PgAnnounceRowChanges(*m_db, m_table, &refused))
        m_error = refused;
    QString error;
    if (!PgListenForRowChanges(*m_db, &error)) {
        m_error = error;
        return false;
    }
    watchSocket(m_db->serverConnection()->socket());
    m_session = PgSessionId(*m_db->serverConnection());
    return true;
#else
    m_error = QStringLiteral("This build cannot reach a server.");
    return false;
#endif
}

void ChangeListener::watchSocket(int socket)
{
    m_socket.reset();
    if (socket < 0)
        return;
    m_socket = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
    QObject::connect(m_socket.get(), &QSocketNotifier::activated, m_socket.get(), [this] { readServer(); });
}

void ChangeListener::readServer()
{
#ifdef K7_HAVE_POSTGRES
    PgConnection* connection = m_db ? m_db->serverConnection() : nullptr;
    if (!connection)
        return;
    RowChanges changes;
    // A lost connection keeps its socket readable: stop watching it until
    // the connection is made again, instead of waking up for ever.
    if (!PgTakeRowNotices(*connection, m_table, &changes) && m_socket)
        m_socket->setEnabled(false);
    gather(changes);
#endif
}

void ChangeListener::poll()
{
    if (!m_db || !m_db->isOpen())
        return;
    if (!m_db->onServer()) {
        pollFile();
        return;
    }
#ifdef K7_HAVE_POSTGRES
    // A connection made again is served by another server process, which
    // has not listened yet.
    PgConnection& connection = *m_db->serverConnection();
    const int session = PgSessionId(connection);
    if (session != 0 && session != m_session) {
        QString error;
        if (!m_db->inTransaction() && PgListenForRowChanges(*m_db, &error)) {
            watchSocket(connection.socket());
            m_session = session;
        }
    }
    // Announcements libpq read while one of the store's own statements ran
    // wait in its queue, and the socket has nothing more to say about them.
    readServer();
#endif
}

void ChangeListener::pollFile()
{
    qint64 version = -1;
    if (!readDataVersion(&version) || version == m_dataVersion)
        return;
    m_dataVersion = version;
    RowChanges changes;
    changes.added = true;
    changes.changed = true;
    gather(changes);
}

bool ChangeListener::readDataVersion(qint64* version) const
{
    SqlStatement* stmt = m_db->statement(QStringLiteral("PRAGMA data_version"));
    if (!stmt)
        return false;
    const bool read = stmt->step();
    *version = read ? stmt->int64(0) : -1;
    const bool failed = !stmt->error().isEmpty();
    stmt->reset();
    return read && !failed;
}

void ChangeListener::gather(const RowChanges& changes)
{
    if (!changes.any())
        return;
    m_pending.merge(changes);
    if (!m_batch.isActive())
        m_batch.start(kBatchMs);
}

void ChangeListener::deliver()
{
    if (!m_pending.any() || !m_db)
        return;
    const RowChanges changes = m_pending;
    m_pending = {};
    if (m_handler && !m_handler(changes)) {
        m_pending.merge(changes);
        m_batch.start(kRetryMs);
    }
}

}  // namespace k7
