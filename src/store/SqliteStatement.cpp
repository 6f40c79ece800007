#include "store/SqliteStatement.h"

#include "store/SqliteErrors.h"

#include <sqlite3.h>

namespace k7 {

SqliteStatement::SqliteStatement(sqlite3* db, const QString& sql) : m_db(db)
{
    if (!db) {
        m_error = QStringLiteral("The database is not open.");
        return;
    }
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &m_stmt, nullptr)
        != SQLITE_OK) {
        m_error = QString::fromUtf8(sqlite3_errmsg(db));
        m_code = sqlite3_errcode(db) & 0xff;
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

bool SqliteStatement::bind(const QVariantList& values)
{
    if (!m_stmt)
        return false;
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    m_error.clear();
    m_code = 0;
    if (values.size() != sqlite3_bind_parameter_count(m_stmt)) {
        m_error = QStringLiteral("Wrong number of values for the query.");
        return false;
    }
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& v = values[i];
        int rc = SQLITE_OK;
        const int n = i + 1;
        if (v.isNull()) {
            rc = sqlite3_bind_null(m_stmt, n);
        } else {
            switch (v.typeId()) {
            case QMetaType::Bool:
                rc = sqlite3_bind_int(m_stmt, n, v.toBool() ? 1 : 0);
                break;
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::Long:
            case QMetaType::Short:
                rc = sqlite3_bind_int64(m_stmt, n, v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(m_stmt, n, v.toDouble());
                break;
            case QMetaType::QByteArray: {
                const QByteArray bytes = v.toByteArray();
                rc = sqlite3_bind_blob64(m_stmt, n, bytes.constData(), static_cast<sqlite3_uint64>(bytes.size()),
                                         SQLITE_TRANSIENT);
                break;
            }
            default: {
                const QByteArray utf8 = v.toString().toUtf8();
                rc = sqlite3_bind_text(m_stmt, n, utf8.constData(), static_cast<int>(utf8.size()),
                                       SQLITE_TRANSIENT);
                break;
            }
            }
        }
        if (rc != SQLITE_OK) {
            m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
            return false;
        }
    }
    return true;
}

bool SqliteStatement::step()
{
    if (!m_stmt)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE) {
        m_error = SqliteErrorText(m_db);
        m_code = rc & 0xff;
    }
    return false;
}

void SqliteStatement::reset()
{
    if (m_stmt)
        sqlite3_reset(m_stmt);
}

int SqliteStatement::columnCount() const
{
    return m_stmt ? sqlite3_column_count(m_stmt) : 0;
}

QString SqliteStatement::columnName(int i) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, i));
}

QString SqliteStatement::columnDeclaredType(int i) const
{
    const char* t = sqlite3_column_decltype(m_stmt, i);
    return t ? QString::fromUtf8(t) : QString();
}

QVariant SqliteStatement::value(int i) const
{
    switch (sqlite3_column_type(m_stmt, i)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qint64>(sqlite3_column_int64(m_stmt, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, i));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i)),
                                          sqlite3_column_bytes(m_stmt, i)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(m_stmt, i)),
                                   sqlite3_column_bytes(m_stmt, i)));
    default:
        return QVariant();
    }
}

qint64 SqliteStatement::int64(int i) const
{
    return sqlite3_column_int64(m_stmt, i);
}

SqlStatement::ValueType SqliteStatement::type(int i) const
{
    switch (sqlite3_column_type(m_stmt, i)) {
    case SQLITE_INTEGER:
        return ValueType::Integer;
    case SQLITE_FLOAT:
        return ValueType::Real;
    case SQLITE_TEXT:
        return ValueType::Text;
    case SQLITE_BLOB:
        return ValueType::Blob;
    default:
        return ValueType::Null;
    }
}

double SqliteStatement::real(int i) const
{
    return sqlite3_column_double(m_stmt, i);
}

QByteArrayView SqliteStatement::text(int i) const
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i));
    return QByteArrayView(bytes, sqlite3_column_bytes(m_stmt, i));
}

}  // namespace k7
