#pragma once
// The connection to a database file: SQLite through Qt's driver, with the
// settings, functions and collation every connection to a K7 file has.

#include "store/SqlConnection.h"

#include <QSqlDatabase>

struct sqlite3;

namespace k7 {

class SqliteConnection final : public SqlConnection {
public:
    enum class Access { ReadWrite, ReadOnly };

    SqliteConnection();
    ~SqliteConnection() override;
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // Opens (or, for a path that does not exist yet, creates) the file;
    // false with the reason in `error` and SQLite's code in `code`.
    [[nodiscard]] bool open(const QString& path, Access access, QString* error, int* code);

    // Gives a connection of K7's own (another thread's, say) the settings,
    // functions and collation every connection to a K7 file has; false
    // when SQLite refuses one of them.
    [[nodiscard]] static bool configure(sqlite3* handle);

    const SqlDialect& dialect() const override { return m_dialect; }
    std::unique_ptr<SqlStatement> prepare(const QString& sql) override;
    [[nodiscard]] bool execute(const QString& sql, const QVariantList& values, QString* error, int* code) override;
    [[nodiscard]] bool readSchema(std::vector<TableDef>* tables, QString* error) override;
    qint64 lastInsertId() const override;
    qint64 changes() const override;
    bool gone() const override;
    [[nodiscard]] std::unique_ptr<SqlConnection> openAnother(QString* error, int* code) const override;
    void interrupt() override;

    sqlite3* handle() const { return m_handle; }
    QSqlDatabase connection() const;

private:
    SqliteDialect m_dialect;
    QString m_connectionName;
    QString m_path;
    sqlite3* m_handle = nullptr;
};

}  // namespace k7
