// The small windows around the main one: the splash, options
// and what they write, the timed message, the message boxes' buttons and
// answers, and the text editor's questions and what it leaves on disk (saving
// a file that is not there yet is covered by the main window's k7.ini editing
// and File > New), and the audit trail window when the trail cannot be read.

#include "app/AppTestSupport.h"

#include "app/SplashStart.h"
#include "cfg/Model.h"
#include "shell/QtDialogs.h"
#include "store/AuditTrail.h"
#include "store/Database.h"
#include "windows/AuditTrailDialog.h"
#include "windows/OptionsDialog.h"
#include "windows/TextEditor.h"
#include "windows/TimedMessage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>

using namespace k7;
using namespace k7::test;

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

    void messageBoxesAnswerWithTheirCodes_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("answer");
        QTest::newRow("ok") << int(Style::OkOnly + Style::Information) << "OK" << int(Answer::Ok);
        QTest::newRow("cancel") << int(Style::OkCancel + 64) << "Cancel" << int(Answer::Cancel);
        QTest::newRow("yes") << int(Style::YesNo + Style::Question) << "Yes" << int(Answer::Yes);
        QTest::newRow("no") << int(Style::YesNoCancel) << "No" << int(Answer::No);
    }
    void messageBoxesAnswerWithTheirCodes()
    {
        QFETCH(int, style);
        QFETCH(QString, button);
        QFETCH(int, answer);
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            for (QAbstractButton* b : box->buttons())
                if (b->text().remove('&') == button)
                    b->click();
        });
        QtDialogs dialogs;
        QCOMPARE(dialogs.message("Close current configuration file?", style), answer);
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

    // The placeholder shown for a file too large to edit is never saved over it.
    void aFileTooLargeIsNeverOverwritten()
    {
        AppRig rig;
        const QString big = rig.path("big.cfg");
        QVERIFY(writeFile(big, QByteArray(TextEditor::kMaxEditSize - 1, 'a')));
        TextEditor editor(rig.dialogs);
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

    void savingOverAFileAsksFirstAndKeepsItsEncoding()
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
    }

    // A trail that cannot be read is said to be so, never shown as a trail
    // with nothing in it.
    void auditTrailThatCannotBeReadSaysSo_data()
    {
        QTest::addColumn<QString>("trail");
        QTest::addColumn<QString>("failure");  // the start of the text above the grid
        QTest::newRow("readable") << "k7" << "";
        QTest::newRow("another program's table") << "foreign" << "The audit trail cannot be read: no such column";
        QTest::newRow("locked") << "locked" << "The audit trail cannot be read: database is locked";
    }
    void auditTrailThatCannotBeReadSaysSo()
    {
        QFETCH(QString, trail);
        QFETCH(QString, failure);
        AppRig rig;
        const QString path = rig.path("site.mdb");
        Database db;
        QVERIFY(db.create(path));
        if (trail == "foreign")
            QVERIFY(db.execute("CREATE TABLE k7_audit (id INTEGER PRIMARY KEY, note TEXT)"));
        else
            QVERIFY(AuditTrail(db).record({"Finds", 1, "A1", "Depth", 10, 12, "grid edit"}));
        sqlite3* other = nullptr;  // another program holding every lock
        if (trail == "locked") {
            QCOMPARE(sqlite3_open(QFile::encodeName(path), &other), SQLITE_OK);
            QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr,
                                  nullptr, nullptr),
                     SQLITE_OK);
        }
        AuditTrailDialog dialog(db);
        sqlite3_close_v2(other);
        const auto* shown = dialog.findChild<QLabel*>("auditfailure");
        const auto* grid = dialog.findChild<QTableView*>("auditgrid");
        QVERIFY(shown && grid);
        QCOMPARE(shown->isVisibleTo(&dialog), !failure.isEmpty());
        QCOMPARE(shown->text().left(failure.size()), failure);
        QCOMPARE(grid->model()->rowCount(), failure.isEmpty() ? 1 : 0);
    }
};

QTEST_MAIN(TestSmallWindows)
#include "tst_small_windows.moc"
