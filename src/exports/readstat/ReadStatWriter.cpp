#include "exports/readstat/ReadStatWriter.h"

namespace k7 {

namespace {

// `text` as UTF-8 of at most `limit` bytes, cut before a character, not in one.
QByteArray utf8Within(const QString& text, int limit)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.size() <= limit)
        return bytes;
    qsizetype end = limit;
    while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80)
        --end;
    bytes.truncate(end);
    return bytes;
}

}  // namespace

ReadStatWriter::ReadStatWriter() : m_writer(readstat_writer_init()) {}

ReadStatWriter::~ReadStatWriter()
{
    readstat_writer_free(m_writer);
}

bool ReadStatWriter::fail(const QString& error)
{
    if (m_error.isEmpty())
        m_error = error;
    return false;
}

bool ReadStatWriter::failed(readstat_error_t status)
{
    if (status == READSTAT_OK)
        return false;
    // A failed write says more than ReadStat's "Unable to write".
    if (m_file.error() != QFileDevice::NoError)
        return !fail(m_file.errorString());
    return !fail(QString::fromUtf8(readstat_error_message(status)));
}

ssize_t ReadStatWriter::writeData(const void* bytes, size_t size, void* context)
{
    auto* file = static_cast<QFile*>(context);
    return file->write(static_cast<const char*>(bytes), static_cast<qint64>(size));
}

QByteArray ReadStatWriter::label(const TableColumn& column, const QString& text, int limit)
{
    QByteArray bytes = utf8Within(text, limit);
    if (bytes.size() < text.toUtf8().size() && !m_shortenedLabels.contains(column.field))
        m_shortenedLabels << column.field;
    return bytes;
}

QStringList ReadStatWriter::notes() const
{
    if (m_shortenedLabels.isEmpty())
        return {};
    return {QStringLiteral("Labels longer than a %1 file holds were shortened: %2.")
                .arg(formatName(), m_shortenedLabels.join(QStringLiteral(", ")))};
}

bool ReadStatWriter::addColumn(const TableColumn& column)
{
    const Limits limit = limits();
    const QByteArray name = column.name.toUtf8();
    readstat_variable_t* variable = nullptr;
    if (column.kind == ColumnKind::Text) {
        if (column.width > limit.stringBytes)
            return fail(QStringLiteral("%1 holds text of %2 bytes; a %3 file holds at most %4 in a field.")
                            .arg(column.field)
                            .arg(column.width)
                            .arg(formatName())
                            .arg(limit.stringBytes));
        variable = readstat_add_variable(m_writer, name.constData(), READSTAT_TYPE_STRING,
                                         static_cast<size_t>(column.width));
    } else if (column.kind == ColumnKind::Menu) {
        variable = readstat_add_variable(m_writer, name.constData(), codeType(), 0);
        readstat_label_set_t* labels = readstat_add_label_set(m_writer, codeType(), name.constData());
        for (int code = 1; code <= column.valueLabels.size(); ++code) {
            const QByteArray text = label(column, column.valueLabels[code - 1], limit.valueLabelBytes);
            if (codeType() == READSTAT_TYPE_INT32)
                readstat_label_int32_value(labels, code, text.constData());
            else
                readstat_label_double_value(labels, code, text.constData());
        }
        readstat_variable_set_label_set(variable, labels);
        readstat_variable_set_measure(variable, READSTAT_MEASURE_NOMINAL);
    } else {
        variable = readstat_add_variable(m_writer, name.constData(), READSTAT_TYPE_DOUBLE, 0);
        readstat_variable_set_measure(variable, READSTAT_MEASURE_SCALE);
    }
    if (!column.label.isEmpty())
        readstat_variable_set_label(variable, label(column, column.label, limit.variableLabelBytes).constData());
    m_variables << variable;
    m_kinds << column.kind;
    return true;
}

bool ReadStatWriter::begin(const QString& path, const QString& title, const QList<TableColumn>& columns, qint64 rows)
{
    if (rows > INT_MAX)
        return fail(QStringLiteral("A %1 file holds at most %2 records.").arg(formatName()).arg(INT_MAX));
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(m_file.errorString());
    readstat_set_data_writer(m_writer, &ReadStatWriter::writeData);
    readstat_writer_set_file_label(m_writer, utf8Within(title, limits().fileLabelBytes).constData());
    for (const TableColumn& column : columns) {
        if (!addColumn(column))
            return false;
    }
    return !failed(beginWriting(m_writer, &m_file, static_cast<long>(rows)));
}

bool ReadStatWriter::row(const QList<TableCell>& cells)
{
    if (failed(readstat_begin_row(m_writer)))
        return false;
    for (int c = 0; c < cells.size(); ++c) {
        const TableCell& cell = cells[c];
        readstat_variable_t* variable = m_variables[c];
        readstat_error_t status = READSTAT_OK;
        if (cell.missing)
            status = readstat_insert_missing_value(m_writer, variable);
        else if (m_kinds[c] == ColumnKind::Number)
            status = readstat_insert_double_value(m_writer, variable, cell.number);
        else if (m_kinds[c] == ColumnKind::Text)
            status = readstat_insert_string_value(m_writer, variable, cell.text.data());
        else if (codeType() == READSTAT_TYPE_INT32)
            status = readstat_insert_int32_value(m_writer, variable, cell.code);
        else
            status = readstat_insert_double_value(m_writer, variable, cell.code);
        if (failed(status))
            return false;
    }
    return !failed(readstat_end_row(m_writer));
}

bool ReadStatWriter::finish()
{
    if (failed(readstat_end_writing(m_writer)))
        return false;
    if (!m_file.flush())
        return fail(m_file.errorString());
    m_file.close();
    return m_file.error() == QFileDevice::NoError || fail(m_file.errorString());
}

void ReadStatWriter::abandon()
{
    m_file.close();
}

}  // namespace k7
