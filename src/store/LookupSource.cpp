#include "store/LookupSource.h"

#include "store/Database.h"

#include <QVariant>

namespace k7 {

bool IsOperatorTable(const QString& table)
{
    for (const char* prefix : {"sqlite_", "k7_", "MSys"})
        if (table.startsWith(QLatin1String(prefix), Qt::CaseInsensitive))
            return false;
    return true;
}

std::optional<QStringList> LookupTableNames(const QString& path, QString* error)
{
    Database db;
    if (!db.open(path, Database::Access::ReadOnly)) {
        *error = db.lastError();
        return std::nullopt;
    }
    QStringList names;
    for (const QString& name : db.tableNames())
        if (IsOperatorTable(name))
            names << name;
    return names;
}

std::optional<QStringList> LookupFieldNames(const QString& path, const QString& table, QString* error)
{
    Database db;
    if (!db.open(path, Database::Access::ReadOnly)) {
        *error = db.lastError();
        return std::nullopt;
    }
    const std::optional<TableDef> def = db.findTable(table);
    if (!def) {
        *error = QStringLiteral("The table %1 does not exist.").arg(table);
        return std::nullopt;
    }
    QStringList names;
    for (const FieldDef& f : def->fields)
        names << f.name;
    return names;
}

}  // namespace k7
