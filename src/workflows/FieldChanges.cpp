#include "workflows/FieldChanges.h"

#include "store/SqlStatement.h"
#include "workflows/TableChange.h"

#include <memory>

namespace k7 {

namespace {

// The data table's name as the file spells it.
QString storedTableName(const DataStore& store)
{
    const std::optional<TableDef> def = store.currentdb().findTable(store.tablename());
    return def ? def->name : store.tablename();
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
    const QString name = QuoteName(field);
    const std::unique_ptr<SqlStatement> q =
        db.prepare(QStringLiteral("SELECT count(*) FROM %1 WHERE %2 AND length(%3) > ?")
                       .arg(QuoteName(table), db.dialect().storedAsText(name), name));
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
    return ChangeDataTable(store, shell, error, [&](Database& db) {
        if ((cutting && !store.audit().recordCut(table, field, length, QLatin1String(AuditAction::LengthChange)))
            || !store.audit().record({table, 0, QString(), field, before.size, length,
                                    QLatin1String(AuditAction::LengthChange)}))
            return fail(error, store.audit().lastError());
        return db.setTextFieldLength(table, field, length);
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
    const QString name = QuoteName(field);
    const std::unique_ptr<SqlStatement> q =
        db.prepare(QStringLiteral("SELECT %1 FROM %2 GROUP BY %1").arg(name, QuoteName(table)));
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
