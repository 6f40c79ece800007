#include "exports/xlsx/ExcelWriter.h"

#include "exports/xlsx/CellXml.h"
#include "exports/xlsx/SheetXmlWriter.h"
#include "exports/xlsx/WorkbookParts.h"
#include "exports/xlsx/ZipWriter.h"

#include <QDateTime>

namespace k7 {

namespace {

// Excel's rows, the header row among them.
constexpr qint64 kMaxRows = 1048576;
// Excel's characters in a cell.
constexpr qsizetype kMaxCellCharacters = 32767;

const QStringList kSheets{QStringLiteral("Data"), QStringLiteral("Codebook")};

}  // namespace

ExcelWriter::ExcelWriter() = default;

ExcelWriter::~ExcelWriter()
{
    abandon();
}

bool ExcelWriter::fail(const QString& error)
{
    if (m_error.isEmpty())
        m_error = error;
    return false;
}

bool ExcelWriter::begin(const QString& path, const QString& title, const QList<TableColumn>& columns, qint64 rows)
{
    Q_UNUSED(title);
    if (rows >= kMaxRows)
        return fail(
            QStringLiteral("An Excel sheet holds at most %1 records; there are %2.").arg(kMaxRows - 1).arg(rows));
    if (columns.size() > kExcelColumns)
        return fail(QStringLiteral("An Excel sheet holds at most %1 columns; there are %2.")
                        .arg(kExcelColumns)
                        .arg(columns.size()));
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return fail(m_file.errorString());
    m_zip = std::make_unique<ZipWriter>(m_file);
    m_sheet = std::make_unique<SheetXmlWriter>(*m_zip);
    for (const TableColumn& column : columns) {
        m_kinds << column.kind;
        m_names << column.name;
    }
    return writeFixedParts() && writeCodebook(columns) && startData(columns, rows);
}

bool ExcelWriter::writeFixedParts()
{
    for (const WorkbookParts::Part& part : WorkbookParts::FixedParts(kSheets, QDateTime::currentDateTimeUtc())) {
        if (part.xml.isEmpty())
            return fail(QStringLiteral("The workbook's part %1 could not be made.").arg(QString::fromUtf8(part.name)));
        if (!m_zip->addEntry(part.name, part.xml))
            return fail(m_zip->error());
    }
    return true;
}

bool ExcelWriter::writeCodebook(const QList<TableColumn>& columns)
{
    const char* headings[] = {"Name", "Prompt", "Type", "Length", "Menu items"};
    SheetLayout layout;
    layout.columns = 5;
    layout.rows = columns.size() + 1;
    layout.widths = {16, 40, 0, 0, 60};
    if (!m_sheet->begin(WorkbookParts::SheetPartName(2), layout))
        return fail(m_zip->error());
    m_sheet->startRow();
    for (int c = 0; c < 5; ++c)
        m_sheet->text(c, headings[c], CellStyle::Bold);
    bool written = m_sheet->endRow();
    for (const TableColumn& column : columns) {
        m_sheet->startRow();
        const QString items = column.valueLabels.mid(0, column.menuItems).join(QStringLiteral(", "));
        const QString texts[] = {column.name, column.label, column.type, QString(), items};
        for (int c = 0; c < 5; ++c) {
            if (c == 3 && column.length > 0)
                m_sheet->number(c, column.length);
            else if (!texts[c].isEmpty())
                m_sheet->text(c, texts[c].toUtf8());
        }
        written = written && m_sheet->endRow();
    }
    return (written && m_sheet->finish()) || fail(m_zip->error());
}

bool ExcelWriter::startData(const QList<TableColumn>& columns, qint64 rows)
{
    SheetLayout layout;
    layout.columns = static_cast<int>(columns.size());
    layout.rows = rows + 1;
    layout.selected = true;
    for (const TableColumn& column : columns)
        layout.widths << (column.kind == ColumnKind::Number ? 10 : qBound(10, column.length, 50));
    if (!m_sheet->begin(WorkbookParts::SheetPartName(1), layout))
        return fail(m_zip->error());
    m_sheet->startRow();
    for (int c = 0; c < layout.columns; ++c)
        m_sheet->text(c, columns[c].name.toUtf8(), CellStyle::Bold);
    return m_sheet->endRow() || fail(m_zip->error());
}

bool ExcelWriter::writeText(int column, QByteArrayView text)
{
    if (text.size() > kMaxCellCharacters && CharacterCount(text) > kMaxCellCharacters)
        return fail(QStringLiteral("%1 holds text of %2 characters; an Excel cell holds at most %3.")
                        .arg(m_names[column])
                        .arg(CharacterCount(text))
                        .arg(kMaxCellCharacters));
    m_sheet->text(column, text);
    return true;
}

bool ExcelWriter::row(const QList<TableCell>& cells)
{
    if (!m_sheet || !m_error.isEmpty())
        return false;
    m_sheet->startRow();
    for (int c = 0; c < cells.size(); ++c) {
        const TableCell& cell = cells[c];
        if (cell.missing)
            continue;
        if (m_kinds[c] == ColumnKind::Number)
            m_notFinite += !m_sheet->number(c, cell.number);
        else if (!cell.text.isEmpty() && !writeText(c, cell.text))
            return false;
    }
    return m_sheet->endRow() || fail(m_zip->error());
}

bool ExcelWriter::finish()
{
    if (!m_sheet || !m_error.isEmpty())
        return false;
    const bool written = m_sheet->finish() && m_zip->finish();
    const QString error = m_zip->error();
    abandon();
    return written || fail(error);
}

void ExcelWriter::abandon()
{
    // Closes the file as it is; the caller removes it.
    m_sheet.reset();
    m_zip.reset();
    m_file.close();
}

QStringList ExcelWriter::notes() const
{
    if (m_notFinite == 0)
        return {};
    return {QStringLiteral("%1 number(s) too large for an Excel cell were left empty.").arg(m_notFinite)};
}

}  // namespace k7
