#pragma once
// Writing the model back as a CFG file.

#include "cfg/Model.h"
#include "cfg/ProfileFile.h"
#include "platform/Dialogs.h"

#include <QString>
#include <QStringList>

namespace k7 {

// Writes the whole model to `target` in normal form, replacing it atomically.
// Returns true when written; a failure is reported through `dialogs`.
[[nodiscard]] bool WriteCfg(const Model& model, const QString& target, Dialogs& dialogs);

// Rewrites the section of variable `v` in the CFG at `path`. Returns true when
// written; a failure is reported through `dialogs`.
[[nodiscard]] bool WriteVariable(const Model& model, const QString& path, int v, Dialogs& dialogs);

// The word written for a type code ("Text" ... "ImageJ"); empty for none.
QString TypeWord(int code);

// The key table of the options section as the writer writes it.
KeyTable OptionKeyTable(const Model& model);

// The key table of variable `v` as the writer writes it.
KeyTable VariableKeys(const Model& model, int v);

// The lines of the CFG that WriteCfg writes for `model`.
QStringList CfgLines(const Model& model);

}  // namespace k7
