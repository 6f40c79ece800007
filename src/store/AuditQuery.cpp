#include "store/AuditQuery.h"

#include "store/Database.h"
#include "store/K7Tables.h"
#include "store/SqlStatement.h"

#include <memory>

namespace k7 {

namespace {

using Rows = std::vector<QVariantList>;

std::optional<Rows> failed(const QString& reason, QString* error)
{
    *error = reason;
    return std::nullopt;
}

// Whether the trail is there; nothing, with the reason in *error, when that
// cannot be told (OwnTableExists takes both for "no").
std::optional<bool> trailExists(Database& db, QString* error)
{
    const std::unique_ptr<SqlStatement> q = db.prepare(db.dialect().ownTableQuery());
    if (!q) {
        *error = db.lastError();
        return std::nullopt;
    }
    const bool found = q->bind({QString::fromLatin1(kAuditTable)}) && q->step();
    if (!q->error().isEmpty()) {
        *error = q->error();
        return std::nullopt;
    }
    return found;
}

QString selectRows(const AuditFilter& filter, QVariantList* values)
{
    QStringList conditions;
    if (!filter.field.isEmpty()) {
        conditions << QStringLiteral("field = ?");
        *values << filter.field;
    }
    if (!filter.action.isEmpty()) {
        conditions << QStringLiteral("action = ?");
        *values << filter.action;
    }
    const QString where =
        conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    return QStringLiteral("SELECT at, station, tablename, row_id, ident, field, before, after, action FROM %1%2 "
                          "ORDER BY id DESC")
        .arg(QLatin1String(kAuditTable), where);
}

}  // namespace

QStringList AuditColumns()
{
    return {QStringLiteral("Time (UTC)"), QStringLiteral("Station"), QStringLiteral("Table"),
            QStringLiteral("Row"),        QStringLiteral("Identifier"), QStringLiteral("Field"),
            QStringLiteral("Before"),     QStringLiteral("After"),   QStringLiteral("Action")};
}

std::optional<Rows> AuditRows(Database& db, const AuditFilter& filter, QString* error)
{
    if (!db.isOpen())
        return Rows();
    const std::optional<bool> exists = trailExists(db, error);
    if (!exists)
        return std::nullopt;
    if (!*exists)
        return Rows();
    QVariantList values;
    const std::unique_ptr<SqlStatement> q = db.prepare(selectRows(filter, &values));
    if (!q)
        return failed(db.lastError(), error);
    Rows rows;
    if (q->bind(values)) {
        const int columns = q->columnCount();
        while (q->step()) {
            QVariantList row;
            row.reserve(columns);
            for (int i = 0; i < columns; ++i)
                row << q->value(i);
            rows.push_back(std::move(row));
        }
    }
    if (!q->error().isEmpty())
        return failed(q->error(), error);
    return rows;
}

QStringList AuditValues(Database& db, const QString& column)
{
    QStringList values;
    if (!db.isOpen() || !OwnTableExists(db, kAuditTable) || (column != QLatin1String("field") && column != QLatin1String("action")))
        return values;
    const QString sql = QStringLiteral("SELECT DISTINCT %1 FROM %2 WHERE %1 <> '' ORDER BY %1");
    const std::unique_ptr<SqlStatement> q = db.prepare(sql.arg(column, QLatin1String(kAuditTable)));
    if (q && q->bind({})) {
        while (q->step())
            values << q->value(0).toString();
    }
    return values;
}

}  // namespace k7
