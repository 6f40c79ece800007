#pragma once
// Names that a file format accepts for its columns. Stata takes 1 to 32
// letters, digits and "_", not starting with a digit and not one of its
// reserved words; SPSS takes up to 64 letters, digits and ". _ $ # @",
// starting with a letter, not ending in "." and not one of its reserved
// words. Names are unique ignoring case in both. A name is changed only as
// far as it must be: what is left out becomes "_", a name that cannot start
// as it does gets a prefix, and a name met before gets "_2", "_3", ...

#include "exports/TableWriter.h"

#include <QStringList>

namespace k7 {

QStringList ValidColumnNames(const QStringList& names, NameRule rule);

}  // namespace k7
