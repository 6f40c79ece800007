// The grid's find on a long table runs in slices through the progress
// dialog: it finds a match several slices on, in the set's order whether
// that is table order or a sort, and Cancel leaves the grid where it was
// with nothing said. Run on both engines (TestEngine.h).

#include "support/ScriptedDialogs.h"
#include "support/StoreRig.h"

#include "workflows/GridFind.h"

using namespace k7;
using namespace k7::test;

namespace {

// "Finds" (ID, Kind) with `rows` rows: ID the rowid, Kind "Lithic" except
// "Ceramic" at rowid `ceramic`; every 1000th rowid is missing.
bool makeFinds(Database& db, const QTemporaryDir& dir, int rows, int ceramic)
{
    TableDef t{"Finds", {}, {}};
    t.addField("ID", FieldType::Text, 10);
    t.addField("Kind", FieldType::Text, 10);
    const QString overriding = OnServer() ? "OVERRIDING SYSTEM VALUE " : "";
    return db.create(NewDatabase(dir, "site.mdb")) && db.appendTable(t)
        && db.execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                     "INSERT INTO \"Finds\" (%3, \"ID\", \"Kind\") %4SELECT i, i, CASE i WHEN %2 "
                                     "THEN 'Ceramic' ELSE 'Lithic' END FROM n WHERE i % 1000 <> 0")
                          .arg(rows)
                          .arg(ceramic)
                          .arg(db.dialect().rowidName(), overriding))
        && db.refresh();
}

}  // namespace

class TestFindSlices : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_TEST_ENGINE();
    }

    void findsAMatchSeveralSlicesOn_data()
    {
        QTest::addColumn<RecordView>("view");
        QTest::addColumn<QString>("field");
        QTest::newRow("table order, all fields") << RecordView{} << "";
        QTest::newRow("table order, one field") << RecordView{} << "Kind";
        QTest::newRow("sorted") << RecordView{{"ID"}, {}, {}} << "Kind";
    }
    void findsAMatchSeveralSlicesOn()
    {
        QFETCH(RecordView, view);
        QFETCH(QString, field);
        QTemporaryDir dir;
        Database db;
        QVERIFY(makeFinds(db, dir, 350000, 345678));
        RecordSet rs;
        QVERIFY(rs.openView(db, "Finds", view));
        QVERIFY(rs.setAbsolutePosition(0));
        ScriptedDialogs dialogs;
        QCOMPARE(FindNext(rs, {"ceramic", !field.isEmpty(), field}, 0, dialogs), 1);
        QCOMPARE(rs.value("ID").toString(), QString("345678"));
        QCOMPARE(dialogs.progressTexts, QStringList{"Looking for 'ceramic'"});
        QVERIFY(dialogs.messages().isEmpty() && !dialogs.busy());
    }

    void cancelLeavesTheGridAsItWas()
    {
        QTemporaryDir dir;
        Database db;
        QVERIFY(makeFinds(db, dir, 350000, 345678));
        RecordSet rs;
        QVERIFY(rs.openTable(db, "Finds"));
        QVERIFY(rs.setAbsolutePosition(3));
        ScriptedDialogs dialogs;
        dialogs.cancelAfterSteps = 1;
        QCOMPARE(FindNext(rs, {"Ceramic", false, {}}, 1, dialogs), -1);
        QCOMPARE(rs.absolutePosition(), 3);
        QVERIFY(dialogs.messages().isEmpty() && !dialogs.busy());
        // Not cancelled, the same search goes on to the match.
        dialogs.cancelAfterSteps = 0;
        QCOMPARE(FindNext(rs, {"Ceramic", false, {}}, 1, dialogs), 1);
        QCOMPARE(rs.value("ID").toString(), QString("345678"));
    }
};

QTEST_GUILESS_MAIN(TestFindSlices)
#include "tst_find_slices.moc"
