#include "store/AuditQuery.h"

#include "store/Database.h"
#include "store/K7Tables.h"

#include <QSqlError>
#include <QVariant>

namespace k7 {

namespace {

std::optional<QSqlQuery> failed(const QSqlQuery& q, QString* error)
{
    const QSqlError e = q.lastError();
    *error = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    return std::nullopt;
}

}  // namespace

QStringList AuditColumns()
{
    return {QStringLiteral("Time (UTC)"), QStringLiteral("Station"), QStringLiteral("Table"),
            QStringLiteral("Row"),        QStringLiteral("Identifier"), QStringLiteral("Field"),
            QStringLiteral("Before"),     QStringLiteral("After"),   QStringLiteral("Action")};
}

std::optional<QSqlQuery> AuditRows(Database& db, const AuditFilter& filter, QString* error)
{
    QSqlQuery q(db.connection());
    if (!db.isOpen())
        return q;
    // Checked here rather than through OwnTableExists, which cannot tell a
    // missing trail from one that could not be looked for.
    q.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"));
    q.addBindValue(QLatin1String(kAuditTable));
    if (!q.exec())
        return failed(q, error);
    if (!q.next())
        return QSqlQuery(db.connection());
    QStringList conditions;
    QVariantList values;
    if (!filter.field.isEmpty()) {
        conditions << QStringLiteral("field = ?");
        values << filter.field;
    }
    if (!filter.action.isEmpty()) {
        conditions << QStringLiteral("action = ?");
        values << filter.action;
    }
    const QString where = conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    q.finish();
    if (!q.prepare(QStringLiteral("SELECT at, station, tablename, row_id, ident, field, before, after, action FROM %1%2 "
                                  "ORDER BY id DESC").arg(QLatin1String(kAuditTable), where)))
        return failed(q, error);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        return failed(q, error);
    return q;
}

QStringList AuditValues(Database& db, const QString& column)
{
    QStringList values;
    if (!db.isOpen() || !OwnTableExists(db, kAuditTable) || (column != QLatin1String("field") && column != QLatin1String("action")))
        return values;
    QSqlQuery q(db.connection());
    if (q.exec(QStringLiteral("SELECT DISTINCT %1 FROM %2 WHERE %1 <> '' ORDER BY %1").arg(column, QLatin1String(kAuditTable))))
        while (q.next())
            values << q.value(0).toString();
    return values;
}

}  // namespace k7
