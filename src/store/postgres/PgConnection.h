#pragma once
// The connection to a database on a PostgreSQL server, named by a libpq
// connection URI (postgresql://host[:port]/dbname, or a Unix-socket folder
// in ?host=/path).
//
// Through libpq's C API rather than Qt's QPSQL driver: the store's hot path
// already runs through a small statement class over an engine's C API, and
// this is the same shape for the server; libpq tells a server that wants a
// password apart from one that cannot be reached (QPSQL folds both into one
// error text); and it gives the connection's socket, which waiting for
// LISTEN/NOTIFY from other stations needs.
//
// User names and passwords come from where libpq itself looks (the URI,
// PGUSER, ~/.pgpass, PGPASSFILE, PGSERVICE). When none of those gives the
// password the server asks for, open() says so, and the caller may ask the
// operator and open again with the password, which is passed to libpq and
// kept nowhere.

#include "store/SqlConnection.h"
#include "store/postgres/PgDialect.h"

#include <memory>

typedef struct pg_conn PGconn;
typedef struct pg_cancel PGcancel;

namespace k7 {

class PgSession;

class PgConnection final : public SqlConnection {
public:
    enum class OpenResult { Opened, NeedsPassword, Failed };

    PgConnection();
    ~PgConnection() override;
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Connects to `uri` as written; on failure the reason in `error` and the
    // store's code in `code` (SQLITE_AUTH when a password is wanted,
    // SQLITE_CANTOPEN otherwise).
    [[nodiscard]] OpenResult open(const QString& uri, QString* error, int* code);
    // The same with a password the operator typed.
    [[nodiscard]] OpenResult open(const QString& uri, const QString& password, QString* error, int* code);

    const SqlDialect& dialect() const override { return m_dialect; }
    std::unique_ptr<SqlStatement> prepare(const QString& sql) override;
    [[nodiscard]] bool execute(const QString& sql, const QVariantList& values, QString* error, int* code) override;
    [[nodiscard]] bool executeAll(const QList<SqlStep>& steps, QString* error, int* code,
                                  qsizetype* failedAt) override;
    bool sendsStepsTogether() const override { return true; }
    [[nodiscard]] bool readSchema(std::vector<TableDef>* tables, QString* error) override;
    // The identity an INSERT ... RETURNING gave back, else the session's
    // lastval() (the identity column's sequence), -1 when there is none.
    qint64 lastInsertId() const override;
    qint64 changes() const override;
    // The server cannot be reached any more (it stopped, the network went):
    // libpq has marked the connection bad.
    bool gone() const override;
    // A new session on the same URI, with the password the lost one was
    // made with when the operator typed one (libpq still holds it there).
    [[nodiscard]] bool reconnect(QString* error, int* code) override;
    [[nodiscard]] std::unique_ptr<SqlConnection> openAnother(QString* error, int* code) const override;
    void interrupt() override;

    // For waiting on notifications: the connection's socket (-1 when not
    // open) and libpq's handle (PQconsumeInput, PQnotifies).
    int socket() const;
    PGconn* handle() const;

private:
    OpenResult connect(const QString& uri, const QByteArray* password, QString* error, int* code);
    // A session on `uri`, or nullptr with the reason.
    std::shared_ptr<PgSession> dial(const QString& uri, const QByteArray* password, QString* error, int* code);

    PgDialect m_dialect;
    std::shared_ptr<PgSession> m_session;
    QString m_uri;
    // libpq's handle for stopping the running statement from another
    // thread, made with the connection.
    std::unique_ptr<pg_cancel, void (*)(pg_cancel*)> m_cancel{nullptr, nullptr};
};

// `uri` with any password in it blanked, for messages.
QString PgUriForDisplay(const QString& uri);

}  // namespace k7
