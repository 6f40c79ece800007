#pragma once
// Opening or creating the database and data table of the open CFG.

#include "cfg/Model.h"
#include "platform/Dialogs.h"
#include "platform/ShellHooks.h"
#include "store/DataStore.h"

#include <QString>

namespace k7 {

// The table definition for the model's variables: one field per variable in
// order, Text of varlength for Text/Menu/Table/Sqid, Single for the others.
TableDef DataTableDef(const Model& model, const QString& table);

// Creates `table` in `db` with the fields of the model. Makes no index and
// opens nothing. Returns false with the reason in db.lastError().
[[nodiscard]] bool CreateDataTable(const Model& model, Database& db, const QString& table);

// Opens the database `dbname` (creating it when the file does not exist),
// derives the table name (stored in the Table option), creates the table when
// it is missing, adds the indexes of Unique variables, and opens the table
// into store.currentrs(). The shell is handed the record set and the variable
// names. On an engine failure the reason is shown, everything is closed, the
// names are left empty and false is returned.
[[nodiscard]] bool OpenDataTable(Model& model, DataStore& store, Dialogs& dialogs, ShellHooks& shell,
                   const QString& dbname);

// The name of the index made for a Unique variable. Index names are global
// to a database file, so it carries the table's name.
QString UniqueIndexName(const QString& table, const QString& varname);

}  // namespace k7
