// The codebook: conditions in words, the counts and statistics gathered from
// the table, and the page (self-contained, escaped, charts as SVG). File >
// Export codebook and k7 --codebook: tst_export.

#include "ExportRig.h"

#include "support/CaseTable.h"

#include "exports/CodebookExport.h"
#include "exports/CodebookPage.h"
#include "exports/ConditionWords.h"

#include <numeric>

using namespace k7;
using namespace k7::test;

namespace {

// Kind (menu Bone, Stone, Flint) and Size (numeric) with known counts:
// Size 1 to 9, a Null and a zero-length text; Kind Bone x4, Stone x3,
// Wood x2 (no item), Antler x1, a Null.
bool prepareKnown(StoreRig& rig)
{
    Variable& kind = rig.addMenu("Kind", "Bone Stone Flint");
    kind.varprompt = QStringLiteral("Kind \"of\" <find>");
    kind.varunique = true;
    rig.add("Size", TypeNumeric).varskip = true;
    QStringList sql{"CREATE TABLE T (Kind VARCHAR(10), Size REAL)"};
    const QStringList kinds{"Bone", "Bone", "Bone", "Bone", "Stone", "Stone", "Stone", "Wood", "Wood", "Antler", "NULL"};
    for (int i = 0; i < kinds.size(); ++i) {
        const QString kindValue = kinds[i] == "NULL" ? "NULL" : "'" + kinds[i] + "'";
        const QString size = i < 9 ? QString::number(9 - i) : i == 9 ? "NULL" : "''";
        sql << QStringLiteral("INSERT INTO T VALUES (%1, %2)").arg(kindValue, size);
    }
    return openTable(rig, sql);
}

}  // namespace

class TestCodebook : public QObject {
    Q_OBJECT
private slots:
    void conditionWords_data() { addCaseRows("exports/condition-words.tsv"); }
    void conditionWords()
    {
        QFETCH(Case, c);
        Model model;
        model.varcount = 1;
        Variable& var = model.var(1);
        var.varname = QStringLiteral("V");
        for (const QString& text : c.list("conditions"))
            var.condtext[static_cast<size_t>(++var.condcount)] = text;
        QCOMPARE(ConditionWords(model, 1), c.text("words"));
    }

    void factsOfTheTable()
    {
        StoreRig rig;
        QVERIFY(prepareKnown(rig));
        const std::optional<CodebookFacts> facts = gatherFacts(rig);
        QVERIFY(facts);
        QCOMPARE(facts->records, qint64(11));
        QStringList lines;
        for (const VariableFacts& v : facts->variables)
            lines << factsLine(v);
        // Size's missing values: the Null and the zero-length text.
        QCOMPARE(lines, (QStringList{"10/1 | Unique | Bone=4 Stone=3 Flint=0 | Wood=2 Antler=1",
                                     "9/2, 9 numbers 1..9 median 5 | Skip |  | "}));
        const QList<qint64>& histogram = facts->variables[1].histogram;
        QCOMPARE(std::accumulate(histogram.cbegin(), histogram.cend(), qint64(0)), qint64(9));
        QCOMPARE(histogram.first(), qint64(1));  // the minimum in the first bin
        QCOMPARE(histogram.last(), qint64(1));   // the maximum in the last
    }

    // The median found in the bin that holds it (medians.tsv).
    void medianInAnyBin_data() { addCaseRows("exports/medians.tsv"); }
    void medianInAnyBin()
    {
        QFETCH(Case, c);
        const qint64 numbers = c.number("numbers");
        StoreRig rig;
        rig.add("Size", TypeNumeric);
        QVERIFY(openTable(rig, {"CREATE TABLE T (Size REAL)", "INSERT INTO T VALUES " + c.text("values")}));
        const std::optional<CodebookFacts> facts = gatherFacts(rig);
        QVERIFY(facts);
        QCOMPARE(facts->variables.size(), 1);
        const VariableFacts& size = facts->variables[0];
        QCOMPARE(size.numbers, numbers);
        QCOMPARE(size.median, c.text("median").toDouble());
        QCOMPARE(std::accumulate(size.histogram.cbegin(), size.histogram.cend(), qint64(0)), numbers);
        QCOMPARE(size.histogram.first() == numbers, c.yes("one bin"));
    }

    void pageIsSelfContained()
    {
        StoreRig rig;
        QVERIFY(prepareKnown(rig));
        const std::optional<CodebookFacts> facts = gatherFacts(rig);
        QVERIFY(facts);
        const QString html = QString::fromUtf8(CodebookHtml(*facts));
        QVERIFY(!html.contains("<script", Qt::CaseInsensitive));
        QVERIFY(!html.contains(" src=", Qt::CaseInsensitive));
        QVERIFY(!html.contains("href=", Qt::CaseInsensitive));
        QCOMPARE(html.count("<svg"), 2);  // the bar chart and the histogram
        QVERIFY(html.contains("Kind &quot;of&quot; &lt;find&gt;"));
        QVERIFY(html.contains("Bone (4), Stone (3), Flint (0)"));
        QVERIFY(html.contains("Wood (2), Antler (1)"));
        QVERIFY(html.contains(facts->made.toString(Qt::ISODate)));
    }
};

QTEST_GUILESS_MAIN(TestCodebook)
#include "tst_codebook.moc"
