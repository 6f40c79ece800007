#pragma once
// Preparing a freshly read model: normalizing its texts and options, then
// writing the CFG back in normal form.

#include "cfg/Model.h"
#include "platform/Dialogs.h"

namespace k7 {

// Prepares `model` and writes it to model.cfgpath. Returns false when the
// write failed (already reported through `dialogs`).
bool NormalizeModel(Model& model, Dialogs& dialogs);

}  // namespace k7
