// Rows added elsewhere, taken into an open record set without reading its
// keyset again.
#include "store/RecordSet.h"

#include "store/Database.h"

#include <algorithm>
#include <unordered_set>

namespace k7 {

void RecordSet::startAccounting()
{
    m_accounted.clear();
    m_seenUpTo = 0;
    if (!takesAddedRows() || m_keys.empty())
        return;
    if (m_keys.ascending()) {
        m_seenUpTo = m_keys.at(recordCount() - 1).value_or(0);
        return;
    }
    // A set in another order was read whole when it was opened.
    for (int i = 0; i < recordCount(); ++i)
        m_seenUpTo = std::max(m_seenUpTo, m_keys.at(i).value_or(0));
}

void RecordSet::account(qint64 rowid)
{
    m_accounted.insert(rowid);
    m_seenUpTo = std::max(m_seenUpTo, rowid);
    m_accounted.erase(m_accounted.begin(), m_accounted.lower_bound(m_seenUpTo - kLookBack));
}

// The rowids among `rowids` (ascending) that the set has not accounted for
// and does not hold.
std::vector<qint64> RecordSet::unknownAmong(const std::vector<qint64>& rowids) const
{
    std::vector<qint64> unknown;
    for (qint64 rowid : rowids) {
        if (!m_accounted.contains(rowid))
            unknown.push_back(rowid);
    }
    if (unknown.empty())
        return unknown;
    if (m_keys.ascending()) {
        std::erase_if(unknown, [this](qint64 rowid) { return m_keys.positionInOrder(rowid) >= 0; });
        return unknown;
    }
    // In a sort order the rows may be anywhere: one pass over the keyset.
    std::unordered_set<qint64> held;
    const std::unordered_set<qint64> wanted(unknown.begin(), unknown.end());
    for (int i = 0; i < recordCount() && held.size() < wanted.size(); ++i) {
        if (const std::optional<qint64> key = m_keys.at(i); key && wanted.contains(*key))
            held.insert(*key);
    }
    std::erase_if(unknown, [&held](qint64 rowid) { return held.contains(rowid); });
    return unknown;
}

void RecordSet::insertArrived(int at, qint64 rowid)
{
    const int count = recordCount();
    m_keys.insert(at, rowid);
    // The current row stays current; a set past its end stays there.
    if (m_pos >= count)
        m_pos = count + 1;
    else if (m_pos >= at)
        ++m_pos;
    if (m_placed.at >= at)
        ++m_placed.at;
}

void RecordSet::placeArrivals(const std::vector<qint64>& rowids, const RowArrival& arrival)
{
    if (rowids.empty())
        return;
    const int count = recordCount();
    const bool allAtEnd =
        !m_view.sorted() && m_keys.ascending() && (count == 0 || rowids.front() > m_keys.at(count - 1).value_or(0));
    if (allAtEnd) {
        // Rows of a table in table order: one insertion at the end.
        if (arrival.before)
            arrival.before(count, count + static_cast<int>(rowids.size()) - 1);
        const bool pastEnd = m_pos >= count;
        for (qint64 rowid : rowids)
            m_keys.append(rowid);
        if (pastEnd)
            m_pos = recordCount();
        if (arrival.after)
            arrival.after();
        return;
    }
    for (qint64 rowid : rowids) {
        const int at = m_view.sorted() ? sortedPlace(rowid) : m_keys.lowerBound(0, rowid);
        if (arrival.before)
            arrival.before(at, at);
        insertArrived(at, rowid);
        if (arrival.after)
            arrival.after();
    }
}

bool RecordSet::takeAddedRows(const RowArrival& arrival)
{
    if (!isOpen())
        return fail(QStringLiteral("The record set is closed."));
    if (!takesAddedRows())
        return fail(QStringLiteral("The record set cannot take rows added elsewhere; requery it."));
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %1 > ?").arg(m_rowidName, QuoteName(m_table));
    if (!m_where.isEmpty())
        sql += QStringLiteral(" AND (%1)").arg(m_where);
    sql += QStringLiteral(" ORDER BY ") + m_rowidName;
    std::vector<qint64> candidates;
    if (!selectRowids(sql, QVariantList{m_seenUpTo - kLookBack} + m_keyValues, candidates))
        return false;
    const std::vector<qint64> arrived = unknownAmong(candidates);
    for (qint64 rowid : candidates)
        account(rowid);
    placeArrivals(arrived, arrival);
    m_error.clear();
    return true;
}

bool RecordSet::requeryKeepingPlace()
{
    const qint64 current = bookmark();
    const int position = m_pos;
    if (!requery())
        return false;
    if (current >= 0 && positionOf(current) >= 0)
        return setBookmark(current);
    m_pos = std::clamp(position, 0, recordCount());
    return true;
}

}  // namespace k7
