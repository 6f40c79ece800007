#include "store/BackgroundKeyRead.h"

#include "store/Database.h"
#include "store/RecordSet.h"
#include "store/SqlConnection.h"
#include "store/SqlStatement.h"

#include <sqlite3.h>

#include <chrono>

namespace k7 {

namespace {

// How long one step waits for the thread: short enough that the window
// answers at once, long enough that waiting costs nothing.
constexpr std::chrono::milliseconds kStepWait{20};
// How often a cancelled read is interrupted again while the thread has not
// ended: an interrupt that comes before the statement reaches the engine
// stops nothing.
constexpr std::chrono::milliseconds kInterruptAgain{50};

}  // namespace

BackgroundKeyRead::BackgroundKeyRead() = default;

BackgroundKeyRead::~BackgroundKeyRead()
{
    cancel();
    join();
}

bool BackgroundKeyRead::start(Database& db, const QString& sql, const QVariantList& values)
{
    m_connection = db.openAnother();
    if (!m_connection) {
        m_error = db.lastError();
        m_code = db.lastErrorCode();
        return false;
    }
    m_thread = std::thread(&BackgroundKeyRead::run, this, sql, values);
    return true;
}

bool BackgroundKeyRead::start(Database& db, const ViewKeyQuery& query, const KeyReadSplit& split)
{
    if (!query.rangeSql.isEmpty()) {
        auto parts = std::make_unique<SplitKeyRead>();
        switch (parts->start(db, query, split)) {
        case SplitKeyRead::Start::Started:
            m_split = std::move(parts);
            return true;
        case SplitKeyRead::Start::Failed:
            m_error = parts->error();
            m_code = parts->errorCode();
            return false;
        case SplitKeyRead::Start::ReadWhole:
            break;
        }
    }
    return start(db, query.sql, query.values);
}

void BackgroundKeyRead::run(QString sql, QVariantList values)
{
    const std::unique_ptr<SqlStatement> stmt = m_connection->prepare(sql);
    if (stmt->ok() && stmt->bind(values)) {
        while (!m_cancelled.load() && stmt->step()) {
            m_keys.append(stmt->int64(0));
            m_read.fetch_add(1, std::memory_order_relaxed);
        }
    }
    m_error = stmt->error();
    m_code = stmt->errorCode();
    if (m_cancelled.load() && m_error.isEmpty()) {
        // Cancelled between two rows: the list is not complete.
        m_error = QStringLiteral("The read was cancelled.");
        m_code = SQLITE_INTERRUPT;
    }
    stmt->reset();
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_finished = true;
    m_doneSignal.notify_all();
}

bool BackgroundKeyRead::step()
{
    if (m_split)
        return m_split->waitABit();
    if (!m_thread.joinable())
        return false;
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_doneSignal.wait_for(lock, kStepWait, [this] { return m_finished; });
}

void BackgroundKeyRead::cancel()
{
    // The connection lives until the destructor, after the thread has
    // ended, so the interrupt never reaches a closed connection.
    m_cancelled.store(true);
    if (m_split)
        m_split->cancel();
    if (m_connection)
        m_connection->interrupt();
}

void BackgroundKeyRead::join()
{
    if (!m_thread.joinable())
        return;
    if (m_cancelled.load()) {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_doneSignal.wait_for(lock, kInterruptAgain, [this] { return m_finished; }))
            m_connection->interrupt();
    }
    m_thread.join();
}

bool BackgroundKeyRead::finish()
{
    if (m_split)
        return m_split->finish();
    join();
    return m_connection && m_error.isEmpty();
}

}  // namespace k7
