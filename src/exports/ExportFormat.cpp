#include "exports/ExportFormat.h"

#include "cfg/TextFile.h"

#include "store/SqlStatement.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace k7 {

namespace {

using ValueType = SqlStatement::ValueType;

bool isNumberType(int vartype)
{
    return vartype == TypeNumeric || vartype == TypeInstrument
           || (vartype >= TypeOhaus && vartype <= TypeImageJ);
}

// The shortest text that reads back as `value` in the precision the field
// keeps (a Single field: 12.57, not 12.569999694824219; a double-precision
// field: 1125899906842624, not 1.1258999e+15). A value that another program
// stored with more digits than a Single holds keeps them all. No "-0".
char* shortestDigits(char* first, char* last, double value, bool asSingle)
{
    if (value == 0 || std::isnan(value)) {
        *first = '0';
        return first + 1;
    }
    const auto single = static_cast<float>(value);
    if (asSingle && static_cast<double>(single) == value)
        return std::to_chars(first, last, single).ptr;
    return std::to_chars(first, last, value).ptr;
}

bool keepsSingle(const ExportColumn& column)
{
    return column.type == FieldType::Single && !column.doublePrecision;
}

void appendQuotedDigits(QByteArray& out, double value, bool asSingle)
{
    char buffer[64];
    char* end = shortestDigits(buffer, buffer + sizeof buffer, value, asSingle);
    AppendQuoted(out, buffer, end - buffer);
}

// Stored text as UTF-8, quoted; true when its bytes were not UTF-8 and were
// read as Windows-1252.
bool appendQuotedText(QByteArray& out, const char* bytes, qsizetype size)
{
    const QByteArrayView view(bytes, size);
    if (view.isValidUtf8()) {
        AppendQuoted(out, bytes, size);
        return false;
    }
    const QByteArray utf8 = DecodeWindows1252(view).toUtf8();
    AppendQuoted(out, utf8.constData(), utf8.size());
    return true;
}

// Bytes as hexadecimal digits, two to a byte.
QByteArray hexOf(QByteArrayView bytes)
{
    return QByteArray::fromRawData(bytes.data(), bytes.size()).toHex().toUpper();
}

// A BLOB as quoted hexadecimal digits, two to a byte.
void appendQuotedBlob(QByteArray& out, const SqlStatement& row, int i)
{
    const QByteArray hex = hexOf(row.text(i));
    AppendQuoted(out, hex.constData(), hex.size());
}

// A whole text that is a decimal number (as a script would read it back).
bool parseNumber(const char* text, qsizetype size, double* value)
{
    if (size == 0)
        return false;
    const auto [end, ec] = std::from_chars(text, text + size, *value);
    return ec == std::errc() && end == text + size && std::isfinite(*value);
}

bool appendNumberColumn(QByteArray& out, const ExportColumn& column, const SqlStatement& row, int i)
{
    switch (row.type(i)) {
    case ValueType::Integer:
        AppendInteger(out, row.int64(i));
        return false;
    case ValueType::Real:
        AppendNumber(out, row.real(i), keepsSingle(column));
        return false;
    case ValueType::Blob:
        appendQuotedBlob(out, row, i);
        return true;
    default: {
        const QByteArrayView text = row.text(i);
        double value = 0;
        if (!parseNumber(text.data(), text.size(), &value))
            return appendQuotedText(out, text.data(), text.size());
        AppendNumber(out, value, keepsSingle(column));
        return false;
    }
    }
}

bool appendQuotedColumn(QByteArray& out, const ExportColumn& column, const SqlStatement& row, int i)
{
    switch (row.type(i)) {
    case ValueType::Real:
        appendQuotedDigits(out, row.real(i), keepsSingle(column));
        return false;
    case ValueType::Blob:
        appendQuotedBlob(out, row, i);
        return true;
    case ValueType::Integer:
        if (column.type == FieldType::YesNo) {
            // As the grid shows a Yes/No field.
            const bool yes = row.int64(i) != 0;
            AppendQuoted(out, yes ? "True" : "False", yes ? 4 : 5);
            return false;
        }
        [[fallthrough]];
    default: {
        const QByteArrayView text = row.text(i);
        return appendQuotedText(out, text.data(), text.size());
    }
    }
}

}  // namespace

QList<ExportColumn> ExportColumns(const Model& model, const QList<FieldDef>& fields)
{
    QList<ExportColumn> columns;
    for (int f = 0; f < fields.size(); ++f) {
        for (int v = 1; v <= model.varcount; ++v) {
            const Variable& var = model.var(v);
            if (var.varname.compare(fields[f].name, Qt::CaseInsensitive) != 0)
                continue;
            const FieldDef& field = fields[f];
            if (IsTextType(var.vartype))
                columns.append({f, field.name, ExportForm::Quoted, field.type, field.doublePrecision});
            else if (isNumberType(var.vartype))
                columns.append({f, field.name, ExportForm::Number, field.type, field.doublePrecision});
            break;
        }
    }
    return columns;
}

QByteArray ExportNameLine(const QList<ExportColumn>& columns)
{
    QByteArray line;
    for (int c = 0; c < columns.size(); ++c) {
        if (c > 0)
            line += ',';
        const QByteArray name = columns[c].name.toUtf8();
        AppendQuoted(line, name.constData(), name.size());
    }
    line += "\r\n";
    return line;
}

bool AppendExportValue(QByteArray& out, const ExportColumn& column, const SqlStatement& row, int i)
{
    if (row.type(i) == ValueType::Null)
        return false;
    if (column.form == ExportForm::Number)
        return appendNumberColumn(out, column, row, i);
    return appendQuotedColumn(out, column, row, i);
}

bool ExportNumberValue(const ExportColumn& column, const SqlStatement& row, int i, double* value)
{
    switch (row.type(i)) {
    case ValueType::Integer:
        *value = static_cast<double>(row.int64(i));
        return true;
    case ValueType::Real: {
        *value = row.real(i);
        if (!keepsSingle(column) || std::isnan(*value))
            return true;
        char buffer[64];
        char* end = shortestDigits(buffer, buffer + sizeof buffer, *value, true);
        std::from_chars(buffer, end, *value);
        return true;
    }
    case ValueType::Text: {
        const QByteArrayView text = row.text(i);
        return parseNumber(text.data(), text.size(), value);
    }
    default:
        return false;
    }
}

QByteArrayView ExportTextValue(const ExportColumn& column, const SqlStatement& row, int i, QByteArray& scratch,
                               bool* converted)
{
    *converted = false;
    switch (row.type(i)) {
    case ValueType::Real: {
        char buffer[64];
        char* end = shortestDigits(buffer, buffer + sizeof buffer, row.real(i), keepsSingle(column));
        scratch = QByteArray(buffer, end - buffer);
        return scratch;
    }
    case ValueType::Integer:
        if (column.type == FieldType::YesNo)
            return row.int64(i) != 0 ? QByteArrayView("True") : QByteArrayView("False");
        scratch = QByteArray::number(row.int64(i));
        return scratch;
    case ValueType::Blob:
        *converted = true;
        scratch = hexOf(row.text(i));
        return scratch;
    default: {
        const QByteArrayView view = row.text(i);
        if (view.isValidUtf8())
            return view;
        *converted = true;
        scratch = DecodeWindows1252(view).toUtf8();
        return scratch;
    }
    }
}

void AppendQuoted(QByteArray& out, const char* utf8, qsizetype size)
{
    out += '"';
    const char* end = utf8 + size;
    for (const char* p = utf8; p < end;) {
        const char* quote = static_cast<const char*>(std::memchr(p, '"', static_cast<size_t>(end - p)));
        if (!quote) {
            out.append(p, end - p);
            break;
        }
        out.append(p, quote - p + 1);
        out += '"';
        p = quote + 1;
    }
    out += '"';
}

void AppendNumber(QByteArray& out, double value, bool asSingle)
{
    char buffer[64];
    char* first = buffer;
    if (!(value < 0))
        *first++ = ' ';
    char* end = shortestDigits(first, buffer + sizeof buffer, value, asSingle);
    out.append(buffer, end - buffer);
}

void AppendInteger(QByteArray& out, qint64 value)
{
    char buffer[32];
    char* first = buffer;
    if (value >= 0)
        *first++ = ' ';
    char* end = std::to_chars(first, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end - buffer);
}

}  // namespace k7
