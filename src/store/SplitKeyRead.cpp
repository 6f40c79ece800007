#include "store/SplitKeyRead.h"

#include "store/Database.h"
#include "store/RecordSet.h"
#include "store/SqlConnection.h"
#include "store/SqlStatement.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>

namespace k7 {

namespace {

// Rows a part hands over at a time, and how many batches may wait for the
// merge: enough to keep the parts busy while the merge catches up, little
// enough to stay a few megabytes.
constexpr int kBatchRows = 4096;
constexpr std::size_t kQueuedBatches = 8;
constexpr std::chrono::milliseconds kStepWait{20};
constexpr std::chrono::milliseconds kInterruptAgain{50};

}  // namespace

int KeyReadSplit::DefaultParts()
{
    return static_cast<int>(std::min(4u, std::thread::hardware_concurrency()));
}

SplitKeyRead::~SplitKeyRead()
{
    cancel();
    join();
}

SplitKeyRead::Start SplitKeyRead::planParts(Database& db, const ViewKeyQuery& query, const KeyReadSplit& split)
{
    std::unique_ptr<SqlConnection> first = db.openAnother();
    if (!first) {
        m_error = db.lastError();
        m_code = db.lastErrorCode();
        return Start::Failed;
    }
    const std::unique_ptr<SqlStatement> encoding = first->prepare(QStringLiteral("PRAGMA encoding"));
    const bool utf8 = encoding->ok() && encoding->step() && encoding->text(0) == QByteArrayView("UTF-8");
    const std::unique_ptr<SqlStatement> ends = first->prepare(query.rowidEnds);
    if (!ends->ok() || !ends->step()) {
        m_error = ends->error();
        m_code = ends->errorCode();
        return m_error.isEmpty() ? Start::ReadWhole : Start::Failed;
    }
    const qint64 low = ends->int64(0);
    const qint64 high = ends->int64(1);
    const bool empty = ends->type(0) == SqlStatement::ValueType::Null;
    encoding->reset();
    ends->reset();
    // Counted from the ends without overflow: the rowids may span the whole range.
    const quint64 span = static_cast<quint64>(high) - static_cast<quint64>(low);
    if (!utf8 || empty || split.parts < 2 || span < static_cast<quint64>(split.minRows))
        return Start::ReadWhole;
    const auto count = static_cast<quint64>(split.parts);
    const quint64 width = span / count + 1;
    for (quint64 i = 0; i < count; ++i) {
        Part part;
        part.low = static_cast<qint64>(static_cast<quint64>(low) + i * width);
        part.high = i + 1 == count ? high : static_cast<qint64>(static_cast<quint64>(low) + (i + 1) * width - 1);
        part.connection = i == 0 ? std::move(first) : db.openAnother();
        if (!part.connection) {
            m_error = db.lastError();
            m_code = db.lastErrorCode();
            return Start::Failed;
        }
        part.queue = std::make_unique<KeyBatchQueue>(kQueuedBatches);
        m_parts.push_back(std::move(part));
    }
    return Start::Started;
}

SplitKeyRead::Start SplitKeyRead::start(Database& db, const ViewKeyQuery& query, const KeyReadSplit& split)
{
    const Start planned = planParts(db, query, split);
    if (planned != Start::Started) {
        m_parts.clear();
        return planned;
    }
    m_running = static_cast<int>(m_parts.size()) + 1;
    for (Part& part : m_parts) {
        QVariantList values = query.values;
        values << part.low << part.high;
        m_threads.emplace_back(&SplitKeyRead::readPart, this, std::ref(part), query.rangeSql, values, query.sortKeys);
    }
    m_threads.emplace_back(&SplitKeyRead::merge, this);
    return Start::Started;
}

void SplitKeyRead::readPart(Part& part, const QString& sql, QVariantList values, int keys)
{
    const std::unique_ptr<SqlStatement> stmt = part.connection->prepare(sql);
    bool handedOver = true;
    if (stmt->ok() && stmt->bind(values)) {
        auto batch = std::make_unique<SortKeyBatch>(keys);
        while (handedOver && !m_cancelled.load() && stmt->step()) {
            batch->appendRow(*stmt);
            if (batch->rows() == kBatchRows) {
                handedOver = part.queue->push(std::move(batch));
                batch = std::make_unique<SortKeyBatch>(keys);
            }
        }
        if (handedOver && batch->rows() > 0 && stmt->error().isEmpty() && !m_cancelled.load())
            handedOver = part.queue->push(std::move(batch));
    }
    if (!stmt->error().isEmpty())
        fail(stmt->error(), stmt->errorCode());
    else
        part.queue->close();
    stmt->reset();
    threadEnded();
}

void SplitKeyRead::merge()
{
    const std::size_t count = m_parts.size();
    std::vector<std::unique_ptr<SortKeyBatch>> heads(count);
    std::vector<int> at(count, 0);
    for (std::size_t i = 0; i < count; ++i)
        heads[i] = m_parts[i].queue->pop();
    Keyset keys;
    for (;;) {
        std::size_t next = count;
        for (std::size_t i = 0; i < count; ++i) {
            if (heads[i] && (next == count || CompareRows(*heads[i], at[i], *heads[next], at[next]) < 0))
                next = i;
        }
        if (next == count)
            break;
        keys.append(heads[next]->rowid(at[next]));
        if (++at[next] == heads[next]->rows()) {
            m_merged.store(keys.size(), std::memory_order_relaxed);
            heads[next] = m_parts[next].queue->pop();
            at[next] = 0;
        }
    }
    m_merged.store(keys.size());
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_keys = std::move(keys);
    m_mergeEnded = true;
    --m_running;
    m_ended.notify_all();
}

void SplitKeyRead::fail(const QString& error, int code)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_failed)
            return;
        m_failed = true;
        m_error = error;
        m_code = code;
    }
    stopParts();
}

void SplitKeyRead::stopParts()
{
    // The connections live until the destructor, after the threads have
    // ended, so an interrupt never reaches a closed connection.
    m_cancelled.store(true);
    for (Part& part : m_parts) {
        part.connection->interrupt();
        part.queue->abort();
    }
}

void SplitKeyRead::threadEnded()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    --m_running;
    m_ended.notify_all();
}

bool SplitKeyRead::waitABit()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_ended.wait_for(lock, kStepWait, [this] { return m_mergeEnded; });
}

void SplitKeyRead::cancel()
{
    stopParts();
}

void SplitKeyRead::join()
{
    {
        // An interrupt that comes before a part's statement reaches the
        // engine stops nothing, so a cancelled read is interrupted again.
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_ended.wait_for(lock, kInterruptAgain, [this] { return m_running == 0; })) {
            if (!m_cancelled.load())
                continue;
            for (Part& part : m_parts)
                part.connection->interrupt();
        }
    }
    for (std::thread& thread : m_threads)
        thread.join();
    m_threads.clear();
}

bool SplitKeyRead::finish()
{
    join();
    if (m_failed)
        return false;
    if (m_cancelled.load()) {
        m_error = QStringLiteral("The read was cancelled.");
        m_code = SQLITE_INTERRUPT;
        return false;
    }
    return true;
}

}  // namespace k7
