#include "store/Keyset.h"

#include <algorithm>
#include <iterator>
#include <limits>

namespace k7 {

namespace {

// Runs take twice the bytes of plain rowids; below this many rowids the
// choice does not matter.
constexpr qint64 kSmallKeyset = 64;

// Whether `next` comes right after `rowid` (without overflowing at the ends).
bool follows(qint64 rowid, qint64 next)
{
    return rowid < next && static_cast<quint64>(next) - static_cast<quint64>(rowid) == 1;
}

// How far `rowid` lies past `first`, or -1 when it lies before it.
qint64 offsetFrom(qint64 first, qint64 rowid)
{
    if (rowid < first)
        return -1;
    const quint64 offset = static_cast<quint64>(rowid) - static_cast<quint64>(first);
    return offset > static_cast<quint64>(std::numeric_limits<qint64>::max()) ? std::numeric_limits<qint64>::max()
                                                                             : static_cast<qint64>(offset);
}

}  // namespace

qint64 Keyset::runLength(std::size_t i) const
{
    const qint64 end = i + 1 < m_runs.size() ? m_runs[i + 1].start : m_size;
    return end - m_runs[i].start;
}

std::size_t Keyset::runAt(qint64 position) const
{
    const auto after = std::upper_bound(m_runs.begin(), m_runs.end(), position,
                                        [](qint64 p, const Run& run) { return p < run.start; });
    return static_cast<std::size_t>(std::distance(m_runs.begin(), after)) - 1;
}

qint64 Keyset::at(int position) const
{
    if (m_plain)
        return m_rowids.at(static_cast<std::size_t>(position));
    const Run& run = m_runs[runAt(position)];
    return run.first + (position - run.start);
}

std::size_t Keyset::memoryBytes() const
{
    return m_runs.capacity() * sizeof(Run) + m_rowids.memoryBytes();
}

void Keyset::clear()
{
    // Swapping with empty vectors gives the memory back.
    std::vector<Run>().swap(m_runs);
    m_rowids.clear();
    m_size = 0;
    m_ascending = true;
    m_plain = false;
}

void Keyset::append(qint64 rowid)
{
    appendRun(rowid, 1);
}

void Keyset::appendRun(qint64 first, qint64 count)
{
    if (count <= 0)
        return;
    m_ascending = m_ascending && (m_size == 0 || back() < first);
    if (m_plain) {
        for (qint64 k = 0; k < count; ++k)
            m_rowids.push_back(first + k);
    } else if (m_runs.empty() || !follows(back(), first)) {
        m_runs.push_back({first, m_size});
    }
    m_size += count;
    fallBackIfLarge();
}

void Keyset::appendAll(const Keyset& other)
{
    if (other.m_plain) {
        for (std::size_t i = 0; i < other.m_rowids.size(); ++i)
            append(other.m_rowids.at(i));
        return;
    }
    for (std::size_t i = 0; i < other.m_runs.size(); ++i)
        appendRun(other.m_runs[i].first, other.runLength(i));
}

void Keyset::shiftStarts(std::size_t from, qint64 by)
{
    for (std::size_t j = from; j < m_runs.size(); ++j)
        m_runs[j].start += by;
}

void Keyset::splitAt(qint64 position)
{
    const std::size_t i = runAt(position);
    const Run& run = m_runs[i];
    if (run.start == position)
        return;
    const Run rest{run.first + (position - run.start), position};
    m_runs.insert(m_runs.begin() + static_cast<std::ptrdiff_t>(i) + 1, rest);
}

// Joins run i to the one before it when its rowids carry on from there.
void Keyset::mergeWithPrevious(std::size_t i)
{
    if (i == 0 || i >= m_runs.size())
        return;
    const Run& before = m_runs[i - 1];
    if (offsetFrom(before.first, m_runs[i].first) == runLength(i - 1))
        m_runs.erase(m_runs.begin() + static_cast<std::ptrdiff_t>(i));
}

void Keyset::insert(int position, qint64 rowid)
{
    if (position >= size()) {
        append(rowid);
        return;
    }
    m_ascending = m_ascending && (position == 0 || at(position - 1) < rowid) && rowid < at(position);
    if (m_plain) {
        m_rowids.insert(static_cast<std::size_t>(position), rowid);
        ++m_size;
        return;
    }
    splitAt(position);
    const std::size_t i = runAt(position);
    m_runs.insert(m_runs.begin() + static_cast<std::ptrdiff_t>(i), Run{rowid, position});
    ++m_size;
    shiftStarts(i + 1, 1);
    mergeWithPrevious(i + 1);
    mergeWithPrevious(i);
    fallBackIfLarge();
}

void Keyset::erase(int position)
{
    if (m_plain) {
        m_rowids.erase(static_cast<std::size_t>(position));
        --m_size;
        return;
    }
    splitAt(position);
    const std::size_t i = runAt(position);
    // The run now starts at `position`: drop its first rowid, or the whole
    // run when that was all it held.
    if (runLength(i) == 1) {
        m_runs.erase(m_runs.begin() + static_cast<std::ptrdiff_t>(i));
        shiftStarts(i, -1);
        mergeWithPrevious(i);
    } else {
        ++m_runs[i].first;
        shiftStarts(i + 1, -1);
    }
    --m_size;
    fallBackIfLarge();
}

void Keyset::fallBackIfLarge()
{
    if (m_plain || m_size < kSmallKeyset || static_cast<qint64>(m_runs.size()) * 2 <= m_size)
        return;
    PlainRowids rowids;
    rowids.reserve(static_cast<std::size_t>(m_size));
    for (std::size_t i = 0; i < m_runs.size(); ++i) {
        const qint64 length = runLength(i);
        for (qint64 k = 0; k < length; ++k)
            rowids.push_back(m_runs[i].first + k);
    }
    std::vector<Run>().swap(m_runs);
    m_rowids = std::move(rowids);
    m_plain = true;
}

int Keyset::positionInOrder(qint64 rowid) const
{
    const int p = lowerBound(0, rowid);
    return p < size() && at(p) == rowid ? p : -1;
}

int Keyset::lowerBound(int from, qint64 rowid) const
{
    if (m_plain) {
        return static_cast<int>(m_rowids.lowerBound(static_cast<std::size_t>(std::max(from, 0)), rowid));
    }
    // The last run starting at or below `rowid` holds it, or it falls in
    // the gap before the next run.
    const auto after =
        std::upper_bound(m_runs.begin(), m_runs.end(), rowid, [](qint64 r, const Run& run) { return r < run.first; });
    qint64 p = 0;
    if (after != m_runs.begin()) {
        const std::size_t i = static_cast<std::size_t>(std::distance(m_runs.begin(), after)) - 1;
        const qint64 offset = offsetFrom(m_runs[i].first, rowid);
        p = offset < runLength(i) ? m_runs[i].start + offset : m_runs[i].start + runLength(i);
    }
    return static_cast<int>(std::max<qint64>(p, from));
}

int Keyset::findFromEnd(qint64 rowid) const
{
    if (m_plain) {
        return static_cast<int>(m_rowids.findFromEnd(rowid));
    }
    for (std::size_t i = m_runs.size(); i-- > 0;) {
        const qint64 offset = offsetFrom(m_runs[i].first, rowid);
        if (offset >= 0 && offset < runLength(i))
            return static_cast<int>(m_runs[i].start + offset);
    }
    return -1;
}

}  // namespace k7
