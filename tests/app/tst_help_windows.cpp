// The info viewer (its place on the screen, its layout, OK and Esc, and the
// keyboard handed back to the entry area) and the help-file writer (field
// list, loading, questions, preview), and the templates' anchors at work in
// the entry area's menu help panel.

#include "app/AppTestSupport.h"

#include "app/EntryArea.h"
#include "app/MainWindow.h"
#include "cfg/HelpTemplates.h"
#include "grid/DataGrid.h"
#include "settings/IniSettings.h"
#include "settings/WindowPlacement.h"
#include "settings/WindowRestore.h"
#include "windows/HelpWriterDialog.h"
#include "windows/InfoViewer.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>

using namespace k7;
using namespace k7::test;

namespace {

template <typename T>
T* child(const QWidget& parent, const char* name)
{
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no %s", name);
    return found;
}

// The text of the paragraph at the top of a help panel.
QString topParagraph(QTextBrowser* help)
{
    return help->cursorForPosition(QPoint(4, 2)).block().text().trimmed();
}

}  // namespace

class TestHelpWindows : public QObject {
    Q_OBJECT

private slots:
    void infoViewerPlacement_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QRectF>("expected");  // on a screen of 15000 x 10000, designed at (100, 200, 7200, 5400)
        QTest::newRow("no keys") << QByteArray() << QRectF(100, 200, 7200, 5400);
        QTest::newRow("on the screen") << QByteArray("frmInfoleft=300\nfrmInfotop=400\nfrmInfowidth=5000\nfrmInfoheight=3000")
                                       << QRectF(300, 400, 5000, 3000);
        QTest::newRow("before the screen") << QByteArray("frmInfoleft=-5\nfrmInfotop=-1") << QRectF(0, 0, 7200, 5400);
        QTest::newRow("beyond the screen") << QByteArray("frmInfoleft=16000\nfrmInfotop=11000") << QRectF(0, 0, 7200, 5400);
        QTest::newRow("too small") << QByteArray("frmInfowidth=500\nfrmInfoheight=0") << QRectF(100, 200, 2000, 2000);
        QTest::newRow("too large") << QByteArray("frmInfowidth=20000\nfrmInfoheight=20000") << QRectF(100, 200, 15000, 10000);
    }
    void infoViewerPlacement()
    {
        QFETCH(QByteArray, keys);
        QFETCH(QRectF, expected);
        AppRig rig;
        QVERIFY(writeFile(rig.ini(), "[K7]\n" + keys));
        IniSettings settings(rig.ini());
        settings.load();
        QCOMPARE(InfoViewer::restoredRect(settings, QRectF(100, 200, 7200, 5400), QSizeF(15000, 10000)), expected);
    }

    // The layout, and the place written back on closing and found again.
    void infoViewerWindow()
    {
        AppRig rig;
        IniSettings settings(rig.ini());
        QRect closedAt;
        {
            InfoViewer viewer(settings);
            viewer.show();
            viewer.resize(500, 300);
            const QRect box = child<QPlainTextEdit>(viewer, "infobox")->geometry();
            const QRect ok = child<QPushButton>(viewer, "Command1")->geometry();
            QCOMPARE(box.width(), 500 - qRound(pixelsFromTwips(240, screenDpiX(viewer))));
            QCOMPARE(box.height(), 300 - qRound(pixelsFromTwips(1200, screenDpiY(viewer))));
            QVERIFY(qAbs(ok.center().x() - 250) <= 1);
            QVERIFY(ok.top() > box.bottom() && ok.bottom() < 300);
            closedAt = viewer.geometry();
            QTest::keyClick(&viewer, Qt::Key_Escape);
            QCOMPARE(viewer.result(), int(QDialog::Rejected));
        }
        settings.load();
        InfoViewer again(settings);
        QVERIFY(qAbs(again.width() - closedAt.width()) <= 1 && qAbs(again.height() - closedAt.height()) <= 1);
    }

    // Ctrl+I opens the viewer; OK gives the keyboard back to the box of the
    // variable on show. A missing info file shows an empty viewer.
    void infoKeyInTheEntryArea()
    {
        AppRig rig;
        const QString cfg = rig.path("site.cfg");
        writeFile(rig.dir, "id.txt", "Dig the trench.");
        writeFile(cfg, crlf({"[K7]", "[VAR1]", "Type=Text", "Info file=id.txt", "[VAR2]", "Type=Text",
                             "Info file=gone.txt"}));
        MainWindow w(rig.dialogs, rig.sound, rig.ini());
        w.show();
        w.openCfgFile(cfg);
        QWidget* textbox = w.entryArea()->control(Control::TextBox);

        QStringList shown;
        auto answerViewer = [&](Qt::Key key) {
            QTimer::singleShot(0, &w, [&w, &shown, key] {
                auto* viewer = w.findChild<InfoViewer*>();
                QVERIFY(viewer && viewer->isVisible());
                shown << viewer->text();
                w.grid()->setFocus();
                if (key == Qt::Key_Return)
                    child<QPushButton>(*viewer, "Command1")->click();
                else
                    QTest::keyClick(viewer, key);
            });
        };
        answerViewer(Qt::Key_Return);
        QTest::keyClick(textbox, Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(w.focusWidget(), textbox);

        QTest::keyClicks(textbox, "A1");
        QTest::keyClick(textbox, Qt::Key_Return);
        QCOMPARE(w.state().curvar, 2);
        answerViewer(Qt::Key_Escape);
        QTest::keyClick(textbox, Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(shown, (QStringList{"Dig the trench.", ""}));
        QCOMPARE(w.focusWidget(), static_cast<QWidget*>(w.grid()));  // Esc leaves the keyboard where it is
        QCOMPARE(rig.dialogs.texts(), QStringList{"Warning: Could not find Info File gone.txt for field VAR2"});
    }

    void helpWriterWindow()
    {
        AppRig rig;
        const QString dir = rig.path("dig.2024/");
        QDir().mkpath(dir);
        writeFile(dir + "notes.txt", "<p>Found in the notes</p>");
        writeFile(dir + "big.html", QByteArray("<p>xxxxxxx</p>\r\n").repeated(4096));  // 65536 bytes
        Model model;
        model.cfgpath = dir + "site.cfg";
        model.varcount = 2;
        model.var(1).varname = "VAR1";
        model.var(1).vartype = TypeMenu;
        model.var(1).varmenu = "Tool Core Flake";
        model.var(2).varname = "VAR2";
        model.var(2).vartype = TypeText;
        model.var(2).varinfo = "notes.txt";
        writeFile(model.cfgpath, crlf({"[K7]", "[VAR1]", "Type=Menu", "[VAR2]", "Type=Text", "Info file=notes.txt"}));

        HelpWriterDialog dialog(model, rig.dialogs);
        dialog.show();
        auto* fieldlist = child<QComboBox>(dialog, "fieldlist");
        auto* text1 = child<QLineEdit>(dialog, "Text1");
        auto* htmltext = child<QPlainTextEdit>(dialog, "htmltext");
        auto* preview = child<QTextBrowser>(dialog, "htmlpreview");

        child<QPushButton>(dialog, "Command2")->click();  // Save and Preview, nothing selected
        QCOMPARE(rig.dialogs.texts(), QStringList{"Select a field from the pulldown list before saving."});

        // A help file named without a folder is read from the CFG's folder.
        fieldlist->setCurrentIndex(1);
        QCOMPARE(htmltext->toPlainText(), "<p>Found in the notes</p>");
        QCOMPARE(preview->toPlainText(), "Found in the notes");

        // A variable without a help file shows nothing, not the last one's text.
        fieldlist->setCurrentIndex(0);
        QCOMPARE(text1->text() + htmltext->toPlainText() + preview->toPlainText(), QString());

        // The templates, then one in the editor and rendered in the preview.
        rig.dialogs.clear();
        child<QPushButton>(dialog, "Command1")->click();
        QCOMPARE(rig.dialogs.texts(), QStringList{"Blank template files have been written to the directory " + dir});
        fieldlist->setCurrentIndex(1);
        fieldlist->setCurrentIndex(0);
        QCOMPARE(text1->text(), dir + "VAR1.html");
        QCOMPARE(htmltext->toPlainText(), HelpTemplateLines(model, 1).join('\n'));
        QVERIFY(preview->toPlainText().contains("Core: Description goes here."));

        // Cancel keeps the edit and the variable; Yes saves it first.
        QTest::keyClicks(htmltext, "<p>Mine</p>");
        rig.dialogs.queueAnswer(Answer::Cancel);
        fieldlist->setCurrentIndex(1);
        QCOMPARE(fieldlist->currentIndex(), 0);
        QVERIFY(dialog.isChanged());
        rig.dialogs.queueAnswer(Answer::Yes);
        fieldlist->setCurrentIndex(1);
        QVERIFY(readFile(dir + "VAR1.html").contains("<p>Mine</p>"));
        QCOMPARE(text1->text(), dir + "VAR2.html");

        // Double-click chooses a file; one too large is not loaded but previewed.
        rig.dialogs.clear();
        rig.dialogs.queueFile(dir + "big.html");
        QTest::mouseDClick(text1, Qt::LeftButton);
        QCOMPARE(rig.dialogs.texts(), QStringList{"File is too large to edit."});
        QCOMPARE(htmltext->toPlainText(), QString());
        QCOMPARE(preview->source().toLocalFile(), dir + "big.html");

        // Closing asks about unsaved text too.
        QTest::keyClicks(htmltext, "x");
        rig.dialogs.queueAnswer(Answer::Cancel);
        child<QPushButton>(dialog, "Command3")->click();
        QVERIFY(dialog.isVisible());
        rig.dialogs.queueAnswer(Answer::No);
        child<QPushButton>(dialog, "Command3")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(readFile(dir + "big.html").size(), 65536);
    }

    // Templates written for a menu variable, then the variable presented:
    // picking an item scrolls its help panel to that item's paragraph, for
    // items with characters that mean something in HTML too.
    void templatesAnchorTheMenuHelp()
    {
        AppRig rig;
        const QString dir = rig.path("dig.2024/");
        QDir().mkpath(dir);
        const QStringList special = {"<5 cm", "A&B", "it's", "Red clay", "#3"};
        QStringList items = special;
        for (int i = 1; i <= 40; ++i)
            items.insert(i <= 12 ? i - 1 : items.size(), QString("Item %1").arg(i));
        const QString cfg = dir + "site.cfg";
        writeFile(cfg, crlf({"[K7]", "[VAR1]", "Type=Menu", "Menu=" + items.join(','), "[VAR2]",
                             "Type=Text"}));
        MainWindow w(rig.dialogs, rig.sound, rig.ini());
        w.resize(1000, 700);
        w.show();
        w.openCfgFile(cfg);
        QVERIFY(WriteHelpTemplates(w.model(), rig.dialogs, false));
        w.openCfgFile(cfg);  // the help file now comes from the CFG's entry
        QCOMPARE(w.model().var(1).varinfo, "VAR1.html");
        QCOMPARE(w.state().curvar, 1);

        auto* help = child<QTextBrowser>(w, "menuhelp");
        QVERIFY(help->isVisible());
        for (const QString& item : special) {
            w.entryArea()->selectMenuItem(static_cast<int>(items.indexOf(item)));
            QCOMPARE(topParagraph(help), item + ": Description goes here.");
        }
    }
};

QTEST_MAIN(TestHelpWindows)
#include "tst_help_windows.moc"
