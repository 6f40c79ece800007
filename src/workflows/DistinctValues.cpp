#include "workflows/DistinctValues.h"

#include "store/Database.h"
#include "store/FoldedMatch.h"
#include "store/ShownText.h"
#include "store/SqlStatement.h"

#include <algorithm>
#include <cstring>
#include <cmath>
#include <limits>

namespace k7 {

namespace {

// The name the table's row ids go by: the engine's own unless a field has
// that name, then the next the engine knows them by.
QString rowidName(const TableDef& def, const SqlDialect& dialect)
{
    for (const QString& candidate : dialect.rowidNames()) {
        if (def.fieldIndex(candidate) < 0)
            return candidate;
    }
    return QString();
}

DistinctValues::Key keyOf(const QVariant& folded)
{
    DistinctValues::Key key;
    switch (folded.typeId()) {
    case QMetaType::LongLong:
        key.kind = 1;
        key.integer = folded.toLongLong();
        break;
    case QMetaType::Double:
        key.kind = 1;
        key.integral = false;
        key.real = folded.toDouble();
        break;
    case QMetaType::QString:
        key.kind = 2;
        key.bytes = folded.toString().toUtf8();
        break;
    case QMetaType::QByteArray:
        key.kind = 3;
        key.bytes = folded.toByteArray();
        break;
    default:
        break;  // Null
    }
    return key;
}

int sign(double d)
{
    return d < 0 ? -1 : d > 0 ? 1 : 0;
}

// An integer against a real exactly, as the engine compares them: a real
// beyond the integers' range is beyond every integer.
int compareIntegerReal(qint64 i, double r)
{
    if (r >= 9223372036854775808.0)
        return -1;
    if (r < -9223372036854775808.0)
        return 1;
    const double whole = std::floor(r);
    const qint64 w = static_cast<qint64>(whole);
    if (i != w)
        return i < w ? -1 : 1;
    return r > whole ? -1 : 0;
}

int compareNumbers(const DistinctValues::Key& a, const DistinctValues::Key& b)
{
    if (a.integral && b.integral)
        return a.integer < b.integer ? -1 : a.integer > b.integer ? 1 : 0;
    if (!a.integral && !b.integral)
        return sign(a.real - b.real);
    return a.integral ? compareIntegerReal(a.integer, b.real) : -compareIntegerReal(b.integer, a.real);
}

// The engine's order of the folded values: text keys in byte order, which
// is the order the filter's comparison gives (FoldedMatch.h).
int compareKeys(const DistinctValues::Key& a, const DistinctValues::Key& b)
{
    if (a.kind != b.kind)
        return a.kind < b.kind ? -1 : 1;
    if (a.kind == 1)
        return compareNumbers(a, b);
    if (a.kind == 0)
        return 0;
    const int d = std::memcmp(a.bytes.constData(), b.bytes.constData(),
                              static_cast<size_t>(std::min(a.bytes.size(), b.bytes.size())));
    if (d != 0)
        return d < 0 ? -1 : 1;
    return a.bytes.size() < b.bytes.size() ? -1 : a.bytes.size() > b.bytes.size() ? 1 : 0;
}

}  // namespace

bool DistinctValues::open(Database& db, const QString& table, const QString& field)
{
    *this = DistinctValues();
    const std::optional<TableDef> def = db.isOpen() ? db.findTable(table) : std::nullopt;
    const int fi = def ? def->fieldIndex(field) : -1;
    if (fi < 0) {
        m_error = QStringLiteral("The table %1 has no field %2.").arg(table, field);
        return false;
    }
    const QString rowid = rowidName(*def, db.dialect());
    if (rowid.isEmpty()) {
        m_error = QStringLiteral("The table %1 has no row ids.").arg(def->name);
        return false;
    }
    m_type = def->fields[fi].type;
    const QString name = QuoteName(def->fields[fi].name);
    const QString from = db.dialect().tableScan(QuoteName(def->name));
    // Grouped as they compare in a filter; the folded value orders the
    // groups found in different slices.
    const QString group = QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4 >= ?%5 GROUP BY %6")
                              .arg(db.dialect().firstOfGroup(name, rowid), db.dialect().foldKey(name), from, rowid);
    const QString grouping = db.dialect().foldedOrder(name, m_type == FieldType::Text);
    m_groupSql = group.arg(QStringLiteral(" AND %1 < ?").arg(rowid), grouping);
    m_lastGroupSql = group.arg(QString(), grouping);
    m_endSql = QStringLiteral("SELECT %1 FROM %2 WHERE %1 >= ? ORDER BY %1 LIMIT 1 OFFSET ?").arg(rowid, from);
    m_after = std::numeric_limits<qint64>::min();
    m_db = &db;
    // A statement that cannot be prepared is reported now, not at the first slice.
    if (!db.statement(m_groupSql) || !db.statement(m_endSql)) {
        stop(db.lastError());
        return false;
    }
    return true;
}

std::vector<int> DistinctValues::readSlice()
{
    if (atEnd())
        return {};
    qint64 end = 0;
    bool last = false;
    std::vector<Group> found;
    if (!sliceEnd(&end, &last) || !groupSlice(end, last, found))
        return {};
    m_after = end;
    // Each merge touches every value found so far: fewer, longer slices
    // once the first values show, up to what groups in a blink.
    m_sliceRows = std::min(m_sliceRows * 2, kMaxSliceRows);
    std::vector<int> moved = merge(std::move(found));
    if (last)
        m_db = nullptr;
    return moved;
}

bool DistinctValues::sliceEnd(qint64* end, bool* last)
{
    SqlStatement* stmt = m_db->statement(m_endSql);
    if (!stmt || !stmt->bind({m_after, m_sliceRows})) {
        stop(stmt ? stmt->error() : m_db->lastError());
        return false;
    }
    *last = !stmt->step();
    *end = *last ? 0 : stmt->int64(0);
    return endRead(stmt);
}

bool DistinctValues::groupSlice(qint64 end, bool last, std::vector<Group>& groups)
{
    SqlStatement* stmt = m_db->statement(last ? m_lastGroupSql : m_groupSql);
    const QVariantList bounds = last ? QVariantList{m_after} : QVariantList{m_after, end};
    if (!stmt || !stmt->bind(bounds)) {
        stop(stmt ? stmt->error() : m_db->lastError());
        return false;
    }
    while (stmt->step())
        groups.push_back({keyOf(stmt->value(1)), stmt->value(0), QString()});
    return endRead(stmt);
}

bool DistinctValues::endRead(SqlStatement* stmt)
{
    const QString error = stmt->error();
    // Reset at once, so no read stays open on the file between slices.
    stmt->reset();
    if (error.isEmpty())
        return true;
    stop(error);
    return false;
}

std::vector<int> DistinctValues::merge(std::vector<Group> found)
{
    const auto before = [](const Group& a, const Group& b) { return compareKeys(a.key, b.key) < 0; };
    // The engine gives them in this order already; checking costs less than sorting.
    if (!std::is_sorted(found.begin(), found.end(), before))
        std::stable_sort(found.begin(), found.end(), before);
    std::vector<Group> merged;
    merged.reserve(m_groups.size() + found.size());
    std::vector<int> moved(m_groups.size());
    size_t i = 0;
    size_t j = 0;
    while (i < m_groups.size() || j < found.size()) {
        const int order = i == m_groups.size() ? 1 : j == found.size() ? -1 : compareKeys(m_groups[i].key, found[j].key);
        // A group met again keeps the value of its first row, as one
        // GROUP BY over the whole table shows it.
        if (order == 0)
            ++j;
        if (order <= 0) {
            moved[i] = static_cast<int>(merged.size());
            merged.push_back(std::move(m_groups[i++]));
        } else {
            // Shown only when new: most groups come again in every slice.
            Group& group = found[j++];
            group.shown = ShownText(group.value, m_type);
            group.value = QVariant();
            merged.push_back(std::move(group));
        }
    }
    m_groups = std::move(merged);
    return moved;
}

QStringList DistinctValues::values() const
{
    QStringList out;
    out.reserve(count());
    for (const Group& g : m_groups)
        out << g.shown;
    return out;
}

void DistinctValues::stop(const QString& error)
{
    m_error = error;
    m_db = nullptr;
}

}  // namespace k7
