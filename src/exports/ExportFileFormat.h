#pragma once
// The kinds of file that File > Export and k7 --export write, told apart by
// the file's extension: ".dta" is Stata, ".sav" SPSS, ".xlsx" Excel, and
// anything else the text file.

#include "exports/TableWriter.h"

#include <QString>

#include <memory>

namespace k7 {

enum class ExportFileFormat { Text, Stata, Spss, Excel };

ExportFileFormat ExportFormatForPath(const QString& path);

// The save dialog's file types, in Qt's form, the text file first.
QString ExportFileFilter();

// The writer of a format other than Text; nullptr with the reason in
// `*unavailable` when this K7 was built without its library.
std::unique_ptr<TableWriter> MakeTableWriter(ExportFileFormat format, QString* unavailable);

}  // namespace k7
