#pragma once
// Writes one worksheet of a workbook as it streams: the sheet's head (its
// extent, the frozen header row, the column widths), then rows of cells
// one by one, each as an inline string or a number, into an entry of a
// ZipWriter. Only a few hundred kilobytes of XML are held at any time.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <string>

namespace k7 {

class ZipWriter;

// The cell formats of the workbook's styles part (WorkbookParts).
enum class CellStyle { Plain, Bold };

struct SheetLayout {
    int columns = 0;
    qint64 rows = 0;  // header row included
    QList<int> widths;  // per column, in characters; 0: the default
    bool selected = false;  // the sheet shown when the workbook opens
};

class SheetXmlWriter {
public:
    explicit SheetXmlWriter(ZipWriter& zip);

    // Starts the entry `entryName` of the zip with the sheet's head. The
    // first row is frozen as the header.
    [[nodiscard]] bool begin(const QByteArray& entryName, const SheetLayout& layout);
    // Rows are numbered from 1 in the order they are started.
    void startRow();
    // Cells of the row, left to right; a column with no call stays empty.
    void text(int column, QByteArrayView utf8, CellStyle style = CellStyle::Plain);
    // False, with the cell left empty, for a value a cell cannot hold.
    bool number(int column, double value);
    [[nodiscard]] bool endRow();
    [[nodiscard]] bool finish();

private:
    void appendHead(const SheetLayout& layout);
    void appendReference(int column);
    [[nodiscard]] bool flush();

    ZipWriter& m_zip;
    std::string m_xml;
    QList<QByteArray> m_letters;  // per column
    qint64 m_row = 0;
    char m_rowDigits[24] = {};
    int m_rowDigitCount = 0;
};

}  // namespace k7
