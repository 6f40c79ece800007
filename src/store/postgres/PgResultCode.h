#pragma once
// A server's failure in the store's words: the SQLite result code that
// callers already act on (a refused duplicate, a lock to wait for, a
// database that cannot be reached), told from the SQLSTATE the server sends
// rather than from its wording.

#include <QByteArray>

typedef struct pg_conn PGconn;

namespace k7 {

// The code for `sqlstate` (five characters, empty when the failure carried
// none) on `conn`: any failure on a connection that is lost is SQLITE_IOERR.
int PgResultCode(const QByteArray& sqlstate, const PGconn* conn);

}  // namespace k7
