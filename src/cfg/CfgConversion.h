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

// Why the file the conversion writes would not read back as `model`: the
// message that names the variable in the way and the reason. Empty when it
// would read back.
QString ConversionObstacle(const Model& model);

// True when the conversion may be offered. Otherwise shows the obstacle and
// marks the model unconverted, before anything is asked or written: a file
// that could be opened once and never again is worse than an old one.
bool CanConvertLegacyCfg(Model& model, Dialogs& dialogs);

// Asks, backs up and writes. When the operator declines, or the backup or the
// write fails, the CFG is left as it was and model.cfgunconverted is set.
void ConvertLegacyCfg(Model& model, Dialogs& dialogs);

}  // namespace k7
