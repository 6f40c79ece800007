#include "workflows/FieldChanges.h"

#include "workflows/TableChange.h"

#include <QSqlError>
#include <QSqlQuery>

namespace k7 {

namespace {

struct ColumnShape {
    QString name;
    QString declaration;  // declared type with NOT NULL and DEFAULT, as the table has them
    bool primaryKey = false;
};

// The schema of a table as the statements that make it again: columns in
// order, and the CREATE statements of its indexes and triggers.
struct TableShape {
    QList<ColumnShape> columns;
    QStringList dependents;
};

QString queryError(const QSqlQuery& q)
{
    const QSqlError e = q.lastError();
    return e.databaseText().isEmpty() ? e.text() : e.databaseText();
}

bool readShape(Database& db, const QString& table, TableShape* shape, QString* error)
{
    QSqlQuery q(db.connection());
    q.prepare(QStringLiteral("SELECT name, type, \"notnull\", dflt_value, pk FROM pragma_table_info(?) ORDER BY cid"));
    q.addBindValue(table);
    if (!q.exec()) {
        *error = queryError(q);
        return false;
    }
    while (q.next()) {
        ColumnShape c{q.value(0).toString(), q.value(1).toString(), q.value(4).toInt() > 0};
        if (q.value(2).toInt() != 0)
            c.declaration += QStringLiteral(" NOT NULL");
        if (!q.value(3).isNull())
            c.declaration += QStringLiteral(" DEFAULT ") + q.value(3).toString();
        shape->columns.append(c);
    }
    q.finish();
    q.prepare(QStringLiteral("SELECT sql FROM sqlite_master WHERE type IN ('index', 'trigger') "
                             "AND tbl_name = ? AND sql IS NOT NULL ORDER BY rowid"));
    q.addBindValue(table);
    if (!q.exec()) {
        *error = queryError(q);
        return false;
    }
    while (q.next())
        shape->dependents << q.value(0).toString();
    return true;
}

QString createStatement(const QString& name, const TableShape& shape)
{
    QStringList parts;
    QStringList keys;
    for (const ColumnShape& c : shape.columns) {
        parts << (QuoteName(c.name) + QLatin1Char(' ') + c.declaration).trimmed();
        if (c.primaryKey)
            keys << QuoteName(c.name);
    }
    if (!keys.isEmpty())
        parts << QStringLiteral("PRIMARY KEY (%1)").arg(keys.join(QStringLiteral(", ")));
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(QuoteName(name), parts.join(QStringLiteral(", ")));
}

// INSERT ... SELECT from `from` into `to`, which has the same columns in the
// same order. Without a cut, "SELECT *" lets the engine copy the rows as they
// are stored, keeping their rowids, which is several times faster than
// reading and writing each one. With a cut, the text of column `cut` longer
// than the length (bound twice) is cut to it, and the rowid goes along unless
// a primary key carries the rows' identity.
QString copyStatement(const QString& from, const QString& to, const TableShape& shape, int cut)
{
    if (cut < 0)
        return QStringLiteral("INSERT INTO %1 SELECT * FROM %2").arg(QuoteName(to), QuoteName(from));
    QStringList targets;
    QStringList sources;
    bool keyed = false;
    for (int i = 0; i < shape.columns.size(); ++i) {
        const QString name = QuoteName(shape.columns[i].name);
        keyed = keyed || shape.columns[i].primaryKey;
        targets << name;
        sources << (i == cut ? QStringLiteral("CASE WHEN typeof(%1) = 'text' AND length(%1) > ? "
                                              "THEN substr(%1, 1, ?) ELSE %1 END")
                                   .arg(name)
                             : name);
    }
    if (!keyed) {
        targets.prepend(QStringLiteral("rowid"));
        sources.prepend(QStringLiteral("rowid"));
    }
    return QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %4")
        .arg(QuoteName(to), targets.join(QStringLiteral(", ")), sources.join(QStringLiteral(", ")),
             QuoteName(from));
}

int columnOf(const TableShape& shape, const QString& field)
{
    for (int i = 0; i < shape.columns.size(); ++i)
        if (shape.columns[i].name.compare(field, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

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
    QSqlQuery q(db.connection());
    q.prepare(QStringLiteral("SELECT count(*) FROM %1 WHERE typeof(%2) = 'text' AND length(%2) > ?")
                  .arg(QuoteName(table), QuoteName(field)));
    q.addBindValue(length);
    if (!q.exec() || !q.next()) {
        *error = queryError(q);
        return std::nullopt;
    }
    return q.value(0).toLongLong();
}

bool ChangeFieldLength(DataStore& store, ShellHooks& shell, const QString& field, int length,
                       QString* error)
{
    const QString table = storedTableName(store);
    TableShape shape;
    if (!readShape(store.currentdb(), table, &shape, error))
        return false;
    const int column = columnOf(shape, field);
    if (column < 0)
        return fail(error, QStringLiteral("The data table %1 has no field %2.").arg(table, field));
    const FieldDef before = FieldFromDeclaration(field, shape.columns[column].declaration);
    // Only a shorter Text field (or one that was not Text) can have values to cut.
    const bool cutting = before.type != FieldType::Text || before.size > length;
    shape.columns[column].declaration = DeclarationOf(FieldDef{field, FieldType::Text, length, true});
    const QString copy = copyStatement(table, kRebuildTableName, shape, cutting ? column : -1);
    const QVariantList bound = cutting ? QVariantList{length, length} : QVariantList{};

    // A view of the data table made by another tool names it and would fail
    // the engine's check of the schema between the drop and the rename; the
    // old rename rules skip that check, and the view then reads the new table.
    const bool changed = ChangeDataTable(store, shell, error, [&](Database& db) {
        if (db.findTable(kRebuildTableName) && !db.deleteTable(kRebuildTableName))
            return false;
        if ((cutting && !store.audit().recordCut(table, field, length, QLatin1String(AuditAction::LengthChange)))
            || !store.audit().record({table, 0, QString(), field, before.size, length,
                                    QLatin1String(AuditAction::LengthChange)}))
            return fail(error, store.audit().lastError());
        if (!db.execute(createStatement(kRebuildTableName, shape))
            || !db.execute(copy, bound)
            || !db.deleteTable(table) || !db.setLegacyAlterTable(true)
            || !db.renameTable(kRebuildTableName, table) || !db.setLegacyAlterTable(false))
            return false;
        for (const QString& sql : shape.dependents)
            if (!db.execute(sql))
                return false;
        return db.refresh();
    });
    // The rules are back off inside the change when it succeeds; a step that
    // failed while they were on left them on.
    if (!changed && !store.currentdb().setLegacyAlterTable(false))
        *error += QLatin1Char(' ') + store.currentdb().lastError();
    return changed;
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
    QSqlQuery q(db.connection());
    q.setForwardOnly(true);
    const QString name = QuoteName(field);
    if (!q.exec(QStringLiteral("SELECT %1 FROM %2 GROUP BY %1").arg(name, QuoteName(table)))) {
        *error = queryError(q);
        return std::nullopt;
    }
    QStringList values;
    while (q.next())
        values << q.value(0).toString();
    return values;
}

}  // namespace k7
