// The codebook's counts on a table of either engine (TestEngine.h): values
// and missing ones in a number field and a menu field, and a table named
// in another case than it was made with.

#include "ExportRig.h"

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
        const std::optional<CodebookFacts> facts = gatherFacts(rig, "FINDS");
        QVERIFY(facts);
        QCOMPARE(facts->records, 5);
        QStringList lines;
        for (const VariableFacts& v : facts->variables)
            lines << factsLine(v);
        QCOMPARE(lines, (QStringList{"3/2 |  | Bone=2 Stone=0 | Wood=1", "4/1, 4 numbers -2..7 median 2 |  |  | "}));
    }
};

QTEST_GUILESS_MAIN(TestCodebookCounts)
#include "tst_codebook_counts.moc"
