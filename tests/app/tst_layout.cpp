// The main window at the two screen sizes people use most: every region
// inside its parent, nothing overlapping, prompts not cut off, and the
// keyboard focus in the entry area. With K7_SHOT_DIR set, each state is also
// saved there as a PNG for a person to look at.

#include "app/AppTestSupport.h"
#include "support/CaseTable.h"

#include <QGroupBox>
#include <QLabel>

using namespace k7;
using namespace k7::test;

class TestLayout : public QObject {
    Q_OBJECT

    static void place(MainWindow& w, const QSize& size)
    {
        w.restoreSettings();
        w.setWindowState(Qt::WindowNoState);
        w.setGeometry(QRect(QPoint(0, 0), size));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
    }

    // Checks the frame that should be on show in the entry area and saves a screenshot.
    static void checkEntryArea(MainWindow& w, const QString& frameName, const QString& prefix)
    {
        QTest::qWait(50);
        const QByteArray label = (prefix + ' ' + frameName).toLocal8Bit();
        const char* tag = label.constData();
        EntryArea* area = w.entryArea();
        const QRect bounds(QPoint(0, 0), area->size());
        QGroupBox* shown = area->findChild<QGroupBox*>(frameName);
        QVERIFY2(shown && shown->isVisible(), tag);
        const QRect frame = shown->geometry();
        const QRect previous = area->previousButton()->geometry();
        const QRect next = area->nextButton()->geometry();
        QVERIFY2(bounds.contains(frame) && bounds.contains(previous) && bounds.contains(next), tag);
        QVERIFY2(!frame.intersects(previous) && !frame.intersects(next) && !previous.intersects(next), tag);
        QVERIFY2(qAbs(frame.center().x() - bounds.center().x()) <= 2, tag);  // centred
        // Prompts show all their lines; menu items are shown whole, not elided.
        for (QLabel* prompt : shown->findChildren<QLabel*>()) {
            if (prompt->isVisible() && !prompt->text().isEmpty()) {
                QVERIFY2(prompt->height() >= prompt->heightForWidth(prompt->width()), tag);
                QVERIFY2(QRect(QPoint(0, 0), shown->size()).contains(prompt->geometry()), tag);
            }
        }
        if (auto* list = shown->findChild<QListWidget*>("menulist"))
            for (int i = 0; i < list->count(); ++i)
                QVERIFY2(list->visualItemRect(list->item(i)).width() >=
                             list->fontMetrics().horizontalAdvance(list->item(i)->text()), tag);
        QVERIFY2(w.focusWidget() && shown->isAncestorOf(w.focusWidget()), tag);
        shoot(w, QString::fromLocal8Bit(label));
    }

    static void checkRegions(MainWindow& w, const QString& label)
    {
        QWidget* central = w.centralWidget();
        auto rectOf = [central](const QWidget* widget) { return QRect(widget->mapTo(central, QPoint(0, 0)), widget->size()); };
        const QRect list = rectOf(w.findChild<QListWidget*>("vlist"));
        const QRect entry = rectOf(w.entryArea());
        const QRect grid = rectOf(w.grid());
        const QRect control = rectOf(w.dataControl());
        const QRect info = rectOf(w.findChild<QLabel*>("dbinfo"));
        for (const QRect& r : {list, entry, grid, control, info})
            QVERIFY2(QRect(QPoint(0, 0), central->size()).contains(r), qPrintable(label));
        QVERIFY2(!list.intersects(entry) && !entry.intersects(grid) && !list.intersects(grid), qPrintable(label));
        QVERIFY2(!grid.intersects(control) && !control.intersects(info), qPrintable(label));
        QVERIFY2(grid.height() > 3 * control.height(), qPrintable(label));
    }

    static void shoot(MainWindow& w, const QString& name)
    {
        const QString dir = qEnvironmentVariable("K7_SHOT_DIR");
        if (!dir.isEmpty())
            w.grab().save(dir + '/' + QString(name).replace(' ', '-') + ".png");
    }

private slots:
    void regionsFitAtCommonSizes_data() { addCaseRows("app/screen-sizes.tsv"); }
    // A long prompt, a long menu, help panels and a long database path. Help
    // panels once left long prompts cut off, and a long path widened the window.
    void regionsFitAtCommonSizes()
    {
        QFETCH(Case, c);
        const QSize size(c.number("width"), c.number("height"));
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        AppRig rig;
        QString folder = rig.dir.path();
        for (int i = 0; i < 6; ++i)
            folder += QString("/a-rather-long-folder-name-for-excavation-season-%1").arg(i);
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(writeFile(folder + "/kinds.html",
                          "<html><body><h3>Kinds</h3><a name=\"Rim\"></a><p>A rim sherd.</p></body></html>"));
        QStringList items;
        for (int i = 1; i <= 40; ++i)
            items << QString("Kind%1").arg(i);
        const QString cfg = folder + "/finds.cfg";
        const QString prompt = QString("Describe the find in a few words, mentioning its colour, its fabric, any "
                                       "decoration and whatever else seems worth noting before it is bagged ").repeated(2);
        QVERIFY(writeFile(cfg, crlf({"[K7]", "[Note]", "Info file=kinds.html", "Prompt=" + prompt, "[Kind]", "Type=Menu",
                                     "Info file=kinds.html", "Menu=" + items.join(','), "Prompt=Kind",
                                     "[Weight]", "Type=Numeric", "Prompt=Weight in grams"})));
        MainWindow w(rig.dialogs, rig.sound, rig.ini());
        place(w, size);
        w.openCfgFile(cfg);
        QVERIFY(w.findChild<QWidget*>("texthelp")->isVisible());
        checkEntryArea(w, "textframe", tag);
        checkRegions(w, tag);
        QCOMPARE(w.size(), size);
        auto* info = w.findChild<QLabel*>("dbinfo");
        QVERIFY(info->fontMetrics().horizontalAdvance(info->text()) <= info->width());
        QVERIFY(info->text().endsWith("Table: finds"));

        QTest::keyClicks(w.focusWidget(), "rim");
        QTest::keyClick(w.focusWidget(), Qt::Key_Return);
        QVERIFY(w.findChild<QWidget*>("menuhelp")->isVisible());
        checkEntryArea(w, "menuframe", tag);
        QTest::keyClick(w.focusWidget(), Qt::Key_Return);
        checkEntryArea(w, "numericframe", tag);
    }

    // Without a window manager the maximized window once kept its small size
    // and never took the keyboard.
    void aFreshStartIsMaximizedWithTheFocusInTheEntryArea()
    {
        AppRig rig;
        MainWindow w(rig.dialogs, rig.sound, rig.ini());
        w.startUp(rig.sampleCfg());
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.windowState().testFlag(Qt::WindowMaximized));
        checkRegions(w, "maximized");
        checkEntryArea(w, "textframe", "maximized");

        // A whole record through the application's real keyboard focus. A
        // bare X server has no window manager to activate the window.
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(QApplication::focusWidget(), w.entryArea()->control(Control::TextBox));
        auto type = [](const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); };
        auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
        type("K-100");
        press(Qt::Key_Return);
        type("l");  // Lithic
        type("t");  // Tool
        type("41.5");
        press(Qt::Key_Return);
        QCOMPARE(w.grid()->recordModel()->cellText(0, 5), "41.5");
        QCOMPARE(QApplication::focusWidget(), w.entryArea()->control(Control::TextBox));

        // The larger "EDITING" caption still leaves the prompt room.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::ControlModifier);
        w.grid()->setCurrentCell(0, 0);
        press(Qt::Key_Return);
        QVERIFY(w.state().editing);
        checkEntryArea(w, "textframe", "editing");
        const QRect prompt = w.findChild<QLabel*>("textprompt")->geometry();
        QVERIFY(prompt.top() >= w.findChild<QGroupBox*>("textframe")->fontMetrics().height());
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
