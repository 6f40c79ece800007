// The find, sort and filter dialogs driven through their buttons and keys
// over the real main window, and entry going on while the grid is sorted
// or filtered. Then the filter dialog's value list on a table long enough to
// be grouped in several slices: it shows values before the last slice is in,
// the value the operator is on stays under the cursor as others join, the
// pinned value stays first and single, and the full list is the grouping's
// list.

#include "app/AppTestSupport.h"

#include "entry/EntryEngine.h"
#include "grid/DistinctValuesModel.h"
#include "grid/FilterDialog.h"
#include "grid/FindDialog.h"
#include "grid/SortDialog.h"
#include "store/Database.h"
#include "workflows/GridFilter.h"
#include "workflows/GridSort.h"

#include <QComboBox>
#include <QListView>
#include <QPersistentModelIndex>
#include <QRadioButton>
#include <QSignalSpy>

using namespace k7;
using namespace k7::test;

namespace {

// A main window on the sample CFG (VAR1 the find's ID, VAR2 its kind) over
// `rows` of "id|kind", the first row current.
struct GridRig : WindowRig {
    explicit GridRig(const QStringList& rows)
    {
        open(sampleCfg());
        QStringList inserts;
        for (const QString& row : rows)
            inserts << QString("INSERT INTO finds (VAR1, VAR2) VALUES ('%1', '%2')").arg(row.section('|', 0, 0), row.section('|', 1, 1));
        QVERIFY(execSql(path("finds.mdb"), inserts) && w.store().currentrs().requery());
        w.setDataSource(&w.store().currentrs());
        w.grid()->goToRow(0);
    }
    QStringList shownColumn(int column) const
    {
        QStringList out;
        for (int r = 0; r < w.grid()->recordModel()->rowCount(); ++r)
            out << w.grid()->recordModel()->cellText(r, column);
        return out;
    }
    QString cell() const
    {
        return QString("%1:%2").arg(w.grid()->currentRow()).arg(w.grid()->currentColumn());
    }
};

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

class TestGridDialogs : public QObject {
    Q_OBJECT

private slots:
    // What the dialogs add to the grid tools (tst_gridtools checks what
    // each finds, sorts and filters): their buttons, keys and enabled states,
    // and the grid following the result.
    void findThroughButtonsAndKeys()
    {
        GridRig rig({"A1|Ceramic", "xab|Lithic", "A3|Cab"});
        FindDialog dialog(rig.w.gridTools(), &rig.w);
        dialog.show();
        auto* fields = named<QComboBox>(dialog, "fieldlistcmb");
        QVERIFY(!fields->isEnabled());
        QTest::keyClicks(named<QLineEdit>(dialog, "findtxt"), "AB");
        QTest::keyClick(named<QLineEdit>(dialog, "findtxt"), Qt::Key_Return);  // Find is the default
        QCOMPARE(rig.cell(), QString("1:0"));

        named<QRadioButton>(dialog, "Option1_1")->click();
        QVERIFY(fields->isEnabled());
        fields->setCurrentIndex(fields->findText("VAR2"));
        click(dialog, "Command1");
        QCOMPARE(rig.cell(), QString("2:1"));
        QCOMPARE(rig.caption(), QString("Record 3 of 3"));
        click(dialog, "Command2");
        QVERIFY(!dialog.isVisible());
    }

    void sortAndFilterThroughButtons()
    {
        GridRig rig({"B|Lithic", "C|Bone", "A|lithic"});
        rig.w.model().options[OptSort] = "VAR2";
        rig.w.model().options[OptFilter] = "VAR2=LITHIC";
        SortDialog sorting(rig.w.gridTools(), &rig.w);
        sorting.show();
        auto* fieldList = named<QListWidget>(sorting, "fieldlist");
        auto* sortList = named<QListWidget>(sorting, "sortlist");
        auto* sort = named<QPushButton>(sorting, "Command2_0");
        QCOMPARE(listItems(sortList), QStringList{"VAR2"});
        QCOMPARE(rig.shownColumn(0), (QStringList{"B", "C", "A"}));  // preselected, not sorted
        doubleClickRow(fieldList, 0);  // VAR1
        QCOMPARE(listItems(sortList), (QStringList{"VAR2", "VAR1"}));
        doubleClickRow(sortList, 0);
        sortList->setCurrentRow(0);
        click(sorting, "Command1_1");
        QVERIFY(!sort->isEnabled());
        fieldList->setCurrentRow(1);
        click(sorting, "Command1_0");
        fieldList->setCurrentRow(0);
        click(sorting, "Command1_0");
        QVERIFY(sort->isEnabled());
        click(sorting, "Command2_0");
        QCOMPARE(rig.shownColumn(0), (QStringList{"C", "A", "B"}));
        QCOMPARE(rig.caption(), QString("Record 1 of 3"));
        click(sorting, "Command2_2");  // Remove: table order
        QCOMPARE(rig.shownColumn(0), (QStringList{"B", "C", "A"}));
        QVERIFY(sortList->count() == 0 && !sort->isEnabled());
        click(sorting, "Command2_1");
        QVERIFY(!sorting.isVisible());
        QVERIFY(!readFile(rig.w.model().cfgpath).contains("Sort="));

        FilterDialog filtering(rig.w.gridTools(), &rig.w);
        filtering.show();
        auto* filterFields = named<QListWidget>(filtering, "fieldlist");
        QCOMPARE(filterFields->currentItem()->text(), QString("VAR2"));
        QCOMPARE(named<QListView>(filtering, "valuelist")->currentIndex().data().toString(), QString("LITHIC"));
        QCOMPARE(rig.shownColumn(0).size(), 3);  // preselected, not applied
        click(filtering, "Command2_0");
        QCOMPARE(rig.shownColumn(0), (QStringList{"B", "A"}));
        QCOMPARE(rig.w.dataControl()->filterNote(), QString("Filter: VAR2=LITHIC"));
        filterFields->setCurrentRow(0);
        QVERIFY(!named<QPushButton>(filtering, "Command2_0")->isEnabled());  // no value chosen yet
        click(filtering, "Command2_2");
        QCOMPARE(rig.shownColumn(0), (QStringList{"B", "C", "A"}));
        QVERIFY(rig.w.dataControl()->filterNote().isEmpty());
        click(filtering, "Command2_1");
        QVERIFY(!filtering.isVisible());
        QVERIFY(rig.dialogs.messages().isEmpty());
    }

    // Sort and filter with the keyboard alone: keys go to whatever has the
    // focus, as the operator's would.
    void sortAndFilterFromTheKeyboard()
    {
        GridRig rig({"B|Lithic", "C|Bone", "A|Lithic"});
        auto press = [](QDialog& dialog, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
            QWidget* target = QApplication::focusWidget();
            QVERIFY(target && dialog.isAncestorOf(target));
            // Through the window, so that Alt letters reach the shortcuts.
            QTest::keyClick(dialog.windowHandle(), key, mods);
        };
        {
            SortDialog dialog(rig.w.gridTools(), &rig.w);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            auto* sortList = named<QListWidget>(dialog, "sortlist");
            QCOMPARE(QApplication::focusWidget(), named<QListWidget>(dialog, "fieldlist"));
            press(dialog, Qt::Key_Home);
            press(dialog, Qt::Key_Down);  // VAR2
            press(dialog, Qt::Key_Return);
            QCOMPARE(listItems(sortList), QStringList{"VAR2"});
            press(dialog, Qt::Key_Home);  // VAR1, added with its button
            press(dialog, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), named<QPushButton>(dialog, "Command1_0"));
            press(dialog, Qt::Key_Space);
            QCOMPARE(listItems(sortList), (QStringList{"VAR2", "VAR1"}));
            press(dialog, Qt::Key_S, Qt::AltModifier);  // a button's letter clicks it a moment later
            QTRY_COMPARE(rig.shownColumn(0), (QStringList{"C", "A", "B"}));
            press(dialog, Qt::Key_Escape);  // as Close: the list is stored (mended: Esc dropped it)
            QTRY_VERIFY(!dialog.isVisible());
            QVERIFY(readFile(rig.w.model().cfgpath).contains("Sort=VAR2,VAR1"));
        }
        {
            FilterDialog dialog(rig.w.gridTools(), &rig.w);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            auto* valueList = named<QListView>(dialog, "valuelist");
            press(dialog, Qt::Key_Home);
            press(dialog, Qt::Key_Down);  // VAR2
            press(dialog, Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), valueList);
            press(dialog, Qt::Key_Home);
            const QString value = valueList->currentIndex().data().toString();
            QVERIFY(value == "Bone" || value == "Lithic");
            press(dialog, Qt::Key_Return);
            QCOMPARE(rig.w.dataControl()->filterNote(), "Filter: VAR2=" + value);
            QCOMPARE(rig.shownColumn(1).size(), value == "Bone" ? 1 : 2);
            press(dialog, Qt::Key_R, Qt::AltModifier);
            QTRY_VERIFY(rig.w.dataControl()->filterNote().isEmpty());
            press(dialog, Qt::Key_Escape);
            QVERIFY(!dialog.isVisible());
        }
        QVERIFY(rig.dialogs.messages().isEmpty());
    }

    void entryGoesOnInASortedFilteredGrid()
    {
        GridRig rig({"B|Bone", "D|Bone", "Z|Lithic"});
        MainWindow& w = rig.w;
        SortChoice sort(w.model(), w.store(), rig.dialogs, w);
        QVERIFY(sort.add("VAR1") && sort.sort());
        FilterChoice filter(w.model(), w.store(), rig.dialogs, w);
        QVERIFY(filter.apply("VAR2", "Bone"));
        w.engine().StartRecord();
        // A saved record appears where the order puts it.
        rig.enter("C");
        rig.type("b");
        QCOMPARE(rig.shownColumn(0), (QStringList{"B", "C", "D"}));
        QCOMPARE(rig.caption(), QString("Record 2 of 3"));
        // One the filter leaves out is saved but not shown.
        QVERIFY(filter.apply("VAR2", "Lithic"));
        rig.enter("A");
        rig.type("b");
        QCOMPARE(rig.shownColumn(0), QStringList{"Z"});
        QCOMPARE(rig.caption(), QString("Record 1 of 1"));
        QVERIFY(filter.apply("VAR2", "Bone"));
        QCOMPARE(rig.shownColumn(0), (QStringList{"A", "B", "C", "D"}));

        // A grid-cell edit changes the row the operator sees.
        rig.editCell(3, 0);
        QVERIFY(w.state().editing);
        auto* box = qobject_cast<QLineEdit*>(w.entryArea()->control(Control::TextBox));
        box->selectAll();
        QTest::keyClicks(box, "E");
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(rig.shownColumn(0), (QStringList{"A", "B", "C", "E"}));

        // Re-edit finds its row in the grid's order (it once left the grid on
        // the last row instead of the record found).
        QTest::keyClick(w.grid(), Qt::Key_Escape);
        w.model().options[OptReEdit] = "Yes";
        rig.enter("C");
        QCOMPARE(w.grid()->currentRow(), 2);
        QCOMPARE(rig.caption(), QString("Record 3 of 4"));
    }

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

QTEST_MAIN(TestGridDialogs)
#include "tst_grid_dialogs.moc"
