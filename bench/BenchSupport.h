#pragma once
// Shared by the benchmarks: the memory the process holds, the arguments every
// bench takes, tables kept between runs, and the figures the scale run reads.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <sqlite3.h>

#include <cstdio>
#include <cstring>

namespace k7::bench {

// Resident memory in kB, -1 when it cannot be read.
inline long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// The counts a bench is given, the row count first, and `--db PATH`: a
// database kept between runs, made and filled at PATH when it is not there
// yet and used as it stands when it is (filling ten million rows takes
// longer than measuring them).
struct BenchArgs {
    QStringList counts;
    QString db;

    int count(int i, int fallback) const { return i < counts.size() ? counts[i].toInt() : fallback; }
    bool keepsTable() const { return !db.isEmpty(); }
    bool tableKept() const { return keepsTable() && QFile::exists(db); }
};

inline BenchArgs readArgs(int argc, char** argv)
{
    BenchArgs args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--db") == 0 && i + 1 < argc)
            args.db = QFile::decodeName(argv[++i]);
        else
            args.counts << QString::fromLocal8Bit(argv[i]);
    }
    return args;
}

// The largest row id of `table` in the database at `path` (the row count of a
// table filled in one go), -1 when it cannot be read. One look-up in the
// table's b-tree, not a count of its rows.
inline qint64 lastRowid(const QString& path, const char* table)
{
    sqlite3* db = nullptr;
    qint64 last = -1;
    const QByteArray sql = QByteArray("SELECT coalesce(max(rowid), 0) FROM \"") + table + '"';
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
        last = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return last;
}

// Whether a kept table is the one this run needs; says why not.
inline bool keptTableFits(const QString& path, const char* table, int rows)
{
    const qint64 last = lastRowid(path, table);
    if (last == rows)
        return true;
    std::fprintf(stderr, "%s holds %lld rows in %s, not %d: remove it to have it made again\n",
                 qPrintable(path), static_cast<long long>(last), table, rows);
    return false;
}

// Makes a table with `make` at `path` by way of a file beside it, so that a
// run stopped half way leaves nothing that looks made.
inline bool makeKept(const QString& path, int rows, bool (*make)(const QString&, int))
{
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    if (make(part, rows) && QFile::rename(part, path))
        return true;
    std::fprintf(stderr, "cannot make the table at %s\n", qPrintable(path));
    return false;
}

// A figure the scale run puts in its table: one line, "figure<TAB>name<TAB>value".
inline void figure(const char* name, double value)
{
    std::printf("figure\t%s\t%.3f\n", name, value);
}

}  // namespace k7::bench
