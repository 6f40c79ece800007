#include "store/postgres/PgResultCode.h"

#include <libpq-fe.h>
#include <sqlite3.h>

namespace k7 {

int PgResultCode(const QByteArray& sqlstate, const PGconn* conn)
{
    if (conn == nullptr || PQstatus(conn) == CONNECTION_BAD)
        return SQLITE_IOERR;
    // Class 23: integrity constraint violation (unique, not null, check, ...).
    if (sqlstate.startsWith("23"))
        return SQLITE_CONSTRAINT;
    // Serialization failure, deadlock, lock not available: try again.
    if (sqlstate == "40001" || sqlstate == "40P01" || sqlstate == "55P03")
        return SQLITE_BUSY;
    // Class 08 (connection exception) and the server shutting down or
    // restarting under the session.
    if (sqlstate.startsWith("08") || sqlstate == "57P01" || sqlstate == "57P02" || sqlstate == "57P03")
        return SQLITE_IOERR;
    // The statement was stopped on request (PQcancel).
    if (sqlstate == "57014")
        return SQLITE_INTERRUPT;
    if (sqlstate == "53100")
        return SQLITE_FULL;
    return SQLITE_ERROR;
}

}  // namespace k7
