#pragma once
// The rowids a key query lists, read on a thread of their own through a
// second, read-only connection to the same database. The engine sorts every
// row inside the first step of a sorted query, so a long sort cannot be cut
// into slices; instead the window keeps running while the thread waits on
// the engine, and Cancel interrupts that connection. As a SteppedWork each step waits a
// few milliseconds for the thread, so Dialogs::runWithProgress shows its
// dialog once the read has taken a second. A view's long sort is read in
// parts on several threads where the engine allows it (SplitKeyRead.h).

#include "platform/SteppedWork.h"
#include "store/Keyset.h"
#include "store/SplitKeyRead.h"

#include <QString>
#include <QVariantList>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace k7 {

class Database;
class SqlConnection;
struct ViewKeyQuery;

class BackgroundKeyRead : public SteppedWork {
public:
    BackgroundKeyRead();
    // Interrupts the read if it is still running and waits for the thread.
    ~BackgroundKeyRead() override;
    BackgroundKeyRead(const BackgroundKeyRead&) = delete;
    BackgroundKeyRead& operator=(const BackgroundKeyRead&) = delete;

    // Opens another connection to `db` and starts listing the rowids of
    // `sql` (its first column) with `values` bound. False, with the reason
    // in error(), when no other connection can be made; the caller then
    // reads on its own.
    [[nodiscard]] bool start(Database& db, const QString& sql, const QVariantList& values);
    // Starts listing the rowids of a view's key query: in parts, as `split`
    // says, when the query can be split; else as the one query above.
    [[nodiscard]] bool start(Database& db, const ViewKeyQuery& query, const KeyReadSplit& split = {});

    bool step() override;
    qint64 done() const override { return m_split ? m_split->done() : m_read.load(); }
    // Unknown until the engine has sorted: the dialog shows no fraction.
    qint64 total() const override { return 0; }

    // Stops the engine where it is; the thread ends with an interrupt error.
    void cancel();
    // Waits for the thread; then true when every rowid was read.
    [[nodiscard]] bool finish();
    Keyset takeKeys() { return m_split ? m_split->takeKeys() : std::move(m_keys); }
    QString error() const { return m_split ? m_split->error() : m_error; }
    // The store's result code of the failure (SQLite's primary codes), 0 when none.
    int errorCode() const { return m_split ? m_split->errorCode() : m_code; }
    // Whether the read runs in parts.
    bool split() const { return m_split != nullptr; }

private:
    void run(QString sql, QVariantList values);
    void join();

    std::unique_ptr<SplitKeyRead> m_split;
    std::unique_ptr<SqlConnection> m_connection;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_doneSignal;
    bool m_finished = false;        // guarded by m_mutex
    std::atomic<qint64> m_read{0};  // rowids read so far
    std::atomic<bool> m_cancelled{false};
    // Written by the thread, read once it has finished.
    Keyset m_keys;
    QString m_error;
    int m_code = 0;
};

}  // namespace k7
