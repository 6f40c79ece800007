#include "instruments/ReadingLine.h"

#include <QRegularExpression>

namespace k7 {

namespace {

ReadingVerdict refused(const QString& why, bool unstable = false)
{
    return {ReadingVerdict::Kind::Refused, why, unstable};
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
    static const QRegularExpression words(QStringLiteral("^(?:[A-Za-z]+[ ,]*)*"));
    if (const auto m = channel.match(s); m.hasMatch())
        return m.capturedLength();
    return words.match(s).capturedLength();
}

// The signed number at the start of `s`: a blank may stand between the sign
// and the digits, and brackets around a digit the device does not vouch for
// are dropped. Empty when there is no digit.
QString signedNumber(const QString& s)
{
    qsizetype i = 0;
    QString out;
    if (i < s.size() && (s.at(i) == u'+' || s.at(i) == u'-'))
        out += s.at(i++);
    while (i < s.size() && s.at(i) == u' ')
        ++i;
    bool digit = false;
    for (; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == u'[' || c == u']')
            continue;
        if (!c.isDigit() && c != u'.')
            break;
        digit = digit || c.isDigit();
        out += c;
    }
    return digit ? out : QString();
}

}  // namespace

ReadingVerdict JudgeReadingLine(const QString& line, bool refuseUnstable)
{
    static const QRegularExpression plain(
        QStringLiteral("^[+-]?(?>\\d+(?:\\.\\d*)?|\\.\\d+)(?>[eE][+-]?\\d+)?(?![A-Za-z])"));
    const QString s = line.trimmed();
    const ReadingVerdict flag = flagOf(s);
    if (flag.kind == ReadingVerdict::Kind::Refused && (refuseUnstable || !flag.unstable))
        return flag;
    if (plain.match(s).hasMatch())
        return {};
    const QString number = signedNumber(s.mid(headerLength(s)));
    if (number.isEmpty())
        return refused(QStringLiteral("no number"));
    return {ReadingVerdict::Kind::Number, number};
}

}  // namespace k7
