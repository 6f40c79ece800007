#pragma once
// One database file, opened or created by path. Table definitions are read
// from the file and kept as a list that refresh() re-reads, as the callers
// expect from the engine. Every operation reports success as a bool; the
// reason for a failure stays in lastError() until the next operation.
// No operation shows anything to the operator.

#include "store/SqlDialect.h"
#include "store/SqlStep.h"
#include "store/TableDef.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;

namespace k7 {

class PgConnection;
class RecordSet;
class SqlConnection;
class SqliteConnection;
class SqlStatement;

class Database {
public:
    // The locale string new files are created with. Accepted and ignored:
    // the SQLite engine has no such setting.
    static constexpr const char* kLocale = ";LANGID=0x0409;CP=1252;COUNTRY=0";

    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    enum class Access { ReadWrite, ReadOnly };

    // Opens an existing file (for reading and writing unless ReadOnly).
    // Fails, with a message in lastError(), when the file is missing, is not
    // a database, cannot be written, or is locked by another process.
    [[nodiscard]] bool open(const QString& path, Access access = Access::ReadWrite);
    // A database on a server, named by a connection URI (cfg/ServerUri.h),
    // which open() and create() also take: connects, with the password
    // when one is given. Fails with lastError(); lastErrorCode() is
    // SQLITE_AUTH when the server asks for a password that none of libpq's
    // own sources gave, so the caller may ask the operator and try again.
    [[nodiscard]] bool openServer(const QString& uri, const QString& password = QString());
    // Whether the last open failed only for a password the server wants.
    bool wantsPassword() const;
    // Whether the open database is on a server rather than in a file.
    bool onServer() const { return m_open && !m_file; }
    // Whether the server can no longer be reached on this connection (it
    // stopped or restarted, the network went); false for a file.
    bool connectionLost() const;
    // After a lost connection to a server: connects again on the same URI,
    // drops every prepared statement (they belong to the old session) and
    // reads every open record set again on its table and view, each on the
    // row it was on where that row still exists. A transaction under way
    // was lost with the connection. Fails with lastError(), leaving things
    // as they were, while the server is still away; a file always fails.
    [[nodiscard]] bool reconnect();
    // Creates a new, empty database file (the file must not exist) and opens it.
    [[nodiscard]] bool create(const QString& path, const QString& locale = QString::fromLatin1(kLocale));
    // Closes the file and every record set still open on it.
    void close();

    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }
    bool ok() const { return m_error.isEmpty(); }
    QString lastError() const { return m_error; }
    // SQLite's primary result code of the last failed statement (0 when the
    // last operation succeeded or failed before reaching the engine).
    int lastErrorCode() const { return m_errorCode; }
    // True when the open file was renamed, moved or deleted since it was
    // opened: every write fails from then on, and a retry cannot succeed.
    bool fileMoved() const;

    // Table definitions as last read (open, create and refresh read them).
    // They are handed out as copies: every schema change re-reads the list,
    // so a pointer into it would not survive the next change.
    int tableCount() const { return static_cast<int>(m_tables.size()); }
    TableDef table(int i) const { return m_tables[static_cast<size_t>(i)]; }
    // The definition whose name equals `name` without regard to case, if any.
    std::optional<TableDef> findTable(const QString& name) const;
    QStringList tableNames() const;
    [[nodiscard]] bool refresh();

    // Creates the table with its fields (the engine's "create, then append").
    [[nodiscard]] bool appendTable(const TableDef& table);
    [[nodiscard]] bool deleteTable(const QString& name);
    [[nodiscard]] bool renameTable(const QString& name, const QString& newName);
    [[nodiscard]] bool appendField(const QString& table, const FieldDef& field);
    [[nodiscard]] bool renameField(const QString& table, const QString& field, const QString& newName);
    // Makes `field` of `table` a Text field of `length` characters; every
    // other field, index and trigger stays as it was, and so does the order
    // of the rows. Text longer than `length` is cut to it. Meant for the
    // caller's transaction, which rolls back whatever a failure left done.
    [[nodiscard]] bool setTextFieldLength(const QString& table, const QString& field, int length);
    // Creates an index over the fields of `index.fields` ("+a;+b"), unique
    // when index.unique is set. Its text comparison ignores case, as the
    // look-ups do, so they can use it. Fails for a field the table lacks.
    [[nodiscard]] bool appendIndex(const QString& table, const IndexDef& index);

    // Groups several changes so that they happen all together or not at all.
    // rollback() is the way out of a change that has already failed and been
    // reported; its own failure stays in lastError() for callers that care.
    // A write transaction; `then` runs first in it, sent with its start where
    // the engine allows. Either all of that happened or nothing is open.
    [[nodiscard]] bool transaction(const QList<SqlStep>& then = {});
    // Runs `first` and commits, sent together where the engine allows. When a
    // step of `first` fails, *failedAt says which, and the transaction is
    // left to be rolled back.
    [[nodiscard]] bool commit(const QList<SqlStep>& first = {}, qsizetype* failedAt = nullptr);
    bool rollback();
    bool inTransaction() const { return m_inTransaction; }
    // Counts the transactions begun on this database: tells one from the next.
    quint64 transactionSerial() const { return m_transactionSerial; }

    // SQLite's old rules for renaming a table, on or off for this connection:
    // with them on, views and triggers naming the table are not checked
    // while it is renamed. False, with lastError(), when the rules could not
    // be set, so that a caller never goes on with them left on unknowingly.
    [[nodiscard]] bool setLegacyAlterTable(bool on);

    // Runs a statement that returns no rows, with bound values.
    [[nodiscard]] bool execute(const QString& sql, const QVariantList& values = {});

    // What the SQL of the engine the database lives in says its own way.
    const SqlDialect& dialect() const;
    // A prepared statement for `sql`, kept until the database is closed or
    // its tables change; nullptr (with lastError()) when it cannot be prepared.
    SqlStatement* statement(const QString& sql);
    // A statement of the caller's own, for queries run once or kept apart
    // from the shared ones; nullptr (with lastError()) when it cannot be prepared.
    std::unique_ptr<SqlStatement> prepare(const QString& sql);
    // The row identity of the last row inserted; the rows the last write changed.
    qint64 lastInsertId() const;
    qint64 changes() const;
    // Another connection to this database, for reading on a thread of its
    // own; nullptr, with lastError(), when it cannot be made.
    [[nodiscard]] std::unique_ptr<SqlConnection> openAnother();
    // For tools of this library that use the file's engine directly; an
    // empty connection and nullptr while no file is open.
    QSqlDatabase connection() const;
    sqlite3* handle() const;
    // The connection to the server, for waiting on its notifications;
    // nullptr while no server database is open.
    PgConnection* serverConnection() const;
    // Gives a connection of K7's own (another thread's, say) the settings,
    // functions and collation every connection to a K7 file has; false
    // when SQLite refuses one of them.
    [[nodiscard]] static bool configureConnection(sqlite3* handle);

private:
    [[nodiscard]] bool executeAll(const QList<SqlStep>& steps, qsizetype* failedAt);
    void rollbackKeepingError();
    friend class RecordSet;
    [[nodiscard]] bool openConnection(const QString& path, bool creating, Access access);
    // The check after the connection is made: the reason the file cannot
    // be used, empty when it can.
    [[nodiscard]] QString checkConnection(const QString& path, bool creating, Access access);
    [[nodiscard]] QString probeWriteLock(const QString& path);
    [[nodiscard]] bool ddl(const QString& sql);
    // A table's and a field's names as the catalogue spells them (a server's
    // quoted names are case-sensitive), or as given when there is none.
    QString storedName(const QString& table) const;
    QString storedName(const QString& table, const QString& field) const;
    void attach(RecordSet* rs);
    void detach(RecordSet* rs);
    void rereadRecordSets();

    QString m_path;
    QString m_error;
    int m_errorCode = 0;
    bool m_open = false;
    bool m_inTransaction = false;
    quint64 m_transactionSerial = 0;
    std::vector<TableDef> m_tables;
    std::vector<RecordSet*> m_recordSets;
    std::unordered_map<std::string, std::unique_ptr<SqlStatement>> m_statements;
    std::unique_ptr<SqlConnection> m_connection;
    SqliteConnection* m_file = nullptr;  // m_connection, when it is to a file
};

}  // namespace k7
