#pragma once
// Blank HTML help templates, one per variable: a title, and for a menu or
// table variable one paragraph per item, each with an anchor named after the
// item's text so that the entry area's help panel can jump to the item the
// operator picks. Names and items are escaped, so any text shows as typed;
// anchor names are in double quotes, the only quotes in which Qt's help
// panels read escapes.

#include "cfg/Model.h"

#include <QString>
#include <QStringList>

namespace k7 {

class Dialogs;

// The lines of the template of variable `v`.
QStringList HelpTemplateLines(const Model& model, int v);

// Write Help Files: writes the template of every variable, in CFG order, to
// the CFG's folder as name.html, making it the variable's help file (the full
// path in the model, name.html as its `Info file` in the CFG). An existing
// file is replaced without asking when `overwrite` is set; otherwise the
// operator is asked, and Cancel ends the run at once. Returns true when the
// run went through to the last variable and the closing message was shown;
// a failed write is reported and ends the run.
[[nodiscard]] bool WriteHelpTemplates(Model& model, Dialogs& dialogs, bool overwrite);

}  // namespace k7
