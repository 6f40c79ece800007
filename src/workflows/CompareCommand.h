#pragma once
// File > Compare with Another Database: the open table compared with the
// same table in a second operator's database (independent double entry).
// Asks for the other database and for where the report goes, runs the
// comparison with progress and Cancel, and says where the report is.

#include "cfg/Model.h"
#include "platform/Dialogs.h"

namespace k7 {

class DataStore;

void CompareWithAnotherDatabase(const Model& model, DataStore& store, Dialogs& dialogs);

}  // namespace k7
