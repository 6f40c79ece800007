#pragma once
// A data-driven QTest whose rows are the cases of a table under tests/data:
// its one column, "c", holds each row's Case, read with QFETCH(Case, c).

#include "support/CaseTable.h"

#include "cfg/CfgWriter.h"

#include <QTest>

Q_DECLARE_METATYPE(k7::test::Case)

namespace k7::test {

inline void addCaseRows(const QString& table)
{
    QTest::addColumn<Case>("c");
    for (const Case& c : readCases(table))
        QTest::newRow(c.name()) << c;
}

// The type code of a CFG's Type word ("Numeric"); a word no type has stops
// the test program.
inline int typeCode(const QString& word)
{
    for (int code = TypeText; code <= TypeImageJ; ++code) {
        if (TypeWord(code).compare(word, Qt::CaseInsensitive) == 0)
            return code;
    }
    qFatal("no type is called %s", qPrintable(word));
}

}  // namespace k7::test
