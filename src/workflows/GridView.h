#pragma once
// What the sort and filter dialogs share: showing the data table through a
// view, and keeping the choice in the [K7] section of the open CFG.

#include "store/RecordView.h"

#include <QString>
#include <QStringList>

namespace k7 {

class Dialogs;
class ShellHooks;
class DataStore;
struct Model;

// Reopens the data table's record set on `view` and hands it to the grid,
// at its first row. When the engine refuses (a field that is gone, a query
// that fails) the operator reads `refusal` with the reason, and the grid
// keeps the rows it showed. A long one runs under a progress dialog; false
// with nothing said when the operator cancels it, the grid as it was.
[[nodiscard]] bool ShowView(DataStore& store, const RecordView& view, const QString& refusal, Dialogs& dialogs,
              ShellHooks& shell);

// Writes `key`=`value` into the [K7] section of the open CFG (an empty
// value removes the key); tells the operator when the file cannot be written.
bool WriteK7Key(const Model& model, const QString& key, const QString& value, Dialogs& dialogs);

// The variable names in CFG order, as the dialogs list them.
QStringList VariableNames(const Model& model);

}  // namespace k7
