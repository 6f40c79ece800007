// The filter dialog's value list on a table long enough to be grouped in
// several slices: it shows values before the last slice is in, the value
// the operator is on stays under the cursor as others join, the pinned
// value stays first and single, and the full list is the grouping's list.

#include "grid/DistinctValuesModel.h"
#include "store/Database.h"

#include <QPersistentModelIndex>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace k7;

namespace {

constexpr int kRows = 3 * DistinctValues::kSliceRows;

// Each slice of rows brings values the ones before did not have.
bool makeTable(Database& db, const QString& path)
{
    return db.create(path) && db.execute("CREATE TABLE T (V VARCHAR(20))")
           && db.execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                        "INSERT INTO T (V) SELECT 'v' || (i % (1000 * (1 + i / %2))) FROM n")
                             .arg(kRows)
                             .arg(DistinctValues::kSliceRows))
           && db.refresh();
}

QStringList listed(const DistinctValuesModel& model)
{
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r)
        out << model.data(model.index(r)).toString();
    return out;
}

}  // namespace

class TestValueList : public QObject {
    Q_OBJECT

private slots:
    void valuesJoinAroundTheOperatorsChoice_data()
    {
        QTest::addColumn<bool>("scrolled");
        QTest::newRow("grouped between events") << false;
        QTest::newRow("scrolled to the end") << true;
    }
    void valuesJoinAroundTheOperatorsChoice()
    {
        QFETCH(bool, scrolled);
        QTemporaryDir dir;
        Database db;
        QVERIFY(makeTable(db, dir.filePath("a.db")));
        DistinctValues whole;
        QVERIFY(whole.open(db, "T", "V"));
        while (!whole.atEnd())
            whole.readSlice();

        DistinctValuesModel model;
        QSignalSpy completed(&model, &DistinctValuesModel::completed);
        model.setFirstListTime(0);
        QString error;
        QVERIFY(model.load(db, "T", "V", &error));
        QVERIFY(!model.complete());
        QVERIFY(model.rowCount() > 0 && model.rowCount() < whole.count());
        model.pin("V5");
        const QPersistentModelIndex pinned = model.index(0);
        const QPersistentModelIndex chosen = model.index(model.rowCount() - 1);
        const QString chosenValue = chosen.data().toString();
        QVERIFY(chosenValue != "v5");

        if (scrolled) {
            while (model.canFetchMore({}))
                model.fetchMore({});
        }
        QTRY_VERIFY(model.complete());
        QCOMPARE(completed.count(), 1);
        QVERIFY(model.lastError().isEmpty());
        QCOMPARE(chosen.data().toString(), chosenValue);
        QVERIFY(chosen.row() > model.rowCount() / 2);
        QCOMPARE(pinned.row(), 0);
        QStringList expected = whole.values();
        expected.removeAll("v5");
        expected.prepend("V5");
        QCOMPARE(listed(model), expected);
    }
};

QTEST_MAIN(TestValueList)
#include "tst_value_list.moc"
