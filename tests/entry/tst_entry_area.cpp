// The entry area's own widgets: which code a key reaches the engine with,
// and a box's selection when its length changes.

#include "app/EntryArea.h"
#include "entry/EntryKeys.h"

#include <QLineEdit>
#include <QTest>

using namespace k7;

class TestEntryArea : public QObject {
    Q_OBJECT
private slots:
    // Tab shares its character with Ctrl+I but must not act as it (mended:
    // Tab opened the info viewer): it has its own code, which goes to the
    // grid. Delete reaches the handler as 127.
    void keyCodes_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<QList<int>>("codes");
        QTest::newRow("tab") << int(Qt::Key_Tab) << false << QList<int>{Key::Tab};
        QTest::newRow("shift+tab") << int(Qt::Key_Backtab) << false << QList<int>{};
        QTest::newRow("ctrl+i") << int(Qt::Key_I) << true << QList<int>{9};
        QTest::newRow("delete") << int(Qt::Key_Delete) << false << QList<int>{127};
    }
    void keyCodes()
    {
        QFETCH(int, key);
        QFETCH(bool, ctrl);
        QFETCH(QList<int>, codes);
        EntryArea area;
        QList<int> seen;
        area.setKeyHandler([&seen](Control, int code) {
            seen << code;
            return false;
        });
        area.show();
        QWidget* box = area.control(Control::TextBox);
        QTest::keyClick(box, Qt::Key(key), ctrl ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(seen, codes);
    }

    // A new length keeps the selection, so typing replaces the offered text
    // (mended: the number was appended to, 34 and 8 making 348).
    void typingReplacesTheSelectionAfterANewLength()
    {
        EntryArea area;
        area.show();
        area.setBoxText(Control::NumericBox, QStringLiteral("34"));
        area.selectBoxText(Control::NumericBox, 0, 2);
        area.setBoxMaxLength(Control::NumericBox, 5);
        QTest::keyClick(area.control(Control::NumericBox), Qt::Key_8);
        QCOMPARE(area.boxText(Control::NumericBox), QString("8"));
    }
};

QTEST_MAIN(TestEntryArea)
#include "tst_entry_area.moc"
