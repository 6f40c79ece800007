#include "store/PlainRowids.h"

#include <algorithm>
#include <limits>

namespace k7 {

namespace {

template <typename Ids>
std::size_t lowerBoundIn(const Ids& ids, std::size_t from, qint64 rowid)
{
    const auto start = ids.begin() + static_cast<std::ptrdiff_t>(std::min(from, ids.size()));
    const auto it = std::lower_bound(start, ids.end(), rowid, [](qint64 a, qint64 b) { return a < b; });
    return static_cast<std::size_t>(it - ids.begin());
}

template <typename Ids>
qint64 findFromEndIn(const Ids& ids, qint64 rowid)
{
    const auto it = std::find_if(ids.rbegin(), ids.rend(), [rowid](qint64 r) { return r == rowid; });
    return it == ids.rend() ? -1 : static_cast<qint64>(ids.rend() - it) - 1;
}

}  // namespace

bool PlainRowids::fits(qint64 rowid)
{
    return rowid >= std::numeric_limits<qint32>::min() && rowid <= std::numeric_limits<qint32>::max();
}

std::size_t PlainRowids::memoryBytes() const
{
    return m_narrowIds.capacity() * sizeof(qint32) + m_wideIds.capacity() * sizeof(qint64);
}

void PlainRowids::reserve(std::size_t count)
{
    if (m_wide)
        m_wideIds.reserve(count);
    else
        m_narrowIds.reserve(count);
}

void PlainRowids::widenFor(qint64 rowid)
{
    if (m_wide || fits(rowid))
        return;
    m_wideIds.assign(m_narrowIds.begin(), m_narrowIds.end());
    std::vector<qint32>().swap(m_narrowIds);
    m_wide = true;
}

void PlainRowids::push_back(qint64 rowid)
{
    widenFor(rowid);
    if (m_wide)
        m_wideIds.push_back(rowid);
    else
        m_narrowIds.push_back(static_cast<qint32>(rowid));
}

void PlainRowids::insert(std::size_t position, qint64 rowid)
{
    widenFor(rowid);
    const auto at = static_cast<std::ptrdiff_t>(position);
    if (m_wide)
        m_wideIds.insert(m_wideIds.begin() + at, rowid);
    else
        m_narrowIds.insert(m_narrowIds.begin() + at, static_cast<qint32>(rowid));
}

void PlainRowids::erase(std::size_t position)
{
    const auto at = static_cast<std::ptrdiff_t>(position);
    if (m_wide)
        m_wideIds.erase(m_wideIds.begin() + at);
    else
        m_narrowIds.erase(m_narrowIds.begin() + at);
}

void PlainRowids::clear()
{
    std::vector<qint32>().swap(m_narrowIds);
    std::vector<qint64>().swap(m_wideIds);
    m_wide = false;
}

std::size_t PlainRowids::lowerBound(std::size_t from, qint64 rowid) const
{
    return m_wide ? lowerBoundIn(m_wideIds, from, rowid) : lowerBoundIn(m_narrowIds, from, rowid);
}

qint64 PlainRowids::findFromEnd(qint64 rowid) const
{
    return m_wide ? findFromEndIn(m_wideIds, rowid) : findFromEndIn(m_narrowIds, rowid);
}

}  // namespace k7
