#pragma once
// A prepared SQLite statement on the connection of a Database, for the hot
// paths of record sets (listing keys, fetching a row, writing a row), where
// preparing anew each time would cost more than the work itself.

#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace k7 {

class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, const QString& sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool ok() const { return m_stmt != nullptr && m_error.isEmpty(); }
    QString error() const { return m_error; }
    // SQLite's primary result code of the last failure (0 when none).
    int errorCode() const { return m_code; }

    // Resets the statement and binds `values` to its "?" placeholders in order.
    [[nodiscard]] bool bind(const QVariantList& values);
    // One step: true when a row is available; false at the end or on an
    // error (then error() is set).
    bool step();
    // Runs to completion (for statements that return no rows).
    [[nodiscard]] bool run(const QVariantList& values);
    void reset();

    int columnCount() const;
    QString columnName(int i) const;
    QString columnDeclaredType(int i) const;
    QVariant value(int i) const;  // a null QVariant for NULL
    qint64 int64(int i) const;
    // For readers that take the values of a row straight from the engine.
    sqlite3_stmt* handle() const { return m_stmt; }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    QString m_error;
    int m_code = 0;
};

}  // namespace k7
