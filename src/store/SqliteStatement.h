#pragma once
// A prepared SQLite statement, on the connection of a database file or on
// a connection of K7's own (the record journal, a background read).

#include "store/SqlStatement.h"

struct sqlite3;
struct sqlite3_stmt;

namespace k7 {

class SqliteStatement final : public SqlStatement {
public:
    SqliteStatement(sqlite3* db, const QString& sql);
    ~SqliteStatement() override;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool ok() const override { return m_stmt != nullptr && m_error.isEmpty(); }
    QString error() const override { return m_error; }
    int errorCode() const override { return m_code; }

    [[nodiscard]] bool bind(const QVariantList& values) override;
    bool step() override;
    void reset() override;

    int columnCount() const override;
    QString columnName(int i) const override;
    QString columnDeclaredType(int i) const override;
    QVariant value(int i) const override;
    qint64 int64(int i) const override;
    ValueType type(int i) const override;
    double real(int i) const override;
    QByteArrayView text(int i) const override;
    // For readers that take the values of a row straight from the engine.
    sqlite3_stmt* handle() const { return m_stmt; }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    QString m_error;
    int m_code = 0;
};

}  // namespace k7
