#pragma once
// The command-line check: reads a CFG as opening it would, changes no file,
// and prints the normal-form text or the problems found.

#include <QString>
#include <QTextStream>

namespace k7 {

// Returns the exit status: 0 when the file reads (its normal form on `out`),
// 1 on an error in the file, 2 when the file cannot be read at all.
int RunCfgCheck(const QString& path, QTextStream& out, QTextStream& err);

}  // namespace k7
