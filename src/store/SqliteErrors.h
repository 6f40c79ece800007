#pragma once
// What a failed SQLite call on a connection means, in words the operator can
// act on. A database file that was moved or deleted while open refuses every
// write from then on with "attempt to write a readonly database", which reads
// as if trying again might help; it is named for what it is instead.

#include <QString>

struct sqlite3;

namespace k7 {

// The message of the last failure on `db` (SQLite's own text, or the moved
// file named by its path).
QString SqliteErrorText(sqlite3* db);

// True when the last failure on `db` was a write refused because its file
// was moved or deleted.
bool SqliteFailedAsMoved(sqlite3* db);

// The message for a database file moved or deleted while open.
QString MovedDatabaseText(sqlite3* db);

// True when the main database file of `db` is no longer where it was opened
// (renamed, moved or deleted), so that nothing written can reach it.
bool SqliteFileMoved(sqlite3* db);

}  // namespace k7
