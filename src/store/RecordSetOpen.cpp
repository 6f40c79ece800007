// Opening and closing record sets: the key query of a dynaset and the rows
// of a snapshot.
#include "store/RecordSet.h"
#include "store/VerifiedRows.h"

#include "store/Database.h"
#include "store/FoldedMatch.h"
#include "store/ShownText.h"
#include "store/SqlStatement.h"

#include <algorithm>
#include <cmath>

namespace k7 {

namespace {

// The name under which the row id is selected: the engine's first name
// for it that is not also the name of one of the table's fields.
QString rowidAlias(const TableDef& table, const SqlDialect& dialect)
{
    for (const QString& name : dialect.rowidNames()) {
        if (table.fieldIndex(name) < 0)
            return name;
    }
    return QString();
}

QString noSuchField(const QString& table, const QString& field)
{
    return QStringLiteral("The table %1 has no field %2.").arg(table, field);
}

// The condition keeping the rows whose `field` shows `value`, with its
// values appended to `values`.
QString filterCondition(const FieldDef& field, const QString& value, QVariantList& values, const SqlDialect& dialect)
{
    const QString name = QuoteName(field.name);
    if (value.isEmpty())
        return QStringLiteral("(%1 IS NULL OR CAST(%1 AS text) = '')").arg(name);
    const std::optional<QVariant> v = ValueShowing(value, field.type);
    if (!v)
        return QStringLiteral("1 = 0");
    switch (field.type) {
    case FieldType::Single: {
        // Every double that rounds to the float shown, so that values
        // written by other programs match too.
        const float f = static_cast<float>(v->toDouble());
        const double below = std::nextafter(f, -INFINITY);
        const double above = std::nextafter(f, INFINITY);
        values << (f + below) / 2 << (f + above) / 2;
        return QStringLiteral("(%1 >= ? AND %1 <= ?)").arg(name);
    }
    case FieldType::Long:
    case FieldType::YesNo:
        values << *v;
        return name + QStringLiteral(" = ?");
    default:
        values << *v;
        return dialect.foldedCompare(name, QStringLiteral("="), QStringLiteral("?"), field.type == FieldType::Text);
    }
}

// A sort term ordering text as Find and uniqueness compare it (FoldedMatch.h).
QString caseFreeOrder(const FieldDef& field, const SqlDialect& dialect)
{
    return dialect.foldedOrder(QuoteName(field.name), field.type == FieldType::Text);
}

// What a dynaset reads: its fields, the name its row ids go by, the query of
// its keys in order and the query of one row by its key.
struct DynasetPlan {
    QList<FieldDef> fields;
    QString rowid;
    DynasetKeyQueries keys;
    QString fetchSql;
};

// The fields named in `columns` (every field when there are none).
[[nodiscard]] bool selectedFields(const TableDef& def, const QStringList& columns, QList<FieldDef>* fields,
                                  QString* error)
{
    if (columns.isEmpty()) {
        *fields = def.fields;
        return true;
    }
    for (const auto& c : columns) {
        const int i = def.fieldIndex(c);
        if (i < 0) {
            *error = noSuchField(def.name, c);
            return false;
        }
        fields->append(def.fields[i]);
    }
    return true;
}

// The sort terms of `orderBy`, each ordering text as Find compares it.
[[nodiscard]] bool sortTerms(const TableDef& def, const QStringList& orderBy, const SqlDialect& dialect,
                             QStringList* terms, QString* error)
{
    for (const auto& f : orderBy) {
        const int i = def.fieldIndex(f);
        if (i < 0) {
            *error = noSuchField(def.name, f);
            return false;
        }
        *terms << dialect.nullsFirst(caseFreeOrder(def.fields[i], dialect));
    }
    return true;
}

// The plan of a dynaset over `def`, or nullopt with the reason in `error`
// (a field it names is missing, or the table has no row ids).
[[nodiscard]] std::optional<DynasetPlan> planDynaset(const TableDef& def, const SqlDialect& dialect,
                                                     const QStringList& columns,
                                                     const QStringList& orderBy, const QString& condition,
                                                     QString* error)
{
    DynasetPlan plan;
    if (!selectedFields(def, columns, &plan.fields, error))
        return std::nullopt;
    plan.rowid = rowidAlias(def, dialect);
    if (plan.rowid.isEmpty()) {
        *error = QStringLiteral("The table %1 has no row ids.").arg(def.name);
        return std::nullopt;
    }
    QStringList orderTerms;
    if (!sortTerms(def, orderBy, dialect, &orderTerms, error))
        return std::nullopt;
    const QString where = condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + condition;
    const QString table = QuoteName(def.name);
    if (orderTerms.isEmpty() && condition.isEmpty()) {
        // Each in a statement of its own, the engine counts the table's
        // pages and finds its ends in the index instead of stepping
        // through the rows.
        plan.keys.count = QStringLiteral("SELECT (SELECT count(*) FROM %2), (SELECT min(%1) FROM %2), "
                                         "(SELECT max(%1) FROM %2)")
                              .arg(plan.rowid, table);
        const QString window = QStringLiteral("SELECT %1 FROM %2 WHERE %1 >= ? AND %1 <= ? ORDER BY %1 %3 LIMIT ?");
        plan.keys.forward = window.arg(plan.rowid, table, QStringLiteral("ASC"));
        plan.keys.backward = window.arg(plan.rowid, table, QStringLiteral("DESC"));
    }
    orderTerms << plan.rowid;
    plan.keys.keys = QStringLiteral("SELECT %1 FROM %2%3 ORDER BY %4")
                         .arg(plan.rowid, table, where, orderTerms.join(QStringLiteral(", ")));
    QStringList select;
    for (const auto& f : plan.fields)
        select << QuoteName(f.name);
    plan.fetchSql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                        .arg(select.join(QStringLiteral(", ")), QuoteName(def.name), plan.rowid);
    return plan;
}

// `field` quoted as the table spells it: a server's quoted names match only
// so. The field must be one of the table's.
QString quotedColumn(const TableDef& def, const QString& field)
{
    return QuoteName(def.fields[def.fieldIndex(field)].name);
}

// The query reading `orderBy`'s order over a range of rowids, as a split
// read merges it (ViewKeyQuery): the sort keys, then the rowid.
void addRangeQuery(const TableDef& def, const SqlDialect& dialect, const QStringList& orderBy,
                   const QString& condition, const QString& rowid, ViewKeyQuery* keys)
{
    QStringList select;
    QStringList terms;
    QString error;
    if (!sortTerms(def, orderBy, dialect, &terms, &error))
        return;
    for (const auto& f : orderBy)
        select << dialect.foldKey(quotedColumn(def, f));
    select << rowid;
    terms << rowid;
    const QString table = QuoteName(def.name);
    const QString range = QStringLiteral("%1 BETWEEN ? AND ?").arg(rowid);
    // The condition's values are bound first, so it comes first.
    const QString where = condition.isEmpty() ? range : QStringLiteral("(%1) AND %2").arg(condition, range);
    keys->rangeSql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4")
                         .arg(select.join(QStringLiteral(", ")), table, where, terms.join(QStringLiteral(", ")));
    keys->sortKeys = static_cast<int>(orderBy.size());
    // Each end in a statement of its own: together they would scan the table.
    keys->rowidEnds = QStringLiteral("SELECT (SELECT min(%1) FROM %2), (SELECT max(%1) FROM %2)").arg(rowid, table);
}

}  // namespace

bool RecordSet::refuse(const QString& error, bool keepOnFailure)
{
    if (!keepOnFailure)
        close();
    return fail(error);
}

bool RecordSet::openTable(Database& db, const QString& table)
{
    DynasetQuery query;
    query.table = table;
    query.name = table;
    return openDynaset(db, query, false, nullptr);
}

bool RecordSet::openWhere(Database& db, const QString& table, const QString& field,
                          const QVariant& value, Qt::CaseSensitivity cs, const QStringList& columns)
{
    const std::optional<TableDef> def = db.isOpen() ? db.findTable(table) : std::nullopt;
    // A misspelt name must be an error, not a comparison with a constant.
    if (def && def->fieldIndex(field) < 0)
        return refuse(noSuchField(def->name, field), false);
    const QString shownColumns = columns.isEmpty() ? QStringLiteral("*")
                                                   : QStringLiteral("[%1]").arg(columns.join(QStringLiteral("], [")));
    const QString column = def ? quotedColumn(*def, field) : QuoteName(field);
    DynasetQuery query;
    query.table = table;
    query.columns = columns;
    query.where = cs == Qt::CaseInsensitive ? db.dialect().caselessEquals(column, QStringLiteral("?"))
                                            : column + QStringLiteral(" = ?");
    query.whereValues = {value};
    query.name = QStringLiteral("SELECT %1 FROM [%2] WHERE [%3] = ?").arg(shownColumns, table, field);
    return openDynaset(db, query, false, nullptr);
}

bool RecordSet::openFolded(Database& db, const QString& table, const QString& field, const QString& value,
                           const QStringList& columns)
{
    const std::optional<TableDef> def = db.isOpen() ? db.findTable(table) : std::nullopt;
    if (def && def->fieldIndex(field) < 0)
        return refuse(noSuchField(def->name, field), false);
    DynasetQuery query;
    query.table = table;
    query.columns = columns;
    if (def)
        query.where = db.dialect().foldedLookup(QuoteName(def->name), quotedColumn(*def, field),
                                                rowidAlias(*def, db.dialect()));
    query.whereValues = {FoldKey(value)};
    query.name = QStringLiteral("SELECT * FROM %1 WHERE %2 folds to ?").arg(QuoteName(table), QuoteName(field));
    return openDynaset(db, query, false, nullptr);
}

std::optional<RecordSet::DynasetQuery> RecordSet::viewQuery(const Database& db, const QString& table,
                                                           const RecordView& view, QString* error)
{
    const std::optional<TableDef> def = db.isOpen() ? db.findTable(table) : std::nullopt;
    DynasetQuery query;
    query.table = table;
    query.orderBy = view.sortFields;
    query.view = view;
    query.placesAdded = true;
    query.name = QStringLiteral("SELECT * FROM ") + QuoteName(table);
    if (def && view.filtered()) {
        const int fi = def->fieldIndex(view.filterField);
        if (fi < 0) {
            *error = noSuchField(def->name, view.filterField);
            return std::nullopt;
        }
        query.where = filterCondition(def->fields[fi], view.filterValue, query.whereValues, db.dialect());
        query.name += QStringLiteral(" WHERE ") + QuoteName(def->fields[fi].name) + QStringLiteral(" shows ?");
    }
    if (def && view.unverifiedOnly) {
        const QString unverified = NotVerifiedCondition(QuoteName(def->name), db.dialect().rowidName());
        query.where = query.where.isEmpty() ? unverified
                                            : QStringLiteral("(%1) AND %2").arg(query.where, unverified);
        query.whereValues << def->name;
        query.name += view.filtered() ? QStringLiteral(" AND not verified") : QStringLiteral(" WHERE not verified");
    }
    if (view.sorted())
        query.name += QStringLiteral(" ORDER BY ") + view.sortFields.join(QLatin1Char(','));
    return query;
}

bool RecordSet::openView(Database& db, const QString& table, const RecordView& view, Keyset* keys)
{
    QString error;
    const std::optional<DynasetQuery> query = viewQuery(db, table, view, &error);
    if (!query)
        return refuse(error, true);
    return openDynaset(db, *query, true, keys);
}

std::optional<ViewKeyQuery> RecordSet::viewKeyQuery(const Database& db, const QString& table, const RecordView& view,
                                                    QString* error)
{
    const std::optional<DynasetQuery> query = viewQuery(db, table, view, error);
    if (!query)
        return std::nullopt;
    const std::optional<TableDef> def = db.isOpen() ? db.findTable(table) : std::nullopt;
    if (!def) {
        *error = QStringLiteral("The table %1 does not exist in the database.").arg(table);
        return std::nullopt;
    }
    const std::optional<DynasetPlan> plan = planDynaset(*def, db.dialect(), query->columns, query->orderBy, query->where, error);
    if (!plan)
        return std::nullopt;
    ViewKeyQuery keys;
    // In table order the count and the ends say enough; nothing to wait for.
    if (plan->keys.count.isEmpty()) {
        keys.sql = plan->keys.keys;
        keys.values = query->whereValues;
    }
    if (!query->orderBy.isEmpty() && db.dialect().splitsKeyReads())
        addRangeQuery(*def, db.dialect(), query->orderBy, query->where, plan->rowid, &keys);
    return keys;
}

bool RecordSet::openDynaset(Database& db, const DynasetQuery& query, bool keepOnFailure, Keyset* preread)
{
    if (!db.isOpen())
        return refuse(QStringLiteral("The database is not open."), keepOnFailure);
    const std::optional<TableDef> def = db.findTable(query.table);
    if (!def)
        return refuse(QStringLiteral("The table %1 does not exist in the database.").arg(query.table), keepOnFailure);
    QString error;
    const std::optional<DynasetPlan> planned = planDynaset(*def, db.dialect(), query.columns, query.orderBy, query.where, &error);
    if (!planned)
        return refuse(error, keepOnFailure);
    const DynasetPlan& plan = *planned;
    // The keys are read before anything changes, so a refused query leaves
    // the set as it was.
    WindowedKeyset keys;
    m_errorCode = 0;
    if (preread && plan.keys.count.isEmpty())
        keys.assign(std::move(*preread));
    else if (!readKeys(db, plan.keys, query.whereValues, keys, &error, &m_errorCode))
        return refuse(error, keepOnFailure);

    close();
    m_error.clear();
    m_table = def->name;
    m_fields = plan.fields;
    m_rowidName = plan.rowid;
    m_keyQueries = plan.keys;
    m_keyValues = query.whereValues;
    m_where = query.where;
    m_view = query.view;
    m_placesAdded = query.placesAdded;
    m_fetchSql = plan.fetchSql;
    m_name = query.name;
    m_updatable = true;
    m_db = &db;
    db.attach(this);
    m_keys = std::move(keys);
    m_pos = 0;
    startAccounting();
    return true;
}

bool RecordSet::openQuery(Database& db, const QString& sql, const QVariantList& values)
{
    close();
    m_error.clear();
    if (!db.isOpen())
        return fail(QStringLiteral("The database is not open."));
    // A statement of its own: the query may be anything and runs once.
    const std::unique_ptr<SqlStatement> stmt = db.prepare(sql);
    if (!stmt)
        return fail(db.lastError());
    if (!stmt->bind(values))
        return fail(stmt->error());
    QList<FieldDef> fields;
    for (int i = 0; i < stmt->columnCount(); ++i)
        fields.append(FieldFromDeclaration(stmt->columnName(i), stmt->columnDeclaredType(i)));
    std::vector<QVariantList> rows;
    while (stmt->step()) {
        QVariantList row;
        row.reserve(fields.size());
        for (int i = 0; i < fields.size(); ++i)
            row.append(stmt->value(i));
        rows.push_back(std::move(row));
    }
    if (!stmt->error().isEmpty())
        return fail(stmt->error());
    m_fields = fields;
    m_rows = std::move(rows);
    Keyset numbers;
    numbers.appendRun(0, static_cast<qint64>(m_rows.size()));
    m_keys.assign(std::move(numbers));
    m_name = sql;
    m_keyValues = values;
    m_updatable = false;
    m_db = &db;
    db.attach(this);
    m_pos = 0;
    return true;
}

void RecordSet::close()
{
    if (m_db)
        m_db->detach(this);
    m_db = nullptr;
    m_name.clear();
    m_table.clear();
    m_updatable = false;
    m_keyQueries = {};
    m_keyValues.clear();
    m_where.clear();
    m_view = RecordView();
    m_placesAdded = false;
    m_lastModified = -1;
    m_placed = {};
    m_seenUpTo = 0;
    m_accounted.clear();
    m_rowidName.clear();
    m_fetchSql.clear();
    m_keys.clear();
    m_rows.clear();
    m_fields.clear();
    m_pos = -1;
    m_afterDelete = false;
    m_loadedKey = -1;
    m_current.clear();
    m_mode = Mode::None;
    m_buffer.clear();
    m_dirty.clear();
}

bool RecordSet::selectRowids(Database& db, const QString& sql, const QVariantList& values,
                             std::vector<qint64>& rowids, QString* error, int* code)
{
    SqlStatement* stmt = db.statement(sql);
    if (!stmt) {
        *error = db.lastError();
        if (code)
            *code = db.lastErrorCode();
        return false;
    }
    if (!stmt->bind(values)) {
        *error = stmt->error();
        return false;
    }
    while (stmt->step())
        rowids.push_back(stmt->int64(0));
    *error = stmt->error();
    if (code)
        *code = stmt->errorCode();
    stmt->reset();
    return error->isEmpty();
}

bool RecordSet::selectRowids(const QString& sql, const QVariantList& values, std::vector<qint64>& rowids) const
{
    QString error;
    return selectRowids(*m_db, sql, values, rowids, &error, &m_errorCode) || fail(error);
}

bool RecordSet::readKeys(Database& db, const DynasetKeyQueries& queries, const QVariantList& values, WindowedKeyset& keys,
                         QString* error, int* code)
{
    if (!queries.count.isEmpty()) {
        SqlStatement* stmt = db.statement(queries.count);
        if (!stmt) {
            *error = db.lastError();
            *code = db.lastErrorCode();
            return false;
        }
        const bool read = stmt->step();
        const qint64 count = read ? stmt->int64(0) : 0;
        const qint64 first = read ? stmt->int64(1) : 0;
        const qint64 last = read ? stmt->int64(2) : 0;
        *error = stmt->error();
        *code = stmt->errorCode();
        stmt->reset();
        if (!error->isEmpty())
            return false;
        // Rowids are unique, so as many rows as numbers from the first to
        // the last means every number between is there.
        if (count == 0 || static_cast<quint64>(last) - static_cast<quint64>(first) == static_cast<quint64>(count - 1)) {
            Keyset run;
            run.appendRun(first, count);
            keys.assign(std::move(run));
            return true;
        }
        Database* source = &db;
        keys.startWindows(count, first, last,
                          [source, queries](qint64 low, qint64 high, qint64 limit, bool fromTheEnd,
                                            std::vector<qint64>& rowids, QString* readError) {
                              return selectRowids(*source, fromTheEnd ? queries.backward : queries.forward,
                                                  {low, high, limit}, rowids, readError);
                          });
        return true;
    }
    SqlStatement* stmt = db.statement(queries.keys);
    if (!stmt) {
        *error = db.lastError();
        *code = db.lastErrorCode();
        return false;
    }
    if (!stmt->bind(values)) {
        *error = stmt->error();
        return false;
    }
    Keyset read;
    while (stmt->step())
        read.append(stmt->int64(0));
    *error = stmt->error();
    *code = stmt->errorCode();
    stmt->reset();
    keys.assign(std::move(read));
    return error->isEmpty();
}

bool RecordSet::loadKeys()
{
    WindowedKeyset keys;
    QString error;
    if (!readKeys(*m_db, m_keyQueries, m_keyValues, keys, &error, &m_errorCode))
        return fail(error);
    m_keys = std::move(keys);
    m_loadedKey = -1;
    startAccounting();
    return true;
}

}  // namespace k7
