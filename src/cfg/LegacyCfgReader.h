#pragma once
// The statement reader for CFG files of the predecessor format: lines of
// "COMMAND: argument" (a line ending in "\" continues on the next), with
// variables declared by FIELD statements.

#include "cfg/CfgReader.h"
#include "cfg/Model.h"

#include <QStringView>

namespace k7 {

// Reads `text` into `model`, which the caller has cleared. Names, prompts,
// menus and the other texts are upper-cased as the format has them; file
// paths keep their case, because paths here are case-sensitive. Stops at the
// first bad statement with the number of its last line.
CfgError ReadLegacyCfg(Model& model, QStringView text);

}  // namespace k7
