#include "exports/StatsColumns.h"

#include "cfg/CfgWriter.h"

namespace k7 {

namespace {

int variableNamed(const Model& model, const QString& name)
{
    for (int v = 1; v <= model.varcount; ++v) {
        if (model.var(v).varname.compare(name, Qt::CaseInsensitive) == 0)
            return v;
    }
    return 0;
}

}  // namespace

QList<TableColumn> StatsColumns(const Model& model, const QList<ExportColumn>& exported,
                                const QList<FieldDef>& fields)
{
    QList<TableColumn> columns;
    for (const ExportColumn& field : exported) {
        const int v = variableNamed(model, field.name);
        const Variable& var = model.var(v);
        TableColumn column;
        column.name = field.name;
        column.field = field.name;
        column.label = var.varprompt;
        column.type = TypeWord(var.vartype);
        column.length = fields.value(field.field).size;
        column.width = qMax(1, column.length);
        if (field.form == ExportForm::Number) {
            column.kind = ColumnKind::Number;
        } else if (var.vartype == TypeMenu) {
            column.kind = ColumnKind::Menu;
            column.valueLabels = SplitMenu(model, v);
            column.menuItems = static_cast<int>(column.valueLabels.size());
        } else {
            column.kind = ColumnKind::Text;
        }
        columns << column;
    }
    return columns;
}

}  // namespace k7
