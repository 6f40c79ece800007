#include "workflows/DataTable.h"

#include "workflows/AccessOffer.h"
#include "cfg/ServerUri.h"
#include "store/FoldedMatch.h"
#include "store/K7Tables.h"
#include "store/Naming.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace k7 {

namespace {

// K7's own helper indexes carry the prefix of its own tables; they never
// count as the index of a Unique variable.
bool isOwnIndex(const IndexDef& index)
{
    return IsOwnTable(index.name);
}

// Whether `index` covers exactly the variable's field, as "+NAME" or "+[NAME]".
bool coversField(const IndexDef& index, const QString& varname)
{
    const QString fields = index.fields.toLower();
    const QString name = varname.toLower();
    return fields == QLatin1Char('+') + name || fields == QStringLiteral("+[") + name + QLatin1Char(']');
}

// Whether the table has an index on just this field: one of K7's own, or not.
bool hasIndex(const Database& db, const QString& table, const QString& varname, bool own)
{
    const std::optional<TableDef> def = db.findTable(table);
    return def && std::any_of(def->indexes.begin(), def->indexes.end(), [&](const IndexDef& i) {
               return isOwnIndex(i) == own && coversField(i, varname);
           });
}

// An index name that no index or table of the database uses yet (the two
// share one set of names).
QString freeIndexName(const Database& db, const QString& wanted)
{
    QSet<QString> used;
    for (int t = 0; t < db.tableCount(); ++t) {
        const TableDef table = db.table(t);
        used.insert(table.name.toLower());
        for (const auto& index : table.indexes)
            used.insert(index.name.toLower());
    }
    QString name = wanted;
    for (int n = 2; used.contains(name.toLower()); ++n)
        name = wanted + QLatin1Char('_') + QString::number(n);
    return name;
}

// The partial index that keeps the folded uniqueness query fast (FoldedMatch.h).
// Without it the query is still right, only slower; so a failure is not reported.
void addFoldIndex(Database& db, const QString& table, const QString& varname)
{
    if (hasIndex(db, table, varname, true))
        return;
    IndexDef index;
    index.name = freeIndexName(db, QLatin1String(kOwnTablePrefix) + UniqueIndexName(table, varname));
    index.fields = QLatin1Char('+') + varname;
    index.folded = true;
    static_cast<void>(db.appendIndex(table, index));
}

// The indexes that Unique asks for, each made once.
void addUniqueIndexes(const Model& model, Database& db, const QString& table, Dialogs& dialogs)
{
    for (int v = 1; v <= model.varcount; ++v) {
        const Variable& var = model.var(v);
        if (var.varunique != 1)
            continue;
        // Only typed text is tested for uniqueness, through the folded query.
        if (var.vartype == TypeText || var.vartype == TypeSqid)
            addFoldIndex(db, table, var.varname);
        if (hasIndex(db, table, var.varname, false))
            continue;
        IndexDef index;
        index.name = freeIndexName(db, UniqueIndexName(table, var.varname));
        index.fields = QLatin1Char('+') + var.varname;
        if (!db.appendIndex(table, index)) {
            dialogs.message(QStringLiteral("Warning: Index could not be created on ") + var.varname
                                + QStringLiteral(". Either the name is invalid or there are too many indexed "
                                                 "fields. Use Unique only on fields that have unique entries "
                                                 "(such as ID numbers)."),
                            Style::OkOnly + Style::Information);
        }
    }
}

// Autoinc goes on from the largest number stored, looked up at every new
// record; an index keeps that a look-up instead of a read of the whole
// table. Any index on the field serves. Without one the numbers are still
// right, only slower; so a failure is not reported. A Text field holding
// the numbers is compared as numbers, which no plain index serves.
void addAutoincIndexes(const Model& model, Database& db, const QString& table)
{
    const std::optional<TableDef> def = db.findTable(table);
    for (int v = 1; def && v <= model.varcount; ++v) {
        const Variable& var = model.var(v);
        if (!var.varautoinc || var.vartype != TypeNumeric)
            continue;
        const int fi = def->fieldIndex(var.varname);
        if (fi < 0 || def->fields[fi].type == FieldType::Text || hasIndex(db, table, var.varname, false)
            || hasIndex(db, table, var.varname, true))
            continue;
        IndexDef index;
        index.name = freeIndexName(db, QLatin1String(kOwnTablePrefix) + UniqueIndexName(table, var.varname));
        index.fields = QLatin1Char('+') + var.varname;
        static_cast<void>(db.appendIndex(table, index));
    }
}

// A server that wants a password none of libpq's own sources gave asks the
// operator for it once; it is passed on and kept nowhere.
bool openWithPassword(DataStore& store, Dialogs& dialogs, const QString& dbname)
{
    if (!store.currentdb().wantsPassword())
        return false;
    const std::optional<QString> password = dialogs.inputPassword(
        QStringLiteral("The database server asks for a password to open %1:").arg(DatabaseNameForDisplay(dbname)));
    if (!password)
        return false;
    return store.openWithPassword(dbname, *password);
}

bool failOpen(DataStore& store, Dialogs& dialogs, ShellHooks& shell, const QString& reason)
{
    shell.setDataSource(nullptr);
    store.close();
    dialogs.message(QStringLiteral("Error: ") + reason, Style::OkOnly + Style::Critical);
    return false;
}

}  // namespace

TableDef DataTableDef(const Model& model, const QString& table)
{
    TableDef def;
    def.name = table;
    for (int v = 1; v <= model.varcount; ++v) {
        const Variable& var = model.var(v);
        if (IsTextType(var.vartype)) {
            const int size = std::clamp(static_cast<int>(var.varlength), 1, 255);
            def.addField(var.varname, FieldType::Text, size);
        } else {
            def.addField(var.varname, FieldType::Single);
        }
    }
    return def;
}

bool CreateDataTable(const Model& model, Database& db, const QString& table)
{
    return db.appendTable(DataTableDef(model, table));
}

QString UniqueIndexName(const QString& table, const QString& varname)
{
    return table + QLatin1Char('_') + varname;
}

bool OpenDataTable(Model& model, DataStore& store, Dialogs& dialogs, ShellHooks& shell,
                   const QString& dbname)
{
    store.releaseTable();
    const AccessOffer offer = OfferAccessImport(dbname, dialogs, {shell.accessReaderProgram()});
    if (offer == AccessOffer::Declined || offer == AccessOffer::Failed) {
        shell.setDataSource(nullptr);
        store.close();
        return false;
    }
    if (!store.open(dbname) && !openWithPassword(store, dialogs, dbname))
        return failOpen(store, dialogs, shell, store.currentdb().lastError());
    Database& db = store.currentdb();

    const QString table = DeriveTableName(dbname, model.options[OptTable]);
    model.options[OptTable] = table;

    if (!db.findTable(table) && !CreateDataTable(model, db, table)) {
        return failOpen(store, dialogs, shell,
                        QStringLiteral("The data table %1 could not be created in %2: %3")
                            .arg(table, dbname, db.lastError()));
    }
    addUniqueIndexes(model, db, table, dialogs);
    addAutoincIndexes(model, db, table);

    if (!store.switchTable(table)) {
        return failOpen(store, dialogs, shell,
                        QStringLiteral("The data table %1 could not be opened: %2")
                            .arg(table, store.currentrs().lastError()));
    }
    shell.setDataSource(&store.currentrs());
    store.audit().setIdentField(AuditIdentField(model));

    QStringList names;
    for (int v = 1; v <= model.varcount; ++v)
        names << model.var(v).varname;
    shell.setVariableList(names);
    return true;
}

}  // namespace k7
