// The grid over a table longer than its window (a window of 1,000 rows
// here, a million in the program): rows, jumps, Find, the selection, a save
// and sorted or filtered views all speak in whole-table rows while the view
// holds only the window. Then the window model alone over a plain model:
// rows arriving before, inside and after the window, and a table growing
// past it.

#include "grid/DataGrid.h"
#include "grid/FindDialog.h"
#include "grid/GridRowWindow.h"
#include "grid/GridTools.h"
#include "grid/RecordSetModel.h"
#include "store/RecordView.h"
#include "support/SeparateConnection.h"
#include "support/StoreRig.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyle>
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

constexpr int kWindow = 1000;
constexpr int kRows = 5000;

// Rows "R0" to "R4999"; Site counts down, so a sort by it reverses them.
bool fillFinds(StoreRig& rig)
{
    TableDef t{"Finds", {}, {}};
    t.addField("ID", FieldType::Text, 8);
    t.addField("Site", FieldType::Text, 20);
    t.addField("Note", FieldType::Text, 20);
    return rig.store.open(rig.path("site.mdb")) && rig.store.currentdb().appendTable(t)
           && execSql(rig.path("site.mdb"),
                      {QString("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                               "INSERT INTO \"Finds\" SELECT 'R' || i, printf('S%05d', %1 - i), "
                               "CASE i WHEN 4990 THEN 'needle' ELSE 'plain' END FROM n")
                           .arg(kRows - 1)})
           && rig.store.switchTable("Finds");
}

QList<int> span(int from, int to)
{
    QList<int> rows;
    for (int row = from; row <= to; ++row)
        rows << row;
    return rows;
}

QStringList column(const QAbstractItemModel& model, int column)
{
    QStringList out;
    for (int row = 0; row < model.rowCount(); ++row)
        out << model.index(row, column).data().toString();
    return out;
}

// A plain model of `rows` rows "r0", "r1", ... shown through a window of 10.
struct PlainRig {
    QStandardItemModel source;
    GridRowWindow window{&source, 10};
    QAbstractItemModelTester tester{&window, QAbstractItemModelTester::FailureReportingMode::QtTest};

    explicit PlainRig(int rows)
    {
        for (int row = 0; row < rows; ++row)
            source.appendRow(new QStandardItem(QString("r%1").arg(row)));
    }
    void insert(int at, int count)
    {
        for (int i = 0; i < count; ++i)
            source.insertRow(at + i, new QStandardItem(QString("new%1").arg(i)));
    }
};

}  // namespace

class TestGridWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<StoreRig> m_rig;
    std::unique_ptr<DataGrid> m_grid;

    RecordSet& rs() { return m_rig->store.currentrs(); }
    const GridRowWindow& window() const { return *m_grid->rowWindow(); }
    // The ID shown on the view's row for the whole-table `row`.
    QString shownId(int row) const { return window().index(window().toWindow(row), 0).data().toString(); }
    void scrollToBottomOfWindow()
    {
        m_grid->verticalScrollBar()->setValue(m_grid->verticalScrollBar()->maximum());
        QCoreApplication::processEvents();
    }
    // The whole-table rows of the window whose cell in `column` is selected.
    QList<int> selectedInWindow(int column) const
    {
        QList<int> rows;
        for (int row = 0; row < window().rowCount(); ++row) {
            if (m_grid->selectionModel()->isSelected(window().index(row, column)))
                rows << window().toWhole(row);
        }
        return rows;
    }
    void clickRowHeader(int wholeRow, Qt::KeyboardModifiers modifiers = {})
    {
        QHeaderView* header = m_grid->verticalHeader();
        const int section = window().toWindow(wholeRow);
        const int y = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, modifiers, {header->width() / 2, y});
    }

private slots:
    void init()
    {
        m_rig = std::make_unique<StoreRig>();
        QVERIFY(fillFinds(*m_rig));
        m_grid = std::make_unique<DataGrid>(nullptr, kWindow);
        m_grid->resize(500, 300);
        m_grid->recordModel()->setRecordSet(&rs());
        m_grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_grid.get()));
    }
    void cleanup()
    {
        // A key or click with Shift or Ctrl stays in the application's
        // keyboard state, which the next test's moves of the cell would read.
        QTest::keyRelease(m_grid.get(), Qt::Key_Shift);
        m_grid.reset();
        m_rig.reset();
    }

    // The view holds the window, its row headers count the whole table, and
    // a row given is the row shown, the record set's row and the current one.
    void rowsAreWholeTableRows_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("offset");
        QTest::newRow("first") << 0 << 0;
        QTest::newRow("inside the first window") << 600 << 0;
        QTest::newRow("past it") << 1000 << 500;
        QTest::newRow("the middle") << 2600 << 2100;
        QTest::newRow("last (the end: -1)") << -1 << kRows - kWindow;
        QTest::newRow("near the end") << 4700 << kRows - kWindow;
    }
    void rowsAreWholeTableRows()
    {
        QFETCH(int, row);
        QFETCH(int, offset);
        m_grid->goToRow(row);
        const int whole = row < 0 ? kRows - 1 : row;
        QCOMPARE(m_grid->model()->rowCount(), kWindow);
        QCOMPARE(m_grid->verticalHeader()->count(), kWindow);
        QCOMPARE(window().offset(), offset);
        QCOMPARE(m_grid->currentRow(), whole);
        QCOMPARE(rs().absolutePosition(), whole);
        QCOMPARE(m_grid->currentCellText(), QString("R%1").arg(whole));
        QCOMPARE(shownId(whole), QString("R%1").arg(whole));
        QCOMPARE(m_grid->model()->headerData(m_grid->currentIndex().row(), Qt::Vertical).toInt(), whole + 1);
    }

    // Ctrl+End and Ctrl+Home reach the table's ends, not the window's, in the
    // column they leave; the
    // arrow keys cross the window's edges.
    void keysReachTheTablesEnds()
    {
        m_grid->setFocus();
        m_grid->setCurrentCell(0, 1);
        QTest::keyClick(m_grid.get(), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(m_grid->currentRow(), kRows - 1);
        QCOMPARE(m_grid->currentColumn(), 1);
        QCOMPARE(rs().absolutePosition(), kRows - 1);
        QTest::keyClick(m_grid.get(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(m_grid->currentRow(), 0);
        QCOMPARE(window().offset(), 0);
        QCOMPARE(m_grid->currentColumn(), 1);
        m_grid->setCurrentCell(1400, 0);
        for (int i = 0; i < 800; ++i)
            QTest::keyClick(m_grid.get(), Qt::Key_Up);
        QCOMPARE(m_grid->currentRow(), 600);
        QCOMPARE(m_grid->currentCellText(), QString("R600"));
        for (int i = 0; i < 2000; ++i)
            QTest::keyClick(m_grid.get(), Qt::Key_Down);
        QCOMPARE(m_grid->currentRow(), 2600);
        QVERIFY(window().comfortablyHolds(2600));
    }

    // Scrolling to the bottom of the window moves it on (once a dragged
    // slider is let go), the first row shown staying at the top; scrolling
    // on reaches the table's last row.
    void scrollingMovesTheWindow()
    {
        QScrollBar* bar = m_grid->verticalScrollBar();
        bar->setSliderDown(true);
        bar->setValue(bar->maximum());
        QCOMPARE(window().offset(), 0);
        bar->setSliderDown(false);
        const int top = window().toWhole(m_grid->rowAt(0));
        QVERIFY(window().offset() > 0);
        QVERIFY(window().comfortablyHolds(top));
        QVERIFY(top > 0);
        QCOMPARE(m_grid->model()->headerData(m_grid->rowAt(0), Qt::Vertical).toInt(), top + 1);
        QCOMPARE(m_grid->model()->index(m_grid->rowAt(0), 0).data().toString(), QString("R%1").arg(top));
        for (int i = 0; i < 20 && window().offset() < kRows - kWindow; ++i)
            scrollToBottomOfWindow();
        QCOMPARE(window().offset(), kRows - kWindow);
        QCOMPARE(column(*m_grid->model(), 0).constLast(), QString("R%1").arg(kRows - 1));
    }

    // Find through its dialog lands on a match near the far end.
    void findAtTheFarEnd()
    {
        Model model;
        FindDialog find(GridTools{model, m_rig->store, m_rig->dialogs, m_rig->shell, *m_grid});
        find.findChild<QLineEdit*>("findtxt")->setText("NEEDLE");
        find.findChild<QPushButton*>("Command1")->click();
        QCOMPARE(m_grid->currentRow(), 4990);
        QCOMPARE(m_grid->currentColumn(), 2);
        QCOMPARE(rs().absolutePosition(), 4990);
        QCOMPARE(window().offset(), kRows - kWindow);
        QCOMPARE(m_grid->model()->index(m_grid->currentIndex().row(), 0).data().toString(), QString("R4990"));
    }

    // Rows selected stay selected while the window moves away and back, and
    // the record menu's rows are the whole table's.
    void theSelectionOutlivesAWindowMove()
    {
        QItemSelection rows;
        for (int row : {10, 11, 12, 700})
            rows.select(m_grid->model()->index(row, 0), m_grid->model()->index(row, 2));
        m_grid->selectionModel()->select(rows, QItemSelectionModel::Select);
        for (int i = 0; i < 4; ++i)
            scrollToBottomOfWindow();
        QVERIFY(window().offset() > 700);
        QCOMPARE(m_grid->selectedWholeRows(), (QList<int>{10, 11, 12, 700}));
        for (int i = 0; i < 20 && window().offset() > 0; ++i) {
            m_grid->verticalScrollBar()->setValue(0);
            QCoreApplication::processEvents();
        }
        QCOMPARE(window().offset(), 0);
        QVERIFY(m_grid->selectionModel()->isRowSelected(11, {}));
        QVERIFY(m_grid->selectionModel()->isRowSelected(700, {}));
        QVERIFY(!m_grid->selectionModel()->isRowSelected(13, {}));
        QCOMPARE(m_grid->selectedWholeRows(), (QList<int>{10, 11, 12, 700}));
        // A new selection replaces the rows the window had moved away from.
        scrollToBottomOfWindow();
        m_grid->setCurrentCell(window().offset() + 500, 0);
        QCOMPARE(m_grid->selectedWholeRows(), QList<int>{});
    }

    // Shift extends a selection from where it began, though the window has
    // moved away from that row: Ctrl+Shift+End and Home, and an arrow after
    // the window moved.
    void shiftedKeysExtendFromRowsTheWindowLeft()
    {
        m_grid->setFocus();
        m_grid->setCurrentCell(5, 1);
        QTest::keyClick(m_grid.get(), Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(m_grid->currentRow(), kRows - 1);
        QCOMPARE(selectedInWindow(1), span(window().offset(), kRows - 1));
        QCOMPARE(selectedInWindow(0), QList<int>{});
        QTest::keyClick(m_grid.get(), Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(selectedInWindow(1), span(window().offset(), kRows - 2));
        for (int i = 0; i < 20 && window().offset() > 0; ++i) {
            m_grid->verticalScrollBar()->setValue(0);
            QCoreApplication::processEvents();
        }
        QCOMPARE(selectedInWindow(1), span(5, kWindow - 1));
        QTest::keyClick(m_grid.get(), Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(m_grid->currentRow(), 0);
        QCOMPARE(selectedInWindow(1), span(0, 5));
    }

    // A row header or a cell clicked with Shift extends the selection from
    // the row clicked before, which the window has moved away from.
    void aShiftClickExtendsFromARowTheWindowLeft_data()
    {
        QTest::addColumn<bool>("onHeader");
        QTest::newRow("row header") << true;
        QTest::newRow("cell") << false;
    }
    void aShiftClickExtendsFromARowTheWindowLeft()
    {
        QFETCH(bool, onHeader);
        clickRowHeader(7);
        QCOMPARE(m_grid->selectedWholeRows(), QList<int>{7});
        for (int i = 0; i < 6; ++i)
            scrollToBottomOfWindow();
        QVERIFY(window().offset() > 7);
        const int y = m_grid->viewport()->height() / 2;
        const int shown = window().toWhole(m_grid->rowAt(y));
        if (onHeader)
            clickRowHeader(shown, Qt::ShiftModifier);
        else
            QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                              {m_grid->columnViewportPosition(0) + 5, y});
        QCOMPARE(m_grid->currentRow(), shown);
        QCOMPARE(m_grid->selectedWholeRows(), onHeader ? span(7, shown) : QList<int>{});
        QCOMPARE(selectedInWindow(0), span(window().offset(), shown));
    }

    // The row header widens for the longer numbers of a window moved to the
    // end, the current row's drawn in bold.
    void theRowHeaderFitsTheNumbersOfAMovedWindow()
    {
        DataGrid grid(nullptr, 50);
        grid.recordModel()->setRecordSet(&rs());
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.setFocus();
        QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(grid.currentRow(), kRows - 1);
        QHeaderView* header = grid.verticalHeader();
        QFont bold = header->font();
        bold.setBold(true);
        const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        const int needed = QFontMetrics(bold).horizontalAdvance(QString::number(kRows)) + 2 * margin;
        QTRY_VERIFY2(header->width() >= needed, qPrintable(QString("%1 < %2").arg(header->width()).arg(needed)));
    }

    // A record saved while the window is at the end is shown as the last row.
    void aSaveAtTheEnd()
    {
        m_grid->goToRow(-1);
        QVERIFY(rs().addNew() && rs().setField("ID", "NEW") && rs().update());
        QVERIFY(rs().setBookmark(rs().lastModified()));
        m_grid->recordModel()->refresh();
        m_grid->setCurrentCell(rs().absolutePosition(), 0);
        QCOMPARE(m_grid->currentRow(), kRows);
        QCOMPARE(m_grid->currentCellText(), QString("NEW"));
        QCOMPARE(window().offset(), kRows + 1 - kWindow);
        QCOMPARE(column(*m_grid->model(), 0).constLast(), QString("NEW"));
        QCOMPARE(m_grid->model()->headerData(kWindow - 1, Qt::Vertical).toInt(), kRows + 1);
    }

    // A sorted or filtered view longer than the window shows the view's
    // rows in its order, at every place the window goes.
    void viewsLongerThanTheWindow_data()
    {
        QTest::addColumn<RecordView>("view");
        QTest::newRow("sorted") << RecordView{{"Site"}, {}, {}};
        QTest::newRow("filtered") << RecordView{{}, "Note", "plain"};
        QTest::newRow("sorted and filtered") << RecordView{{"Site"}, "Note", "plain"};
    }
    void viewsLongerThanTheWindow()
    {
        QFETCH(RecordView, view);
        QVERIFY(m_rig->store.showView(view));
        m_grid->recordModel()->setRecordSet(&rs());
        RecordSet fresh;
        QVERIFY(fresh.openView(m_rig->store.currentdb(), "Finds", view));
        const QStringList expected = firstValues(fresh);
        QVERIFY(expected.size() > kWindow);
        for (const int row : {0, 1700, int(expected.size()) - 1}) {
            m_grid->goToRow(row);
            QCOMPARE(m_grid->currentCellText(), expected[row]);
            QCOMPARE(rs().absolutePosition(), row);
            QCOMPARE(column(*m_grid->model(), 0), expected.mid(window().offset(), kWindow));
        }
    }

    // A table no longer than the window is shown whole, as it is.
    void aShortTableIsShownWhole()
    {
        QVERIFY(m_rig->store.showView({{}, "Note", "needle"}));
        m_grid->recordModel()->setRecordSet(&rs());
        QVERIFY(!window().windowed());
        QCOMPARE(m_grid->model()->rowCount(), 1);
        QCOMPARE(window().offset(), 0);
        QVERIFY(window().comfortablyHolds(0));
    }

    // Rows arriving in the source: the window keeps showing the rows it
    // showed (shifted by those arriving above it), takes those arriving
    // inside it in their place, and ignores those after it.
    void rowsArrivingAroundTheWindow_data()
    {
        QTest::addColumn<int>("at");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("firstShown");
        QTest::addColumn<QString>("lastShown");
        QTest::addColumn<int>("pinnedRow");  // where window row 6 (r16) goes
        QTest::newRow("above") << 3 << 12 << "r10" << "r19" << 6;
        QTest::newRow("inside") << 14 << 10 << "r10" << "r17" << 8;
        QTest::newRow("at the window's first row") << 10 << 10 << "new0" << "r17" << 8;
        QTest::newRow("after") << 20 << 10 << "r10" << "r19" << 6;
        QTest::newRow("at the end") << 30 << 10 << "r10" << "r19" << 6;
    }
    void rowsArrivingAroundTheWindow()
    {
        QFETCH(int, at);
        QFETCH(int, offset);
        QFETCH(QString, firstShown);
        QFETCH(QString, lastShown);
        QFETCH(int, pinnedRow);
        PlainRig rig(30);
        QVERIFY(rig.window.moveTo(15));
        QCOMPARE(rig.window.offset(), 10);
        const QPersistentModelIndex pinned = rig.window.index(6, 0);
        rig.insert(at, 2);
        QCOMPARE(rig.window.rowCount(), 10);
        QCOMPARE(rig.window.offset(), offset);
        QCOMPARE(rig.window.index(0, 0).data().toString(), firstShown);
        QCOMPARE(rig.window.index(9, 0).data().toString(), lastShown);
        QCOMPARE(pinned.row(), pinnedRow);
        QCOMPARE(pinned.data().toString(), QString("r16"));
        QCOMPARE(rig.window.headerData(pinnedRow, Qt::Vertical).toInt(), rig.window.toWhole(pinnedRow) + 1);
    }

    void aTableGrowingPastTheWindow()
    {
        PlainRig rig(8);
        rig.insert(8, 1);
        QVERIFY(!rig.window.windowed());
        QCOMPARE(rig.window.rowCount(), 9);
        rig.insert(0, 3);
        QVERIFY(rig.window.windowed());
        QCOMPARE(rig.window.rowCount(), 10);
        QCOMPARE(rig.window.index(0, 0).data().toString(), QString("new0"));
        QVERIFY(rig.window.moveTo(11));
        QCOMPARE(rig.window.offset(), 2);
        QCOMPARE(rig.window.index(8, 0).data().toString(), QString("r7"));
        QVERIFY(!rig.window.moveTo(100));
    }
};

QTEST_MAIN(TestGridWindow)
#include "tst_grid_window.moc"
