#include "exports/CodebookPage.h"

#include "exports/PageStyle.h"

#include <QLocale>

#include <algorithm>

namespace k7 {

namespace {

// The charts stand on lines of their own; a variable is not split across pages.
const char* const kChartStyle = "svg{display:block;margin:0.5em 0}section{page-break-inside:avoid}";

QString esc(const QString& text)
{
    return text.toHtmlEscaped();
}

QString number(double value)
{
    return QLocale::c().toString(value, 'g', 10);
}

QString row(const QString& heading, const QString& value)
{
    return QStringLiteral("<tr><th>%1</th><td>%2</td></tr>").arg(heading, value);
}

// Horizontal bars, one per counted value, labelled with the value and count.
QString barChart(const QList<CountedValue>& bars)
{
    constexpr int kBarHeight = 18, kLabelWidth = 160, kBarWidth = 300;
    qint64 most = 1;
    for (const CountedValue& bar : bars)
        most = std::max(most, bar.count);
    QString svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" role=\"img\">")
                      .arg(kLabelWidth + kBarWidth + 80)
                      .arg(bars.size() * kBarHeight + 4);
    for (qsizetype i = 0; i < bars.size(); ++i) {
        const qsizetype y = i * kBarHeight + 2;
        const double width = kBarWidth * static_cast<double>(bars[i].count) / static_cast<double>(most);
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"12\" text-anchor=\"end\">%3</text>")
                   .arg(kLabelWidth - 6)
                   .arg(y + 13)
                   .arg(esc(bars[i].value.left(24)));
        svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"#555\"/>")
                   .arg(kLabelWidth)
                   .arg(y + 2)
                   .arg(width, 0, 'f', 1)
                   .arg(kBarHeight - 5);
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"12\">%3</text>")
                   .arg(kLabelWidth + width + 4, 0, 'f', 1)
                   .arg(y + 13)
                   .arg(bars[i].count);
    }
    return svg + QStringLiteral("</svg>");
}

// Vertical bars over equal bins, the axis labelled with the minimum and maximum.
QString histogram(const VariableFacts& facts)
{
    constexpr int kHeight = 100, kBinWidth = 28;
    const qint64 most = std::max<qint64>(1, *std::max_element(facts.histogram.cbegin(), facts.histogram.cend()));
    const qsizetype width = facts.histogram.size() * kBinWidth;
    QString svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" role=\"img\">")
                      .arg(width + 20)
                      .arg(kHeight + 36);
    for (qsizetype b = 0; b < facts.histogram.size(); ++b) {
        const double height = kHeight * static_cast<double>(facts.histogram[b]) / static_cast<double>(most);
        svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"#555\" stroke=\"#fff\">"
                              "<title>%5</title></rect>")
                   .arg(b * kBinWidth + 10)
                   .arg(kHeight - height + 4, 0, 'f', 1)
                   .arg(kBinWidth)
                   .arg(height, 0, 'f', 1)
                   .arg(facts.histogram[b]);
    }
    svg += QStringLiteral("<line x1=\"10\" y1=\"%1\" x2=\"%2\" y2=\"%1\" stroke=\"#000\"/>").arg(kHeight + 4).arg(width + 10);
    svg += QStringLiteral("<text x=\"10\" y=\"%1\" font-size=\"12\">%2</text>").arg(kHeight + 20).arg(number(facts.min));
    svg += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"12\" text-anchor=\"end\">%3</text>")
               .arg(width + 10)
               .arg(kHeight + 20)
               .arg(number(facts.max));
    return svg + QStringLiteral("</svg>");
}

QString menuSection(const VariableFacts& facts)
{
    QStringList items;
    for (const CountedValue& item : facts.menu)
        items << QStringLiteral("%1 (%2)").arg(esc(item.value)).arg(item.count);
    QString html = row(QStringLiteral("Menu items"), items.join(QStringLiteral(", ")));
    QList<CountedValue> bars = facts.menu;
    if (!facts.others.isEmpty()) {
        QStringList others;
        qint64 total = 0;
        for (const CountedValue& other : facts.others) {
            others << QStringLiteral("%1 (%2)").arg(esc(other.value)).arg(other.count);
            total += other.count;
        }
        if (facts.moreOthers > 0)
            others << QStringLiteral("and %1 more").arg(facts.moreOthers);
        html += row(QStringLiteral("Not menu items"), others.join(QStringLiteral(", ")));
        bars << CountedValue{QStringLiteral("(not an item)"), total};
    }
    return html + QStringLiteral("</table>") + barChart(bars);
}

QString variableSection(const VariableFacts& facts)
{
    QString html = QStringLiteral("<section><h2>%1</h2><table>").arg(esc(facts.name));
    html += row(QStringLiteral("Prompt"), esc(facts.prompt));
    html += row(QStringLiteral("Type"), esc(facts.type));
    if (facts.length > 0)
        html += row(QStringLiteral("Length"), QString::number(facts.length));
    if (!facts.flags.isEmpty())
        html += row(QStringLiteral("Flags"), facts.flags.join(QStringLiteral(", ")));
    if (!facts.conditions.isEmpty())
        html += row(QStringLiteral("Conditions"), esc(facts.conditions));
    html += row(QStringLiteral("Values"), QString::number(facts.values));
    html += row(QStringLiteral("Missing"), QString::number(facts.missing));
    if (!facts.menu.isEmpty())
        return html + menuSection(facts) + QStringLiteral("</section>");
    if (facts.isNumber && facts.numbers > 0) {
        html += row(QStringLiteral("Minimum"), number(facts.min));
        html += row(QStringLiteral("Median"), number(facts.median));
        html += row(QStringLiteral("Maximum"), number(facts.max));
        if (facts.numbers < facts.values)
            html += row(QStringLiteral("Not numbers"), QString::number(facts.values - facts.numbers));
        return html + QStringLiteral("</table>") + histogram(facts) + QStringLiteral("</section>");
    }
    return html + QStringLiteral("</table></section>");
}

}  // namespace

QByteArray CodebookHtml(const CodebookFacts& facts)
{
    QString html = QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Codebook of %1</title>"
                                  "<style>%2</style></head><body>\n")
                       .arg(esc(facts.table), QLatin1String(kPageStyle) + QLatin1String(kChartStyle));
    html += QStringLiteral("<h1>Codebook of %1</h1><table>").arg(esc(facts.table));
    html += row(QStringLiteral("CFG"), esc(facts.cfgPath));
    if (!facts.databasePath.isEmpty())
        html += row(QStringLiteral("Database"), esc(facts.databasePath));
    html += row(QStringLiteral("Table"), esc(facts.table));
    html += row(QStringLiteral("Records"), QString::number(facts.records));
    html += row(QStringLiteral("Exported"), facts.made.toString(Qt::ISODate));
    html += QStringLiteral("</table>\n");
    for (const VariableFacts& variable : facts.variables)
        html += variableSection(variable) + QLatin1Char('\n');
    html += QStringLiteral("</body></html>\n");
    return html.toUtf8();
}

}  // namespace k7
