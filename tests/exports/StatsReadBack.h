#pragma once
// Reads a Stata, SPSS or Excel file written by the export back into one shape
// for the tests: the column names, the variable labels, the rows as text (a
// number in its shortest form, a missing value as "."), and the value labels
// as "code=label". Stata and SPSS files go through ReadStat's reader; an
// Excel file through python3's zipfile and XML parser.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#ifdef K7_HAVE_READSTAT
#include <readstat.h>
#endif

#include <optional>

namespace k7::test {

struct ReadBack {
    QStringList names;
    QStringList labels;
    QList<QStringList> rows;
    QStringList valueLabels;  // "code=label", of every label set in the file
    QStringList codebook;     // Excel: the codebook's rows, cells joined by ";"
    bool headerFrozen = false;
};

inline QString numberText(double value)
{
    return QString::number(value, 'g', 15);
}

#ifdef K7_HAVE_READSTAT
namespace readback {

inline int onVariable(int, readstat_variable_t* variable, const char*, void* context)
{
    auto* read = static_cast<ReadBack*>(context);
    read->names << QString::fromUtf8(readstat_variable_get_name(variable));
    const char* label = readstat_variable_get_label(variable);
    read->labels << QString::fromUtf8(label ? label : "");
    return READSTAT_HANDLER_OK;
}

inline int onValue(int row, readstat_variable_t* variable, readstat_value_t value, void* context)
{
    auto* read = static_cast<ReadBack*>(context);
    if (read->rows.size() <= row)
        read->rows.resize(row + 1);
    QString text;
    if (readstat_value_type(value) == READSTAT_TYPE_STRING) {
        const char* bytes = readstat_string_value(value);
        text = QString::fromUtf8(bytes ? bytes : "");
    } else if (readstat_value_is_system_missing(value)) {
        text = QStringLiteral(".");
    } else {
        text = numberText(readstat_double_value(value));
    }
    Q_UNUSED(variable);
    read->rows[row] << text;
    return READSTAT_HANDLER_OK;
}

inline int onValueLabel(const char*, readstat_value_t value, const char* label, void* context)
{
    auto* read = static_cast<ReadBack*>(context);
    read->valueLabels << numberText(readstat_double_value(value)) + QLatin1Char('=') + QString::fromUtf8(label);
    return READSTAT_HANDLER_OK;
}

}  // namespace readback

// `sav` picks SPSS, else Stata; nullopt when ReadStat cannot read the file.
inline std::optional<ReadBack> readWithReadStat(const QString& path, bool sav)
{
    ReadBack read;
    readstat_parser_t* parser = readstat_parser_init();
    readstat_set_variable_handler(parser, readback::onVariable);
    readstat_set_value_handler(parser, readback::onValue);
    readstat_set_value_label_handler(parser, readback::onValueLabel);
    const QByteArray name = path.toLocal8Bit();
    const readstat_error_t status = sav ? readstat_parse_sav(parser, name.constData(), &read)
                                        : readstat_parse_dta(parser, name.constData(), &read);
    readstat_parser_free(parser);
    if (status != READSTAT_OK) {
        qWarning("ReadStat: %s", readstat_error_message(status));
        return std::nullopt;
    }
    return read;
}
#endif

inline bool hasPython()
{
    return !QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty();
}

// The cells of both sheets, by their references, with the pane of the first.
inline const char* const kXlsxReader = R"(
import json, re, sys, zipfile
import xml.etree.ElementTree as ET
ns = {'m': 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'}
book = zipfile.ZipFile(sys.argv[1])
shared = []
if 'xl/sharedStrings.xml' in book.namelist():
    for si in ET.fromstring(book.read('xl/sharedStrings.xml')).findall('m:si', ns):
        shared.append(''.join(t.text or '' for t in si.iter('{%s}t' % ns['m'])))
def column(ref):
    n = 0
    for ch in re.match('[A-Z]+', ref).group(0):
        n = n * 26 + ord(ch) - 64
    return n - 1
def sheet(name):
    root = ET.fromstring(book.read(name))
    rows = []
    for row in root.iter('{%s}row' % ns['m']):
        while len(rows) < int(row.get('r')) - 1:
            rows.append([])
        cells = {}
        for c in row.findall('m:c', ns):
            kind = c.get('t')
            if kind == 'inlineStr':
                value = ''.join(t.text or '' for t in c.iter('{%s}t' % ns['m']))
            elif kind == 's':
                value = shared[int(c.find('m:v', ns).text)]
            else:
                v = c.find('m:v', ns)
                value = {'n': v.text} if v is not None else ''
            cells[column(c.get('r'))] = value
        width = max(cells) + 1 if cells else 0
        rows.append([cells.get(i, None) for i in range(width)])
    pane = root.find('.//m:pane', ns)
    frozen = pane is not None and pane.get('ySplit') == '1' and pane.get('state') == 'frozen'
    return {'rows': rows, 'frozen': frozen}
print(json.dumps([sheet('xl/worksheets/sheet1.xml'), sheet('xl/worksheets/sheet2.xml')]))
)";

inline QString cellText(const QJsonValue& cell)
{
    if (cell.isNull())
        return QStringLiteral(".");
    if (cell.isObject())
        return numberText(cell.toObject().value(QStringLiteral("n")).toString().toDouble());
    return cell.toString();
}

inline std::optional<ReadBack> readWithPython(const QString& path)
{
    QProcess reader;
    reader.start(QStandardPaths::findExecutable(QStringLiteral("python3")),
                 {QStringLiteral("-c"), QString::fromUtf8(kXlsxReader), path});
    if (!reader.waitForFinished(60000) || reader.exitCode() != 0) {
        qWarning("python3: %s", reader.readAllStandardError().constData());
        return std::nullopt;
    }
    const QJsonArray sheets = QJsonDocument::fromJson(reader.readAllStandardOutput()).array();
    ReadBack read;
    const QJsonArray data = sheets.at(0).toObject().value(QStringLiteral("rows")).toArray();
    read.headerFrozen = sheets.at(0).toObject().value(QStringLiteral("frozen")).toBool();
    for (qsizetype r = 0; r < data.size(); ++r) {
        QStringList row;
        for (const QJsonValue& cell : data.at(r).toArray())
            row << cellText(cell);
        if (r == 0)
            read.names = row;
        else
            read.rows << row;
    }
    for (const QJsonValue& line : sheets.at(1).toObject().value(QStringLiteral("rows")).toArray()) {
        QStringList row;
        for (const QJsonValue& cell : line.toArray())
            row << (cell.isNull() ? QString() : cellText(cell));
        read.codebook << row.join(QLatin1Char(';'));
    }
    return read;
}

}  // namespace k7::test
