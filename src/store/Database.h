#pragma once
// One database file, opened or created by path. Table definitions are read
// from the file and kept as a list that refresh() re-reads, as the callers
// expect from the engine. Every operation reports success as a bool; the
// reason for a failure stays in lastError() until the next operation.
// No operation shows anything to the operator.

#include "store/TableDef.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;

namespace k7 {

class RecordSet;
class SqliteStatement;

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
    bool open(const QString& path, Access access = Access::ReadWrite);
    // Creates a new, empty database file (the file must not exist) and opens it.
    bool create(const QString& path, const QString& locale = QString::fromLatin1(kLocale));
    // Closes the file and every record set still open on it.
    void close();

    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }
    bool ok() const { return m_error.isEmpty(); }
    QString lastError() const { return m_error; }
    // SQLite's primary result code when the last failure was a statement that
    // could not be prepared (0 otherwise).
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
    bool refresh();

    // Creates the table with its fields (the engine's "create, then append").
    bool appendTable(const TableDef& table);
    bool deleteTable(const QString& name);
    bool renameTable(const QString& name, const QString& newName);
    bool appendField(const QString& table, const FieldDef& field);
    bool renameField(const QString& table, const QString& field, const QString& newName);
    // Creates an index over the fields of `index.fields` ("+a;+b"), unique
    // when index.unique is set. Its text comparison ignores case, as the
    // look-ups do, so they can use it. Fails for a field the table lacks.
    bool appendIndex(const QString& table, const IndexDef& index);

    // Groups several changes so that they happen all together or not at all.
    bool transaction();
    bool commit();
    bool rollback();
    bool inTransaction() const { return m_inTransaction; }

    // Runs a statement that returns no rows, with bound values.
    bool execute(const QString& sql, const QVariantList& values = {});

    // For record sets and tools of this library.
    QSqlDatabase connection() const;
    sqlite3* handle() const;
    // A prepared statement for `sql`, kept until the database is closed or
    // its tables change; nullptr (with lastError()) when it cannot be prepared.
    SqliteStatement* statement(const QString& sql);

private:
    friend class RecordSet;
    bool openConnection(const QString& path, bool creating, Access access);
    bool ddl(const QString& sql);
    void attach(RecordSet* rs);
    void detach(RecordSet* rs);

    QString m_connectionName;
    QString m_path;
    QString m_error;
    int m_errorCode = 0;
    bool m_open = false;
    bool m_inTransaction = false;
    std::vector<TableDef> m_tables;
    std::vector<RecordSet*> m_recordSets;
    std::unordered_map<std::string, std::unique_ptr<SqliteStatement>> m_statements;
    sqlite3* m_handle = nullptr;
};

}  // namespace k7
