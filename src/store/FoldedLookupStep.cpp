#include "store/FoldedLookupStep.h"

#include "store/Database.h"
#include "store/FoldedMatch.h"
#include "store/TableDef.h"

namespace k7 {

std::optional<SqlStep> FoldedLookupStep(const Database& db, const QString& table, const QString& field,
                                        const QString& value, QList<QVariantList>* rows, QString* error)
{
    const std::optional<TableDef> def = db.findTable(table);
    if (!def) {
        *error = QStringLiteral("The table %1 does not exist in the database.").arg(table);
        return std::nullopt;
    }
    const int fieldAt = def->fieldIndex(field);
    if (fieldAt < 0) {
        *error = QStringLiteral("The table %1 has no field %2.").arg(def->name, field);
        return std::nullopt;
    }
    const SqlDialect& dialect = db.dialect();
    QString rowid;
    for (const QString& name : dialect.rowidNames()) {
        if (def->fieldIndex(name) < 0) {
            rowid = name;
            break;
        }
    }
    if (rowid.isEmpty()) {
        *error = QStringLiteral("The table %1 has no row ids.").arg(def->name);
        return std::nullopt;
    }
    // Names as the catalogue spells them: a server's quoted names are case-sensitive.
    const QString quotedTable = QuoteName(def->name);
    const QString where = dialect.foldedLookup(quotedTable, QuoteName(def->fields[fieldAt].name), rowid);
    return SqlStep{QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(rowid, quotedTable, where), {FoldKey(value)}, rows};
}

}  // namespace k7
