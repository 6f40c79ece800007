#include "instruments/ReadingLine.h"

#include "cfg/NumberText.h"
#include "entry/ValueForms.h"

#include <QRegularExpression>

#include <algorithm>

namespace k7 {

namespace {

constexpr char16_t kMinusSign = u'\u2212';

ReadingVerdict refused(const QString& why, bool unstable = false)
{
    ReadingVerdict verdict{ReadingVerdict::Kind::Refused, why};
    verdict.unstable = unstable;
    return verdict;
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isSign(QChar c)
{
    return c == u'+' || c == u'-' || c == kMinusSign;
}

// Control characters other than the CR and TAB a line may hold: escape
// sequences, padding, line noise.
bool isStrayControl(QChar c)
{
    return c.category() == QChar::Other_Control && c != u'\t' && c != u'\r' && c != u'\n';
}

// The flags devices put on a reading that must not be stored. Empty when
// the line carries none.
ReadingVerdict flagOf(const QString& s)
{
    static const QRegularExpression mtSics(QStringLiteral("^S +([DI+-])(?: |$)"));
    const QString upper = s.toUpper();
    if (s.contains(u'?') || upper.startsWith(QLatin1String("US,")))
        return refused(QStringLiteral("unstable"), true);
    if (const auto m = mtSics.match(s); m.hasMatch()) {
        const QChar f = m.captured(1).at(0);
        if (f == u'D')
            return refused(QStringLiteral("unstable"), true);
        if (f == u'I')
            return refused(QStringLiteral("the balance is busy"));
        return refused(f == u'+' ? QStringLiteral("overload") : QStringLiteral("underload"));
    }
    if (upper.startsWith(QLatin1String("OL,")) || s == u"H")
        return refused(QStringLiteral("overload"));
    if (s == u"L")
        return refused(QStringLiteral("underload"));
    if (s == u"C")
        return refused(QStringLiteral("calibrating"));
    if (upper.startsWith(QLatin1String("ERR")) || upper.startsWith(QLatin1String("STAT")))
        return refused(QStringLiteral("the device reports an error"));
    return {};
}

// Skips a status header: two digits and a letter before a sign (a channel
// number), or words of letters each followed by blanks or a comma.
qsizetype headerLength(const QString& s)
{
    static const QRegularExpression channel(QStringLiteral("^\\d\\d[A-Za-z](?=[+-])"));
    static const QRegularExpression words(QStringLiteral("^(?:\\p{L}+[ ,]*)*"));
    if (const auto m = channel.match(s); m.hasMatch())
        return m.capturedLength();
    return words.match(s).capturedLength();
}

// Characters above ASCII at `i` followed by a digit: a byte garbled inside
// the number, which must not be read around ("1\xb32.5" is not 12.5).
bool strayInside(const QString& s, qsizetype i)
{
    qsizetype j = i;
    while (j < s.size() && s.at(j).unicode() > 126)
        ++j;
    if (j == i || j >= s.size())
        return false;
    const QChar next = s.at(j);
    const bool pointThenDigit = (next == u'.' || next == u',') && j + 1 < s.size() && isAsciiDigit(s.at(j + 1));
    return isAsciiDigit(next) || pointThenDigit;
}

struct NumberRead {
    QString text;         // as the program reads numbers; empty when there is no digit
    qsizetype end = 0;    // where the line goes on after the number
    bool asSent = false;  // `text` is exactly what the line holds
    bool stray = false;   // a character that is not ASCII stands inside the number
};

// The exponent at `i` of a number; empty when there is none, or when a
// letter follows it (then it is a unit).
QString exponentAt(const QString& s, qsizetype i)
{
    if (i >= s.size() || (s.at(i) != u'e' && s.at(i) != u'E'))
        return {};
    qsizetype j = i + 1;
    if (j < s.size() && (s.at(j) == u'+' || s.at(j) == u'-'))
        ++j;
    const qsizetype digits = j;
    while (j < s.size() && isAsciiDigit(s.at(j)))
        ++j;
    if (j == digits || (j < s.size() && s.at(j).isLetter()))
        return {};
    return s.mid(i, j - i);
}

// The number at `from`: a sign (also the minus sign U+2212), blanks, digits
// with a decimal point ("," when it is the only separator), an exponent.
// Brackets around a digit the device does not vouch for are dropped. The
// number ends at a comma that is not its decimal point and at a second point.
NumberRead readNumber(const QString& s, qsizetype from)
{
    NumberRead n;
    qsizetype i = from;
    QString sign;
    if (i < s.size() && isSign(s.at(i))) {
        sign = s.at(i) == kMinusSign ? QStringLiteral("-") : QString(s.at(i));
        ++i;
        while (i < s.size() && s.at(i) == u' ')
            ++i;
    }
    QString run;
    QList<qsizetype> where;  // of each character of `run` in `s`
    for (; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == u'[' || c == u']')
            continue;
        if (!isAsciiDigit(c) && c != u'.' && c != u',')
            break;
        run += c;
        where.append(i);
    }
    run = DecimalCommaAsPoint(run);
    qsizetype cut = run.indexOf(u',');
    const qsizetype point = run.indexOf(u'.');
    const qsizetype second = point < 0 ? -1 : run.indexOf(u'.', point + 1);
    if (second >= 0 && (cut < 0 || second < cut))
        cut = second;
    if (cut >= 0) {
        i = where.at(cut);
        run.truncate(cut);
    }
    if (strayInside(s, i)) {
        n.stray = true;
        return n;
    }
    if (!std::any_of(run.cbegin(), run.cend(), isAsciiDigit))
        return n;
    const QString exponent = exponentAt(s, i);
    i += exponent.size();
    n.text = sign + run + exponent;
    n.end = i;
    n.asSent = QStringView(s).sliced(from, i - from) == n.text;
    return n;
}

// Whether what follows the number holds another one: a sign, point or
// digit at its start or after a blank or separator ("12.5 13.5",
// "12.5-3", "1,234.5"). Digits inside a unit ("cm3") are not a number.
bool holdsAnother(const QString& rest)
{
    static const QRegularExpression another(QStringLiteral("(?:^|[\\s,;:=])[+\\-\\x{2212}]?\\.?\\d"));
    return another.match(rest).hasMatch();
}

// The line as the instrument box shows it: printable ASCII only.
QString shownText(const QString& s)
{
    QString shown;
    shown.reserve(s.size());
    for (const QChar c : s) {
        if (c.unicode() >= 33 && c.unicode() <= 126)
            shown += c;
    }
    return shown;
}

}  // namespace

ReadingVerdict JudgeReadingLine(const QString& line, bool refuseUnstable)
{
    static const QRegularExpression plain(
        QStringLiteral("^[+-]?(?>\\d+(?:\\.\\d*)?|\\.\\d+)(?>[eE][+-]?\\d+)?(?![A-Za-z])"));
    if (std::any_of(line.cbegin(), line.cend(), isStrayControl))
        return refused(QStringLiteral("control characters in the line"));
    const QString s = line.trimmed();
    if (s.contains(u'\r')) {
        ReadingVerdict verdict = refused(QStringLiteral("more than one value"));
        verdict.carriageReturnInside = true;
        return verdict;
    }
    const ReadingVerdict flag = flagOf(s);
    if (flag.kind == ReadingVerdict::Kind::Refused && (refuseUnstable || !flag.unstable))
        return flag;
    const qsizetype from = plain.match(s).hasMatch() ? 0 : headerLength(s);
    const NumberRead number = readNumber(s, from);
    if (number.stray)
        return refused(QStringLiteral("a character that is not ASCII inside the number"));
    if (number.text.isEmpty())
        return refused(QStringLiteral("no number"));
    if (holdsAnother(s.mid(number.end)))
        return refused(QStringLiteral("more than one value"));
    // The box shows the line without its blanks; it is kept as the value
    // when it reads as the same number.
    const bool asShown = from == 0 && number.asSent && ValNumber(shownText(s)) == ValNumber(number.text);
    return {asShown ? ReadingVerdict::Kind::AsShown : ReadingVerdict::Kind::Number, number.text};
}

QString PrintableReading(const QString& line)
{
    QString out;
    out.reserve(line.size());
    for (const QChar c : line) {
        if (c == u'\r' || c == u'\t')
            out += u' ';
        else if (c.category() == QChar::Other_Control)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out.trimmed();
}

}  // namespace k7
