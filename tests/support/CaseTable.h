#pragma once
// Tables of test cases kept as text under tests/data: one case a line, cells
// separated by tabs, a header line naming the columns, '#' lines as comments.
// The first column names the row. In a cell, "|" separates the items of a
// list, and \r \n \t \| \\ and \xNN stand for what they say, so a device's
// line with its control bytes stays on one line of the table.

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QList>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace k7::test {

class Case {
public:
    Case(QByteArray name, QHash<QString, QString> cells) : m_name(std::move(name)), m_cells(std::move(cells)) {}

    const char* name() const { return m_name.constData(); }
    // The cell as written, escapes and all; `fallback` where it is empty.
    QString raw(const QString& column, const QString& fallback = {}) const
    {
        const QString cell = cellOf(column);
        return cell.isEmpty() ? fallback : cell;
    }
    QString text(const QString& column, const QString& fallback = {}) const
    {
        return QString::fromUtf8(unescape(raw(column, fallback)));
    }
    QByteArray bytes(const QString& column) const { return unescape(cellOf(column)); }
    int number(const QString& column) const { return raw(column, QStringLiteral("0")).toInt(); }
    // An empty cell is an empty list; "a|" is "a" and an empty item.
    QList<QByteArray> byteList(const QString& column) const
    {
        QList<QByteArray> items;
        for (const QString& item : splitItems(cellOf(column)))
            items << unescape(item);
        return items;
    }
    QStringList list(const QString& column) const
    {
        QStringList items;
        for (const QByteArray& item : byteList(column))
            items << QString::fromUtf8(item);
        return items;
    }

private:
    QString cellOf(const QString& column) const
    {
        if (!m_cells.contains(column))
            fail("no column " + column.toUtf8());
        return m_cells.value(column);
    }
    [[noreturn]] static void fail(const QByteArray& why)
    {
        std::fprintf(stderr, "case table: %s\n", why.constData());
        std::abort();
    }
    static QStringList splitItems(const QString& cell)
    {
        QStringList items;
        if (cell.isEmpty())
            return items;
        QString item;
        for (qsizetype i = 0; i < cell.size(); ++i) {
            if (cell[i] == u'\\' && i + 1 < cell.size()) {
                item += cell.mid(i, 2);
                ++i;
            } else if (cell[i] == u'|') {
                items << item;
                item.clear();
            } else {
                item += cell[i];
            }
        }
        return items << item;
    }
    static QByteArray unescape(const QString& cell)
    {
        const QByteArray in = cell.toUtf8();
        QByteArray out;
        for (qsizetype i = 0; i < in.size(); ++i) {
            if (in[i] != '\\' || i + 1 == in.size()) {
                out += in[i];
                continue;
            }
            const char c = in[++i];
            if (c == 'x' && i + 2 < in.size()) {
                bool ok = false;
                out += char(in.mid(i + 1, 2).toInt(&ok, 16));
                if (!ok)
                    fail("bad \\x escape in " + in);
                i += 2;
            } else {
                out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
            }
        }
        return out;
    }

    QByteArray m_name;
    QHash<QString, QString> m_cells;
};

// The cases of tests/data/`table`; a missing file or a row with the wrong
// number of cells stops the test program, so no table shrinks unnoticed.
inline QList<Case> readCases(const QString& table)
{
    QFile file(QStringLiteral(K7_TEST_DATA "/") + table);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "case table %s cannot be read\n", qPrintable(table));
        std::abort();
    }
    QStringList header;
    QList<Case> cases;
    int lineNumber = 0;
    while (!file.atEnd()) {
        QString line = QString::fromUtf8(file.readLine());
        if (line.endsWith(u'\n'))
            line.chop(1);
        ++lineNumber;
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList cells = line.split(u'\t');
        if (header.isEmpty()) {
            header = cells;
            continue;
        }
        if (cells.size() != header.size()) {
            std::fprintf(stderr, "%s:%d: %d cells, the header has %d\n", qPrintable(table), lineNumber,
                         int(cells.size()), int(header.size()));
            std::abort();
        }
        QHash<QString, QString> byColumn;
        for (qsizetype c = 1; c < cells.size(); ++c)
            byColumn.insert(header[c], cells[c]);
        cases.append(Case(cells.first().toUtf8(), byColumn));
    }
    if (cases.isEmpty()) {
        std::fprintf(stderr, "case table %s has no cases\n", qPrintable(table));
        std::abort();
    }
    return cases;
}

}  // namespace k7::test
