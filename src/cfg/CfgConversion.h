#pragma once
// Converting a predecessor-format CFG, already read into the model, to the
// current format: after the operator agrees, the old file is kept as a backup
// and the model is written over the CFG.

#include "cfg/Model.h"
#include "platform/Dialogs.h"

#include <QString>

namespace k7 {

// The backup name of a converted CFG: its folder + "k6_" + its name + ".bak".
QString LegacyBackupPath(const QString& cfgpath);

// Asks, backs up and writes. When the operator declines, or the backup or the
// write fails, the CFG is left as it was and model.cfgunconverted is set.
void ConvertLegacyCfg(Model& model, Dialogs& dialogs);

}  // namespace k7
