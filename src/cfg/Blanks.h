#pragma once
// The text rules shared by the CFG and profile readers: only blanks (spaces)
// are trimmed, and names and keys compare without regard to case.

#include <QPair>
#include <QString>

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
