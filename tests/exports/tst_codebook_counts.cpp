// The codebook's counts on a table of either engine (TestEngine.h): values
// and missing ones in a number field and a menu field, and a table named
// in another case than it was made with.

#include "support/StoreRig.h"

#include "exports/CodebookFacts.h"

using namespace k7;
using namespace k7::test;

class TestCodebookCounts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_TEST_ENGINE();
    }

    void countsOfNumberAndMenuFields()
    {
        StoreRig rig;
        rig.addMenu("Kind", "Bone Stone");
        rig.add("Depth", TypeNumeric);
        Database& db = rig.store.currentdb();
        QVERIFY(rig.store.open(rig.dbPath()));
        TableDef t{"Finds", {}, {}};
        t.addField("Kind", FieldType::Text, 10);
        t.addField("Depth", FieldType::Long);
        QVERIFY(db.appendTable(t));
        QVERIFY(db.execute("INSERT INTO \"Finds\" (\"Kind\", \"Depth\") VALUES ('Bone', 4), ('Bone', 0), "
                           "('Wood', NULL), ('', 7), (NULL, -2)"));
        CodebookFacts facts;
        QString error;
        QVERIFY2(GatherCodebook(rig.model, db, "FINDS", &facts, &error), qPrintable(error));
        QCOMPARE(facts.records, 5);
        QCOMPARE(facts.variables.size(), 2);
        const VariableFacts& kind = facts.variables[0];
        QCOMPARE(kind.values, 3);
        QCOMPARE(kind.missing, 2);
        QCOMPARE(kind.menu.value(0).count, 2);  // Bone
        QCOMPARE(kind.menu.value(1).count, 0);  // Stone
        QCOMPARE(kind.others.size(), 1);  // Wood
        const VariableFacts& depth = facts.variables[1];
        QCOMPARE(depth.values, 4);
        QCOMPARE(depth.missing, 1);
        QCOMPARE(depth.numbers, 4);
        QCOMPARE(depth.min, -2.0);
        QCOMPARE(depth.max, 7.0);
        QCOMPARE(depth.median, 2.0);
    }
};

QTEST_GUILESS_MAIN(TestCodebookCounts)
#include "tst_codebook_counts.moc"
