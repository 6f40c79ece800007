#pragma once
// A long sort read in parts: the rows of each of a few rowid ranges are
// sorted by the engine on a connection and a thread of their own, and a
// merge thread takes the parts' rows as they come, in the order one query
// over the whole table would give (SortKeyBatch.h), into one keyset. On a
// machine with two processors and more the sort finishes in about half the
// time of a single query, which one processor has to do alone.
//
// Used by BackgroundKeyRead for engines whose dialect says the parts can be
// merged (SqlDialect::splitsKeyReads), on sorts over wide rowid ranges.

#include "store/KeyBatchQueue.h"
#include "store/Keyset.h"

#include <QString>
#include <QVariantList>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace k7 {

class Database;
class SqlConnection;
struct ViewKeyQuery;

// When and how widely a sorted key read is split.
struct KeyReadSplit {
    // A sort whose rowids span more than this is read in parts.
    qint64 minRows = 200000;
    // How many: one a processor, at most four; fewer than two reads whole.
    int parts = DefaultParts();

    static int DefaultParts();
};

class SplitKeyRead {
public:
    enum class Start { Started, ReadWhole, Failed };

    SplitKeyRead() = default;
    // Interrupts every part still running and waits for the threads.
    ~SplitKeyRead();
    SplitKeyRead(const SplitKeyRead&) = delete;
    SplitKeyRead& operator=(const SplitKeyRead&) = delete;

    // Starts the parts of `query` (its rangeSql) on connections of their
    // own. ReadWhole when the table is too small to gain from it or its text
    // is not kept as UTF-8 (whose byte order the merge relies on); Failed,
    // with the reason, when a connection cannot be made or read.
    [[nodiscard]] Start start(Database& db, const ViewKeyQuery& query, const KeyReadSplit& split);

    // Waits a few milliseconds for the merge; false once it has ended.
    bool waitABit();
    qint64 done() const { return m_merged.load(); }
    // Stops every part; the read ends as cancelled.
    void cancel();
    // Waits for every thread; then true when every rowid was merged.
    [[nodiscard]] bool finish();
    Keyset takeKeys() { return std::move(m_keys); }
    QString error() const { return m_error; }
    int errorCode() const { return m_code; }

private:
    struct Part {
        std::unique_ptr<SqlConnection> connection;
        std::unique_ptr<KeyBatchQueue> queue;
        qint64 low = 0;
        qint64 high = 0;
    };
    [[nodiscard]] Start planParts(Database& db, const ViewKeyQuery& query, const KeyReadSplit& split);
    void readPart(Part& part, const QString& sql, QVariantList values, int keys);
    void merge();
    void fail(const QString& error, int code);
    void stopParts();
    void threadEnded();
    void join();

    std::vector<Part> m_parts;
    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_ended;
    int m_running = 0;             // guarded by m_mutex
    bool m_mergeEnded = false;     // guarded by m_mutex
    bool m_failed = false;         // guarded by m_mutex
    std::atomic<bool> m_cancelled{false};
    std::atomic<qint64> m_merged{0};
    // Written by the merge thread (the keys) or the first part that fails
    // (the reason, under m_mutex), read once every thread has ended.
    Keyset m_keys;
    QString m_error;
    int m_code = 0;
};

}  // namespace k7
