#include "store/SqliteErrors.h"

#include <QSqlError>

#include <sqlite3.h>

namespace k7 {

bool SqliteFailedAsMoved(sqlite3* db)
{
    return db && sqlite3_extended_errcode(db) == SQLITE_READONLY_DBMOVED;
}

QString MovedDatabaseText(sqlite3* db)
{
    const char* file = db ? sqlite3_db_filename(db, "main") : nullptr;
    const QString name = file && *file ? QString::fromUtf8(file) : QStringLiteral("of this table");
    return QStringLiteral("The database file %1 was moved or deleted while it was open, so nothing more "
                          "can be written to it.")
        .arg(name);
}

QString SqliteErrorText(sqlite3* db)
{
    if (SqliteFailedAsMoved(db))
        return MovedDatabaseText(db);
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("The database is not open.");
}

bool SqliteFileMoved(sqlite3* db)
{
    int moved = 0;
    return db && sqlite3_file_control(db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved != 0;
}

QString SqlErrorText(const QSqlError& error)
{
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

int SqliteResultCode(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    // Extended codes keep the primary code in their low byte.
    return ok ? code & 0xff : 0;
}

bool SqliteCodeIsLock(int code)
{
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

bool SqliteCodeIsNotADatabase(int code)
{
    return code == SQLITE_NOTADB;
}

}  // namespace k7
