#include "store/Database.h"

#include "cfg/ServerUri.h"
#include "store/FileTableRebuild.h"
#include "store/RecordSet.h"
#include "store/SqliteConnection.h"
#include "store/SqliteErrors.h"

#include <QDir>
#include <QFileInfo>

#ifdef K7_HAVE_POSTGRES
#include "store/postgres/PgConnection.h"
#endif

#include <sqlite3.h>

#include <algorithm>

namespace k7 {

namespace {

QString lockedText(const QString& path)
{
    return QStringLiteral("The database %1 is locked by another program.").arg(path);
}

}  // namespace

Database::Database() = default;

bool Database::configureConnection(sqlite3* handle)
{
    return SqliteConnection::configure(handle);
}

Database::~Database()
{
    close();
}

bool Database::open(const QString& path, Access access)
{
    if (IsServerUri(path))
        return openServer(path);
    close();
    m_error.clear();
    m_errorCode = 0;
    const QFileInfo info(path);
    if (!info.exists()) {
        m_error = QStringLiteral("The database %1 does not exist.").arg(path);
        return false;
    }
    if (!info.isFile()) {
        m_error = QStringLiteral("The database %1 is not a file.").arg(path);
        return false;
    }
    if (access == Access::ReadWrite) {
        if (!info.isWritable()) {
            m_error = QStringLiteral("The database %1 is read-only and cannot take new records.")
                          .arg(path);
            return false;
        }
        // Every change writes a journal beside the file first.
        if (!QFileInfo(info.absolutePath()).isWritable()) {
            m_error = QStringLiteral("The folder of the database %1 is read-only, so the database "
                                     "cannot be changed.")
                          .arg(path);
            return false;
        }
    }
    return openConnection(path, false, access);
}

bool Database::create(const QString& path, const QString& locale)
{
    Q_UNUSED(locale);
    // A server's database is made by its administrator; K7 makes the tables.
    if (IsServerUri(path))
        return openServer(path);
    close();
    m_error.clear();
    m_errorCode = 0;
    const QFileInfo info(path);
    if (info.exists()) {
        m_error = QStringLiteral("The database %1 already exists.").arg(path);
        return false;
    }
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir()) {
        m_error = QStringLiteral("The database %1 cannot be created: the folder %2 does not exist.")
                      .arg(path, folder.filePath());
        return false;
    }
    if (!folder.isWritable()) {
        m_error = QStringLiteral("The database %1 cannot be created: the folder %2 is read-only.")
                      .arg(path, folder.filePath());
        return false;
    }
    if (!openConnection(path, true, Access::ReadWrite))
        return false;
    // SQLite writes the file on the first change; write its header now so the
    // file exists from here on.
    if (!execute(QStringLiteral("PRAGMA user_version = 1"))) {
        const QString reason = m_error;
        close();
        QFile::remove(path);
        m_error = QStringLiteral("The database %1 cannot be created: %2").arg(path, reason);
        return false;
    }
    return true;
}

bool Database::openServer(const QString& uri, const QString& password)
{
    close();
    m_error.clear();
    m_errorCode = 0;
#ifdef K7_HAVE_POSTGRES
    auto server = std::make_unique<PgConnection>();
    const PgConnection::OpenResult opened = password.isNull() ? server->open(uri, &m_error, &m_errorCode)
                                                              : server->open(uri, password, &m_error, &m_errorCode);
    if (opened != PgConnection::OpenResult::Opened)
        return false;
    m_connection = std::move(server);
    m_open = true;
    m_path = uri;
    if (refresh())
        return true;
    const QString reason = m_error;
    close();
    m_error = QStringLiteral("The database %1 cannot be read: %2").arg(DatabaseNameForDisplay(uri), reason);
    return false;
#else
    Q_UNUSED(password);
    m_error = QStringLiteral("The database %1 is on a PostgreSQL server, and this K7 was built without "
                             "PostgreSQL.")
                  .arg(DatabaseNameForDisplay(uri));
    m_errorCode = SQLITE_CANTOPEN;
    return false;
#endif
}

bool Database::wantsPassword() const
{
    return !m_open && m_errorCode == SQLITE_AUTH;
}

bool Database::openConnection(const QString& path, bool creating, Access access)
{
    auto file = std::make_unique<SqliteConnection>();
    const auto fileAccess =
        access == Access::ReadOnly ? SqliteConnection::Access::ReadOnly : SqliteConnection::Access::ReadWrite;
    if (!file->open(path, fileAccess, &m_error, &m_errorCode))
        return false;
    m_file = file.get();
    m_connection = std::move(file);
    m_open = true;
    m_path = path;
    const QString failure = checkConnection(path, creating, access);
    if (failure.isEmpty())
        return true;
    const int code = m_errorCode;
    close();
    m_error = failure;
    m_errorCode = code;
    return false;
}

QString Database::checkConnection(const QString& path, bool creating, Access access)
{
    // Reading the schema is the first real access: a file that is not a
    // database fails here.
    if (!execute(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        if (SqliteCodeIsLock(m_errorCode))
            return lockedText(path);
        return SqliteCodeIsNotADatabase(m_errorCode)
            ? QStringLiteral("The file %1 is not a database.").arg(path)
            : QStringLiteral("The database %1 cannot be opened: %2").arg(path, m_error);
    }
    if (!execute(QStringLiteral("PRAGMA synchronous = FULL")))
        return QStringLiteral("The database %1 cannot be opened: %2").arg(path, m_error);
    if (access == Access::ReadWrite && !creating) {
        const QString refused = probeWriteLock(path);
        if (!refused.isEmpty())
            return refused;
    }
    if (!refresh())
        return QStringLiteral("The database %1 cannot be read: %2").arg(path, m_error);
    return QString();
}

// A write lock held by another program shows now rather than when the first
// record is saved. The probe changes nothing and is no transaction of the
// caller's: it is ended at once, and one that cannot be ended fails the open.
QString Database::probeWriteLock(const QString& path)
{
    if (!execute(QStringLiteral("BEGIN IMMEDIATE")))
        return SqliteCodeIsLock(m_errorCode)
            ? lockedText(path)
            : QStringLiteral("The database %1 cannot be written: %2").arg(path, m_error);
    if (!execute(QStringLiteral("ROLLBACK")))
        return QStringLiteral("The database %1 cannot be opened: %2").arg(path, m_error);
    return QString();
}

void Database::close()
{
    const auto sets = m_recordSets;
    for (RecordSet* rs : sets)
        rs->close();
    m_recordSets.clear();
    m_statements.clear();
    // Closing the connection ends the transaction even if this fails.
    if (m_open && m_inTransaction)
        static_cast<void>(execute(QStringLiteral("ROLLBACK")));
    m_inTransaction = false;
    m_file = nullptr;
    m_connection.reset();
    m_open = false;
    m_path.clear();
    m_tables.clear();
}

std::optional<TableDef> Database::findTable(const QString& name) const
{
    for (const auto& t : m_tables) {
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return t;
    }
    return std::nullopt;
}

QStringList Database::tableNames() const
{
    QStringList names;
    for (const auto& t : m_tables)
        names << t.name;
    return names;
}

bool Database::refresh()
{
    m_error.clear();
    if (!m_open) {
        m_error = QStringLiteral("The database is not open.");
        return false;
    }
    std::vector<TableDef> tables;
    if (!m_connection->readSchema(&tables, &m_error))
        return false;
    m_tables = std::move(tables);
    return true;
}

bool Database::ddl(const QString& sql)
{
    // Prepared statements may refer to what is about to change.
    m_statements.clear();
    if (!execute(sql))
        return false;
    return refresh();
}

bool Database::appendTable(const TableDef& table)
{
    m_error.clear();
    if (table.fields.isEmpty()) {
        m_error = QStringLiteral("The table %1 needs at least one field.").arg(table.name);
        return false;
    }
    QStringList columns;
    if (!dialect().identityColumn().isEmpty())
        columns << dialect().identityColumn();
    for (const auto& f : table.fields)
        columns << (QuoteName(f.name) + QLatin1Char(' ') + dialect().declaration(f)).trimmed();
    return ddl(QStringLiteral("CREATE TABLE %1 (%2)").arg(QuoteName(table.name), columns.join(QStringLiteral(", "))));
}

QString Database::storedName(const QString& table) const
{
    const std::optional<TableDef> def = findTable(table);
    return def ? def->name : table;
}

QString Database::storedName(const QString& table, const QString& field) const
{
    const std::optional<TableDef> def = findTable(table);
    const int i = def ? def->fieldIndex(field) : -1;
    return i >= 0 ? def->fields[i].name : field;
}

bool Database::deleteTable(const QString& name)
{
    return ddl(QStringLiteral("DROP TABLE %1").arg(QuoteName(storedName(name))));
}

bool Database::renameTable(const QString& name, const QString& newName)
{
    return ddl(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(QuoteName(storedName(name)), QuoteName(newName)));
}

bool Database::appendField(const QString& table, const FieldDef& field)
{
    return ddl(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                   .arg(QuoteName(storedName(table)), QuoteName(field.name), dialect().declaration(field)));
}

bool Database::renameField(const QString& table, const QString& field, const QString& newName)
{
    return ddl(QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO %3")
                   .arg(QuoteName(storedName(table)), QuoteName(storedName(table, field)), QuoteName(newName)));
}

bool Database::setTextFieldLength(const QString& table, const QString& field, int length)
{
    m_error.clear();
    m_errorCode = 0;
    if (!m_open) {
        m_error = QStringLiteral("The database is not open.");
        return false;
    }
    // The database's own spelling: its catalogue tells a table's indexes
    // and triggers by the name as written, and a server's names are
    // case-sensitive once quoted.
    const std::optional<TableDef> def = findTable(table);
    if (!def) {
        m_error = QStringLiteral("The table %1 does not exist.").arg(table);
        return false;
    }
    const auto stored = std::find_if(def->fields.cbegin(), def->fields.cend(), [&](const FieldDef& f) {
        return f.name.compare(field, Qt::CaseInsensitive) == 0;
    });
    if (stored == def->fields.cend()) {
        m_error = QStringLiteral("The table %1 has no field %2.").arg(def->name, field);
        return false;
    }
    const QString inPlace = dialect().textFieldLengthChange(QuoteName(def->name), QuoteName(stored->name), length);
    if (!inPlace.isEmpty())
        return ddl(inPlace);
    QString error;
    if (RebuildFileTableWithTextField(*this, def->name, field, length, &error))
        return true;
    const int code = m_errorCode;
    // A step that failed while the old rename rules were on left them on.
    if (!setLegacyAlterTable(false))
        error += QLatin1Char(' ') + m_error;
    m_error = error;
    m_errorCode = code;
    return false;
}

bool Database::appendIndex(const QString& table, const IndexDef& index)
{
    m_error.clear();
    const std::optional<TableDef> def = findTable(table);
    if (!def) {
        m_error = QStringLiteral("The table %1 does not exist.").arg(table);
        return false;
    }
    const QStringList fields = index.fieldNames();
    if (fields.isEmpty()) {
        m_error = QStringLiteral("The index %1 has no field.").arg(index.name);
        return false;
    }
    QStringList columns;
    for (const auto& f : fields) {
        // SQLite would index a misspelt name as a constant text; refuse it.
        const int i = def->fieldIndex(f);
        if (i < 0) {
            m_error = QStringLiteral("The table %1 has no field %2.").arg(def->name, f);
            return false;
        }
        const QString column = QuoteName(def->fields[i].name);
        columns << (index.folded ? dialect().foldedIndexColumn(column) : dialect().caseless(column));
    }
    const QString condition = index.folded && fields.size() == 1
        ? dialect().foldedIndexCondition(QuoteName(storedName(def->name, fields[0])))
        : index.where;
    const QString where = condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + condition;
    return ddl(QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)%5")
                   .arg(index.unique ? QStringLiteral("UNIQUE ") : QString(), QuoteName(index.name),
                        QuoteName(def->name), columns.join(QStringLiteral(", ")), where));
}

bool Database::transaction(const QList<SqlStep>& then)
{
    if (m_inTransaction) {
        m_error = QStringLiteral("A transaction is already open.");
        return false;
    }
    qsizetype failedAt = -1;
    if (!executeAll(QList<SqlStep>{{dialect().beginWrite(), {}}} + then, &failedAt)) {
        // Begun, but what was to run in it failed: nothing stays open.
        if (failedAt > 0)
            rollbackKeepingError();
        return false;
    }
    m_inTransaction = true;
    ++m_transactionSerial;
    return true;
}

bool Database::commit(const QList<SqlStep>& first, qsizetype* failedAt)
{
    qsizetype failed = -1;
    const bool ok = executeAll(first + QList<SqlStep>{{QStringLiteral("COMMIT"), {}}}, &failed);
    if (failedAt)
        *failedAt = failed;
    if (!ok)
        return false;
    m_inTransaction = false;
    return true;
}

bool Database::executeAll(const QList<SqlStep>& steps, qsizetype* failedAt)
{
    m_error.clear();
    m_errorCode = 0;
    if (!m_open) {
        *failedAt = 0;
        m_error = QStringLiteral("The database is not open.");
        return false;
    }
    if (m_connection->sendsStepsTogether())
        return m_connection->executeAll(steps, &m_error, &m_errorCode, failedAt);
    // One at a time anyway: a step's query is prepared once, kept with the others.
    const KeptStatement kept = [this](const QString& sql, QString* error, int* code) {
        SqlStatement* stmt = statement(sql);
        if (!stmt) {
            *error = m_error;
            *code = m_errorCode != 0 ? m_errorCode : 1;  // SQLITE_ERROR
        }
        return stmt;
    };
    return RunStepsOneByOne(*m_connection, steps, kept, &m_error, &m_errorCode, failedAt);
}

void Database::rollbackKeepingError()
{
    const QString error = m_error;
    const int code = m_errorCode;
    static_cast<void>(execute(QStringLiteral("ROLLBACK")));
    m_error = error;
    m_errorCode = code;
}

bool Database::rollback()
{
    const bool good = execute(QStringLiteral("ROLLBACK"));
    const QString error = m_error;
    const int code = m_errorCode;
    m_inTransaction = false;
    // A rolled-back schema change must not linger in the list; re-reading it
    // must not wipe the reason the rollback failed.
    if (m_open && !refresh())
        return false;
    m_error = error;
    m_errorCode = code;
    return good;
}

bool Database::execute(const QString& sql, const QVariantList& values)
{
    m_error.clear();
    m_errorCode = 0;
    if (!m_open) {
        m_error = QStringLiteral("The database is not open.");
        return false;
    }
    return m_connection->execute(sql, values, &m_error, &m_errorCode);
}

bool Database::setLegacyAlterTable(bool on)
{
    m_error.clear();
    m_errorCode = 0;
    int now = -1;
    sqlite3* h = handle();
    const int rc = h ? sqlite3_db_config(h, SQLITE_DBCONFIG_LEGACY_ALTER_TABLE, on ? 1 : 0, &now)
                            : SQLITE_MISUSE;
    if (rc == SQLITE_OK && now == (on ? 1 : 0))
        return true;
    m_errorCode = rc;
    m_error = QStringLiteral("The old rules for renaming tables could not be turned %1.")
                  .arg(on ? QStringLiteral("on") : QStringLiteral("off"));
    return false;
}

bool Database::fileMoved() const
{
    return m_open && m_connection->gone();
}

bool Database::connectionLost() const
{
    return onServer() && m_connection->gone();
}

bool Database::reconnect()
{
    m_error.clear();
    m_errorCode = 0;
    if (!m_open) {
        m_error = QStringLiteral("The database is not open.");
        return false;
    }
    if (!m_connection->reconnect(&m_error, &m_errorCode))
        return false;
    m_statements.clear();
    m_inTransaction = false;
    if (!refresh())
        return false;
    rereadRecordSets();
    return true;
}

// A set that cannot be read again keeps its reason in its own lastError(),
// where its next use finds it.
void Database::rereadRecordSets()
{
    const auto sets = m_recordSets;
    for (RecordSet* rs : sets) {
        const qint64 at = rs->bookmark();
        const int position = rs->absolutePosition();
        if (!rs->requery() || rs->recordCount() == 0)
            continue;
        if (at >= 0 && rs->setBookmark(at))
            continue;
        if (position >= 0)
            static_cast<void>(rs->setAbsolutePosition(std::min(position, rs->recordCount() - 1)));
    }
}

const SqlDialect& Database::dialect() const
{
    static const SqliteDialect file;
    return m_connection ? m_connection->dialect() : file;
}

std::unique_ptr<SqlConnection> Database::openAnother()
{
    m_error.clear();
    m_errorCode = 0;
    if (!m_connection) {
        m_error = QStringLiteral("The database is not open.");
        return nullptr;
    }
    return m_connection->openAnother(&m_error, &m_errorCode);
}

QSqlDatabase Database::connection() const
{
    return m_file ? m_file->connection() : QSqlDatabase();
}

sqlite3* Database::handle() const
{
    return m_file ? m_file->handle() : nullptr;
}

PgConnection* Database::serverConnection() const
{
#ifdef K7_HAVE_POSTGRES
    return onServer() ? static_cast<PgConnection*>(m_connection.get()) : nullptr;
#else
    return nullptr;
#endif
}

qint64 Database::lastInsertId() const
{
    return m_connection ? m_connection->lastInsertId() : -1;
}

qint64 Database::changes() const
{
    return m_connection ? m_connection->changes() : 0;
}

std::unique_ptr<SqlStatement> Database::prepare(const QString& sql)
{
    if (!m_connection) {
        m_error = QStringLiteral("The database is not open.");
        return nullptr;
    }
    auto stmt = m_connection->prepare(sql);
    m_errorCode = stmt->errorCode();
    if (!stmt->ok()) {
        m_error = stmt->error();
        return nullptr;
    }
    return stmt;
}

SqlStatement* Database::statement(const QString& sql)
{
    const std::string key = sql.toStdString();
    auto it = m_statements.find(key);
    if (it != m_statements.end())
        return it->second.get();
    auto stmt = prepare(sql);
    if (!stmt)
        return nullptr;
    return m_statements.emplace(key, std::move(stmt)).first->second.get();
}

void Database::attach(RecordSet* rs)
{
    if (std::find(m_recordSets.begin(), m_recordSets.end(), rs) == m_recordSets.end())
        m_recordSets.push_back(rs);
}

void Database::detach(RecordSet* rs)
{
    m_recordSets.erase(std::remove(m_recordSets.begin(), m_recordSets.end(), rs), m_recordSets.end());
}

}  // namespace k7
