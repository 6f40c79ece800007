#include "app/TableToCfg.h"

#include "cfg/Model.h"
#include "store/Database.h"

#include <QCoreApplication>

namespace k7 {

bool ListEntryTables(const QString& dbname, QStringList& tables, QString* error)
{
    tables.clear();
    Database db;
    // Listing changes nothing, so a database in a folder K7 cannot write to
    // is listed all the same.
    if (!db.open(dbname, Database::Access::ReadOnly)) {
        if (error)
            *error = db.lastError();
        return false;
    }
    for (const QString& name : db.tableNames())
        if (!name.left(4).toLower().startsWith(QLatin1String("msys")))
            tables << name;
    db.close();
    return true;
}

QString CfgPathForTable(const QString& dbname, const QString& table)
{
    const int slash = qMax(dbname.lastIndexOf(QLatin1Char('/')), dbname.lastIndexOf(QLatin1Char('\\')));
    const QString folder = slash >= 0 ? dbname.left(slash + 1)
                                      : QCoreApplication::applicationDirPath() + QLatin1Char('/');
    return folder + table + QStringLiteral(".cfg");
}

bool BuildVariablesFromTable(Model& model, const QString& dbname, const QString& table, QString* error)
{
    ClearModel(model);
    model.varcount = 0;
    for (Variable& var : model.vars)
        var.condcount = 0;
    Database db;
    if (!db.open(dbname)) {
        if (error)
            *error = db.lastError();
        return false;
    }
    const std::optional<TableDef> def = db.findTable(table);
    if (!def) {
        if (error)
            *error = QStringLiteral("The table ") + table + QStringLiteral(" could not be found.");
        db.close();
        return false;
    }
    for (const FieldDef& field : def->fields) {
        if (model.varcount >= kMaxVariables)
            break;
        Variable candidate;
        candidate.varname = field.name;
        switch (field.type) {
        case FieldType::YesNo:
            candidate.vartype = TypeMenu;
            candidate.varlength = 3;
            candidate.varprompt = QStringLiteral("Is it ") + field.name;
            candidate.varmenu = QStringLiteral("Yes No");
            break;
        case FieldType::Long:
            candidate.vartype = TypeNumeric;
            candidate.varlength = 10;
            candidate.varprompt = QStringLiteral("The next value for ") + field.name;
            candidate.varautoinc = true;
            break;
        case FieldType::Single:
            candidate.vartype = TypeNumeric;
            candidate.varlength = 10;
            candidate.varprompt = QStringLiteral("Enter a value for ") + field.name;
            break;
        case FieldType::Text:
            candidate.vartype = TypeText;
            candidate.varlength = field.size;
            candidate.varprompt = QStringLiteral("Enter a value for ") + field.name;
            break;
        default:
            continue;  // other types take no variable number
        }
        ++model.varcount;
        model.var(model.varcount) = candidate;
    }
    db.close();
    return true;
}

}  // namespace k7

namespace k7 {

bool BuildCfgFromTable(Model& model, const QString& dbname, const QString& table, QString* error)
{
    // Nothing of the CFG open before belongs to this table: not its port,
    // instrument, delay, re-edit switch or a sort on a field it has not.
    model.options.clear();
    model.options[OptFilename] = dbname;
    model.options[OptTable] = table;
    return BuildVariablesFromTable(model, dbname, table, error);
}

}  // namespace k7
