#pragma once
// What a connection to the server and the statements prepared on it share:
// the libpq connection itself, the names of prepared statements, and what
// the last write did (rows changed, the identity of an inserted row). The
// connection closes the session; a statement that outlives it finds it
// closed instead of a dangling handle.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

typedef struct pg_conn PGconn;
typedef struct pg_result PGresult;

namespace k7 {

// Frees a libpq result when it goes.
struct PgResultFree {
    void operator()(PGresult* result) const;
};
using PgResultPtr = std::unique_ptr<PGresult, PgResultFree>;

class PgSession {
public:
    explicit PgSession(PGconn* conn) : m_conn(conn) {}
    ~PgSession();
    PgSession(const PgSession&) = delete;
    PgSession& operator=(const PgSession&) = delete;

    PGconn* conn() const { return m_conn; }
    void close();

    // A statement name not used before on this connection.
    QByteArray newStatementName();
    // A prepared statement no longer wanted: deallocated now when the
    // connection is free for it, otherwise before the next one is prepared.
    void release(const QByteArray& name);
    void deallocateReleased();

    // Statements run together (PgPipeline) are kept prepared by their text,
    // so the server parses and plans each once per session and the text is
    // translated once: what `sql` is kept as (nullptr when it is not),
    // whether one more may be kept beside `pending` being prepared, and
    // taking note of one prepared or of one the server no longer runs as
    // prepared (its tables changed shape), which is prepared afresh next time.
    struct Kept {
        QByteArray text;  // as the server reads it ($N)
        int count = 0;    // the values it takes
        QByteArray name;
    };
    const Kept* kept(const QString& sql) const
    {
        const auto it = m_kept.constFind(sql);
        return it == m_kept.cend() ? nullptr : &*it;
    }
    bool roomToKeep(qsizetype pending) const { return m_kept.size() + pending < kMostKept; }
    void keep(const QString& sql, const Kept& kept) { m_kept.insert(sql, kept); }
    void forgetKept(const QString& sql);

    // Takes note of a command's result: rows changed by a write, the
    // identity returned by an INSERT ... RETURNING.
    void noteCommand(const PGresult* result);
    qint64 changes() const { return m_changes; }
    qint64 lastInsertId();

    // Makes the session function lastInsertId() asks when an INSERT
    // returned nothing; false with the reason when the server refused it.
    [[nodiscard]] bool prepareSession(QString* error);

private:
    // Enough for the statements of a save and a few more; texts beyond are
    // sent unnamed, parsed at each run.
    static constexpr qsizetype kMostKept = 32;

    bool connectionFree() const;

    PGconn* m_conn = nullptr;
    quint64 m_statements = 0;
    QByteArrayList m_released;
    QHash<QString, Kept> m_kept;
    qint64 m_changes = 0;
    qint64 m_insertId = -1;
    bool m_insertIdKnown = false;
    bool m_lastvalFunction = false;
};

// The server's primary message for a failed `result` (or the connection's
// own when there is no result), without libpq's trailing line break.
QString PgErrorText(const PGresult* result, const PGconn* conn);
// The SQLSTATE of a failed `result`, empty when it carries none.
QByteArray PgSqlState(const PGresult* result);

}  // namespace k7
