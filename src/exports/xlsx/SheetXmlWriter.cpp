#include "exports/xlsx/SheetXmlWriter.h"

#include "exports/xlsx/CellXml.h"
#include "exports/xlsx/ZipWriter.h"

#include <charconv>
#include <cmath>

namespace k7 {

namespace {

// The XML held before it goes to the compressor.
constexpr size_t kFlushBytes = 256 * 1024;

constexpr char kSheetStart[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                               "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                               "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">";
constexpr char kFrozenHeader[] =
    "<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/>"
    "<selection pane=\"bottomLeft\"/></sheetView></sheetViews><sheetFormatPr defaultRowHeight=\"15\"/>";
constexpr char kSheetEnd[] =
    "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
    "footer=\"0.3\"/></worksheet>";

// A width in characters as Excel stores it: in pixels of a 7-pixel digit
// with 5 pixels of padding, in 1/256ths of a character.
double storedWidth(int characters)
{
    constexpr double digit = 7, padding = 5;
    return std::trunc((std::trunc(characters * digit + 0.5) + padding) / digit * 256.0) / 256.0;
}

std::string numberText(double value)
{
    std::string text;
    AppendCellNumber(text, value);
    return text;
}

}  // namespace

SheetXmlWriter::SheetXmlWriter(ZipWriter& zip) : m_zip(zip)
{
    m_xml.reserve(kFlushBytes + 64 * 1024);
}

bool SheetXmlWriter::begin(const QByteArray& entryName, const SheetLayout& layout)
{
    m_letters.clear();
    for (int c = 0; c < layout.columns; ++c)
        m_letters << ColumnLetters(c);
    m_row = 0;
    m_xml.clear();
    appendHead(layout);
    return m_zip.startEntry(entryName, ZipWriter::Effort::Fast);
}

void SheetXmlWriter::appendHead(const SheetLayout& layout)
{
    m_xml += kSheetStart;
    const QByteArray last =
        ColumnLetters(std::max(layout.columns, 1) - 1) + QByteArray::number(std::max(layout.rows, qint64(1)));
    m_xml += "<dimension ref=\"A1";
    if (last != "A1")
        m_xml += ":" + last.toStdString();
    m_xml += layout.selected ? "\"/><sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\">"
                             : "\"/><sheetViews><sheetView workbookViewId=\"0\">";
    m_xml += kFrozenHeader;
    std::string columns;
    for (int c = 0; c < layout.widths.size(); ++c) {
        if (layout.widths[c] <= 0)
            continue;
        const std::string number = std::to_string(c + 1);
        columns += "<col min=\"" + number + "\" max=\"" + number + "\" width=\""
            + numberText(storedWidth(layout.widths[c])) + "\" customWidth=\"1\"/>";
    }
    if (!columns.empty())
        m_xml += "<cols>" + columns + "</cols>";
    m_xml += "<sheetData>";
}

void SheetXmlWriter::startRow()
{
    ++m_row;
    const std::to_chars_result printed = std::to_chars(m_rowDigits, m_rowDigits + sizeof m_rowDigits, m_row);
    m_rowDigitCount = static_cast<int>(printed.ptr - m_rowDigits);
    m_xml += "<row r=\"";
    m_xml.append(m_rowDigits, static_cast<size_t>(m_rowDigitCount));
    m_xml += "\">";
}

void SheetXmlWriter::appendReference(int column)
{
    m_xml += "<c r=\"";
    const QByteArray& letters = m_letters[column];
    m_xml.append(letters.constData(), static_cast<size_t>(letters.size()));
    m_xml.append(m_rowDigits, static_cast<size_t>(m_rowDigitCount));
    m_xml += '"';
}

void SheetXmlWriter::text(int column, QByteArrayView utf8, CellStyle style)
{
    appendReference(column);
    if (style == CellStyle::Bold)
        m_xml += " s=\"1\"";
    if (utf8.isEmpty()) {
        m_xml += "/>";  // a formatted blank
        return;
    }
    m_xml += NeedsSpacePreserved(utf8) ? " t=\"inlineStr\"><is><t xml:space=\"preserve\">" : " t=\"inlineStr\"><is><t>";
    AppendCellText(m_xml, utf8);
    m_xml += "</t></is></c>";
}

bool SheetXmlWriter::number(int column, double value)
{
    if (!std::isfinite(value))
        return false;
    appendReference(column);
    m_xml += "><v>";
    AppendCellNumber(m_xml, value);
    m_xml += "</v></c>";
    return true;
}

bool SheetXmlWriter::endRow()
{
    m_xml += "</row>";
    return m_xml.size() < kFlushBytes || flush();
}

bool SheetXmlWriter::flush()
{
    const bool written = m_zip.write(QByteArrayView(m_xml.data(), static_cast<qsizetype>(m_xml.size())));
    m_xml.clear();
    return written;
}

bool SheetXmlWriter::finish()
{
    m_xml += kSheetEnd;
    return flush();
}

}  // namespace k7
