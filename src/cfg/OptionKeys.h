#pragma once
// The keys of the [K7] options section and their slots, in the order the
// reader asks for them and the writer writes them.

#include "cfg/Model.h"

#include <QString>

namespace k7 {

inline const QString kOptionsHeader = QStringLiteral("[K7]");

struct OptionKey {
    const char* key;
    int slot;
};

inline constexpr OptionKey kOptionKeys[] = {
    {"Filename", OptFilename},   {"Com", OptCom},           {"Instrument", OptInstrument},
    {"Sound", OptSound},         {"Delaytime", OptDelaytime}, {"COM1", OptCOM1},
    {"COM2", OptCOM2},           {"Table", OptTable},       {"Re-edit", OptReEdit},
    {"Emptyonly", OptEmptyonly}, {"BackColor", OptBackColor}, {"ImageJFile", OptImageJFile},
    {"Sort", OptSort},           {"Filter", OptFilter},
};

}  // namespace k7
