#include "store/WindowedKeyset.h"

#include <algorithm>

namespace k7 {

void WindowedKeyset::assign(Keyset keys)
{
    clear();
    m_front = std::move(keys);
}

void WindowedKeyset::startWindows(qint64 count, qint64 first, qint64 last, Reader reader)
{
    clear();
    m_unread = std::max<qint64>(count, 0);
    m_low = first;
    m_high = last;
    m_reader = std::move(reader);
}

void WindowedKeyset::clear()
{
    m_front.clear();
    m_back.clear();
    m_unread = 0;
    m_error.clear();
    m_reader = {};
}

std::optional<qint64> WindowedKeyset::at(int position) const
{
    if (position < 0 || position >= size())
        return std::nullopt;
    if (position >= frontSize() && position < backStart() && !readTowards(position))
        return std::nullopt;
    // A window that came back short (rows deleted meanwhile) may have
    // moved `position` past the end.
    if (position >= size())
        return std::nullopt;
    if (position < frontSize())
        return m_front.at(position);
    return m_back.at(position - backStart());
}

// Reads from whichever end of the unread rows is nearer, a window beyond
// `position` at a time; from the end, at least as many as were read there
// already, so that walking backwards costs no more than walking forwards.
bool WindowedKeyset::readTowards(int position) const
{
    const qint64 ahead = position - frontSize();
    const qint64 behind = backStart() - 1 - position;
    if (ahead <= behind)
        return readFront(std::min(m_unread, ahead + kWindow));
    return readBack(std::min(m_unread, std::max<qint64>(behind + kWindow, m_back.size())));
}

bool WindowedKeyset::readFront(qint64 limit) const
{
    std::vector<qint64> rowids;
    if (!m_reader(m_low, m_high, limit, false, rowids, &m_error))
        return false;
    m_error.clear();
    for (qint64 rowid : rowids)
        m_front.append(rowid);
    const bool endReached = !rowids.empty() && rowids.back() == m_high;
    if (!rowids.empty() && !endReached)
        m_low = rowids.back() + 1;
    tookFromMiddle(rowids.size(), limit, endReached);
    return true;
}

bool WindowedKeyset::readBack(qint64 limit) const
{
    std::vector<qint64> rowids;
    if (!m_reader(m_low, m_high, limit, true, rowids, &m_error))
        return false;
    m_error.clear();
    Keyset back;
    for (auto it = rowids.rbegin(); it != rowids.rend(); ++it)
        back.append(*it);
    back.appendAll(m_back);
    m_back = std::move(back);
    const bool endReached = !rowids.empty() && rowids.back() == m_low;
    if (!rowids.empty() && !endReached)
        m_high = rowids.back() - 1;
    tookFromMiddle(rowids.size(), limit, endReached);
    return true;
}

// A window that brings fewer rows than asked, or reaches the far end, has
// read all that is left: rows counted at the start are gone meanwhile.
void WindowedKeyset::tookFromMiddle(std::size_t read, qint64 asked, bool endReached) const
{
    m_unread -= static_cast<qint64>(read);
    if (static_cast<qint64>(read) < asked || endReached)
        m_unread = 0;
    if (m_unread > 0)
        return;
    m_front.appendAll(m_back);
    m_back.clear();
}

bool WindowedKeyset::readAll() const
{
    return complete() || readFront(m_unread);
}

void WindowedKeyset::append(qint64 rowid)
{
    // A new row's rowid is above every other; one that is not (a rowid
    // reused) needs the middle read before its place can be told.
    if (!complete() && rowid <= m_high)
        static_cast<void>(readAll());
    if (complete())
        m_front.append(rowid);
    else
        m_back.append(rowid);
}

void WindowedKeyset::insert(int position, qint64 rowid)
{
    if (position < size() && readAll())
        m_front.insert(position, rowid);
    else
        append(rowid);  // at the end, or where it can be placed without the middle
}

void WindowedKeyset::erase(int position)
{
    if (position < frontSize())
        m_front.erase(position);
    else if (position >= backStart())
        m_back.erase(position - backStart());
    else if (readAll() && position < size())
        m_front.erase(position);
}

int WindowedKeyset::positionInOrder(qint64 rowid) const
{
    if (!complete() && rowid > m_high) {
        const int p = m_back.positionInOrder(rowid);
        return p < 0 ? -1 : backStart() + p;
    }
    if (!complete() && rowid >= m_low && !readAll())
        return -1;
    return m_front.positionInOrder(rowid);
}

int WindowedKeyset::lowerBound(int from, qint64 rowid) const
{
    int p = 0;
    if (!complete() && rowid > m_high)
        p = backStart() + m_back.lowerBound(0, rowid);
    else if (!complete() && rowid >= m_low && !readAll())
        return size();
    else
        p = m_front.lowerBound(0, rowid);  // at frontSize(): the first unread row
    return std::min(std::max(p, from), size());
}

int WindowedKeyset::findFromEnd(qint64 rowid) const
{
    if (!complete() && rowid > m_high) {
        const int p = m_back.findFromEnd(rowid);
        return p < 0 ? -1 : backStart() + p;
    }
    return readAll() ? m_front.findFromEnd(rowid) : -1;
}

}  // namespace k7
