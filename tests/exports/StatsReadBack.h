#pragma once
// Reads a Stata, SPSS or Excel file written by the export back into one shape
// for the tests: the column names, the variable labels, the rows as text (a
// number in its shortest form, a missing value as "."), and the value labels
// as "code=label". Stata and SPSS files go through ReadStat's reader; an
// Excel file through tests/data/exports/read-xlsx.py.

#include "ExportRig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
    QStringList widths;       // Excel: "column=width" of the first sheet's set widths
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
    const std::optional<QByteArray> json = runReader(QStringLiteral("python3"), QStringLiteral("read-xlsx.py"), path);
    if (!json)
        return std::nullopt;
    const QJsonArray sheets = QJsonDocument::fromJson(*json).array();
    ReadBack read;
    const QJsonArray data = sheets.at(0).toObject().value(QStringLiteral("rows")).toArray();
    read.headerFrozen = sheets.at(0).toObject().value(QStringLiteral("frozen")).toBool();
    const QJsonObject widths = sheets.at(0).toObject().value(QStringLiteral("widths")).toObject();
    for (auto width = widths.begin(); width != widths.end(); ++width)
        read.widths << width.key() + QLatin1Char('=') + width.value().toString();
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
