// The small windows around the main one: the splash, options and what they
// write, the timed message, the message boxes' buttons and answers, the text
// editor's questions and what it leaves on disk (saving a file that is not
// there yet is covered by the main window's k7.ini editing and File > New),
// the audit trail window when the trail cannot be read; the info viewer (its
// layout, OK and Esc, the keyboard handed back to the entry area) and
// the help-file writer, and the templates' anchors in the menu help panel.
// The progress dialog of long grid tools: work that knows its total shows
// a fraction, work that cannot tell (a sort inside the engine) a busy bar.
// A name typed into a save dialog without an extension gets the chosen
// file type's extension; other names stay as they are.

#include "app/AppTestSupport.h"
#include "entry/LockedDatabase.h"
#include "support/CaseTable.h"

#include "app/SplashStart.h"
#include "cfg/CfgReader.h"
#include "cfg/HelpTemplates.h"
#include "cfg/Model.h"
#include "settings/IniSettings.h"
#include "settings/WindowPlacement.h"
#include "settings/WindowRestore.h"
#include "shell/ChosenSuffix.h"
#include "shell/QtDialogs.h"
#include "store/AuditQuery.h"
#include "store/AuditTrail.h"
#include "store/Database.h"
#include "windows/AuditTrailDialog.h"
#include "windows/HelpWriterDialog.h"
#include "windows/InfoViewer.h"
#include "windows/OptionsDialog.h"
#include "windows/TextEditor.h"
#include "windows/TimedMessage.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QTableView>
#include <QTextBlock>
#include <QTextBrowser>
#include <QThread>

using namespace k7;
using namespace k7::test;

namespace {

// Steps for a while, noting the dialog's range at each step.
class SlowWork : public SteppedWork {
public:
    SlowWork(QWidget& window, qint64 total) : m_window(window), m_total(total) {}
    bool step() override
    {
        QThread::msleep(10);
        if (const auto* dialog = m_window.findChild<QProgressDialog*>("progress"))
            maxima << dialog->maximum();
        return ++m_done < 150;
    }
    qint64 done() const override { return m_done; }
    qint64 total() const override { return m_total; }
    QList<int> maxima;

private:
    QWidget& m_window;
    qint64 m_total;
    qint64 m_done = 0;
};

}  // namespace

class TestSmallWindows : public QObject {
    Q_OBJECT

private slots:
    void theSplashStaysASecond()
    {
        QElapsedTimer clock;
        clock.start();
        SplashStart start;
        QVERIFY(start.splash()->isVisible());
        qint64 startedAt = -1;
        start.begin([&] { startedAt = start.splash()->isVisible() ? -2 : clock.elapsed(); });
        QCOMPARE(startedAt, qint64(-1));  // never at once
        QTRY_VERIFY_WITH_TIMEOUT(startedAt != -1, 5000);
        QVERIFY(startedAt >= SplashStart::kMinimumMs);  // and with the splash closed
    }

    // Colours are written at once, the rest on OK; a cleared key is removed
    // and the rest of the CFG is kept.
    void optionsWriteTheirKeysToTheCfg()
    {
        AppRig rig;
        const QString cfg = rig.path("site.cfg");
        QVERIFY(writeFile(cfg, "[K7]\r\nRe-edit=Yes\r\n\r\n[VAR1]\r\nType=Text\r\n"));
        Model model;
        model.cfgpath = cfg;
        model.options[OptReEdit] = "Yes";
        OptionsDialog options(model, rig.dialogs);
        QCOMPARE(model.options[OptBackColor], kWhiteColorNumber);  // an empty BackColor shows white
        long outer = -1;
        connect(&options, &OptionsDialog::outerColorChanged, this, [&outer](long c) { outer = c; });
        QVERIFY(options.findChild<QCheckBox*>("Check2")->isChecked());
        options.findChild<QCheckBox*>("Check2")->setChecked(false);
        options.findChild<QCheckBox*>("check1")->setChecked(true);
        // The colour boxes answer the keyboard (mended: double-click only).
        auto* outerBox = options.findChild<QWidget*>("bckclr1");
        QCOMPARE(outerBox->focusPolicy(), Qt::StrongFocus);
        rig.dialogs.queueColor(65280);
        QTest::keyClick(outerBox, Qt::Key_Space);
        QCOMPARE(outer, 65280L);
        QCOMPARE(readKey(cfg, "[K7]", "BackColorOut") + '|' + readKey(cfg, "[K7]", "Sound"), "65280|");
        options.findChild<QPushButton*>("Command1")->click();
        QCOMPARE(readKey(cfg, "[K7]", "Sound") + '|' + readKey(cfg, "[VAR1]", "Type"), "Yes|Text");
        QCOMPARE(readFile(cfg).count("Re-edit"), 0);

        // An old-format file the operator kept once gained a [K7] section
        // here, and was then read as a current-format CFG without variables.
        const QByteArray old = "FIELD: Id\r\nId: INPUT text\r\n";
        QVERIFY(writeFile(cfg, old));
        model.cfgunconverted = true;
        OptionsDialog kept(model, rig.dialogs);
        kept.findChild<QCheckBox*>("Check3")->setChecked(true);
        rig.dialogs.queueColor(255);
        QTest::keyClick(kept.findChild<QWidget*>("bckclr0"), Qt::Key_Return);
        kept.findChild<QPushButton*>("Command1")->click();
        QCOMPARE(readFile(cfg), old);
        QCOMPARE(model.options[OptEmptyonly] + '|' + model.options[OptBackColor], "Yes|255");
    }

    void timedMessageClosesByItselfOrOnAKey()
    {
        TimedMessage timed;
        timed.setText("Site = A\rStatus = open\r");
        QCOMPARE(timed.text(), "Site = A\nStatus = open");
        QElapsedTimer clock;
        clock.start();
        for (const int interval : {30, 60000}) {  // the long one ends on a key
            timed.setInterval(interval);
            if (interval > 30)
                QTimer::singleShot(0, &timed, [&timed] { QTest::keyClick(&timed, Qt::Key_Space); });
            timed.exec();
        }
        QVERIFY(clock.elapsed() < 2000);
    }

    void messageBoxesAnswerWithTheirCodes_data() { addCaseRows("app/message-boxes.tsv"); }
    void messageBoxesAnswerWithTheirCodes()
    {
        QFETCH(Case, c);
        const QString button = c.text("button");
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            for (QAbstractButton* b : box->buttons())
                if (b->text().remove('&') == button)
                    b->click();
        });
        QtDialogs dialogs;
        const QStringList codes{"", "ok", "cancel", "", "", "", "yes", "no"};
        QCOMPARE(dialogs.message("Close current configuration file?", c.number("style")),
                 codes.indexOf(c.text("answer")));
    }

    // The one-line input: typed text on Ok (Enter), nothing on Cancel, and the
    // caption the caller asks for.
    void inputDialogAnswersWithTheTypedText()
    {
        for (const bool ok : {true, false}) {
            QString title;
            QTimer::singleShot(0, [&] {
                QWidget* dialog = QApplication::activeModalWidget();
                if (!dialog)
                    return;
                title = dialog->windowTitle();
                auto* response = dialog->findChild<QLineEdit*>("response");
                response->selectAll();
                QTest::keyClicks(response, "site 2");
                if (ok)
                    QTest::keyClick(response, Qt::Key_Return);
                else
                    QTest::keyClick(dialog, Qt::Key_Escape);
            });
            QtDialogs dialogs;
            const auto typed = dialogs.inputTextWithCaption("New name :", "site", "Rename table");
            QCOMPARE(title, "Rename table");
            QCOMPARE(typed, ok ? std::optional<QString>("site 2") : std::nullopt);
        }
    }

    void anUnknownTotalShowsABusyBar_data() { addCaseRows("app/progress-totals.tsv"); }
    void anUnknownTotalShowsABusyBar()
    {
        QFETCH(Case, c);
        QWidget window;
        QtDialogs dialogs(&window);
        SlowWork work(window, c.number("total"));
        QVERIFY(dialogs.runWithProgress("Sorting the records", work));
        QVERIFY(work.maxima.size() > 100);
        QCOMPARE(work.maxima.last(), c.number("maximum"));
    }

    void suffix_data() { addCaseRows("app/chosen-suffixes.tsv"); }
    void suffix()
    {
        QFETCH(Case, c);
        QCOMPARE(WithChosenSuffix(c.text("path"), c.text("filter")), c.text("expected"));
    }

    // Saving over a file asks first and keeps its encoding; the placeholder
    // shown for a file too large to edit is never saved over it.
    void textEditorKeepsWhatIsOnDisk()
    {
        AppRig rig;
        const QString cfg = rig.path("latin.cfg");
        QVERIFY(writeFile(cfg, "Prompt=Caf\xe9\r\n"));  // Windows-1252
        TextEditor editor(rig.dialogs);
        editor.loadFile(cfg);
        editor.show();
        QCOMPARE(editor.text(), "Prompt=Caf\u00e9");
        editor.editor()->appendPlainText("Sound=Yes");

        rig.dialogs.queueAnswer(Answer::No);
        QVERIFY(!editor.fileSave());
        QCOMPARE(rig.dialogs.shown().last(), "Overwrite existing file " + cfg + " ? [291]");
        QVERIFY(editor.isDirty());
        QCOMPARE(readFile(cfg), QByteArray("Prompt=Caf\xe9\r\n"));

        rig.dialogs.queueAnswer(Answer::Yes);
        QVERIFY(editor.fileSave());
        QVERIFY(!editor.isDirty());
        QCOMPARE(readFile(cfg), QByteArray("Prompt=Caf\xe9\r\nSound=Yes\r\n"));

        // Closing on No drops the change and reminds about File/Open.
        rig.dialogs.clear();
        editor.editor()->appendPlainText("x");
        rig.dialogs.queueAnswer(Answer::No);
        editor.close();
        QVERIFY(!editor.isVisible());
        QCOMPARE(rig.dialogs.texts(), (QStringList{"Save changes?", "You will need to use File/Open to reload the CFG "
                                                                    "and put the changes into effect."}));
        QCOMPARE(readFile(cfg), QByteArray("Prompt=Caf\xe9\r\nSound=Yes\r\n"));

        rig.dialogs.clear();
        const QString big = rig.path("big.cfg");
        QVERIFY(writeFile(big, QByteArray(TextEditor::kMaxEditSize - 1, 'a')));
        editor.loadFile(big);
        QCOMPARE(editor.text().size(), TextEditor::kMaxEditSize - 1);
        QVERIFY(writeFile(big, QByteArray(TextEditor::kMaxEditSize, 'a')));
        editor.loadFile(big);
        QCOMPARE(editor.text(), "error");
        QVERIFY(editor.editor()->isReadOnly());
        QVERIFY(!editor.fileSave());
        QCOMPARE(QFileInfo(big).size(), TextEditor::kMaxEditSize);
        QCOMPARE(rig.dialogs.shown(), QStringList{"File too large to edit. [16]"});
    }

    // A trail that cannot be read is said to be so, never shown as a trail
    // with nothing in it.
    void auditTrailThatCannotBeReadSaysSo_data() { addCaseRows("app/audit-trails.tsv"); }
    void auditTrailThatCannotBeReadSaysSo()
    {
        QFETCH(Case, c);
        const QString trail = c.text("trail");
        const QString failure = c.text("failure");
        AppRig rig;
        const QString path = rig.path("site.mdb");
        Database db;
        QVERIFY(db.create(path));
        if (trail == "foreign")
            QVERIFY(db.execute("CREATE TABLE k7_audit (id INTEGER PRIMARY KEY, note TEXT)"));
        else
            QVERIFY(AuditTrail(db).record({"Finds", 1, "A1", "Depth", 10, 12, "grid edit"}));
        std::unique_ptr<AuditTrailDialog> dialog;
        const auto open = [&] { dialog = std::make_unique<AuditTrailDialog>(db); };
        if (trail == "locked")
            QVERIFY(whileLocked(path, open));  // another program holding every lock
        else
            open();
        const auto* shown = dialog->findChild<QLabel*>("auditfailure");
        const auto* grid = dialog->findChild<QTableView*>("auditgrid");
        QVERIFY(shown && grid);
        QCOMPARE(shown->isVisibleTo(dialog.get()), !failure.isEmpty());
        QCOMPARE(shown->text().left(failure.size()), failure);
        QCOMPARE(grid->model()->rowCount(), failure.isEmpty() ? 1 : 0);
    }

    // The trail in its grid, newest first under its captions, narrowed by
    // the two lists; the grid's model keeps Qt's rules for models.
    void auditTrailShowsItsRowsNarrowed()
    {
        AppRig rig;
        Database db;
        QVERIFY(db.create(rig.path("site.mdb")));
        AuditTrail trail(db);
        QVERIFY(trail.record({"Finds", 1, "A1", "Depth", 10, 12, "grid edit"}));
        QVERIFY(trail.record({"Finds", 2, "A2", "Weight", 1.5, 2.5, "re-edit"}));
        AuditTrailDialog dialog(db);
        auto* grid = dialog.findChild<QTableView*>("auditgrid");
        auto* field = dialog.findChild<QComboBox*>("auditfield");
        QVERIFY(grid && field);
        QAbstractItemModelTester tester(grid->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QAbstractItemModel* model = grid->model();
        QStringList captions;
        for (int c = 0; c < model->columnCount(); ++c)
            captions << model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions, AuditColumns());
        const auto cell = [model](int row, int column) { return model->index(row, column).data().toString(); };
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(cell(0, 5) + cell(0, 6) + cell(0, 7) + cell(0, 8), "Weight1.52.5re-edit");
        QCOMPARE(cell(1, 3) + cell(1, 4), "1A1");
        QCOMPARE(field->count(), 3);  // (all), Depth, Weight
        field->setCurrentIndex(field->findText("Depth"));
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(cell(0, 5) + cell(0, 8), "Depthgrid edit");
        QVERIFY(!model->flags(model->index(0, 0)).testFlag(Qt::ItemIsEditable));
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
            const QRect box = named<QPlainTextEdit>(viewer, "infobox")->geometry();
            const QRect ok = named<QPushButton>(viewer, "Command1")->geometry();
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
        WindowRig rig;
        MainWindow& w = rig.w;
        writeFile(rig.dir, "id.txt", "Dig the trench.");
        rig.open(writeFile(
            rig.dir, "site.cfg",
            crlf({"[K7]", "[VAR1]", "Type=Text", "Info file=id.txt", "[VAR2]", "Type=Text", "Info file=gone.txt"})));
        QWidget* textbox = rig.control(Control::TextBox);

        QStringList shown;
        auto answerViewer = [&](Qt::Key key) {
            QTimer::singleShot(0, &w, [&w, &shown, key] {
                auto* viewer = w.findChild<InfoViewer*>();
                QVERIFY(viewer && viewer->isVisible());
                shown << viewer->text();
                w.grid()->setFocus();
                if (key == Qt::Key_Return)
                    named<QPushButton>(*viewer, "Command1")->click();
                else
                    QTest::keyClick(viewer, key);
            });
        };
        answerViewer(Qt::Key_Return);
        QTest::keyClick(textbox, Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(w.focusWidget(), textbox);

        rig.enter("A1");
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
        model.cfgpath =
            writeFile(rig.dir, "dig.2024/site.cfg",
                      crlf({"[K7]", "[VAR1]", "Type=Menu", "Menu=Tool Core Flake", "[VAR2]", "Info file=notes.txt"}));
        QVERIFY(!ReadCfg(model, rig.dialogs).failed());

        HelpWriterDialog dialog(model, rig.dialogs);
        dialog.show();
        auto* fieldlist = named<QComboBox>(dialog, "fieldlist");
        auto* text1 = named<QLineEdit>(dialog, "Text1");
        auto* htmltext = named<QPlainTextEdit>(dialog, "htmltext");
        auto* preview = named<QTextBrowser>(dialog, "htmlpreview");

        named<QPushButton>(dialog, "Command2")->click();  // Save and Preview, nothing selected
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
        named<QPushButton>(dialog, "Command1")->click();
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
        named<QPushButton>(dialog, "Command3")->click();
        QVERIFY(dialog.isVisible());
        rig.dialogs.queueAnswer(Answer::No);
        named<QPushButton>(dialog, "Command3")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(readFile(dir + "big.html").size(), 65536);
    }

    // Templates written for a menu variable, then the variable presented:
    // picking an item scrolls its help panel to that item's paragraph, for
    // items with characters that mean something in HTML too.
    void templatesAnchorTheMenuHelp()
    {
        WindowRig rig;
        MainWindow& w = rig.w;
        const QString dir = rig.path("dig.2024/");
        QDir().mkpath(dir);
        const QStringList special = {"<5 cm", "A&B", "it's", "Red clay", "#3"};
        QStringList items = special;
        for (int i = 1; i <= 40; ++i)
            items.insert(i <= 12 ? i - 1 : items.size(), QString("Item %1").arg(i));
        const QString cfg = dir + "site.cfg";
        writeFile(cfg, crlf({"[K7]", "[VAR1]", "Type=Menu", "Menu=" + items.join(','), "[VAR2]", "Type=Text"}));
        w.resize(1000, 700);
        rig.open(cfg);
        QVERIFY(WriteHelpTemplates(w.model(), rig.dialogs, false));
        w.openCfgFile(cfg);  // the help file now comes from the CFG's entry
        QCOMPARE(w.model().var(1).varinfo, "VAR1.html");
        QCOMPARE(w.state().curvar, 1);

        auto* help = named<QTextBrowser>(w, "menuhelp");
        QVERIFY(help->isVisible());
        for (const QString& item : special) {
            w.entryArea()->selectMenuItem(static_cast<int>(items.indexOf(item)));
            // The paragraph at the top of the panel.
            QCOMPARE(help->cursorForPosition(QPoint(4, 2)).block().text().trimmed(), item + ": Description goes here.");
        }
    }
};

QTEST_MAIN(TestSmallWindows)
#include "tst_small_windows.moc"
