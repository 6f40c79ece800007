#include "exports/KeyedRows.h"

#include "store/Database.h"
#include "store/SqlDialect.h"

#include <cstring>

namespace k7 {

namespace {

using ValueType = SqlStatement::ValueType;

int rank(ValueType type)
{
    switch (type) {
    case ValueType::Null: return 0;
    case ValueType::Integer:
    case ValueType::Real: return 1;
    case ValueType::Text: return 2;
    case ValueType::Blob: return 3;
    }
    return 3;
}

int compareNumbers(const RawValue& a, const RawValue& b)
{
    if (a.type == ValueType::Integer && b.type == ValueType::Integer)
        return a.integer < b.integer ? -1 : a.integer > b.integer ? 1 : 0;
    const double x = a.type == ValueType::Integer ? static_cast<double>(a.integer) : a.real;
    const double y = b.type == ValueType::Integer ? static_cast<double>(b.integer) : b.real;
    return x < y ? -1 : x > y ? 1 : 0;
}

int compareBytes(const std::string& a, const std::string& b)
{
    const int d = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (d != 0)
        return d < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

void readValue(const SqlStatement& query, int column, RawValue& into)
{
    into.type = query.type(column);
    switch (into.type) {
    case ValueType::Null: break;
    case ValueType::Integer: into.integer = query.int64(column); break;
    case ValueType::Real: into.real = query.real(column); break;
    case ValueType::Text:
    case ValueType::Blob: {
        const QByteArrayView text = query.text(column);
        into.bytes.assign(text.data(), static_cast<size_t>(text.size()));
        break;
    }
    }
}

}  // namespace

bool RawValue::operator==(const RawValue& other) const
{
    if (type != other.type)
        return false;
    switch (type) {
    case ValueType::Null: return true;
    case ValueType::Integer: return integer == other.integer;
    case ValueType::Real: return real == other.real;
    default: return bytes == other.bytes;
    }
}

QVariant RawValue::toVariant() const
{
    switch (type) {
    case ValueType::Null: return QVariant();
    case ValueType::Integer: return QVariant(integer);
    case ValueType::Real: return QVariant(real);
    case ValueType::Text: return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    case ValueType::Blob: return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    return QVariant();
}

int CompareKeys(const RawValue& a, const RawValue& b)
{
    const int ra = rank(a.type);
    const int rb = rank(b.type);
    if (ra != rb)
        return ra < rb ? -1 : 1;
    if (ra == 0)
        return 0;
    return ra == 1 ? compareNumbers(a, b) : compareBytes(a.bytes, b.bytes);
}

bool KeyedRows::open(Database& db, const QString& table, const QString& keyField, bool keyIsText,
                     const QStringList& fields)
{
    const SqlDialect& dialect = db.dialect();
    // A blank key and a missing one show alike, so they sort and match as one.
    const QString key = keyIsText ? QStringLiteral("coalesce(%1, '')").arg(dialect.foldKey(QuoteName(keyField)))
                                  : QuoteName(keyField);
    QStringList columns{key};
    for (const QString& field : fields)
        columns << QuoteName(field);
    const QString sql = QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                            .arg(columns.join(QStringLiteral(", ")), QuoteName(table),
                                 dialect.nullsFirst(QStringLiteral("1")));
    m_query = db.prepare(sql);
    if (!m_query) {
        m_error = db.lastError();
        return false;
    }
    m_fieldCount = static_cast<size_t>(fields.size());
    m_atEnd = false;
    m_read = 0;
    return next();
}

bool KeyedRows::next()
{
    if (!m_query->step()) {
        m_atEnd = true;
        m_error = m_query->error();
        return m_error.isEmpty();
    }
    copyRow();
    if (m_read > 0 && CompareKeys(m_lastKey, m_row.key) > 0) {
        m_error = QStringLiteral("the engine did not return the rows in the order of their keys");
        m_atEnd = true;
        return false;
    }
    m_lastKey = m_row.key;
    ++m_read;
    return true;
}

void KeyedRows::copyRow()
{
    readValue(*m_query, 0, m_row.key);
    m_row.values.resize(m_fieldCount);
    for (size_t i = 0; i < m_row.values.size(); ++i)
        readValue(*m_query, static_cast<int>(i) + 1, m_row.values[i]);
}

}  // namespace k7
