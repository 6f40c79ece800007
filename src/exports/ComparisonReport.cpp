#include "exports/ComparisonReport.h"

#include "exports/PageStyle.h"

#include <QFileInfo>
#include <QSaveFile>

namespace k7 {

namespace {

// A blank value is greyed, so that "(blank)" is not read as typed text.
const char* const kBlankStyle = "td.blank{color:#888}";

QString esc(const QString& text)
{
    return text.toHtmlEscaped();
}

// A cell; a blank value is marked, so that it is not taken for a missing cell.
QString cell(const QString& value)
{
    return value.isEmpty() ? QStringLiteral("<td class=\"blank\">(blank)</td>")
                           : QStringLiteral("<td>%1</td>").arg(esc(value));
}

QString row(const QStringList& cells)
{
    QString html = QStringLiteral("<tr>");
    for (const QString& c : cells)
        html += cell(c);
    return html + QStringLiteral("</tr>\n");
}

QString countRow(const QString& heading, qint64 count)
{
    return QStringLiteral("<tr><th>%1</th><td>%2</td></tr>\n").arg(esc(heading)).arg(count);
}

QString section(const QString& title, const QStringList& headings, const QString& rows, qsizetype count)
{
    if (count == 0)
        return QString();
    QString html = QStringLiteral("<section><h2>%1 (%2)</h2>\n<table><tr>").arg(esc(title)).arg(count);
    for (const QString& heading : headings)
        html += QStringLiteral("<th>%1</th>").arg(esc(heading));
    return html + QStringLiteral("</tr>\n") + rows + QStringLiteral("</table></section>\n");
}

QString keyRows(const QStringList& keys)
{
    QString rows;
    for (const QString& key : keys)
        rows += row({key});
    return rows;
}

QString counts(const ComparisonFacts& f)
{
    return QStringLiteral("<table>\n") + countRow(QStringLiteral("Records in ") + f.firstName, f.firstRecords)
           + countRow(QStringLiteral("Records in ") + f.secondName, f.secondRecords)
           + countRow(QStringLiteral("Records matched by ") + f.keyVariable, f.matched)
           + countRow(QStringLiteral("Only in ") + f.firstName, f.onlyInFirst.size())
           + countRow(QStringLiteral("Only in ") + f.secondName, f.onlyInSecond.size())
           + countRow(QStringLiteral("Doubled keys"), f.doubled.size())
           + countRow(QStringLiteral("Values that differ"), f.differences.size()) + QStringLiteral("</table>\n");
}

QString csvField(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csvLine(const QStringList& fields)
{
    QStringList quoted;
    for (const QString& field : fields)
        quoted << csvField(field);
    return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

}  // namespace

QByteArray ComparisonHtml(const ComparisonFacts& f)
{
    QString doubled;
    for (const DoubledKey& d : f.doubled)
        doubled += row({d.key, QString::number(d.first), QString::number(d.second)});
    QString differences;
    for (const ValueDifference& d : f.differences)
        differences += row({d.key, d.variable, d.first, d.second});
    const QString title = QStringLiteral("%1 and %2").arg(f.firstName, f.secondName);
    QString html = QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title><style>%2"
                                  "</style></head><body>\n<h1>%1</h1>\n<p>%3</p>\n")
                       .arg(esc(title), QLatin1String(kPageStyle) + QLatin1String(kBlankStyle),
                            esc(ComparisonSummary(f)));
    html += counts(f);
    if (!f.notCompared.isEmpty())
        html += QStringLiteral("<p>Not compared (not a field of both tables): %1</p>\n")
                    .arg(esc(f.notCompared.join(QStringLiteral(", "))));
    html += section(QStringLiteral("Only in ") + f.firstName, {f.keyVariable}, keyRows(f.onlyInFirst),
                    f.onlyInFirst.size());
    html += section(QStringLiteral("Only in ") + f.secondName, {f.keyVariable}, keyRows(f.onlyInSecond),
                    f.onlyInSecond.size());
    html += section(QStringLiteral("Doubled keys"), {f.keyVariable, f.firstName, f.secondName}, doubled,
                    f.doubled.size());
    html += section(QStringLiteral("Values that differ"), {f.keyVariable, QStringLiteral("Variable"), f.firstName,
                                                           f.secondName},
                    differences, f.differences.size());
    return (html + QStringLiteral("</body></html>\n")).toUtf8();
}

QByteArray ComparisonCsv(const ComparisonFacts& f)
{
    QString csv = csvLine({QStringLiteral("kind"), QStringLiteral("key"), QStringLiteral("variable"),
                           QStringLiteral("first"), QStringLiteral("second")});
    for (const QString& key : f.onlyInFirst)
        csv += csvLine({QStringLiteral("only in first"), key, QString(), QString(), QString()});
    for (const QString& key : f.onlyInSecond)
        csv += csvLine({QStringLiteral("only in second"), key, QString(), QString(), QString()});
    for (const DoubledKey& d : f.doubled)
        csv += csvLine({QStringLiteral("doubled key"), d.key, QString(), QString::number(d.first),
                        QString::number(d.second)});
    for (const ValueDifference& d : f.differences)
        csv += csvLine({QStringLiteral("differs"), d.key, d.variable, d.first, d.second});
    return csv.toUtf8();
}

bool IsCsvReport(const QString& path)
{
    return path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
}

bool WriteComparisonReport(const ComparisonFacts& facts, const QString& path, const QStringList& compared,
                           QString* error)
{
    // The report must never take the place of a file it describes.
    const QString target = QFileInfo(path).canonicalFilePath();
    for (const QString& input : compared) {
        if (!target.isEmpty() && QFileInfo(input).canonicalFilePath() == target) {
            if (error)
                *error = QStringLiteral("%1 is one of the files being compared.  Choose another file.").arg(path);
            return false;
        }
    }
    const QByteArray report = IsCsvReport(path) ? ComparisonCsv(facts) : ComparisonHtml(facts);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(report) == report.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

QString ComparisonSummary(const ComparisonFacts& f)
{
    if (f.agree())
        return QStringLiteral("The two tables agree: %1 records matched by %2.")
            .arg(QString::number(f.matched), f.keyVariable);
    return QStringLiteral("%1 difference(s): %2 record(s) only in %3, %4 only in %5, %6 doubled key(s), "
                          "%7 value(s) that differ.")
        .arg(QString::number(f.differenceCount()), QString::number(f.onlyInFirst.size()), f.firstName,
             QString::number(f.onlyInSecond.size()), f.secondName, QString::number(f.doubled.size()),
             QString::number(f.differences.size()));
}

}  // namespace k7
