#pragma once
// Reading a CFG file into the model.

#include "cfg/Model.h"
#include "platform/Dialogs.h"

#include <QString>

namespace k7 {

struct CfgError {
    QString text;   // the message exactly as shown, empty when the read succeeded
    int line = 0;   // the line of the file the error refers to
    bool failed() const { return !text.isEmpty(); }
};

// Reads model.cfgpath into `model`. Warnings go to dialogs.message(text,
// Style::Information). A file in the predecessor format is handed to the
// conversion, which asks its questions through `dialogs`.
CfgError ReadCfg(Model& model, Dialogs& dialogs);

}  // namespace k7
