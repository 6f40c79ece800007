#include "store/postgres/PgIndexExpression.h"

namespace k7 {

namespace {

bool startsName(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool continuesName(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

// One name at `i` (bare or double-quoted), its end in *end.
QString readName(const QString& text, qsizetype i, qsizetype* end)
{
    if (text[i] != QLatin1Char('"')) {
        qsizetype j = i;
        while (j < text.size() && continuesName(text[j]))
            ++j;
        *end = j;
        return text.mid(i, j - i);
    }
    QString name;
    qsizetype j = i + 1;
    while (j < text.size()) {
        if (text[j] == QLatin1Char('"')) {
            if (j + 1 < text.size() && text[j + 1] == QLatin1Char('"')) {
                name += QLatin1Char('"');
                j += 2;
                continue;
            }
            ++j;
            break;
        }
        name += text[j++];
    }
    *end = j;
    return name;
}

qsizetype skipLiteral(const QString& text, qsizetype i)
{
    qsizetype j = i + 1;
    while (j < text.size()) {
        if (text[j] == QLatin1Char('\'')) {
            if (j + 1 < text.size() && text[j + 1] == QLatin1Char('\'')) {
                j += 2;
                continue;
            }
            return j + 1;
        }
        ++j;
    }
    return j;
}

// Whether the name ending at `end` is called (a function) or follows "::" (a type).
bool isFunctionOrType(const QString& text, qsizetype start, qsizetype end)
{
    qsizetype after = end;
    while (after < text.size() && text[after].isSpace())
        ++after;
    if (after < text.size() && text[after] == QLatin1Char('('))
        return true;
    qsizetype before = start;
    while (before > 0 && text[before - 1].isSpace())
        --before;
    return before >= 2 && text.mid(before - 2, 2) == QLatin1String("::");
}

}  // namespace

QString FieldOfIndexExpression(const QString& expression, const QStringList& fields)
{
    qsizetype i = 0;
    while (i < expression.size()) {
        const QChar c = expression[i];
        if (c == QLatin1Char('\'')) {
            i = skipLiteral(expression, i);
            continue;
        }
        if (!startsName(c) && c != QLatin1Char('"')) {
            ++i;
            continue;
        }
        qsizetype end = i;
        const QString name = readName(expression, i, &end);
        if (!isFunctionOrType(expression, i, end) && fields.contains(name))
            return name;
        i = end;
    }
    return QString();
}

}  // namespace k7
