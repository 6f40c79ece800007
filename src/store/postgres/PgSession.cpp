#include "store/postgres/PgSession.h"

#include <libpq-fe.h>

namespace k7 {

namespace {

// lastval() raises an error when no sequence was used yet in the session,
// and an error inside a transaction would abort the caller's transaction.
// This function answers NULL instead (its exception block is a
// subtransaction of its own). A temporary function lives as long as the
// session and is seen by no other.
const char* const kLastvalFunction =
    "CREATE FUNCTION pg_temp.k7_lastval() RETURNS bigint LANGUAGE plpgsql AS $$ "
    "BEGIN RETURN lastval(); EXCEPTION WHEN object_not_in_prerequisite_state THEN RETURN NULL; END $$";

bool isWrite(const char* status)
{
    const QByteArrayView s(status);
    return s.startsWith("INSERT ") || s.startsWith("UPDATE ") || s.startsWith("DELETE ") || s.startsWith("MERGE ");
}

}  // namespace

void PgResultFree::operator()(PGresult* result) const
{
    PQclear(result);
}

PgSession::~PgSession()
{
    close();
}

void PgSession::close()
{
    if (m_conn)
        PQfinish(m_conn);
    m_conn = nullptr;
    m_released.clear();
    m_kept.clear();
}

QByteArray PgSession::newStatementName()
{
    return "k7s" + QByteArray::number(++m_statements);
}

bool PgSession::connectionFree() const
{
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK)
        return false;
    const PGTransactionStatusType t = PQtransactionStatus(m_conn);
    return t == PQTRANS_IDLE || t == PQTRANS_INTRANS;
}

void PgSession::release(const QByteArray& name)
{
    if (!m_conn)
        return;
    m_released.append(name);
    deallocateReleased();
}

void PgSession::deallocateReleased()
{
    // In a failed transaction the server refuses everything but its end;
    // the names wait until then.
    if (m_released.isEmpty() || !connectionFree())
        return;
    QByteArray sql;
    for (const QByteArray& name : std::as_const(m_released))
        sql += "DEALLOCATE " + name + ';';
    m_released.clear();
    PgResultPtr(PQexec(m_conn, sql.constData()));
}

void PgSession::forgetKept(const QString& sql)
{
    const Kept gone = m_kept.take(sql);
    if (!gone.name.isEmpty())
        release(gone.name);
}

void PgSession::noteCommand(const PGresult* result)
{
    const char* status = PQcmdStatus(const_cast<PGresult*>(result));
    // As SQLite counts changes: only writes set the count; a read leaves it.
    if (!isWrite(status))
        return;
    m_changes = QByteArray(PQcmdTuples(const_cast<PGresult*>(result))).toLongLong();
    if (!QByteArrayView(status).startsWith("INSERT "))
        return;
    // Of several rows, the last one's, as a file reports it.
    const int last = PQntuples(result) - 1;
    m_insertIdKnown = last >= 0 && PQnfields(result) > 0 && !PQgetisnull(result, last, 0);
    if (m_insertIdKnown)
        m_insertId = QByteArray(PQgetvalue(result, last, 0)).toLongLong(&m_insertIdKnown);
}

bool PgSession::prepareSession(QString* error)
{
    PgResultPtr result(PQexec(m_conn, kLastvalFunction));
    m_lastvalFunction = PQresultStatus(result.get()) == PGRES_COMMAND_OK;
    if (m_lastvalFunction)
        return true;
    *error = PgErrorText(result.get(), m_conn);
    return false;
}

qint64 PgSession::lastInsertId()
{
    if (m_insertIdKnown)
        return m_insertId;
    if (!connectionFree())
        return -1;
    // Without the function (a database that allows no temporary objects)
    // lastval() is asked only where its error cannot abort a transaction.
    if (!m_lastvalFunction && PQtransactionStatus(m_conn) != PQTRANS_IDLE)
        return -1;
    PgResultPtr result(
        PQexec(m_conn, m_lastvalFunction ? "SELECT pg_temp.k7_lastval()" : "SELECT lastval()"));
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK || PQntuples(result.get()) != 1
        || PQgetisnull(result.get(), 0, 0))
        return -1;
    return QByteArray(PQgetvalue(result.get(), 0, 0)).toLongLong();
}

QString PgErrorText(const PGresult* result, const PGconn* conn)
{
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    if (primary && *primary)
        return QString::fromUtf8(primary);
    const QString text = QString::fromUtf8(conn ? PQerrorMessage(conn) : "The database is not open.").trimmed();
    return text.isEmpty() ? QStringLiteral("The server did not answer.") : text;
}

QByteArray PgSqlState(const PGresult* result)
{
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    return state ? QByteArray(state) : QByteArray();
}

}  // namespace k7
