// The main window at the two screen sizes people use most: every region
// inside its parent, nothing overlapping, prompts not cut off, and the
// keyboard focus in the entry area. With K7_SHOT_DIR set, each state is also
// saved there as a PNG for a person to look at.

#include "app/AppTestSupport.h"
#include "support/ScriptedDialogs.h"

#include "app/EntryArea.h"
#include "app/MainWindow.h"
#include "grid/DataControl.h"
#include "grid/DataGrid.h"
#include "grid/RecordSetModel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTest>

using namespace k7;
using namespace k7::test;

class TestLayout : public QObject {
    Q_OBJECT

    static QRect rectIn(const QWidget* w, const QWidget* ancestor)
    {
        return QRect(w->mapTo(ancestor, QPoint(0, 0)), w->size());
    }

    void checkEntryArea(MainWindow& w, const QString& label)
    {
        EntryArea* area = w.entryArea();
        const QRect bounds(QPoint(0, 0), area->size());
        QGroupBox* shown = nullptr;
        for (QGroupBox* frame : area->findChildren<QGroupBox*>())
            if (frame->isVisible())
                shown = frame;
        QVERIFY2(shown, qPrintable(label));
        const QRect frame = shown->geometry();
        const QRect previous = area->previousButton()->geometry();
        const QRect next = area->nextButton()->geometry();
        QVERIFY2(bounds.contains(frame), qPrintable(label));
        QVERIFY2(bounds.contains(previous) && bounds.contains(next), qPrintable(label));
        QVERIFY2(!frame.intersects(previous) && !frame.intersects(next), qPrintable(label));
        QVERIFY2(!previous.intersects(next), qPrintable(label));
        // The prompt shows all its lines.
        for (QLabel* prompt : shown->findChildren<QLabel*>()) {
            if (!prompt->isVisible() || prompt->text().isEmpty())
                continue;
            QVERIFY2(prompt->height() >= prompt->heightForWidth(prompt->width()), qPrintable(label));
            QVERIFY2(QRect(QPoint(0, 0), shown->size()).contains(prompt->geometry()), qPrintable(label));
        }
        // Menu items are shown whole, not elided.
        if (auto* list = shown->findChild<QListWidget*>(QStringLiteral("menulist"))) {
            for (int i = 0; i < list->count(); ++i) {
                const QRect item = list->visualItemRect(list->item(i));
                const int textWidth = list->fontMetrics().horizontalAdvance(list->item(i)->text());
                QVERIFY2(item.width() >= textWidth, qPrintable(label + QLatin1Char(' ') + list->item(i)->text()));
            }
        }
        // The frame is centred.
        QVERIFY2(qAbs(frame.center().x() - bounds.center().x()) <= 2, qPrintable(label));
        QVERIFY2(w.focusWidget() && shown->isAncestorOf(w.focusWidget()), qPrintable(label));
    }

    void checkRegions(MainWindow& w, const QString& label)
    {
        QWidget* central = w.centralWidget();
        const QRect all(QPoint(0, 0), central->size());
        const QRect list = rectIn(w.findChild<QListWidget*>(QStringLiteral("vlist")), central);
        const QRect entry = rectIn(w.entryArea(), central);
        const QRect grid = rectIn(w.grid(), central);
        const QRect control = rectIn(w.dataControl(), central);
        const QRect info = rectIn(w.findChild<QLabel*>(QStringLiteral("dbinfo")), central);
        for (const QRect& r : {list, entry, grid, control, info})
            QVERIFY2(all.contains(r), qPrintable(label));
        QVERIFY2(!list.intersects(entry), qPrintable(label));
        QVERIFY2(!entry.intersects(grid) && !list.intersects(grid), qPrintable(label));
        QVERIFY2(!grid.intersects(control) && !control.intersects(info), qPrintable(label));
        QVERIFY2(grid.height() > 3 * control.height(), qPrintable(label));
    }

    void shoot(MainWindow& w, const QString& name)
    {
        const QString dir = qEnvironmentVariable("K7_SHOT_DIR");
        if (!dir.isEmpty())
            w.grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
    }

private slots:
    void regionsFitAtCommonSizes_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("1024x768") << QSize(1024, 768);
        QTest::newRow("1920x1080") << QSize(1920, 1080);
    }
    void regionsFitAtCommonSizes()
    {
        QFETCH(QSize, size);
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        QTemporaryDir dir;
        const QString cfg = copyFindsCfg(dir);
        ScriptedDialogs dialogs;
        SilentSound sound;
        MainWindow w(dialogs, sound, dir.filePath(QStringLiteral("k7.ini")));
        w.restoreSettings();
        w.setWindowState(Qt::WindowNoState);
        w.setGeometry(QRect(QPoint(0, 0), size));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.openCfgFile(cfg);
        QTest::qWait(50);
        checkRegions(w, tag + QStringLiteral(" regions"));
        checkEntryArea(w, tag + QStringLiteral(" text"));
        shoot(w, tag + QStringLiteral("-text"));

        QTest::keyClicks(w.focusWidget(), QStringLiteral("A1"));
        QTest::keyClick(w.focusWidget(), Qt::Key_Return);
        QTest::qWait(50);
        checkEntryArea(w, tag + QStringLiteral(" menu"));
        shoot(w, tag + QStringLiteral("-menu"));

        QTest::keyClick(w.focusWidget(), Qt::Key_C);
        QTest::keyClick(w.focusWidget(), Qt::Key_C);
        QTest::qWait(50);
        checkEntryArea(w, tag + QStringLiteral(" numeric"));
        shoot(w, tag + QStringLiteral("-numeric"));
    }

    void helpPanelsAndLongMenusFit()
    {
        QTemporaryDir dir;
        QFile help(dir.filePath(QStringLiteral("kinds.html")));
        QVERIFY(help.open(QIODevice::WriteOnly));
        help.write("<html><body><h3>Kinds</h3><a name=\"Rim\"></a><p>A rim sherd.</p></body></html>");
        help.close();
        QStringList items;
        for (int i = 1; i <= 40; ++i)
            items << QStringLiteral("Kind%1").arg(i);
        const QString cfg = dir.filePath(QStringLiteral("long.cfg"));
        QFile file(cfg);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[K7]\r\n\r\n[Note]\r\nType=Text\r\nInfo file=kinds.html\r\nPrompt=");
        file.write(QByteArray("Describe the find in a few words, mentioning its colour, its fabric, any decoration "
                              "and whatever else seems worth noting before it is bagged and labelled ").repeated(2));
        file.write("\r\n\r\n[Kind]\r\nType=Menu\r\nInfo file=kinds.html\r\nMenu=" + items.join(QLatin1Char(',')).toUtf8() +
                   "\r\nPrompt=Kind\r\n");
        file.close();
        ScriptedDialogs dialogs;
        SilentSound sound;
        MainWindow w(dialogs, sound, dir.filePath(QStringLiteral("k7.ini")));
        w.restoreSettings();
        w.setWindowState(Qt::WindowNoState);
        w.setGeometry(QRect(0, 0, 1024, 768));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.openCfgFile(cfg);
        QTest::qWait(50);
        QVERIFY(w.findChild<QWidget*>(QStringLiteral("texthelp"))->isVisible());
        checkEntryArea(w, QStringLiteral("help and long prompt"));
        shoot(w, QStringLiteral("help-text"));
        QTest::keyClicks(w.focusWidget(), QStringLiteral("rim"));
        QTest::keyClick(w.focusWidget(), Qt::Key_Return);
        QTest::qWait(50);
        QVERIFY(w.findChild<QWidget*>(QStringLiteral("menuhelp"))->isVisible());
        checkEntryArea(w, QStringLiteral("help and long menu"));
        shoot(w, QStringLiteral("help-menu"));
    }

    void aLongDatabasePathNeverWidensTheWindow()
    {
        QTemporaryDir dir;
        QString folder = dir.path();
        for (int i = 0; i < 6; ++i)
            folder += QStringLiteral("/a-rather-long-folder-name-for-excavation-season-%1").arg(i);
        QVERIFY(QDir().mkpath(folder));
        const QString cfg = folder + QStringLiteral("/finds.cfg");
        QVERIFY(QFile::copy(QStringLiteral(K7_EXAMPLES "/finds.cfg"), cfg));
        QFile::setPermissions(cfg, QFile::ReadOwner | QFile::WriteOwner);
        ScriptedDialogs dialogs;
        SilentSound sound;
        MainWindow w(dialogs, sound, dir.filePath(QStringLiteral("k7.ini")));
        w.restoreSettings();
        w.setWindowState(Qt::WindowNoState);
        w.setGeometry(QRect(0, 0, 1024, 768));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.openCfgFile(cfg);
        QTest::qWait(50);
        QCOMPARE(w.width(), 1024);
        checkRegions(w, QStringLiteral("long path"));
        auto* info = w.findChild<QLabel*>(QStringLiteral("dbinfo"));
        QCOMPARE(info->toolTip(), w.dbinfoText());
        QVERIFY(info->fontMetrics().horizontalAdvance(info->text()) <= info->width());
        QVERIFY(info->text().endsWith(QLatin1String("Table: finds")));
        shoot(w, QStringLiteral("long-path"));
    }

    void splitterDragsStayInBounds_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<int>("to");  // where the bar is dragged, as a fraction of the window in percent
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::newRow("list far left") << true << 0 << 10 << 11;
        QTest::newRow("list far right") << true << 95 << 49 << 50;
        QTest::newRow("list in range") << true << 30 << 29 << 31;
        QTest::newRow("entry area to the top") << false << 0 << 20 << 25;  // or its minimum height
        QTest::newRow("entry area to the bottom") << false << 99 << 60 << 80;
    }
    void splitterDragsStayInBounds()
    {
        QFETCH(bool, vertical);
        QFETCH(int, to);
        QFETCH(int, low);
        QFETCH(int, high);
        QTemporaryDir dir;
        ScriptedDialogs dialogs;
        SilentSound sound;
        MainWindow w(dialogs, sound, dir.filePath(QStringLiteral("k7.ini")));
        w.restoreSettings();
        w.setWindowState(Qt::WindowNoState);
        w.setGeometry(QRect(0, 0, 1000, 700));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* splitter = w.findChild<QSplitter*>(vertical ? QStringLiteral("varlist_separator")
                                                          : QStringLiteral("data_separator"));
        QSplitterHandle* handle = splitter->handle(1);
        const QPoint grip = handle->rect().center();
        const QPoint target = vertical ? QPoint(w.width() * to / 100, 0) : QPoint(0, w.height() * to / 100);
        const QPoint local = handle->mapFrom(&w, target);
        QTest::mousePress(handle, Qt::LeftButton, {}, grip);
        QTest::mouseMove(handle, vertical ? QPoint(local.x(), grip.y()) : QPoint(grip.x(), local.y()));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, vertical ? QPoint(local.x(), grip.y()) : QPoint(grip.x(), local.y()));
        const int edge = splitter->sizes().first();
        const int extent = vertical ? w.width() : w.height();
        QVERIFY2(edge >= extent * low / 100 - 2 && edge <= extent * high / 100 + 2,
                 qPrintable(QStringLiteral("edge %1 of %2").arg(edge).arg(extent)));
    }

    void aFreshStartIsMaximizedWithTheFocusInTheEntryArea()
    {
        QTemporaryDir dir;
        const QString cfg = copyFindsCfg(dir);
        ScriptedDialogs dialogs;
        SilentSound sound;
        MainWindow w(dialogs, sound, dir.filePath(QStringLiteral("k7.ini")));
        w.startUp(cfg);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.windowState().testFlag(Qt::WindowMaximized));
        QCOMPARE(w.focusWidget(), w.entryArea()->control(Control::TextBox));
        QTest::qWait(50);
        checkRegions(w, QStringLiteral("maximized"));
        shoot(w, QStringLiteral("maximized"));

        // A whole record through the application's real keyboard focus. A
        // bare X server has no window manager to activate the window.
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(QApplication::focusWidget(), w.entryArea()->control(Control::TextBox));
        auto type = [](const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); };
        auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
        type(QStringLiteral("K-100"));
        press(Qt::Key_Return);
        type(QStringLiteral("l"));  // Lithic
        type(QStringLiteral("t"));  // Tool
        type(QStringLiteral("41.5"));
        press(Qt::Key_Return);
        QCOMPARE(w.grid()->recordModel()->rowCount(), 1);
        QCOMPARE(w.grid()->recordModel()->cellText(0, 0), QStringLiteral("K-100"));
        QCOMPARE(w.grid()->recordModel()->cellText(0, 5), QStringLiteral("41.5"));
        QCOMPARE(QApplication::focusWidget(), w.entryArea()->control(Control::TextBox));

        // Editing a cell from the grid: the larger "EDITING" caption still fits.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.grid()));
        w.grid()->setCurrentIndex(w.grid()->recordModel()->index(0, 0));
        press(Qt::Key_Return);
        QVERIFY(w.state().editing);
        QTest::qWait(50);
        checkEntryArea(w, QStringLiteral("editing"));
        auto* frame = w.findChild<QGroupBox*>(QStringLiteral("textframe"));
        const QRect prompt = w.findChild<QLabel*>(QStringLiteral("textprompt"))->geometry();
        QVERIFY(prompt.top() >= frame->fontMetrics().height());
        shoot(w, QStringLiteral("editing"));
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
