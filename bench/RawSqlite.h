#pragma once
// The plain SQLite C API as the benchmarks use it for their comparisons.

#include <sqlite3.h>

#include <cstdio>

// Runs `sql`; on failure prints the statement and the engine's reason.
inline bool exec(sqlite3* db, const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, error ? error : "?");
        sqlite3_free(error);
        return false;
    }
    return true;
}
