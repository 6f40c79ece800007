#include "store/AuditQuery.h"

#include "store/Database.h"
#include "store/K7Tables.h"

#include <QVariant>

namespace k7 {

QStringList AuditColumns()
{
    return {QStringLiteral("Time (UTC)"), QStringLiteral("Station"), QStringLiteral("Table"),
            QStringLiteral("Row"),        QStringLiteral("Identifier"), QStringLiteral("Field"),
            QStringLiteral("Before"),     QStringLiteral("After"),   QStringLiteral("Action")};
}

QSqlQuery AuditRows(Database& db, const AuditFilter& filter)
{
    QSqlQuery q(db.connection());
    if (!db.isOpen() || !OwnTableExists(db, kAuditTable))
        return q;
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
    q.prepare(QStringLiteral("SELECT at, station, tablename, row_id, ident, field, before, after, action FROM %1%2 "
                             "ORDER BY id DESC").arg(QLatin1String(kAuditTable), where));
    for (const QVariant& v : values)
        q.addBindValue(v);
    q.exec();
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
