// The condition normal form and the AND/OR grouping of EvalConditions.
#include "cfg/Conditions.h"

#include <QTest>

using namespace k7;

namespace {

// Variables A, B, C, D (numbers 1 to 4) and a variable E carrying the
// conditions under test.
Model modelWith(const QStringList& conditions)
{
    Model model;
    model.varcount = 5;
    const QStringList names{"A", "B", "C", "D", "E"};
    for (int v = 1; v <= 5; ++v)
        model.var(v).varname = names.at(v - 1);
    Variable& e = model.var(5);
    e.condcount = static_cast<int>(conditions.size());
    for (int k = 1; k <= e.condcount; ++k)
        e.condtext[static_cast<size_t>(k)] = NormalizeCondition(conditions.at(k - 1));
    return model;
}

}  // namespace

class TestConditions : public QObject {
    Q_OBJECT
private slots:
    void normalForm_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("normal");
        QTest::newRow("plain") << "Var2 Ceramic" << "Var2 Ceramic";
        QTest::newRow("negated list with or") << "Var2 not ceramic lithic or" << "Var2 NOT ceramic,lithic OR";
        QTest::newRow("and") << "Var2 Lithic AND" << "Var2 Lithic AND";
        QTest::newRow("comma and blank give an empty item") << "V a, b" << "V a,,b";
        QTest::newRow("blanks after the name") << "V   x y  " << "V x,y";
        QTest::newRow("word ending in or is no operator") << "V color" << "V color";
        QTest::newRow("not alone is a value") << "V not" << "V not";
        QTest::newRow("empty item") << "V \"\" x" << "V \"\",x";
        QTest::newRow("no values") << "V" << "V ";
    }
    void normalForm()
    {
        QFETCH(QString, text);
        QFETCH(QString, normal);
        QCOMPARE(NormalizeCondition(text), normal);
        QCOMPARE(NormalizeCondition(normal), normal);  // stable
    }

    void eval_data()
    {
        QTest::addColumn<QStringList>("conditions");
        QTest::addColumn<QStringList>("values");  // of A, B, C, D
        QTest::addColumn<int>("result");
        const QStringList sample{"A Lithic AND", "B Tool"};
        QTest::newRow("sample both hold") << sample << QStringList{"lithic", "TOOL", "", ""} << 1;
        QTest::newRow("sample second fails") << sample << QStringList{"Lithic", "Core", "", ""} << 2;
        QTest::newRow("sample first fails") << sample << QStringList{"Ceramic", "Tool", "", ""} << 2;
        QTest::newRow("single match") << QStringList{"A x y"} << QStringList{"Y", "", "", ""} << 1;
        QTest::newRow("single no match") << QStringList{"A x y"} << QStringList{"z", "", "", ""} << 2;
        QTest::newRow("whole values only") << QStringList{"A xy"} << QStringList{"x", "", "", ""} << 2;
        QTest::newRow("negated") << QStringList{"A not x"} << QStringList{"z", "", "", ""} << 1;
        QTest::newRow("negated, listed") << QStringList{"A not x"} << QStringList{"X", "", "", ""} << 2;
        QTest::newRow("unknown variable") << QStringList{"Q x"} << QStringList{"x", "", "", ""} << 2;
        QTest::newRow("unknown variable negated") << QStringList{"Q not x"} << QStringList{"", "", "", ""} << 2;
        QTest::newRow("skipped value, quotes listed") << QStringList{"A \"\" x"} << QStringList{"", "", "", ""} << 1;
        QTest::newRow("skipped value, empty item") << QStringList{"A x, y"} << QStringList{"", "", "", ""} << 1;
        QTest::newRow("skipped value, not listed") << QStringList{"A x"} << QStringList{"", "", "", ""} << 2;
        QTest::newRow("skipped value, negated") << QStringList{"A not x"} << QStringList{"", "", "", ""} << 1;
        QTest::newRow("blank inside a value never matches") << QStringList{"A big pot"} << QStringList{"big pot", "", "", ""} << 2;
        // (A or B) and C
        const QStringList orAnd{"A x OR", "B x AND", "C x"};
        QTest::newRow("(A or B) and C: B, C") << orAnd << QStringList{"", "x", "x", ""} << 1;
        QTest::newRow("(A or B) and C: A, C") << orAnd << QStringList{"x", "", "x", ""} << 1;
        QTest::newRow("(A or B) and C: A, B") << orAnd << QStringList{"x", "x", "", ""} << 2;
        QTest::newRow("(A or B) and C: C") << orAnd << QStringList{"", "", "x", ""} << 2;
        // A and (B or C)
        const QStringList andOr{"A x AND", "B x OR", "C x"};
        QTest::newRow("A and (B or C): A, C") << andOr << QStringList{"x", "", "x", ""} << 1;
        QTest::newRow("A and (B or C): A, B") << andOr << QStringList{"x", "x", "", ""} << 1;
        QTest::newRow("A and (B or C): A") << andOr << QStringList{"x", "", "", ""} << 2;
        QTest::newRow("A and (B or C): B, C") << andOr << QStringList{"", "x", "x", ""} << 2;
        const QStringList anyOf{"A x OR", "B x OR", "C x"};
        QTest::newRow("A or B or C: C") << anyOf << QStringList{"", "", "x", ""} << 1;
        QTest::newRow("A or B or C: none") << anyOf << QStringList{"", "", "", ""} << 2;
        const QStringList allOf{"A x AND", "B x AND", "C x"};
        QTest::newRow("A and B and C") << allOf << QStringList{"x", "x", "x", ""} << 1;
        QTest::newRow("A and B, not C") << allOf << QStringList{"x", "x", "", ""} << 2;
        const QStringList groups{"A x OR", "B x AND", "C x OR", "D x"};
        QTest::newRow("(A or B) and (C or D): B, D") << groups << QStringList{"", "x", "", "x"} << 1;
        QTest::newRow("(A or B) and (C or D): A, B") << groups << QStringList{"x", "x", "", ""} << 2;
        QTest::newRow("no operator between two") << QStringList{"A x", "B x"} << QStringList{"x", "x", "", ""} << 2;
        // With its operator missing the middle condition has no effect.
        const QStringList middle{"A x AND", "B x", "C x"};
        QTest::newRow("middle without operator, B false") << middle << QStringList{"x", "", "x", ""} << 1;
        QTest::newRow("middle without operator, B true") << middle << QStringList{"x", "x", "x", ""} << 1;
        QTest::newRow("middle without operator, C false") << middle << QStringList{"x", "x", "", ""} << 2;
    }
    void eval()
    {
        QFETCH(QStringList, conditions);
        QFETCH(QStringList, values);
        QFETCH(int, result);
        const Model model = modelWith(conditions);
        std::vector<QString> record(static_cast<size_t>(model.varcount + 1));
        for (int v = 1; v <= 4; ++v)
            record[static_cast<size_t>(v)] = values.at(v - 1);
        QCOMPARE(EvalConditions(model, 5, record), result);
    }
};

QTEST_GUILESS_MAIN(TestConditions)
#include "tst_conditions.moc"
