#pragma once
// A file name typed into a save dialog without an extension gets the one of
// the file type chosen in the dialog, so that the type chosen is the type
// written: "finds" saved as "Stata files (*.dta)" becomes "finds.dta". A
// name with an extension, or a type with no single extension ("All files
// (*)"), is left as it is.

#include <QString>

namespace k7 {

QString WithChosenSuffix(const QString& path, const QString& chosenFilter);

}  // namespace k7
