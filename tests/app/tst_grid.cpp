// The grid over a record set: a model that passes Qt's consistency checks,
// reads rows only when shown, keeps its cache bounded, and a record counter
// that follows the current row.

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

    std::unique_ptr<QTemporaryDir> m_tmp;
    Database m_db;

    void makeTable(int rows)
    {
        TableDef def;
        def.name = QStringLiteral("Finds");
        def.addField(QStringLiteral("Site"), FieldType::Text, 20);
        def.addField(QStringLiteral("Weight"), FieldType::Single);
        QVERIFY(m_db.create(m_tmp->filePath(QStringLiteral("grid.mdb"))));
        QVERIFY(m_db.appendTable(def));
        QVERIFY(m_db.transaction());
        for (int i = 0; i < rows; ++i)
            QVERIFY(m_db.execute(QStringLiteral("INSERT INTO \"Finds\" (\"Site\", \"Weight\") VALUES (?, ?)"),
                                 {QStringLiteral("S%1").arg(i), i == 1 ? QVariant() : QVariant(12.57 + i)}));
        QVERIFY(m_db.commit());
    }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
    }
    void cleanup()
    {
        m_db.close();
    }

    void showsTheRecordSetLazily()
    {
        makeTable(5000);
        RecordSet rs;
        QVERIFY(rs.openTable(m_db, QStringLiteral("Finds")));
        RecordSetModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRecordSet(&rs);
        QCOMPARE(model.rowCount(), 5000);
        QCOMPARE(model.columnCount(), 2);
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Weight"));
        QVERIFY(model.cachedRows() <= 2);  // the tester peeks at a row or two, nothing more
        QCOMPARE(model.cellText(0, 0), QStringLiteral("S0"));
        QCOMPARE(model.cellText(0, 1), QStringLiteral("12.57"));  // the stored float, shortest form
        QCOMPARE(model.cellText(1, 1), QString());                  // Null
        QCOMPARE(model.cellText(4999, 0), QStringLiteral("S4999"));
        QCOMPARE(model.cellText(5000, 0), QString());               // past the end
        for (int row = 0; row < 5000; ++row)
            model.cellText(row, 0);
        QVERIFY(model.cachedRows() <= RecordSetModel::kCacheRows);
        QCOMPARE(model.cellText(17, 0), QStringLiteral("S17"));      // evicted rows are read again
    }

    void refreshSeesNewRowsAndAClosedSetShowsNothing()
    {
        makeTable(3);
        RecordSet rs;
        QVERIFY(rs.openTable(m_db, QStringLiteral("Finds")));
        RecordSetModel model;
        model.setRecordSet(&rs);
        QCOMPARE(model.cellText(2, 0), QStringLiteral("S2"));
        QVERIFY(rs.addNew());
        QVERIFY(rs.setField(QStringLiteral("Site"), QStringLiteral("New")));
        QVERIFY(rs.update());
        model.refresh();
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.cellText(3, 0), QStringLiteral("New"));
        rs.close();
        QCOMPARE(model.cellText(0, 0), QString());
    }

    void counterText_data()
    {
        QTest::addColumn<bool>("bof");
        QTest::addColumn<bool>("eof");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << true << true << -1 << 0 << QStringLiteral("Empty");
        QTest::newRow("first") << false << false << 0 << 3 << QStringLiteral("Record 1 of 3");
        QTest::newRow("last") << false << false << 2 << 3 << QStringLiteral("Record 3 of 3");
    }
    void counterText()
    {
        QFETCH(bool, bof);
        QFETCH(bool, eof);
        QFETCH(int, position);
        QFETCH(int, count);
        QFETCH(QString, text);
        QCOMPARE(DataControl::counterText(bof, eof, position, count), text);
    }

    void theCounterAndTheRecordSetFollowTheGrid()
    {
        makeTable(50);
        RecordSet rs;
        QVERIFY(rs.openTable(m_db, QStringLiteral("Finds")));
        DataGrid grid;
        DataControl control(&grid);
        grid.recordModel()->setRecordSet(&rs);
        grid.show();
        grid.goToRow(-1);
        QCOMPARE(grid.currentIndex().row(), 49);
        QCOMPARE(rs.absolutePosition(), 49);
        QCOMPARE(rs.value(0).toString(), QStringLiteral("S49"));
        QCOMPARE(control.caption(), QStringLiteral("Record 50 of 50"));
        grid.setCurrentIndex(grid.recordModel()->index(9, 1));
        QCOMPARE(control.caption(), QStringLiteral("Record 10 of 50"));
        QCOMPARE(grid.currentCellText(), QStringLiteral("21.57"));
    }

    void gridKeysGoToTheHandler()
    {
        makeTable(2);
        RecordSet rs;
        QVERIFY(rs.openTable(m_db, QStringLiteral("Finds")));
        DataGrid grid;
        grid.recordModel()->setRecordSet(&rs);
        grid.show();
        grid.setCurrentIndex(grid.recordModel()->index(0, 0));
        QList<int> seen;
        grid.setKeyHandler([&seen](int code) {
            seen << code;
            return code != 27;
        });
        QTest::keyClick(&grid, Qt::Key_Return);
        QTest::keyClick(&grid, Qt::Key_E, Qt::ControlModifier);
        QTest::keyClick(&grid, Qt::Key_Escape);
        QTest::keyClick(&grid, Qt::Key_Down);  // moves, never reaches the handler
        QCOMPARE(seen, (QList<int>{13, 5, 27}));
        QCOMPARE(grid.currentIndex().row(), 1);
    }
};

QTEST_MAIN(TestGrid)
#include "tst_grid.moc"
