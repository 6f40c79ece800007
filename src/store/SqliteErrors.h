#pragma once
// What a failed SQLite call on a connection means, in words the operator can
// act on, and what kind of failure it was, told by SQLite's result code
// rather than by its wording (which another SQLite version may change). A
// database file that was moved or deleted while open refuses every
// write from then on with "attempt to write a readonly database", which reads
// as if trying again might help; it is named for what it is instead.

#include <QString>

class QSqlError;
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

// The words of a failure that Qt's driver reported: SQLite's own text when
// there is one, Qt's otherwise.
QString SqlErrorText(const QSqlError& error);

// SQLite's primary result code behind a failure that Qt's driver reported
// (0 when the error carries none).
int SqliteResultCode(const QSqlError& error);

// True for SQLITE_BUSY and SQLITE_LOCKED: another connection holds a lock,
// and the same call may succeed a moment later.
bool SqliteCodeIsLock(int code);
// True for SQLITE_NOTADB: the file is something other than a database.
bool SqliteCodeIsNotADatabase(int code);

}  // namespace k7
