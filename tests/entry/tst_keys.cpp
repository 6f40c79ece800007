// The one table of keys against what reacts to them: the Keys window lists
// its rows, the entry area and the grid hand the engine the table's codes,
// and the engine consumes no key the table leaves out.

#include "support/EntryRig.h"

#include "app/EntryArea.h"
#include "entry/EntryKeys.h"
#include "grid/DataGrid.h"
#include "windows/KeysDialog.h"

#include <QTreeWidget>

using namespace k7;
using namespace k7::test;

namespace {

// Every code the engine could receive that is not a character to type.
QList<int> controlCodes()
{
    QList<int> codes{127, Key::Tab};
    for (int c = 1; c < 32; ++c)
        codes << c;
    return codes;
}

}  // namespace

class TestKeys : public QObject {
    Q_OBJECT
private slots:
    void keysWindowListsTheTable()
    {
        KeysDialog dialog;
        auto* list = dialog.findChild<QTreeWidget*>("keylist");
        QVERIFY(list);
        QStringList shown;
        for (int h = 0; h < list->topLevelItemCount(); ++h) {
            const QTreeWidgetItem* heading = list->topLevelItem(h);
            for (int k = 0; k < heading->childCount(); ++k)
                shown << heading->text(0) + " | " + heading->child(k)->text(0) + " | " + heading->child(k)->text(1);
        }
        QStringList table;
        for (const KeyBinding& key : KeyBindings())
            table << KeyPlaceName(key.place) + " | " + key.keys + " | " + key.does;
        QCOMPARE(shown, table);
    }

    // Each listed key, pressed in the entry area's box or in the grid,
    // reaches the engine with the table's code.
    void widgetsPassTheTableCodes()
    {
        EntryArea area;
        DataGrid grid;
        QList<int> fromArea, fromGrid;
        area.setKeyHandler([&](Control, int code) {
            fromArea << code;
            return true;
        });
        grid.setKeyHandler([&](int code) {
            fromGrid << code;
            return true;
        });
        area.show();
        grid.show();
        QList<int> entryCodes, gridCodes;
        for (const KeyBinding& key : KeyBindings()) {
            if (key.code == 0)
                continue;
            if (key.place == KeyPlace::Entry) {
                QTest::keyClick(area.control(Control::TextBox), key.qtKey, key.modifiers);
                entryCodes << key.code;
            } else if (key.place == KeyPlace::Grid) {
                QTest::keyClick(&grid, key.qtKey, key.modifiers);
                gridCodes << key.code;
            }
        }
        QCOMPARE(fromArea, entryCodes);
        QCOMPARE(fromGrid, gridCodes);
        QVERIFY(entryCodes.contains(Key::Tab) && gridCodes.contains(Key::Esc));
    }

    // The engine consumes a control key only where the table lists it, and
    // every listed key acts (Ctrl+Z only after Ctrl+C, Ctrl+I only with an
    // information file, which ID has).
    void engineHandlesExactlyTheTable()
    {
        for (int code : controlCodes()) {
            EntryRig rig;
            rig.add("ID", TypeText).varinfo = "id.html";
            rig.add("Count", TypeNumeric);
            QVERIFY(rig.open());
            if (code == Key::CtrlZ) {
                rig.view.enter(rig.engine, "A1");
                QVERIFY(rig.view.press(rig.engine, Key::CtrlC));
            }
            const bool consumed = rig.view.press(rig.engine, code);
            const KeyBinding* listed = FindKey(KeyPlace::Entry, code);
            QVERIFY2(consumed == (listed != nullptr), qPrintable(QString("code %1").arg(code)));
        }
    }

    void gridHandlesExactlyTheTable()
    {
        for (int code : controlCodes()) {
            EntryRig rig;
            rig.add("ID", TypeText);
            QVERIFY(rig.open());
            rig.view.setGridCell(0, 0, "A1");
            QCOMPARE(rig.engine.gridKey(code), FindKey(KeyPlace::Grid, code) != nullptr);
        }
    }

    // Tab goes to the grid as Ctrl+E does.
    void tabGoesToTheGrid()
    {
        EntryRig rig;
        rig.add("ID", TypeText);
        QVERIFY(rig.open());
        QVERIFY(rig.view.press(rig.engine, Key::Tab));
        QVERIFY(rig.view.gridHasFocus());
        // Esc there comes back to the box.
        QVERIFY(rig.engine.gridKey(Key::Esc));
        QCOMPARE(rig.view.focus(), std::optional<Control>(Control::TextBox));
    }
};

QTEST_MAIN(TestKeys)
#include "tst_keys.moc"
