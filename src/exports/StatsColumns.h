#pragma once
// The columns of a Stata, SPSS or Excel file: one for each field that a
// variable of the CFG names (ExportColumns), in field order, carrying what
// the CFG knows of it: the prompt as the label, the type, the length and,
// for a menu variable, its items.

#include "cfg/Model.h"
#include "exports/ExportFormat.h"
#include "exports/TableWriter.h"

namespace k7 {

QList<TableColumn> StatsColumns(const Model& model, const QList<ExportColumn>& exported,
                                const QList<FieldDef>& fields);

}  // namespace k7
