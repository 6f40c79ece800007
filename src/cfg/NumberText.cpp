#include "cfg/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace k7 {

namespace {

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// The shortest text that reads back as `value` in its own precision.
template <typename Number>
QString shortestText(Number value)
{
    if (value == 0 || std::isnan(value))
        return QStringLiteral("0");
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

}  // namespace

double ValNumber(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;
    const qsizetype start = i;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    const qsizetype intStart = i;
    while (i < n && isDigit(text.at(i)))
        ++i;
    bool digits = i > intStart;
    if (i < n && text.at(i) == QLatin1Char('.')) {
        const qsizetype fracStart = i + 1;
        qsizetype j = fracStart;
        while (j < n && isDigit(text.at(j)))
            ++j;
        if (j > fracStart || digits) {
            digits = digits || j > fracStart;
            i = j;
        }
    }
    if (!digits)
        return 0;
    if (i < n && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < n && (text.at(j) == QLatin1Char('+') || text.at(j) == QLatin1Char('-')))
            ++j;
        const qsizetype expStart = j;
        while (j < n && isDigit(text.at(j)))
            ++j;
        if (j > expStart)
            i = j;
    }
    std::string ascii = text.mid(start, i - start).toStdString();
    if (!ascii.empty() && ascii.front() == '+')
        ascii.erase(0, 1);
    double value = 0;
    const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
        // Too large stays the largest number there is rather than infinity,
        // which could not be written back as a number; too small is 0.
        const bool negative = ascii.front() == '-';
        const qsizetype e = text.indexOf(QLatin1Char('e'), start, Qt::CaseInsensitive);
        const bool tiny = e >= 0 && e < i && text.mid(e + 1, 1) == QLatin1String("-");
        if (tiny)
            return 0;
        return negative ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
    }
    return value == 0 ? 0 : value;  // no "-0"
}

QString ShortestNumber(double value)
{
    return shortestText(value);
}

QString ShortestSingle(double value)
{
    return shortestText(static_cast<float>(value));
}

}  // namespace k7
