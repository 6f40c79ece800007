#include "store/BackgroundKeyRead.h"

#include "store/Database.h"
#include "store/SqliteStatement.h"

#include <sqlite3.h>

#include <chrono>

namespace k7 {

namespace {

// How long one step waits for the thread: short enough that the window
// answers at once, long enough that waiting costs nothing.
constexpr std::chrono::milliseconds kStepWait{20};
// As long as the main connection waits for another program's lock.
constexpr int kBusyTimeoutMs = 1000;
// How many engine instructions run between looks at the cancel flag.
constexpr int kCancelCheckInstructions = 1000;

}  // namespace

BackgroundKeyRead::~BackgroundKeyRead()
{
    cancel();
    join();
    sqlite3_close(m_handle);
}

bool BackgroundKeyRead::start(const QString& path, const QString& sql, const QVariantList& values)
{
    const QByteArray file = path.toUtf8();
    if (sqlite3_open_v2(file.constData(), &m_handle, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK
        || !Database::configureConnection(m_handle)) {
        m_error = QString::fromUtf8(sqlite3_errmsg(m_handle));
        m_code = sqlite3_errcode(m_handle) & 0xff;
        sqlite3_close(m_handle);
        m_handle = nullptr;
        return false;
    }
    sqlite3_busy_timeout(m_handle, kBusyTimeoutMs);
    // The interrupt alone misses a cancel that comes before the thread has
    // begun its statement; the handler sees the flag whenever it comes.
    sqlite3_progress_handler(
        m_handle, kCancelCheckInstructions,
        [](void* self) { return static_cast<BackgroundKeyRead*>(self)->m_cancelled.load() ? 1 : 0; }, this);
    m_thread = std::thread(&BackgroundKeyRead::run, this, sql, values);
    return true;
}

void BackgroundKeyRead::run(QString sql, QVariantList values)
{
    SqliteStatement stmt(m_handle, sql);
    if (stmt.ok() && stmt.bind(values)) {
        while (stmt.step()) {
            m_keys.append(stmt.int64(0));
            m_read.fetch_add(1, std::memory_order_relaxed);
        }
    }
    m_error = stmt.error();
    m_code = stmt.errorCode();
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_finished = true;
    m_doneSignal.notify_all();
}

bool BackgroundKeyRead::step()
{
    if (!m_thread.joinable())
        return false;
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_doneSignal.wait_for(lock, kStepWait, [this] { return m_finished; });
}

void BackgroundKeyRead::cancel()
{
    // The handle lives until the destructor, after the thread has ended, so
    // the interrupt never reaches a closed connection.
    m_cancelled.store(true);
    if (m_handle)
        sqlite3_interrupt(m_handle);
}

void BackgroundKeyRead::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool BackgroundKeyRead::finish()
{
    join();
    return m_handle && m_error.isEmpty();
}

}  // namespace k7
