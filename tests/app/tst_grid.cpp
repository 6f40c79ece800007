// The grid over a record set: a model that passes Qt's consistency checks,
// reads rows only when shown, keeps its cache bounded, and a record counter
// and record set that follow the current row.

#include "grid/DataControl.h"
#include "grid/DataGrid.h"
#include "grid/RecordSetModel.h"
#include "store/Database.h"
#include "store/RecordSet.h"

#include <QAbstractItemModelTester>
#include <QTemporaryDir>
#include <QTest>

using namespace k7;

class TestGrid : public QObject {
    Q_OBJECT

private slots:
    void showsTheRecordSetLazily()
    {
        QTemporaryDir tmp;
        Database db;
        QVERIFY(db.create(tmp.filePath("grid.mdb")) && db.execute("CREATE TABLE Finds (Site VARCHAR(20), Weight REAL)"));
        QVERIFY(db.transaction());
        for (int i = 0; i < 5000; ++i)
            QVERIFY(db.execute("INSERT INTO Finds VALUES (?, ?)", {QString("S%1").arg(i), i == 1 ? QVariant() : 12.57 + i}));
        RecordSet rs;
        QVERIFY(db.commit() && db.refresh() && rs.openTable(db, "Finds"));

        DataGrid grid;
        DataControl control(&grid);
        RecordSetModel& model = *grid.recordModel();
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRecordSet(&rs);
        QCOMPARE(model.rowCount(), 5000);
        QVERIFY(model.cachedRows() <= 2);  // the tester peeks at a row or two, nothing more
        QCOMPARE(model.cellText(0, 1), QStringLiteral("12.57"));  // the stored float, shortest form
        QCOMPARE(model.cellText(1, 1), QString());                  // Null
        QCOMPARE(model.cellText(5000, 0), QString());               // past the end
        for (int row = 0; row < 5000; ++row)
            model.cellText(row, 0);
        QVERIFY(model.cachedRows() <= RecordSetModel::kCacheRows);
        QCOMPARE(model.cellText(17, 0), QStringLiteral("S17"));  // evicted rows are read again

        grid.show();
        grid.goToRow(-1);
        QCOMPARE(grid.currentIndex().row(), 4999);
        QCOMPARE(control.caption(), QStringLiteral("Record 5000 of 5000"));
        grid.setCurrentIndex(model.index(9, 1));
        QCOMPARE(control.caption(), QStringLiteral("Record 10 of 5000"));
        QCOMPARE(rs.absolutePosition(), 9);
        QCOMPARE(grid.currentCellText(), QStringLiteral("21.57"));

        QVERIFY(rs.addNew() && rs.setField("Site", "New") && rs.update());
        model.refresh();
        QCOMPARE(model.rowCount(), 5001);
        QCOMPARE(model.cellText(5000, 0), QStringLiteral("New"));
        rs.close();
        QCOMPARE(model.cellText(0, 0), QString());
    }
};

QTEST_MAIN(TestGrid)
#include "tst_grid.moc"
