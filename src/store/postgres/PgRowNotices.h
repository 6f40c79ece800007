#pragma once
// Announcing changes to a table's rows to every other session on the server.
// A statement trigger on the table calls pg_notify, so every write is
// announced, whichever program or code path made it, in the writing
// transaction: the announcement is delivered at its commit, and never for
// a transaction rolled back. The payload is the kind of statement and the
// table's name ("INSERT Visits").

#include "store/RowChanges.h"

#include <QString>

namespace k7 {

class Database;
class PgConnection;

// The channel every announcement goes out on.
inline constexpr const char* kRowsChannel = "k7_rows";

// Gives `table` (the catalogue's spelling) its trigger unless it has one.
// False, with the reason, when the server refuses (the table belongs to
// another role, say); sessions still hear the writes of stations that could.
[[nodiscard]] bool PgAnnounceRowChanges(Database& db, const QString& table, QString* error);
// Starts listening on the channel on the database's own connection.
[[nodiscard]] bool PgListenForRowChanges(Database& db, QString* error);
// The server process serving the connection, 0 when it is lost: a
// connection made again has another, which has not listened yet.
int PgSessionId(PgConnection& connection);
// Reads whatever has arrived, without waiting, and adds to `changes` what
// other sessions announced about `table`; the connection's own writes are
// left out. False when the connection is lost.
[[nodiscard]] bool PgTakeRowNotices(PgConnection& connection, const QString& table, RowChanges* changes);

}  // namespace k7
