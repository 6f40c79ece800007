#include "store/RecordSet.h"

#include "store/Database.h"
#include "store/SqliteErrors.h"
#include "store/SqlStatement.h"


#include <algorithm>
#include <cmath>
#include <limits>

namespace k7 {

RecordSet::~RecordSet()
{
    close();
}

bool RecordSet::lastErrorIsLock() const
{
    return SqliteCodeIsLock(m_errorCode);
}

bool RecordSet::fail(const QString& error) const
{
    m_error = error;
    return false;
}

// A row whose rowid could not be read: the engine's reason, or the row is
// gone (deleted by another program since the set was counted).
bool RecordSet::unreadRow() const
{
    const QString reason = m_keys.readError();
    return fail(reason.isEmpty() ? QStringLiteral("The record was deleted.") : reason);
}

bool RecordSet::fetch(qint64 key, QVariantList& values) const
{
    SqlStatement* stmt = m_db->statement(m_fetchSql);
    if (!stmt)
        return fail(m_db->lastError());
    if (!stmt->bind({key}))
        return fail(stmt->error());
    const bool found = stmt->step();
    values.clear();
    for (int i = 0; i < m_fields.size(); ++i)
        values.append(found ? shown(i, stmt->value(i)) : QVariant());
    const QString error = stmt->error();
    stmt->reset();
    if (!error.isEmpty())
        return fail(error);
    if (!found)
        return fail(QStringLiteral("The record was deleted."));
    return true;
}

// Values as the field's type reads: Yes/No as bool, everything else as stored.
QVariant RecordSet::shown(int i, const QVariant& value) const
{
    if (value.isNull())
        return QVariant();
    if (m_fields[i].type == FieldType::YesNo && value.typeId() == QMetaType::LongLong)
        return QVariant(value.toLongLong() != 0);
    return value;
}

bool RecordSet::bof() const
{
    return m_keys.empty() || m_pos < 0;
}

bool RecordSet::eof() const
{
    return m_keys.empty() || m_pos >= recordCount();
}

int RecordSet::absolutePosition() const
{
    return (m_afterDelete || bof() || eof()) ? -1 : m_pos;
}

bool RecordSet::setAbsolutePosition(int position)
{
    if (!isOpen())
        return fail(QStringLiteral("The record set is closed."));
    if (position < 0 || position >= recordCount())
        return fail(QStringLiteral("There is no record %1.").arg(position + 1));
    leaveEdit();
    m_pos = position;
    return true;
}

qint64 RecordSet::bookmark() const
{
    return bookmarkAt(absolutePosition());
}

qint64 RecordSet::bookmarkAt(int position) const
{
    return m_keys.at(position).value_or(-1);
}

bool RecordSet::setBookmark(qint64 bookmark)
{
    const int position = positionOf(bookmark);
    if (position < 0)
        return fail(QStringLiteral("Not a valid bookmark."));
    return setAbsolutePosition(position);
}

// Called after every save to show the saved row, so it must not read the
// whole keyset: halving in rowid order; in a sort order, the place the last
// added row was given, then halving by the sort; reading from the end, where
// new rows go, only when neither finds it (a row edited out of its place).
int RecordSet::positionOf(qint64 key) const
{
    if (m_keys.ascending())
        return m_keys.positionInOrder(key);
    if (m_placed.key == key) {
        if (m_placed.at < 0)
            return -1;  // the filter left it out, and the keyset was not read again since
        if (m_placed.at < recordCount() && m_keys.at(m_placed.at) == key)
            return m_placed.at;
    }
    if (m_updatable && m_view.sorted()) {
        const int after = sortedPlace(key);
        if (after > 0 && m_keys.at(after - 1) == key)
            return after - 1;
    }
    return m_keys.findFromEnd(key);
}

void RecordSet::leaveEdit()
{
    m_mode = Mode::None;
    m_buffer.clear();
    m_dirty.clear();
    m_afterDelete = false;
}

void RecordSet::moveFirst()
{
    leaveEdit();
    m_pos = 0;
}

void RecordSet::moveNext()
{
    const bool stay = m_afterDelete;
    leaveEdit();
    if (!stay && m_pos < recordCount())
        ++m_pos;
}

void RecordSet::movePrevious()
{
    leaveEdit();
    if (m_pos >= 0)
        --m_pos;
}

void RecordSet::moveLast()
{
    leaveEdit();
    m_pos = m_keys.empty() ? 0 : recordCount() - 1;
}

int RecordSet::fieldIndex(const QString& name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

const QVariantList* RecordSet::currentRow() const
{
    const int p = absolutePosition();
    if (p < 0) {
        fail(QStringLiteral("No current record."));
        return nullptr;
    }
    if (!m_updatable)
        return &m_rows[static_cast<size_t>(p)];
    const std::optional<qint64> key = m_keys.at(p);
    if (!key) {
        unreadRow();
        return nullptr;
    }
    if (m_loadedKey != *key) {
        if (!fetch(*key, m_current))
            return nullptr;
        m_loadedKey = *key;
    }
    return &m_current;
}

QVariant RecordSet::value(int i) const
{
    if (i < 0 || i >= fieldCount()) {
        fail(QStringLiteral("Item not found in this collection."));
        return QVariant();
    }
    if (m_mode != Mode::None)
        return m_buffer[i];
    const QVariantList* row = currentRow();
    return row ? row->at(i) : QVariant();
}

QVariant RecordSet::value(const QString& name) const
{
    return value(fieldIndex(name));
}

QVariantList RecordSet::row(int position) const
{
    if (position < 0 || position >= recordCount())
        return {};
    if (!m_updatable)
        return m_rows[static_cast<size_t>(position)];
    const std::optional<qint64> key = m_keys.at(position);
    if (!key) {
        unreadRow();
        return {};
    }
    if (*key == m_loadedKey)
        return m_current;
    QVariantList values;
    // A row that cannot be read shows as empty values, and lastError() says why.
    static_cast<void>(fetch(*key, values));
    return values;
}

bool RecordSet::requireDynaset() const
{
    if (!isOpen())
        return fail(QStringLiteral("The record set is closed."));
    if (!m_updatable)
        return fail(QStringLiteral("The record set cannot be changed."));
    return true;
}

bool RecordSet::addNew()
{
    if (!requireDynaset())
        return false;
    leaveEdit();
    m_mode = Mode::Add;
    m_buffer = QVariantList(m_fields.size());
    m_dirty.assign(static_cast<size_t>(m_fields.size()), false);
    m_error.clear();
    return true;
}

bool RecordSet::edit()
{
    if (!requireDynaset())
        return false;
    const QVariantList* row = currentRow();
    if (!row)
        return false;
    m_buffer = *row;
    m_mode = Mode::Edit;
    m_dirty.assign(static_cast<size_t>(m_fields.size()), false);
    m_error.clear();
    return true;
}

// The value as the field stores it: text cut to the field size, Single
// rounded to a 32-bit float, Long checked against its range.
QVariant RecordSet::stored(int i, const QVariant& value, bool* ok) const
{
    *ok = true;
    if (value.isNull())
        return QVariant();
    const FieldDef& f = m_fields[i];
    switch (f.type) {
    case FieldType::Text: {
        QString s = value.toString();
        if (f.size > 0 && s.size() > f.size)
            s.truncate(f.size);
        return s;
    }
    case FieldType::Single:
    case FieldType::Long: {
        double d = 0;
        if (value.typeId() == QMetaType::QString) {
            const QString s = value.toString().trimmed();
            if (s.isEmpty())
                return QVariant();
            d = s.toDouble(ok);
        } else {
            d = value.toDouble(ok);
        }
        if (!*ok) {
            fail(QStringLiteral("Data type conversion error: %1 is not a number for the field %2.")
                     .arg(value.toString(), f.name));
            return QVariant();
        }
        if (f.type == FieldType::Single) {
            const float single = static_cast<float>(d);
            if (std::isfinite(d) && !std::isfinite(single)) {
                *ok = false;
                fail(QStringLiteral("Overflow: %1 does not fit the field %2.").arg(value.toString(), f.name));
                return QVariant();
            }
            return QVariant(static_cast<double>(single));
        }
        const double r = std::round(d);
        if (!std::isfinite(r) || r < std::numeric_limits<qint32>::min()
            || r > std::numeric_limits<qint32>::max()) {
            *ok = false;
            fail(QStringLiteral("Overflow: %1 does not fit the field %2.").arg(value.toString(), f.name));
            return QVariant();
        }
        return QVariant(static_cast<qint64>(r));
    }
    case FieldType::YesNo:
        return QVariant(value.toBool());
    case FieldType::Other:
        break;
    }
    return value;
}

bool RecordSet::setField(int i, const QVariant& value)
{
    if (m_mode == Mode::None)
        return fail(QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    if (i < 0 || i >= fieldCount())
        return fail(QStringLiteral("Item not found in this collection."));
    bool ok = true;
    const QVariant v = stored(i, value, &ok);
    if (!ok)
        return false;
    m_buffer[i] = v;
    m_dirty[static_cast<size_t>(i)] = true;
    return true;
}

bool RecordSet::setField(const QString& name, const QVariant& value)
{
    const int i = fieldIndex(name);
    if (i < 0)
        return fail(QStringLiteral("The field %1 is not in the record set.").arg(name));
    return setField(i, value);
}

bool RecordSet::update()
{
    if (m_mode == Mode::None)
        return fail(QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    QStringList names;
    QVariantList values;
    changedFields(&names, &values);
    const QString table = QuoteName(m_table);
    if (m_mode == Mode::Add) {
        SqlStatement* stmt = m_db->statement(insertSql(names));
        if (!stmt)
            return fail(m_db->lastError());
        if (!stmt->run(values))
            return fail(stmt->error());
        takeAdded(m_db->lastInsertId());
    } else {
        if (!names.isEmpty()) {
            QStringList sets;
            for (const auto& n : names)
                sets << n + QStringLiteral(" = ?");
            const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                                    .arg(table, sets.join(QStringLiteral(", ")), m_rowidName);
            SqlStatement* stmt = m_db->statement(sql);
            if (!stmt)
                return fail(m_db->lastError());
            values << bookmark();
            if (!stmt->run(values))
                return fail(stmt->error());
        }
        m_lastModified = bookmark();
        m_loadedKey = -1;
    }
    cancelUpdate();
    m_error.clear();
    return true;
}

// The new row's identity comes with the answer where the engine allows: no
// second round trip.
QString RecordSet::insertSql(const QStringList& names) const
{
    QString sql;
    if (names.isEmpty()) {
        sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(QuoteName(m_table));
    } else {
        QStringList marks;
        for (int i = 0; i < names.size(); ++i)
            marks << QStringLiteral("?");
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(QuoteName(m_table), names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    }
    return sql + m_db->dialect().returningRowid(m_rowidName);
}

void RecordSet::changedFields(QStringList* quotedNames, QVariantList* values) const
{
    for (int i = 0; i < fieldCount(); ++i) {
        if (m_dirty[static_cast<size_t>(i)]) {
            *quotedNames << QuoteName(m_fields[i].name);
            *values << m_buffer[i];
        }
    }
}

void RecordSet::takeAdded(qint64 rowid)
{
    m_lastModified = rowid;
    placeAdded(m_lastModified);
    account(m_lastModified);
}

bool RecordSet::insertStep(SqlStep* step)
{
    if (m_mode != Mode::Add)
        return fail(QStringLiteral("InsertStep without AddNew."));
    if (m_db->dialect().returningRowid(m_rowidName).isEmpty())
        return false;
    QStringList names;
    QVariantList values;
    changedFields(&names, &values);
    m_inserted.clear();
    *step = SqlStep{insertSql(names), values, &m_inserted};
    return true;
}

bool RecordSet::takeInserted()
{
    const QVariant id = m_inserted.value(0).value(0);
    m_inserted.clear();
    bool known = false;
    const qint64 rowid = id.toLongLong(&known);
    if (m_mode != Mode::Add || !known) {
        m_lastModified = -1;
        cancelUpdate();
        return fail(QStringLiteral("The server did not say which row it added."));
    }
    takeAdded(rowid);
    cancelUpdate();
    m_error.clear();
    return true;
}

void RecordSet::cancelUpdate()
{
    m_mode = Mode::None;
    m_buffer.clear();
    m_dirty.clear();
}

bool RecordSet::deleteCurrent()
{
    if (!requireDynaset())
        return false;
    const int p = absolutePosition();
    if (p < 0)
        return fail(QStringLiteral("No current record."));
    leaveEdit();
    SqlStatement* stmt =
        m_db->statement(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(QuoteName(m_table), m_rowidName));
    if (!stmt)
        return fail(m_db->lastError());
    const std::optional<qint64> key = m_keys.at(p);
    if (!key)
        return unreadRow();
    if (!stmt->run({*key}))
        return fail(stmt->error());
    m_keys.erase(p);
    // SQLite hands the rowid of a deleted top row out again.
    m_accounted.erase(*key);
    if (m_placed.at == p)
        m_placed.at = -1;  // gone from the set
    else if (m_placed.at > p)
        --m_placed.at;
    m_loadedKey = -1;
    m_afterDelete = true;
    m_error.clear();
    return true;
}

bool RecordSet::currentRowGone() const
{
    const int p = absolutePosition();
    if (!m_updatable || p < 0)
        return false;
    SqlStatement* stmt = m_db->statement(
        QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?").arg(QuoteName(m_table), m_rowidName));
    const std::optional<qint64> key = m_keys.at(p);
    if (!stmt || !key || !stmt->bind({*key}))
        return false;
    const bool found = stmt->step();
    const bool failed = !stmt->error().isEmpty();
    stmt->reset();
    return !found && !failed;
}

bool RecordSet::requery()
{
    if (!isOpen())
        return fail(QStringLiteral("The record set is closed."));
    leaveEdit();
    m_error.clear();
    m_placed = {};
    if (!m_updatable) {
        Database* db = m_db;
        const QString sql = m_name;
        const QVariantList values = m_keyValues;
        return openQuery(*db, sql, values);
    }
    if (!loadKeys())
        return false;
    m_pos = 0;
    return true;
}

}  // namespace k7
