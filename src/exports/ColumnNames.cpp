#include "exports/ColumnNames.h"

#include <QRegularExpression>
#include <QSet>

namespace k7 {

namespace {

const QSet<QString>& reservedWords(NameRule rule)
{
    static const QSet<QString> stata{
        "_all",    "_b",     "byte",   "_coef", "_cons",   "double", "float",  "if",     "in",
        "int",     "long",   "_n",     "_N",    "_pi",     "_pred",  "_rc",    "_skip",  "str",
        "strL",    "using",  "with",   "_se",   "_weight", "_merge", "_result"};
    static const QSet<QString> spss{"ALL", "AND", "BY", "EQ", "GE", "GT", "LE", "LT", "NE", "NOT", "OR", "TO", "WITH"};
    static const QSet<QString> none;
    return rule == NameRule::Stata ? stata : rule == NameRule::Spss ? spss : none;
}

bool isReserved(const QString& name, NameRule rule)
{
    if (rule == NameRule::Spss)
        return reservedWords(rule).contains(name.toUpper());
    // Stata also keeps str1 ... str2045 for its string types.
    static const QRegularExpression strN(QStringLiteral("^str[0-9]+$"));
    return reservedWords(rule).contains(name) || strN.match(name).hasMatch();
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool allowed(QChar c, NameRule rule)
{
    if (isAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'_')
        return true;
    return rule == NameRule::Spss && (c == u'.' || c == u'$' || c == u'#' || c == u'@');
}

QString validForm(const QString& name, NameRule rule)
{
    const int maxLength = rule == NameRule::Stata ? 32 : 64;
    QString valid;
    for (QChar c : name)
        valid += allowed(c, rule) ? c : QChar(u'_');
    if (rule == NameRule::Spss) {
        // A leading "#" or "$" or "@" makes a scratch or system name.
        if (valid.isEmpty() || !isAsciiLetter(valid.front()))
            valid.prepend(u'V');
        while (valid.endsWith(u'.'))
            valid.chop(1);
    } else if (valid.isEmpty() || valid.front().isDigit()) {
        valid.prepend(u'_');
    }
    valid.truncate(maxLength);
    if (isReserved(valid, rule))
        valid = valid.left(maxLength - 1) + u'_';
    return valid;
}

// `name` with a "_n" suffix that makes it unused, the length kept.
QString unusedForm(const QString& name, const QSet<QString>& used, NameRule rule)
{
    const int maxLength = rule == NameRule::Stata ? 32 : 64;
    for (int n = 2;; ++n) {
        const QString suffix = QStringLiteral("_%1").arg(n);
        const QString candidate = name.left(maxLength - suffix.size()) + suffix;
        if (!used.contains(candidate.toLower()))
            return candidate;
    }
}

}  // namespace

QStringList ValidColumnNames(const QStringList& names, NameRule rule)
{
    if (rule == NameRule::Free)
        return names;
    QStringList valid;
    QSet<QString> used;
    for (const QString& name : names) {
        QString form = validForm(name, rule);
        if (used.contains(form.toLower()))
            form = unusedForm(form, used, rule);
        used.insert(form.toLower());
        valid << form;
    }
    return valid;
}

}  // namespace k7
