#include "store/postgres/PgPlaceholders.h"

namespace k7 {

namespace {

// The index just past the quoted text that opens at `from` with `quote`; a
// doubled quote inside stays inside. An unclosed quote runs to the end (the
// server reports it).
qsizetype skipQuoted(const QString& sql, qsizetype from, QChar quote)
{
    qsizetype i = from + 1;
    while (i < sql.size()) {
        if (sql[i] == quote) {
            if (i + 1 < sql.size() && sql[i + 1] == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return sql.size();
}

// The index just past a comment that opens at `from`, or `from` when none does.
qsizetype skipComment(const QString& sql, qsizetype from)
{
    // A view, not a copy: this is asked at every character of every statement.
    const QStringView opening = QStringView(sql).mid(from, 2);
    if (opening == QLatin1String("--")) {
        const qsizetype end = sql.indexOf(QLatin1Char('\n'), from);
        return end < 0 ? sql.size() : end + 1;
    }
    if (opening == QLatin1String("/*")) {
        const qsizetype end = sql.indexOf(QLatin1String("*/"), from + 2);
        return end < 0 ? sql.size() : end + 2;
    }
    return from;
}

}  // namespace

PgPlaceholders TranslatePlaceholders(const QString& sql)
{
    PgPlaceholders out;
    out.sql.reserve(sql.size() + 8);
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const qsizetype end = skipQuoted(sql, i, c);
            out.sql += QStringView(sql).mid(i, end - i);
            i = end;
            continue;
        }
        if (const qsizetype end = skipComment(sql, i); end != i) {
            out.sql += QStringView(sql).mid(i, end - i);
            i = end;
            continue;
        }
        if (c != QLatin1Char('?')) {
            out.sql += c;
            ++i;
            continue;
        }
        qsizetype digits = i + 1;
        while (digits < sql.size() && sql[digits].isDigit() && sql[digits].unicode() < 128)
            ++digits;
        const int number = digits > i + 1 ? QStringView(sql).mid(i + 1, digits - i - 1).toInt() : out.count + 1;
        out.count = std::max(out.count, number);
        out.sql += QLatin1Char('$') + QString::number(number);
        i = digits;
    }
    return out;
}

}  // namespace k7
