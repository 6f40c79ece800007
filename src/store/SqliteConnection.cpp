#include "store/SqliteConnection.h"

#include "store/FoldedMatch.h"
#include "store/SchemaReader.h"
#include "store/ShownText.h"
#include "store/SqliteErrors.h"
#include "store/SqliteStatement.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

#include <atomic>

namespace k7 {

namespace {

// How long an operation waits for another program's lock before failing.
constexpr int kBusyTimeoutMs = 1000;

QString newConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("k7-db-%1").arg(++counter);
}

}  // namespace

SqliteConnection::SqliteConnection() : m_connectionName(newConnectionName()) {}

SqliteConnection::~SqliteConnection()
{
    m_handle = nullptr;
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool SqliteConnection::configure(sqlite3* handle)
{
    // A misspelt field name in double quotes must be an error, not a text
    // constant that SQLite quietly compares or sorts by.
    sqlite3_db_config(handle, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(handle, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    // Find and Filter match values as the grid shows them, inside the engine;
    // uniqueness compares folded text.
    return RegisterShownTextFunction(handle) && RegisterFoldCollation(handle);
}

bool SqliteConnection::open(const QString& path, Access access, QString* error, int* code)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    db.setDatabaseName(path);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs);
    if (access == Access::ReadOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    db.setConnectOptions(options);
    m_path = path;
    if (!db.open()) {
        *error = QStringLiteral("The database %1 cannot be opened: %2").arg(path, SqlErrorText(db.lastError()));
        *code = SqliteResultCode(db.lastError());
        return false;
    }
    const QVariant h = db.driver()->handle();
    if (h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0)
        m_handle = *static_cast<sqlite3* const*>(h.constData());
    if (!m_handle) {
        *error = QStringLiteral("The database %1 cannot be opened: no SQLite handle.").arg(path);
        return false;
    }
    if (!configure(m_handle)) {
        *error = QStringLiteral("The database %1 cannot be opened: %2")
                     .arg(path, QString::fromUtf8(sqlite3_errmsg(m_handle)));
        return false;
    }
    return true;
}

std::unique_ptr<SqlStatement> SqliteConnection::prepare(const QString& sql)
{
    return std::make_unique<SqliteStatement>(m_handle, sql);
}

bool SqliteConnection::execute(const QString& sql, const QVariantList& values, QString* error, int* code)
{
    QSqlQuery q(connection());
    if (!q.prepare(sql)) {
        *error = SqlErrorText(q.lastError());
        *code = SqliteResultCode(q.lastError());
        return false;
    }
    for (const auto& v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        *error = SqliteFailedAsMoved(m_handle) ? MovedDatabaseText(m_handle) : SqlErrorText(q.lastError());
        *code = SqliteResultCode(q.lastError());
        return false;
    }
    return true;
}

bool SqliteConnection::readSchema(std::vector<TableDef>* tables, QString* error)
{
    return ReadSchema(connection(), tables, error);
}

qint64 SqliteConnection::lastInsertId() const
{
    return static_cast<qint64>(sqlite3_last_insert_rowid(m_handle));
}

qint64 SqliteConnection::changes() const
{
    return static_cast<qint64>(sqlite3_changes64(m_handle));
}

bool SqliteConnection::gone() const
{
    return SqliteFileMoved(m_handle);
}

std::unique_ptr<SqlConnection> SqliteConnection::openAnother(QString* error, int* code) const
{
    if (!m_handle) {
        *error = QStringLiteral("The database is not open.");
        *code = SQLITE_MISUSE;
        return nullptr;
    }
    auto other = std::make_unique<SqliteConnection>();
    if (!other->open(m_path, Access::ReadOnly, error, code))
        return nullptr;
    return other;
}

void SqliteConnection::interrupt()
{
    if (m_handle)
        sqlite3_interrupt(m_handle);
}

QSqlDatabase SqliteConnection::connection() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

}  // namespace k7
