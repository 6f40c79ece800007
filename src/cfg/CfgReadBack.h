#pragma once
// Whether a CFG written from the model reads back as the model: checked
// before a file is written over one that opens, so that no change made in K7
// leaves a CFG that the next start refuses or reads otherwise.

#include "cfg/CfgReader.h"
#include "cfg/Model.h"

#include <QString>
#include <QStringList>

namespace k7 {

// Reads `lines` (a CFG's text) into a cleared `back`, as the next opening
// would, showing no warning. `back.cfgpath` names the folder files are
// looked for in.
CfgError ReadBackLines(const QStringList& lines, Model& back);

// The first option whose setting `back` holds otherwise than `model`: its
// line as written differs, or it is on in one and off in the other (a value
// of blanks is on, but is written as nothing). Empty when none.
QString ChangedOption(const Model& model, const Model& back);

// Why the CFG that WriteCfg writes for `model` could not be opened again:
// the reader's own message when it would refuse the file, or a sentence
// naming a field whose section it would not find. Empty when it opens.
QString CfgReadBackError(const Model& model);

}  // namespace k7
