#include "exports/xlsx/ExcelWriter.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace k7 {

namespace {

// Excel's rows, the header row among them.
constexpr qint64 kMaxRows = 1048576;

lxw_col_t columnAt(qsizetype c)
{
    return static_cast<lxw_col_t>(c);
}

}  // namespace

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

bool ExcelWriter::failed(lxw_error status)
{
    return status != LXW_NO_ERROR && !fail(QString::fromUtf8(lxw_strerror(status)));
}

bool ExcelWriter::begin(const QString& path, const QString& title, const QList<TableColumn>& columns, qint64 rows)
{
    Q_UNUSED(title);
    if (rows >= kMaxRows)
        return fail(QStringLiteral("An Excel sheet holds at most %1 records; there are %2.").arg(kMaxRows - 1).arg(rows));
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    const QByteArray name = QFile::encodeName(path);
    m_workbook = workbook_new_opt(name.constData(), &options);
    if (!m_workbook)
        return fail(QStringLiteral("The workbook could not be made."));
    m_data = workbook_add_worksheet(m_workbook, "Data");
    lxw_worksheet* codebook = workbook_add_worksheet(m_workbook, "Codebook");
    if (!m_data || !codebook)
        return fail(QStringLiteral("The workbook's sheets could not be made."));
    for (const TableColumn& column : columns)
        m_kinds << column.kind;
    return writeHeader(columns) && writeCodebook(columns);
}

bool ExcelWriter::writeHeader(const QList<TableColumn>& columns)
{
    lxw_format* bold = workbook_add_format(m_workbook);
    format_set_bold(bold);
    for (qsizetype c = 0; c < columns.size(); ++c) {
        const int characters = columns[c].kind == ColumnKind::Number ? 10 : qBound(10, columns[c].length, 50);
        if (failed(worksheet_set_column(m_data, columnAt(c), columnAt(c), characters, nullptr))
            || failed(worksheet_write_string(m_data, 0, columnAt(c), columns[c].name.toUtf8().constData(), bold)))
            return false;
    }
    worksheet_freeze_panes(m_data, 1, 0);
    m_row = 1;
    return true;
}

bool ExcelWriter::writeCodebook(const QList<TableColumn>& columns)
{
    lxw_worksheet* sheet = workbook_get_worksheet_by_name(m_workbook, "Codebook");
    lxw_format* bold = workbook_add_format(m_workbook);
    format_set_bold(bold);
    const char* headings[] = {"Name", "Prompt", "Type", "Length", "Menu items"};
    for (lxw_col_t c = 0; c < 5; ++c) {
        if (failed(worksheet_write_string(sheet, 0, c, headings[c], bold)))
            return false;
    }
    worksheet_set_column(sheet, 0, 0, 16, nullptr);
    worksheet_set_column(sheet, 1, 1, 40, nullptr);
    worksheet_set_column(sheet, 4, 4, 60, nullptr);
    worksheet_freeze_panes(sheet, 1, 0);
    for (qsizetype c = 0; c < columns.size(); ++c) {
        const TableColumn& column = columns[c];
        const auto r = static_cast<lxw_row_t>(c + 1);
        const QStringList items = column.valueLabels.mid(0, column.menuItems);
        if (failed(worksheet_write_string(sheet, r, 0, column.name.toUtf8().constData(), nullptr))
            || failed(worksheet_write_string(sheet, r, 1, column.label.toUtf8().constData(), nullptr))
            || failed(worksheet_write_string(sheet, r, 2, column.type.toUtf8().constData(), nullptr))
            || (column.length > 0 && failed(worksheet_write_number(sheet, r, 3, column.length, nullptr)))
            || failed(worksheet_write_string(sheet, r, 4, items.join(QStringLiteral(", ")).toUtf8().constData(),
                                             nullptr)))
            return false;
    }
    return true;
}

bool ExcelWriter::row(const QList<TableCell>& cells)
{
    for (qsizetype c = 0; c < cells.size(); ++c) {
        const TableCell& cell = cells[c];
        if (cell.missing || (m_kinds[c] != ColumnKind::Number && cell.text.isEmpty()))
            continue;  // an empty cell
        const lxw_error status = m_kinds[c] == ColumnKind::Number
                                     ? worksheet_write_number(m_data, m_row, columnAt(c), cell.number, nullptr)
                                     : worksheet_write_string(m_data, m_row, columnAt(c), cell.text.data(), nullptr);
        if (failed(status))
            return false;
    }
    ++m_row;
    return !tempFileFailed(false);
}

bool ExcelWriter::tempFileFailed(bool flush)
{
    // The library writes the rows to a temporary file without looking at the
    // result, and would then pack what got there into a workbook that lacks
    // rows: a full disk is caught here instead.
    FILE* rows = m_data->optimize_tmpfile;
    if (rows && ((flush && std::fflush(rows) != 0) || std::ferror(rows)))
        return !fail(QStringLiteral("The records could not be written to a temporary file: %1")
                         .arg(QString::fromLocal8Bit(std::strerror(errno))));
    return false;
}

bool ExcelWriter::finish()
{
    if (tempFileFailed(true))
        return false;
    lxw_workbook* workbook = m_workbook;
    m_workbook = nullptr;
    return !failed(workbook_close(workbook));
}

void ExcelWriter::abandon()
{
    // Frees the workbook and its temporary files without writing it.
    if (m_workbook)
        lxw_workbook_free(m_workbook);
    m_workbook = nullptr;
}

}  // namespace k7
