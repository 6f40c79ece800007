#pragma once
// Making a CFG from an existing table: one variable per field of a type the
// program knows (Yes/No, Long, Single, Text), in the table's field order.

#include <QString>
#include <QStringList>

namespace k7 {

struct Model;

// The tables of the database at `dbname` that can take data entry: every
// table whose name does not start with "msys" (any case), in the file's
// order. Returns false with the reason in `error` when it cannot be opened.
bool ListEntryTables(const QString& dbname, QStringList& tables, QString* error = nullptr);

// The CFG that belongs to table `table` of the database at `dbname`: the
// database's folder + table + ".cfg", or the program's folder when the path
// has none.
QString CfgPathForTable(const QString& dbname, const QString& table);

// Empties the model's variables and builds them from the fields of `table`.
// The options are left alone. Returns false with the reason in `error` when
// the database or the table cannot be read.
bool BuildVariablesFromTable(Model& model, const QString& dbname, const QString& table,
                             QString* error = nullptr);

// The model of a CFG generated for `table`: empty options apart from
// Filename (the database) and Table, and the variables built from its fields.
bool BuildCfgFromTable(Model& model, const QString& dbname, const QString& table,
                       QString* error = nullptr);

}  // namespace k7
