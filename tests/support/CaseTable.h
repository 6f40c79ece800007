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
#include <QTest>
#include <QtGlobal>

namespace k7::test {

class Case {
public:
    Case() = default;
    Case(QByteArray rowName, QHash<QString, QString> cells) : m_name(std::move(rowName)), m_cells(std::move(cells)) {}

    const char* name() const { return m_name.constData(); }
    QByteArray bytes(const QString& column) const { return unescape(cell(column)); }
    // The cell's text; `fallback` where it is empty.
    QString text(const QString& column, const QString& fallback = {}) const
    {
        const QString value = QString::fromUtf8(bytes(column));
        return value.isEmpty() ? fallback : value;
    }
    int number(const QString& column) const { return text(column, QStringLiteral("0")).toInt(); }
    // A cell of "yes" or "no"; anything else stops the test program.
    bool yes(const QString& column) const
    {
        const QString value = text(column);
        if (value != QLatin1String("yes") && value != QLatin1String("no"))
            qFatal("case table: %s in column %s is neither yes nor no", qPrintable(value), qPrintable(column));
        return value == QLatin1String("yes");
    }
    // An empty cell is an empty list; "a|" is "a" and an empty item.
    QList<QByteArray> byteList(const QString& column) const
    {
        QList<QByteArray> items;
        const QString value = cell(column);
        if (value.isEmpty())
            return items;
        QString item;
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (value[i] == u'|') {
                items << unescape(item);
                item.clear();
                continue;
            }
            item += value[i];
            if (value[i] == u'\\' && i + 1 < value.size())
                item += value[++i];
        }
        return items << unescape(item);
    }
    // `fallback` where the cell is empty.
    QStringList list(const QString& column, const QStringList& fallback = {}) const
    {
        if (cell(column).isEmpty())
            return fallback;
        QStringList items;
        for (const QByteArray& item : byteList(column))
            items << QString::fromUtf8(item);
        return items;
    }

private:
    QString cell(const QString& column) const
    {
        if (!m_cells.contains(column))
            qFatal("case table: no column %s", qPrintable(column));
        return m_cells.value(column);
    }
    static QByteArray unescape(const QString& text)
    {
        const QByteArray in = text.toUtf8();
        QByteArray out;
        for (qsizetype i = 0; i < in.size(); ++i) {
            if (in[i] != '\\' || i + 1 == in.size()) {
                out += in[i];
                continue;
            }
            const char c = in[++i];
            if (c != 'x') {
                out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
                continue;
            }
            bool ok = false;
            out += char(in.mid(i + 1, 2).toInt(&ok, 16));
            if (!ok)
                qFatal("case table: bad \\x escape in %s", in.constData());
            i += 2;
        }
        return out;
    }

    QByteArray m_name;
    QHash<QString, QString> m_cells;
};

}  // namespace k7::test

Q_DECLARE_METATYPE(k7::test::Case)

namespace k7::test {

// The cases of tests/data/`table`; a missing file or a row with the wrong
// number of cells stops the test program, so no table shrinks unnoticed.
inline QList<Case> readCases(const QString& table)
{
    QFile file(QStringLiteral(K7_TEST_DATA "/") + table);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("case table %s cannot be read", qPrintable(table));
    QStringList header;
    QList<Case> cases;
    for (int lineNumber = 1; !file.atEnd(); ++lineNumber) {
        QString line = QString::fromUtf8(file.readLine());
        if (line.endsWith(u'\n'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList cells = line.split(u'\t');
        if (header.isEmpty()) {
            header = cells;
            continue;
        }
        if (cells.size() != header.size())
            qFatal("%s:%d: %d cells, the header has %d", qPrintable(table), lineNumber, int(cells.size()),
                   int(header.size()));
        QHash<QString, QString> byColumn;
        for (qsizetype c = 1; c < cells.size(); ++c)
            byColumn.insert(header[c], cells[c]);
        cases.append(Case(cells.first().toUtf8(), byColumn));
    }
    if (cases.isEmpty())
        qFatal("case table %s has no cases", qPrintable(table));
    return cases;
}

// The rows of `table` as the one column "c" of a data-driven test; each
// test function then reads its row with QFETCH(Case, c).
inline void addCaseRows(const QString& table)
{
    QTest::addColumn<Case>("c");
    for (const Case& c : readCases(table))
        QTest::newRow(c.name()) << c;
}

}  // namespace k7::test
