#include "store/FileTableRebuild.h"

#include "store/Database.h"
#include "store/SqlStatement.h"
#include "store/TableDef.h"

#include <QStringList>

#include <memory>

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

// Runs `sql` with `values` and hands each row to `row`; false with the
// reason in *error.
template <typename RowReader>
bool readRows(Database& db, const QString& sql, const QVariantList& values, QString* error, RowReader row)
{
    const std::unique_ptr<SqlStatement> q = db.prepare(sql);
    if (!q) {
        *error = db.lastError();
        return false;
    }
    if (q->bind(values)) {
        while (q->step())
            row(*q);
    }
    *error = q->error();
    return error->isEmpty();
}

bool readShape(Database& db, const QString& table, TableShape* shape, QString* error)
{
    const bool columns = readRows(
        db, QStringLiteral("SELECT name, type, \"notnull\", dflt_value, pk FROM pragma_table_info(?) ORDER BY cid"),
        {table}, error, [shape](const SqlStatement& q) {
            ColumnShape c{q.value(0).toString(), q.value(1).toString(), q.int64(4) > 0};
            if (q.int64(2) != 0)
                c.declaration += QStringLiteral(" NOT NULL");
            if (q.type(3) != SqlStatement::ValueType::Null)
                c.declaration += QStringLiteral(" DEFAULT ") + q.value(3).toString();
            shape->columns.append(c);
        });
    return columns
           && readRows(db,
                       QStringLiteral("SELECT sql FROM sqlite_master WHERE type IN ('index', 'trigger') "
                                      "AND tbl_name = ? AND sql IS NOT NULL ORDER BY rowid"),
                       {table}, error,
                       [shape](const SqlStatement& q) { shape->dependents << q.value(0).toString(); });
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

// The rebuild's statements in order. A view of the table made by another
// tool names it and would fail the engine's check of the schema between the
// drop and the rename; the old rename rules skip that check, and the view
// then reads the new table.
bool replaceTable(Database& db, const QString& table, const TableShape& shape, const QString& copy,
                  const QVariantList& bound)
{
    if ((db.findTable(kRebuildTableName) && !db.deleteTable(kRebuildTableName))
        || !db.execute(createStatement(kRebuildTableName, shape)) || !db.execute(copy, bound)
        || !db.deleteTable(table) || !db.setLegacyAlterTable(true) || !db.renameTable(kRebuildTableName, table)
        || !db.setLegacyAlterTable(false))
        return false;
    for (const QString& sql : shape.dependents)
        if (!db.execute(sql))
            return false;
    return db.refresh();
}

}  // namespace

bool RebuildFileTableWithTextField(Database& db, const QString& table, const QString& field, int length,
                                   QString* error)
{
    TableShape shape;
    if (!readShape(db, table, &shape, error))
        return false;
    const int column = columnOf(shape, field);
    if (column < 0) {
        *error = QStringLiteral("The table %1 has no field %2.").arg(table, field);
        return false;
    }
    const FieldDef before = FieldFromDeclaration(field, shape.columns[column].declaration);
    // Only a shorter Text field (or one that was not Text) can have values to cut.
    const bool cutting = before.type != FieldType::Text || before.size > length;
    shape.columns[column].declaration = DeclarationOf(FieldDef{field, FieldType::Text, length, true});
    const QString copy = copyStatement(table, kRebuildTableName, shape, cutting ? column : -1);
    if (replaceTable(db, table, shape, copy, cutting ? QVariantList{length, length} : QVariantList{}))
        return true;
    *error = db.lastError();
    return false;
}

}  // namespace k7
