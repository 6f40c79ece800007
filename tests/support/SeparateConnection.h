#pragma once
// A database read and changed through a connection of the test's own, the
// way another program (or another station, on a server) reaches it.

#include "cfg/NumberText.h"
#include "cfg/ServerUri.h"
#include "store/Database.h"
#include "store/SqlStatement.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <optional>

namespace k7::test {

inline bool withConnection(const QString& path, bool readOnly, const std::function<bool(QSqlDatabase&)>& work)
{
    const QString name = QUuid::createUuid().toString();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        ok = db.open() && work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// The same on a server's database, through a Database of the test's own.
inline bool withServer(const QString& uri, const std::function<bool(Database&)>& work)
{
    Database db;
    return db.open(uri) && work(db);
}

inline QString shownSeparately(const QVariant& v)
{
    return v.isNull() ? QStringLiteral("<null>")
           : v.typeId() == QMetaType::Double ? ShortestSingle(v.toDouble())
           : v.typeId() == QMetaType::Bool  ? QString::number(v.toInt())
                                             : v.toString();
}

inline bool execSql(const QString& path, const QStringList& statements)
{
    if (IsServerUri(path))
        return withServer(path, [&](Database& db) {
            for (const QString& s : statements)
                if (!db.execute(s))
                    return false;
            return true;
        });
    return withConnection(path, false, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        for (const QString& s : statements)
            if (!q.exec(s))
                return false;
        return true;
    });
}

// What `sql` returns read-only: one string per value, "<null>" for Null,
// floating-point values in their shortest Single form; nullopt when the file
// or the statement fails.
inline std::optional<QList<QStringList>> querySeparately(const QString& path, const QString& sql)
{
    QList<QStringList> rows;
    if (IsServerUri(path)) {
        const bool read = withServer(path, [&](Database& db) {
            const auto q = db.prepare(sql);
            if (!q || !q->bind({}))
                return false;
            while (q->step()) {
                QStringList row;
                for (int i = 0; i < q->columnCount(); ++i)
                    row << shownSeparately(q->value(i));
                rows << row;
            }
            return q->error().isEmpty();
        });
        return read ? std::optional(rows) : std::nullopt;
    }
    const bool ok = withConnection(path, true, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        if (!q.exec(sql))
            return false;
        while (q.next()) {
            QStringList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << shownSeparately(q.value(i));
            rows << row;
        }
        return true;
    });
    return ok ? std::optional(rows) : std::nullopt;
}

// Every row of `table` in table order.
inline QList<QStringList> readRows(const QString& path, const QString& table)
{
    // On a server every field but the hidden identity, in its order.
    QString columns = QStringLiteral("*");
    QString rowid = QStringLiteral("rowid");
    if (IsServerUri(path)) {
        Database db;
        const std::optional<TableDef> def = db.open(path) ? db.findTable(table) : std::nullopt;
        if (!def)
            return {};
        QStringList names;
        for (const FieldDef& f : def->fields)
            names << QuoteName(f.name);
        columns = names.join(QStringLiteral(", "));
        rowid = db.dialect().rowidName();
    }
    const QString sql = QStringLiteral("SELECT %1 FROM \"%2\" ORDER BY %3").arg(columns, table, rowid);
    return querySeparately(path, sql).value_or(QList<QStringList>{});
}

// The first value of each row `sql` returns.
inline QStringList firstColumn(const QString& path, const QString& sql)
{
    QStringList out;
    for (const QStringList& row : querySeparately(path, sql).value_or(QList<QStringList>{}))
        out << row.value(0);
    return out;
}

// Each field of `table` as "name TYPE", in table order.
inline QStringList declarations(const QString& path, const QString& table)
{
    return firstColumn(path, QStringLiteral("SELECT name || ' ' || type FROM pragma_table_info('%1')").arg(table));
}

// Rows in `table`; -1 when there is no such table.
inline int rowCount(const QString& path, QString table)
{
    table.replace(QLatin1Char('"'), QLatin1String("\"\""));
    const auto rows = querySeparately(path, QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table));
    return rows ? rows->value(0).value(0).toInt() : -1;
}

}  // namespace k7::test
