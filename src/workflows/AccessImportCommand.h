#pragma once
// k7 --import-access FILE.mdb [OUT.mdb]: the import without a window, for
// migrating a whole folder by script.

#include "access/AccessReader.h"

#include <QStringList>
#include <QTextStream>

namespace k7 {

// `args` are the words after --import-access. Without OUT the file is
// converted in place, the original kept as NAME.access.mdb. Prints one line
// per table with its row count and returns 0; on any error prints why and
// returns 1 with nothing changed; wrong arguments return 2. The file is read
// by `reader`, a child process, so that a damaged file that would make the
// reading library loop or crash ends in status 1 all the same.
int RunAccessImportCommand(const QStringList& args, QTextStream& out, QTextStream& err,
                           const AccessReader& reader = {});

}  // namespace k7
