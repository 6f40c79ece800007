#pragma once
// The forms a worksheet's XML gives its cells: column letters, text as the
// content of a <t> element, and numbers. Text keeps every character: those
// XML cannot carry (control characters, U+FFFE, U+FFFF) and a carriage
// return, which an XML reader would turn into a line feed, are written as
// the spreadsheet's own escape _xHHHH_, and text that merely looks like such
// an escape has its "_" escaped so that it reads back as written.

#include <QByteArray>
#include <QByteArrayView>

#include <string>

namespace k7 {

// Excel's last column: XFD.
constexpr int kExcelColumns = 16384;

// 0 -> "A", 25 -> "Z", 26 -> "AA", 16383 -> "XFD".
QByteArray ColumnLetters(int column);

// Whether `text` (UTF-8) begins or ends with white space, which an XML
// reader keeps only under xml:space="preserve".
bool NeedsSpacePreserved(QByteArrayView text);

// Appends `text` (valid UTF-8), escaped for a <t> element.
void AppendCellText(std::string& out, QByteArrayView text);

// Appends the shortest text that reads back as `value`; false, with nothing
// appended, for an infinity or a NaN, which a cell cannot hold.
bool AppendCellNumber(std::string& out, double value);

// The characters of `text` (UTF-8), which Excel limits in a cell.
qsizetype CharacterCount(QByteArrayView text);

}  // namespace k7
