#pragma once
// Running a change to the data table's schema as one unit: the record set is
// closed, the change runs in one transaction, and the table is opened again.

#include "platform/ShellHooks.h"
#include "store/DataStore.h"

#include <QString>

#include <functional>

namespace k7 {

// Runs `change` (a schema change that ends with a data table named
// store.tablename()) in one transaction and opens the table again into
// store.currentrs(), handing it to the shell. When the change or the commit
// fails, everything is rolled back, the old table is opened again and false is
// returned with the reason in *error. False with currentrs closed means the
// table could not be opened afterwards.
[[nodiscard]] bool ChangeDataTable(DataStore& store, ShellHooks& shell, QString* error,
                     const std::function<bool(Database&)>& change);

// Takes the record set off the shell and closes it.
void CloseDataRecordSet(DataStore& store, ShellHooks& shell);
// Opens store.tablename() into store.currentrs() and hands it to the shell.
[[nodiscard]] bool OpenDataRecordSet(DataStore& store, ShellHooks& shell);

}  // namespace k7
