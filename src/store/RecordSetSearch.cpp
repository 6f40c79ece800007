// Searching a record set in its own order, and placing a row added to a
// sorted or filtered set where that order puts it.
#include "store/RecordSet.h"

#include "store/Database.h"
#include "store/FoldedMatch.h"
#include "store/ShownText.h"
#include "store/SqlStatement.h"

#include <algorithm>
#include <unordered_set>

namespace k7 {

bool RecordSet::findFirst(const QString& field, const QVariant& value)
{
    if (!isOpen())
        return fail(QStringLiteral("The record set is closed."));
    const int fi = fieldIndex(field);
    if (fi < 0)
        return fail(QStringLiteral("The field %1 is not in the record set.").arg(field));
    m_error.clear();
    const auto matches = [&](const QVariant& v) {
        if (v.isNull() || value.isNull())
            return false;
        if (m_fields[fi].type == FieldType::Text || v.typeId() == QMetaType::QString)
            return v.toString().compare(value.toString(), Qt::CaseInsensitive) == 0;
        bool a = false;
        bool b = false;
        const double x = v.toDouble(&a);
        const double y = value.toDouble(&b);
        return a && b && x == y;
    };
    if (!m_updatable) {
        for (size_t i = 0; i < m_rows.size(); ++i) {
            if (matches(m_rows[i][fi]))
                return setAbsolutePosition(static_cast<int>(i));
        }
        return false;
    }
    std::vector<qint64> found;
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                            .arg(m_rowidName, QuoteName(m_table),
                                 m_db->dialect().caselessEquals(QuoteName(m_fields[fi].name), QStringLiteral("?")));
    if (!selectRowids(sql, {value}, found) || found.empty())
        return false;
    const std::unordered_set<qint64> hits(found.begin(), found.end());
    for (int p = 0; p < recordCount(); ++p) {
        const std::optional<qint64> key = m_keys.at(p);
        if (key && hits.count(*key))
            return setAbsolutePosition(p);
    }
    return false;
}

QString RecordSet::showsCondition(const QList<int>& fields) const
{
    QString types;
    QStringList columns;
    for (int i : fields) {
        types += ShownTypeLetter(m_fields[i].type);
        columns << QuoteName(m_fields[i].name);
    }
    return m_db->dialect().shows(types, columns);
}

bool RecordSet::findsInSlices() const
{
    return !m_updatable || m_keys.ascending();
}

int RecordSet::findShowing(int from, const QString& text, const QList<int>& fields, int to) const
{
    from = std::max(from, 0);
    to = to < 0 ? recordCount() : std::min(to, recordCount());
    if (!isOpen() || from >= to || fields.isEmpty())
        return -1;
    const QString needle = text.toLower();
    if (!m_updatable) {
        for (int p = from; p < to; ++p) {
            for (int i : fields) {
                const QVariant& v = m_rows[static_cast<size_t>(p)][i];
                if (!v.isNull() && ShownText(v, m_fields[i].type).toLower().contains(needle))
                    return p;
            }
        }
        return -1;
    }
    const QString shows = showsCondition(fields);
    const QString filter = m_where.isEmpty() ? QString() : QStringLiteral(" AND (%1)").arg(m_where);
    if (m_keys.ascending())
        return findShowingInRowidOrder(from, to, needle, shows + filter);
    // In a sort order: every matching rowid, then the first key among them.
    std::vector<qint64> hits;
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3%4").arg(m_rowidName, QuoteName(m_table), shows, filter);
    if (!selectRowids(sql, QVariantList{needle} + m_keyValues, hits))
        return -1;
    std::sort(hits.begin(), hits.end());
    for (int p = from; p < to; ++p) {
        const std::optional<qint64> key = m_keys.at(p);
        if (key && std::binary_search(hits.begin(), hits.end(), *key))
            return p;
    }
    return -1;
}

// In rowid order the engine stops at the first match between the rowids at
// `from` and before `to`.
int RecordSet::findShowingInRowidOrder(int from, int to, const QString& needle, const QString& condition) const
{
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %1 >= ? AND %1 <= ? AND %3 ORDER BY %1 LIMIT 1")
                            .arg(m_rowidName, QuoteName(m_table), condition);
    const std::optional<qint64> start = m_keys.at(from);
    const std::optional<qint64> last = m_keys.at(to - 1);
    if (!start || !last)
        return -1;
    qint64 next = *start;
    for (;;) {
        std::vector<qint64> hit;
        if (!selectRowids(sql, QVariantList{next, *last, needle} + m_keyValues, hit) || hit.empty())
            return -1;
        const int at = m_keys.lowerBound(from, hit.front());
        if (at >= to)
            return -1;
        const std::optional<qint64> key = m_keys.at(at);
        if (!key)
            return -1;
        if (*key == hit.front())
            return at;
        next = *key;  // a row outside the set (added elsewhere): go on from the next key
    }
}

void RecordSet::placeAdded(qint64 rowid)
{
    const int count = recordCount();
    m_placed = {rowid, -1};
    if (!m_placesAdded) {
        m_keys.append(rowid);
        m_placed.at = count;
        return;
    }
    if (!m_where.isEmpty() && !whereHolds(rowid))
        return;
    const int at = m_view.sorted() ? sortedPlace(rowid) : count;
    m_placed.at = at;
    m_keys.insert(at, rowid);
    // The current row stays current; a set past its end stays there.
    if (m_pos >= count)
        m_pos = count + 1;
    else if (m_pos >= at)
        ++m_pos;
}

bool RecordSet::whereHolds(qint64 rowid) const
{
    std::vector<qint64> hit;
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %1 = ? AND (%3)").arg(m_rowidName, QuoteName(m_table), m_where);
    return selectRowids(sql, QVariantList{rowid} + m_keyValues, hit) && !hit.empty();
}

int RecordSet::sortedPlace(qint64 rowid) const
{
    // Binary search by the set's own order: a few look-ups, not a requery.
    int low = 0;
    int high = recordCount();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        // A sorted set is read at once, so every position has its rowid.
        if (sortsBefore(rowid, m_keys.at(middle).value_or(rowid)))
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

// Whether row `a` comes before row `b` in the set's ORDER BY: Null first,
// then as the engine compares (text through the folding collation), ties
// broken by rowid.
bool RecordSet::sortsBefore(qint64 a, qint64 b) const
{
    const SqlDialect& dialect = m_db->dialect();
    QString test = QStringLiteral("a.%1 < b.%1").arg(m_rowidName);
    const QStringList& fields = m_view.sortFields;
    for (auto field = fields.crbegin(); field != fields.crend(); ++field) {
        const int i = fieldIndex(*field);
        const bool text = i < 0 || m_fields[i].type == FieldType::Text;
        const QString left = QStringLiteral("a.") + QuoteName(*field);
        const QString right = QStringLiteral("b.") + QuoteName(*field);
        test = QStringLiteral("CASE WHEN (%1 IS NULL AND %2 IS NOT NULL) OR coalesce(%3, false) "
                              "THEN true WHEN %4 THEN %5 ELSE false END")
                   .arg(left, right, dialect.foldedCompare(left, QStringLiteral("<"), right, text),
                        dialect.foldedCompare(left, QStringLiteral("IS"), right, text), test);
    }
    const QString sql = QStringLiteral("SELECT 1 FROM %1 AS a, %1 AS b WHERE a.%2 = ? AND b.%2 = ? AND (%3)")
                            .arg(QuoteName(m_table), m_rowidName, test);
    std::vector<qint64> hit;
    return selectRowids(sql, {a, b}, hit) && !hit.empty();
}

}  // namespace k7
