#pragma once
// The text rules shared by the CFG and profile readers: only blanks (spaces)
// are trimmed, and names and keys compare without regard to case.

#include <QPair>
#include <QString>
#include <QStringView>

namespace k7 {

inline QString TrimBlanks(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text.at(start) == QLatin1Char(' '))
        ++start;
    while (end > start && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return (start == 0 && end == text.size()) ? text : text.mid(start, end - start);
}

inline QStringView TrimBlanks(QStringView text)
{
    while (!text.isEmpty() && text.front() == QLatin1Char(' '))
        text = text.sliced(1);
    while (!text.isEmpty() && text.back() == QLatin1Char(' '))
        text.chop(1);
    return text;
}

inline QStringView TrimTrailingBlanks(QStringView text)
{
    while (!text.isEmpty() && text.back() == QLatin1Char(' '))
        text.chop(1);
    return text;
}

// Characters, not UTF-16 units: a character outside the Basic Multilingual
// Plane is two units, and cutting between them would leave half a character.
inline qsizetype LastCharacterSize(QStringView text)
{
    const qsizetype n = text.size();
    return n >= 2 && text[n - 1].isLowSurrogate() && text[n - 2].isHighSurrogate() ? 2 : 1;
}

inline qsizetype CharacterCount(QStringView text)
{
    qsizetype count = text.size();
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (text[i].isLowSurrogate() && text[i - 1].isHighSurrogate())
            --count;
    }
    return count;
}

// The first `count` characters of `text`.
inline QString LeftCharacters(const QString& text, qsizetype count)
{
    qsizetype units = 0;
    for (; units < text.size() && count > 0; --count)
        units += text[units].isHighSurrogate() && units + 1 < text.size()
                && text[units + 1].isLowSurrogate() ? 2 : 1;
    return text.left(units);
}

// Splits at the first blank into the trimmed parts before and after it
// ("NAME values" statements and conditions).
inline QPair<QString, QString> SplitAtBlank(const QString& text)
{
    const qsizetype blank = text.indexOf(QLatin1Char(' '));
    if (blank < 0)
        return {TrimBlanks(text), QString()};
    return {TrimBlanks(text.left(blank)), TrimBlanks(text.mid(blank + 1))};
}

inline bool SameText(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The form under which names and keys are looked up.
inline QString FoldCase(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return text.toCaseFolded();
    }
    return text.toLower();  // the same for ASCII, and much cheaper
}

}  // namespace k7
