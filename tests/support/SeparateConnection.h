#pragma once
// A database file read and changed through a connection of the test's own,
// the way another program reaches it.

#include "cfg/NumberText.h"

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

inline bool execSql(const QString& path, const QStringList& statements)
{
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
    const bool ok = withConnection(path, true, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        if (!q.exec(sql))
            return false;
        while (q.next()) {
            QStringList row;
            for (int i = 0; i < q.record().count(); ++i) {
                const QVariant v = q.value(i);
                row << (v.isNull() ? QStringLiteral("<null>")
                        : v.typeId() == QMetaType::Double ? ShortestSingle(v.toDouble())
                                                          : v.toString());
            }
            rows << row;
        }
        return true;
    });
    return ok ? std::optional(rows) : std::nullopt;
}

// Every row of `table` in table order.
inline QList<QStringList> readRows(const QString& path, const QString& table)
{
    const QString sql = QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table);
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
