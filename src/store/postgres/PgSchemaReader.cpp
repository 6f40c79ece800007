#include "store/postgres/PgSchemaReader.h"

#include "store/K7Tables.h"
#include "store/postgres/PgIndexExpression.h"
#include "store/postgres/PgSession.h"
#include "store/postgres/PgTypes.h"

#include <libpq-fe.h>

#include <QHash>

namespace k7 {

namespace {

// Ordinary and partitioned tables of the current schema (a partition is
// part of its parent, not a table of its own).
const char* const kTables =
    "SELECT c.oid, c.relname FROM pg_catalog.pg_class c "
    "WHERE c.relnamespace = (SELECT oid FROM pg_catalog.pg_namespace WHERE nspname = current_schema()) "
    "AND c.relkind IN ('r', 'p') AND NOT c.relispartition ORDER BY c.oid";

// Every column of those tables; a domain is read as the type it is made of.
const char* const kColumns =
    "SELECT a.attrelid, a.attname, "
    "CASE WHEN t.typtype = 'd' THEN t.typbasetype ELSE a.atttypid END, "
    "CASE WHEN t.typtype = 'd' THEN t.typtypmod ELSE a.atttypmod END "
    "FROM pg_catalog.pg_attribute a JOIN pg_catalog.pg_class c ON c.oid = a.attrelid "
    "JOIN pg_catalog.pg_type t ON t.oid = a.atttypid "
    "WHERE c.relnamespace = (SELECT oid FROM pg_catalog.pg_namespace WHERE nspname = current_schema()) "
    "AND c.relkind IN ('r', 'p') AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attrelid, a.attnum";

// One row per key column of every index: its field, or for an expression
// the expression's text.
const char* const kIndexColumns =
    "SELECT i.indrelid, ic.relname, i.indisunique, i.indisprimary, a.attname, "
    "pg_catalog.pg_get_indexdef(i.indexrelid, k.n, true) "
    "FROM pg_catalog.pg_index i JOIN pg_catalog.pg_class ic ON ic.oid = i.indexrelid "
    "JOIN pg_catalog.pg_class c ON c.oid = i.indrelid "
    "CROSS JOIN LATERAL generate_series(1, i.indnkeyatts) AS k(n) "
    "LEFT JOIN pg_catalog.pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = i.indkey[k.n - 1] "
    "AND a.attnum > 0 "
    "WHERE c.relnamespace = (SELECT oid FROM pg_catalog.pg_namespace WHERE nspname = current_schema()) "
    "ORDER BY i.indrelid, i.indexrelid, k.n";

QString textAt(const PGresult* r, int row, int col)
{
    return QString::fromUtf8(PQgetvalue(r, row, col), PQgetlength(r, row, col));
}

PgResultPtr query(PGconn* conn, const char* sql, QString* error)
{
    PgResultPtr result(PQexecParams(conn, sql, 0, nullptr, nullptr, nullptr, nullptr, 0));
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK) {
        *error = PgErrorText(result.get(), conn);
        result.reset();
    }
    return result;
}

class SchemaBuilder {
public:
    SchemaBuilder(std::vector<TableDef>* tables, const QString& hidden) : m_tables(tables), m_hidden(hidden) {}

    void addTables(const PGresult* r)
    {
        for (int row = 0; row < PQntuples(r); ++row) {
            const QString name = textAt(r, row, 1);
            if (IsOwnTable(name))
                continue;
            m_at.insert(textAt(r, row, 0), static_cast<int>(m_tables->size()));
            m_tables->push_back(TableDef{name, {}, {}});
        }
    }

    void addFields(const PGresult* r)
    {
        for (int row = 0; row < PQntuples(r); ++row) {
            TableDef* table = tableOf(r, row);
            const QString name = textAt(r, row, 1);
            if (!table || name == m_hidden)
                continue;
            const auto type = static_cast<unsigned int>(textAt(r, row, 2).toUInt());
            const int typmod = textAt(r, row, 3).toInt();
            table->fields.append(FieldFromDeclaration(name, PgDeclaration(type, typmod)));
        }
    }

    // Rows come in index order, key columns in order; an index is complete
    // when the next row starts another.
    void addIndexes(const PGresult* r)
    {
        IndexDef index;
        TableDef* owner = nullptr;
        bool hidden = false;
        QStringList parts;
        for (int row = 0; row <= PQntuples(r); ++row) {
            const bool next = row == PQntuples(r) || tableOf(r, row) != owner || textAt(r, row, 1) != index.name;
            if (next && owner && !hidden) {
                index.fields = parts.join(QLatin1Char(';'));
                owner->indexes.append(index);
            }
            if (row == PQntuples(r))
                break;
            if (next) {
                owner = tableOf(r, row);
                index = IndexDef{textAt(r, row, 1), QString(), textAt(r, row, 3) == QLatin1String("t"),
                                 textAt(r, row, 2) == QLatin1String("t"), QString()};
                parts.clear();
                hidden = false;
            }
            if (!owner)
                continue;
            const QString field = fieldOf(*owner, r, row);
            hidden = hidden || field == m_hidden;
            parts << QLatin1Char('+') + field;
        }
    }

private:
    TableDef* tableOf(const PGresult* r, int row)
    {
        const auto it = m_at.constFind(textAt(r, row, 0));
        return it == m_at.constEnd() ? nullptr : &(*m_tables)[*it];
    }

    QString fieldOf(const TableDef& table, const PGresult* r, int row) const
    {
        if (!PQgetisnull(r, row, 4))
            return textAt(r, row, 4);
        QStringList names;
        for (const FieldDef& f : table.fields)
            names << f.name;
        return FieldOfIndexExpression(textAt(r, row, 5), names);
    }

    std::vector<TableDef>* m_tables;
    QString m_hidden;
    QHash<QString, int> m_at;  // table oid -> position in m_tables
};

}  // namespace

bool ReadPgSchema(PGconn* conn, const QString& hiddenColumn, std::vector<TableDef>* tables, QString* error)
{
    SchemaBuilder builder(tables, hiddenColumn);
    const PgResultPtr names = query(conn, kTables, error);
    if (!names)
        return false;
    builder.addTables(names.get());
    const PgResultPtr columns = query(conn, kColumns, error);
    if (!columns)
        return false;
    builder.addFields(columns.get());
    const PgResultPtr indexes = query(conn, kIndexColumns, error);
    if (!indexes)
        return false;
    builder.addIndexes(indexes.get());
    return true;
}

}  // namespace k7
