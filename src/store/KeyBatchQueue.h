#pragma once
// The batches one part of a split key read hands to the merge, in order.
// A producer waits while the queue is full, so a part that sorts faster than
// the merge takes its rows does not hold its whole share in memory; the
// merge waits while it is empty. Either side can abort, which wakes both and
// drops what is queued.

#include "store/SortKeyBatch.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace k7 {

class KeyBatchQueue {
public:
    explicit KeyBatchQueue(std::size_t capacity) : m_capacity(capacity) {}

    // Waits for room; false when the queue was aborted (the batch is dropped).
    bool push(std::unique_ptr<SortKeyBatch> batch)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_aborted || m_batches.size() < m_capacity; });
        if (m_aborted)
            return false;
        m_batches.push_back(std::move(batch));
        m_changed.notify_all();
        return true;
    }
    // The producer has pushed its last batch.
    void close()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        m_changed.notify_all();
    }
    void abort()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_aborted = true;
        m_batches.clear();
        m_changed.notify_all();
    }
    // Waits for the next batch; nullptr once the queue is closed and empty,
    // or aborted.
    std::unique_ptr<SortKeyBatch> pop()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_aborted || m_closed || !m_batches.empty(); });
        if (m_aborted || m_batches.empty())
            return nullptr;
        std::unique_ptr<SortKeyBatch> batch = std::move(m_batches.front());
        m_batches.pop_front();
        m_changed.notify_all();
        return batch;
    }

private:
    const std::size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::unique_ptr<SortKeyBatch>> m_batches;
    bool m_closed = false;
    bool m_aborted = false;
};

}  // namespace k7
