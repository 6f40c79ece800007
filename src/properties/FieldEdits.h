#pragma once
// What the properties editor does to the model, the CFG and the data table
// when a Length or a name is changed or a menu is built from stored values.
// No widgets: the window reads its controls and calls these.

#include "cfg/Model.h"
#include "platform/Dialogs.h"
#include "platform/ShellHooks.h"
#include "store/DataStore.h"

#include <QString>
#include <QStringList>

namespace k7 {

struct PropertiesContext {
    Model& model;  // edited: the properties editor changes the variables
    DataStore& store;
    Dialogs& dialogs;
    ShellHooks& shell;
};

enum class EditOutcome {
    Unchanged,  // nothing to do: the table already matches
    Applied,    // the table and the CFG hold the change
    Refused,    // the typed value is not allowed; the model keeps it until corrected
    Declined,   // the operator kept the old value (back in the model)
    Failed,     // the table could not be changed; reported, the old value is back in the model
};

// The Length typed for variable `v` (already in the model): refused outside
// 1..255; when it differs from the size of the variable's field `field`, the
// table is rebuilt with the new size, after asking (with the count) when
// stored values would be cut, and the CFG is written at once. A CFG that
// would not open again leaves the table as it is.
EditOutcome ApplyLengthChange(PropertiesContext& c, int v, const QString& typed, const QString& field);

// The name now in the model for variable `v`, whose field is named `field`:
// refused when empty or when the CFG reader would refuse it (with its
// message); put back when the CFG would not open again with it (a name
// another field has); otherwise the field is renamed, the CFG written at
// once and the shell's variable list refreshed.
EditOutcome ApplyNameChange(PropertiesContext& c, int v, const QString& field);

// Adds the distinct non-empty values of `field` that `items` lacks, in the
// order the query gives; asks first when there are more than 50. Returns
// whether the values were taken (false when there are none, the operator
// declined or the query failed).
bool AddValuesFromData(PropertiesContext& c, const QString& field, QStringList& items);

// Writes the whole CFG from the model; true when written. Nothing is written
// when the file would not open again: the reader's reason is shown instead.
[[nodiscard]] bool WriteEditedCfg(PropertiesContext& c);

}  // namespace k7
