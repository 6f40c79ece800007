// Help > K7 Manual (F1): the manual opens in one window of its own, at the
// section of what the operator is doing: the grid, the entry area, and
// otherwise its contents. F1 is listed in Help > Keys. A build without the
// manual says so instead of opening an empty window.

#include "app/AppTestSupport.h"

#include "entry/EntryKeys.h"
#include "windows/ManualWindow.h"

#include <QFileInfo>
#include <QMenuBar>
#include <QScrollBar>
#include <QTextBrowser>

using namespace k7;
using namespace k7::test;

class TestManualWindow : public QObject {
    Q_OBJECT

    // Presses F1 where the keyboard is, as the operator does.
    static void pressF1(WindowRig& rig)
    {
        QVERIFY(QTest::qWaitForWindowActive(&rig.w));
        rig.press(Qt::Key_F1);
    }

    // The manual window's page and section, as "page.html#id".
    static QString shownPlace(const MainWindow& w)
    {
        const QUrl source = w.manualWindow()->browser()->source();
        QString place = QFileInfo(source.toLocalFile()).fileName();
        if (source.hasFragment())
            place += QLatin1Char('#') + source.fragment();
        return place;
    }

private slots:
    void f1InTheGridOpensTheGridSection()
    {
        WindowRig rig;
        rig.open(rig.sampleCfg());
        QVERIFY(QTest::qWaitForWindowActive(&rig.w));
        rig.w.focusGrid();
        QVERIFY(rig.w.grid()->hasFocus());
        pressF1(rig);
        if (ManualFolder().isEmpty()) {
            QCOMPARE(rig.dialogs.messages().size(), 1);
            QCOMPARE(rig.dialogs.messages().first().text, ManualMissingText());
            QVERIFY(!rig.w.manualWindow());
            return;
        }
        QVERIFY(rig.w.manualWindow());
        QVERIFY(rig.w.manualWindow()->isVisible());
        QCOMPARE(shownPlace(rig.w), ManualPlace::Grid);
        // The page shown is the real one, scrolled down to the section.
        QTextBrowser* browser = rig.w.manualWindow()->browser();
        QVERIFY(browser->toPlainText().contains(QStringLiteral("The grid")));
        QTRY_VERIFY(browser->verticalScrollBar()->value() > 0);
    }

    // F1 in the entry area goes to typing a record; pressing it again from
    // the grid moves the same window rather than opening a second one.
    void oneWindowFollowsTheOperator()
    {
        if (ManualFolder().isEmpty())
            QSKIP("the manual was not built");
        WindowRig rig;
        rig.open(rig.sampleCfg());
        QCOMPARE(rig.focused(), rig.control(Control::TextBox));
        pressF1(rig);
        QCOMPARE(shownPlace(rig.w), ManualPlace::TypingARecord);
        ManualWindow* first = rig.w.manualWindow();

        rig.w.activateWindow();
        rig.w.focusGrid();
        pressF1(rig);
        QCOMPARE(rig.w.manualWindow(), first);
        QCOMPARE(shownPlace(rig.w), ManualPlace::Grid);
        QCOMPARE(rig.w.findChildren<ManualWindow*>().size(), 1);

        // The menu item, with nothing of the record in hand, opens the contents.
        rig.w.grid()->clearFocus();
        rig.trigger("helpmanual");
        QCOMPARE(shownPlace(rig.w), ManualPlace::Contents);
        first->browser()->backward();
        QCOMPARE(shownPlace(rig.w), ManualPlace::Grid);
    }

    // The properties editor is modal, which would leave a window beside it
    // unusable: the manual goes with the editor while it is open, at the
    // CFG format's section, and stays open beside the main window after.
    void f1InThePropertiesEditorGoesWithIt()
    {
        if (ManualFolder().isEmpty())
            QSKIP("the manual was not built");
        WindowRig rig;
        rig.open(rig.sampleCfg());
        QWidget* ownerWhileOpen = nullptr;
        QTimer::singleShot(0, &rig.w, [&] {
            QWidget* editor = QApplication::activeModalWidget();
            if (!editor || !QTest::qWaitForWindowActive(editor))
                return;
            QTest::keyClick(editor->focusWidget() ? editor->focusWidget() : editor, Qt::Key_F1);
            if (rig.w.manualWindow() && rig.w.manualWindow()->isVisible())
                ownerWhileOpen = rig.w.manualWindow()->parentWidget();
            QMetaObject::invokeMethod(editor, "reject", Qt::QueuedConnection);
        });
        rig.trigger("viewproperties");
        QVERIFY(ownerWhileOpen);
        QVERIFY(ownerWhileOpen != &rig.w);
        QVERIFY(rig.w.manualWindow());
        QCOMPARE(rig.w.manualWindow()->parentWidget(), &rig.w);
        QVERIFY(rig.w.manualWindow()->isVisible());
        QCOMPARE(shownPlace(rig.w), ManualPlace::PropertiesEditor);
    }

    // The menu item carries the key of the key table, and Help > Keys lists it.
    void f1IsListedWithTheOtherKeys()
    {
        WindowRig rig;
        QAction* item = rig.w.findChild<QAction*>(QStringLiteral("helpmanual"));
        QVERIFY(item);
        QCOMPARE(item->shortcut(), QKeySequence(Qt::Key_F1));
        QCOMPARE(item->text(), QStringLiteral("K7 &Manual"));

        // Help > Keys lists the key table row for row (tst_display).
        QVERIFY(std::any_of(KeyBindings().begin(), KeyBindings().end(),
                            [](const KeyBinding& key) { return key.keys == QLatin1String("F1"); }));
        // No other action of the main window is bound to the same key.
        for (const QAction* other : rig.w.findChildren<QAction*>()) {
            if (other != item)
                QVERIFY2(other->shortcut() != item->shortcut(), qPrintable(other->objectName()));
        }
    }
};

QTEST_MAIN(TestManualWindow)
#include "tst_manual_window.moc"
