#pragma once
// Writing the model back as a CFG file.

#include "cfg/Model.h"
#include "platform/Dialogs.h"

#include <QString>

namespace k7 {

// Writes the whole model to `target` in normal form, replacing it atomically.
// Returns true when written; a failure is reported through `dialogs`.
bool WriteCfg(const Model& model, const QString& target, Dialogs& dialogs);

// Rewrites the section of variable `v` in the CFG at `path`. Returns true when
// written; a failure is reported through `dialogs`.
bool WriteVariable(const Model& model, const QString& path, int v, Dialogs& dialogs);

}  // namespace k7
