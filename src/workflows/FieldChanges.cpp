#include "workflows/FieldChanges.h"

#include "store/SqlStatement.h"
#include "workflows/TableChange.h"

#include <memory>
#include <utility>

namespace k7 {

namespace {

// The data table's name as the file spells it.
QString storedTableName(const DataStore& store)
{
    const std::optional<TableDef> def = store.currentdb().findTable(store.tablename());
    return def ? def->name : store.tablename();
}

// A table's and a field's names quoted as the database spells them: a
// server's quoted names are case-sensitive, a CFG's need not match.
std::pair<QString, QString> quotedStoredNames(const Database& db, const QString& table, const QString& field)
{
    const std::optional<TableDef> def = db.findTable(table);
    const int at = def ? def->fieldIndex(field) : -1;
    return {QuoteName(def ? def->name : table), QuoteName(at >= 0 ? def->fields[at].name : field)};
}

bool fail(QString* error, const QString& text)
{
    *error = text;
    return false;
}

}  // namespace

std::optional<qint64> CountLongerValues(Database& db, const QString& table, const QString& field,
                                        int length, QString* error)
{
    const auto [from, name] = quotedStoredNames(db, table, field);
    // Cast, as a server checks length() against the field's type even where
    // the condition before it rules the row out.
    const std::unique_ptr<SqlStatement> q =
        db.prepare(QStringLiteral("SELECT count(*) FROM %1 WHERE %2 AND length(CAST(%3 AS TEXT)) > ?")
                       .arg(from, db.dialect().storedAsText(name), name));
    if (!q) {
        *error = db.lastError();
        return std::nullopt;
    }
    if (!q->bind({length}) || !q->step()) {
        *error = q->error();
        return std::nullopt;
    }
    return q->int64(0);
}

bool ChangeFieldLength(DataStore& store, ShellHooks& shell, const QString& field, int length,
                       QString* error)
{
    const QString table = storedTableName(store);
    const std::optional<TableDef> def = store.currentdb().findTable(table);
    const int at = def ? def->fieldIndex(field) : -1;
    if (at < 0)
        return fail(error, QStringLiteral("The data table %1 has no field %2.").arg(table, field));
    const FieldDef& before = def->fields[at];
    // Only a shorter Text field (or one that was not Text) can have values to cut.
    const bool cutting = before.type != FieldType::Text || before.size > length;
    // The trail names the field as the table spells it, as a rename does, so
    // that its window lists one field under one name.
    const QString stored = before.name;
    return ChangeDataTable(store, shell, error, [&](Database& db) {
        if ((cutting && !store.audit().recordCut(table, stored, length, QLatin1String(AuditAction::LengthChange)))
            || !store.audit().record(
                {table, 0, QString(), stored, before.size, length, QLatin1String(AuditAction::LengthChange)}))
            return fail(error, store.audit().lastError());
        return db.setTextFieldLength(table, stored, length);
    });
}

bool RenameDataField(DataStore& store, ShellHooks& shell, const QString& field, const QString& newName,
                     QString* error)
{
    const std::optional<TableDef> def = store.currentdb().findTable(store.tablename());
    const int at = def ? def->fieldIndex(field) : -1;
    if (at < 0)
        return fail(error, QStringLiteral("The data table %1 has no field %2.").arg(store.tablename(), field));
    const QString table = def->name;
    const QString stored = def->fields[at].name;
    return ChangeDataTable(store, shell, error, [&](Database& db) {
        if (!store.audit().record({table, 0, QString(), stored, stored, newName, QLatin1String(AuditAction::Rename)}))
            return fail(error, store.audit().lastError());
        return db.renameField(table, stored, newName);
    });
}

std::optional<QStringList> DistinctFieldValues(Database& db, const QString& table, const QString& field,
                                               QString* error)
{
    const auto [from, name] = quotedStoredNames(db, table, field);
    // Ordered as a file's GROUP BY lists them; a server's comes in any order.
    const std::unique_ptr<SqlStatement> q = db.prepare(
        QStringLiteral("SELECT %1 FROM %2 GROUP BY %1 ORDER BY %3").arg(name, from, db.dialect().nullsFirst(name)));
    if (!q) {
        *error = db.lastError();
        return std::nullopt;
    }
    QStringList values;
    if (q->bind({})) {
        while (q->step())
            values << q->value(0).toString();
    }
    if (!q->error().isEmpty()) {
        *error = q->error();
        return std::nullopt;
    }
    return values;
}

}  // namespace k7
