#pragma once
// Shared by the store tests: files in a temporary folder, a table read back
// the way another program sees it, and the doubles that opening a table needs.

#include "support/RecordingShellHooks.h"
#include "support/ScriptedDialogs.h"

#include "cfg/Model.h"
#include "store/DataStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

namespace k7::test {

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What `sql` returns through a read-only connection of its own: one "a|b|c"
// line a row, NULL for Null; nullopt when the file or the statement fails.
inline std::optional<QStringList> querySeparately(const QString& dbPath, const QString& sql)
{
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    std::optional<QStringList> rows;
    if (sqlite3_open_v2(QFile::encodeName(dbPath).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) == SQLITE_OK) {
        rows.emplace();
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            QStringList cells;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
                cells << (text ? QString::fromUtf8(text) : QStringLiteral("NULL"));
            }
            rows->append(cells.join(QLatin1Char('|')));
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

// Rows in `table`, counted separately; -1 when there is no such table.
inline int rowCount(const QString& dbPath, QString table)
{
    table.replace(QLatin1Char('"'), QLatin1String("\"\""));
    const auto rows = querySeparately(dbPath, QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table));
    return rows ? rows->value(0).toInt() : -1;
}

// Fields as "name:type:size".
inline QStringList fieldShapes(const QList<FieldDef>& fields)
{
    QStringList out;
    for (const auto& f : fields)
        out << QStringLiteral("%1:%2:%3").arg(f.name).arg(int(f.type)).arg(f.size);
    return out;
}

struct StoreRig {
    QTemporaryDir dir;
    Model model;
    DataStore store;
    ScriptedDialogs dialogs;
    RecordingShellHooks shell;

    QString path(const QString& name) const { return dir.filePath(name); }

    // Everything closed, as after a failed open.
    bool allClosed() const
    {
        return store.dbname.isEmpty() && store.tablename.isEmpty() && !store.currentdb.isOpen()
               && !store.currentrs.isOpen() && shell.dataSource == nullptr;
    }
};

}  // namespace k7::test
