#pragma once
// The small parts of a workbook around its worksheets: the package's
// content types and relationships, the document properties, the workbook
// with its sheet names, the styles (cell style 0 plain, 1 bold) and the
// theme. Sheet i (from 1) is the part xl/worksheets/sheet<i>.xml.

#include <QByteArray>
#include <QDateTime>
#include <QStringList>

namespace k7::WorkbookParts {

struct Part {
    QByteArray name;
    QByteArray xml;
};

// Every part but the worksheets, for a workbook of `sheets` made at `created`.
QList<Part> FixedParts(const QStringList& sheets, const QDateTime& created);

// The entry name of sheet `index` (from 1).
QByteArray SheetPartName(int index);

}  // namespace k7::WorkbookParts
