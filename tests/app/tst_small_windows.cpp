// The small windows around the main one: the splash, status text, options
// and what they write, the timed message, the message boxes' buttons and
// answers, and the text editor's questions and what it leaves on disk (saving
// a file that is not there yet is covered by the main window's k7.ini editing
// and File > New).

#include "app/AppTestSupport.h"

#include "app/SplashStart.h"
#include "cfg/Model.h"
#include "cfg/ProfileFile.h"
#include "platform/qt/QtDialogs.h"
#include "windows/OptionsDialog.h"
#include "windows/StatusDialog.h"
#include "windows/TextEditor.h"
#include "windows/TimedMessage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace k7;
using namespace k7::test;

namespace {
const QString kSaveChanges = QStringLiteral("Save changes?");
const QString kReminder =
    QStringLiteral("You will need to use File/Open to reload the CFG and put the changes into effect.");
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
        QCOMPARE(start.splash()->windowTitle(), QStringLiteral("K7 - Version 4.7"));
        qint64 startedAt = -1;
        start.begin([&] { startedAt = start.splash()->isVisible() ? -2 : clock.elapsed(); });
        QCOMPARE(startedAt, qint64(-1));  // never at once
        QTRY_VERIFY_WITH_TIMEOUT(startedAt != -1, 5000);
        QVERIFY(startedAt >= SplashStart::kMinimumMs);  // and with the splash closed
    }

    void statusText()
    {
        StatusFacts facts;
        facts.inipath = QStringLiteral("/k/k7.ini");
        QCOMPARE(StatusDialog::statusText(facts),  // no table: no count
                 QStringLiteral("Database name : \r\nTable name : \r\nCFG filename : \r\nK7 INI filename : /k/k7.ini\r\n"));
        facts = {QStringLiteral("/d.mdb"), QStringLiteral("Finds"), 7, QStringLiteral("/d.cfg"), facts.inipath};
        QCOMPARE(StatusDialog::statusText(facts),
                 QStringLiteral("Database name : /d.mdb\r\nTable name : Finds\r\nRecord count : 7\r\n"
                                "CFG filename : /d.cfg\r\nK7 INI filename : /k/k7.ini\r\n"));
    }

    // Colours are written at once, the rest on OK; a cleared key is removed
    // and the rest of the CFG is kept.
    void optionsWriteTheirKeysToTheCfg()
    {
        AppRig rig;
        const QString cfg = rig.path(QStringLiteral("site.cfg"));
        QVERIFY(writeFile(cfg, "[K7]\r\nRe-edit=Yes\r\n\r\n[VAR1]\r\nType=Text\r\n"));
        Model model;
        model.cfgpath = cfg;
        model.options[OptReEdit] = QStringLiteral("Yes");
        OptionsDialog options(model, rig.dialogs);
        QCOMPARE(model.options[OptBackColor], kWhiteColorNumber);  // an empty BackColor shows white
        long outer = -1;
        connect(&options, &OptionsDialog::outerColorChanged, this, [&outer](long c) { outer = c; });
        QVERIFY(options.findChild<QCheckBox*>(QStringLiteral("Check2"))->isChecked());
        options.findChild<QCheckBox*>(QStringLiteral("Check2"))->setChecked(false);
        options.findChild<QCheckBox*>(QStringLiteral("check1"))->setChecked(true);
        rig.dialogs.queueColor(65280);
        options.chooseColor(1);
        QCOMPARE(outer, 65280L);
        KeyTable keys = {{QStringLiteral("BackColorOut"), QString()}, {QStringLiteral("Sound"), QString()}};
        ReadSection(cfg, QStringLiteral("[K7]"), keys);
        QCOMPARE(keys, (KeyTable{{QStringLiteral("BackColorOut"), QStringLiteral("65280")}, {QStringLiteral("Sound"), QString()}}));
        options.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        keys = {{QStringLiteral("Sound"), QString()}, {QStringLiteral("Re-edit"), QString()}};
        ReadSection(cfg, QStringLiteral("[K7]"), keys);
        QCOMPARE(keys, (KeyTable{{QStringLiteral("Sound"), QStringLiteral("Yes")}, {QStringLiteral("Re-edit"), QString()}}));
        QCOMPARE(readFile(cfg).count("Re-edit"), 0);
        KeyTable var = {{QStringLiteral("Type"), QString()}};
        ReadSection(cfg, QStringLiteral("[VAR1]"), var);
        QCOMPARE(var[0].second, QStringLiteral("Text"));

        // An old-format file the operator kept once gained a [K7] section
        // here, and was then read as a current-format CFG without variables.
        const QByteArray old = "FIELD: Id\r\nId: INPUT text\r\n";
        QVERIFY(writeFile(cfg, old));
        model.cfgunconverted = true;
        OptionsDialog kept(model, rig.dialogs);
        kept.findChild<QCheckBox*>(QStringLiteral("Check3"))->setChecked(true);
        rig.dialogs.queueColor(255);
        kept.chooseColor(0);
        kept.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        QCOMPARE(readFile(cfg), old);
        QCOMPARE(model.options[OptEmptyonly], QStringLiteral("Yes"));
    }

    void timedMessageClosesByItselfOrOnAKey()
    {
        TimedMessage timed;
        timed.setText(QStringLiteral("Site = A\rStatus = open\r"));
        QCOMPARE(timed.text(), QStringLiteral("Site = A\nStatus = open"));
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
        QTest::newRow("ok") << int(Style::OkOnly + Style::Information) << QStringLiteral("OK") << int(Answer::Ok);
        QTest::newRow("cancel") << int(Style::OkCancel + 64) << QStringLiteral("Cancel") << int(Answer::Cancel);
        QTest::newRow("yes") << int(Style::YesNo + Style::Question) << QStringLiteral("Yes") << int(Answer::Yes);
        QTest::newRow("no") << int(Style::YesNoCancel) << QStringLiteral("No") << int(Answer::No);
    }
    void messageBoxesAnswerWithTheirCodes()
    {
        QFETCH(int, style);
        QFETCH(QString, button);
        QFETCH(int, answer);
        QString shown;
        QString title;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            shown = box->text();
            title = box->windowTitle();
            for (QAbstractButton* b : box->buttons())
                if (b->text().remove(QLatin1Char('&')) == button)
                    b->click();
        });
        QtDialogs dialogs;
        QCOMPARE(dialogs.message(QStringLiteral("Close current configuration file?"), style), answer);
        QCOMPARE(shown, QStringLiteral("Close current configuration file?"));
        QCOMPARE(title, QStringLiteral("K7"));
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
                auto* response = dialog->findChild<QLineEdit*>(QStringLiteral("response"));
                response->selectAll();
                QTest::keyClicks(response, QStringLiteral("site 2"));
                if (ok)
                    QTest::keyClick(response, Qt::Key_Return);
                else
                    QTest::keyClick(dialog, Qt::Key_Escape);
            });
            QtDialogs dialogs;
            const auto typed = dialogs.inputTextWithCaption(QStringLiteral("New name :"), QStringLiteral("site"),
                                                            QStringLiteral("Rename table"));
            QCOMPARE(title, QStringLiteral("Rename table"));
            QCOMPARE(typed, ok ? std::optional<QString>(QStringLiteral("site 2")) : std::nullopt);
        }
    }

    // The placeholder shown for a file too large to edit is never saved over it.
    void aFileTooLargeIsNeverOverwritten()
    {
        AppRig rig;
        const QString big = rig.path(QStringLiteral("big.cfg"));
        QVERIFY(writeFile(big, QByteArray(TextEditor::kMaxEditSize - 1, 'a')));
        TextEditor editor(rig.dialogs);
        editor.loadFile(big);
        QCOMPARE(editor.text().size(), TextEditor::kMaxEditSize - 1);

        QVERIFY(writeFile(big, QByteArray(TextEditor::kMaxEditSize, 'a')));
        editor.loadFile(big);
        QCOMPARE(editor.text(), QStringLiteral("error"));
        QVERIFY(editor.editor()->isReadOnly());
        QVERIFY(!editor.fileSave());
        QCOMPARE(QFileInfo(big).size(), TextEditor::kMaxEditSize);
        QCOMPARE(rig.dialogs.messages().size(), 1);
        QCOMPARE(rig.dialogs.messages().first().text, QStringLiteral("File too large to edit."));
        QCOMPARE(rig.dialogs.messages().first().style, Style::Critical);
    }

    void savingOverAFileAsksFirstAndKeepsItsEncoding()
    {
        AppRig rig;
        const QString cfg = rig.path(QStringLiteral("latin.cfg"));
        QVERIFY(writeFile(cfg, "Prompt=Caf\xe9\r\n"));  // Windows-1252
        TextEditor editor(rig.dialogs);
        editor.loadFile(cfg);
        editor.show();
        QCOMPARE(editor.text(), QStringLiteral("Prompt=Caf\u00e9"));
        editor.editor()->appendPlainText(QStringLiteral("Sound=Yes"));

        rig.dialogs.queueAnswer(Answer::No);
        QVERIFY(!editor.fileSave());
        QCOMPARE(rig.dialogs.messages().last().text, QStringLiteral("Overwrite existing file ") + cfg + QStringLiteral(" ?"));
        QCOMPARE(rig.dialogs.messages().last().style, Style::YesNoCancel + Style::Question);
        QVERIFY(editor.isDirty());
        QCOMPARE(readFile(cfg), QByteArray("Prompt=Caf\xe9\r\n"));

        rig.dialogs.queueAnswer(Answer::Yes);
        QVERIFY(editor.fileSave());
        QVERIFY(!editor.isDirty());
        QCOMPARE(readFile(cfg), QByteArray("Prompt=Caf\xe9\r\nSound=Yes\r\n"));

        // Closing on No drops the change and reminds about File/Open.
        rig.dialogs.clear();
        editor.editor()->appendPlainText(QStringLiteral("x"));
        rig.dialogs.queueAnswer(Answer::No);
        editor.close();
        QVERIFY(!editor.isVisible());
        QCOMPARE(rig.dialogs.texts(), (QStringList{kSaveChanges, kReminder}));
        QCOMPARE(readFile(cfg), QByteArray("Prompt=Caf\xe9\r\nSound=Yes\r\n"));
    }
};

QTEST_MAIN(TestSmallWindows)
#include "tst_small_windows.moc"
