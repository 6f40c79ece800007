#pragma once
// Preparing a freshly read model: normalizing its texts and options, then
// writing the CFG back in normal form.

#include "cfg/Model.h"
#include "platform/Dialogs.h"

namespace k7 {

// Brings menu lists and conditions into normal form and fills default lengths
// and prompts, without writing anything.
void PrepareModel(Model& model);

// Prepares `model` and writes it to model.cfgpath (not when the model holds a
// predecessor-format file the operator chose not to convert). Returns false when the
// write failed (already reported through `dialogs`).
[[nodiscard]] bool NormalizeModel(Model& model, Dialogs& dialogs);

}  // namespace k7
