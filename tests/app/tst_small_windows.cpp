// The small windows around the main one: status text, options and what they
// write, the timed message, the one-line input, the table chooser, and the
// message boxes' buttons and answers.

#include "support/ScriptedDialogs.h"

#include "app/SplashStart.h"
#include "cfg/Model.h"
#include "cfg/ProfileFile.h"
#include "platform/qt/QtDialogs.h"
#include "windows/AboutDialog.h"
#include "windows/OptionsDialog.h"
#include "windows/StatusDialog.h"
#include "windows/TableChooser.h"
#include "windows/TimedMessage.h"
#include "windows/UserTextDialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace k7;
using namespace k7::test;

class TestSmallWindows : public QObject {
    Q_OBJECT

    // Presses the button with `text` on the message box that is about to open.
    static void pressOnNextBox(const QString& text, QString* shownText = nullptr, QString* title = nullptr)
    {
        QTimer::singleShot(0, [=] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            if (shownText)
                *shownText = box->text();
            if (title)
                *title = box->windowTitle();
            for (QAbstractButton* b : box->buttons())
                if (b->text().remove(QLatin1Char('&')) == text)
                    b->click();
        });
    }

private slots:
    void theSplashStaysASecond()
    {
        QElapsedTimer clock;
        clock.start();
        SplashStart start;
        QVERIFY(start.splash()->isVisible());
        QVERIFY(!start.splash()->findChild<QPushButton*>(QStringLiteral("Command1"))->isEnabled());
        QCOMPARE(start.splash()->windowTitle(), QStringLiteral("K7 - Version 4.7"));
        qint64 startedAt = -1;
        bool splashClosed = false;
        start.begin([&] {
            startedAt = clock.elapsed();
            splashClosed = !start.splash()->isVisible();
        });
        QCOMPARE(startedAt, qint64(-1));  // never at once
        QTRY_VERIFY_WITH_TIMEOUT(startedAt >= 0, 5000);
        QVERIFY(startedAt >= SplashStart::kMinimumMs);
        QVERIFY(splashClosed);
    }

    void statusText_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no table: no count") << QString()
            << QStringLiteral("Database name : \r\nTable name : \r\nCFG filename : \r\nK7 INI filename : /k/k7.ini\r\n");
        QTest::newRow("with a table") << QStringLiteral("Finds")
            << QStringLiteral("Database name : /d.mdb\r\nTable name : Finds\r\nRecord count : 7\r\n"
                              "CFG filename : /d.cfg\r\nK7 INI filename : /k/k7.ini\r\n");
    }
    void statusText()
    {
        QFETCH(QString, table);
        QFETCH(QString, expected);
        StatusFacts facts;
        facts.inipath = QStringLiteral("/k/k7.ini");
        if (!table.isEmpty()) {
            facts.dbname = QStringLiteral("/d.mdb");
            facts.tablename = table;
            facts.recordCount = 7;
            facts.cfgpath = QStringLiteral("/d.cfg");
        }
        QCOMPARE(StatusDialog::statusText(facts), expected);
    }

    void optionsWithoutACfgWriteNothing()
    {
        QTemporaryDir dir;
        Model model;
        ScriptedDialogs dialogs;
        OptionsDialog options(model, dialogs);
        // An empty BackColor shows white.
        QCOMPARE(model.options[OptBackColor], kWhiteColorNumber);
        options.findChild<QCheckBox*>(QStringLiteral("check1"))->setChecked(true);
        options.findChild<QCheckBox*>(QStringLiteral("Check3"))->setChecked(true);
        dialogs.queueColor(255);
        options.chooseColor(0);
        options.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        QCOMPARE(model.options[OptSound], QStringLiteral("Yes"));
        QCOMPARE(model.options[OptReEdit], QString());
        QCOMPARE(model.options[OptEmptyonly], QStringLiteral("Yes"));
        QCOMPARE(model.options[OptBackColor], QStringLiteral("255"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }

    void optionsWithACfgWriteTheirKeys()
    {
        QTemporaryDir dir;
        const QString cfg = dir.filePath(QStringLiteral("site.cfg"));
        QFile file(cfg);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[K7]\r\nRe-edit=Yes\r\n\r\n[VAR1]\r\nType=Text\r\n");
        file.close();
        Model model;
        model.cfgpath = cfg;
        model.options[OptReEdit] = QStringLiteral("Yes");
        ScriptedDialogs dialogs;
        OptionsDialog options(model, dialogs);
        long outer = -1;
        connect(&options, &OptionsDialog::outerColorChanged, this, [&outer](long c) { outer = c; });
        QVERIFY(options.findChild<QCheckBox*>(QStringLiteral("Check2"))->isChecked());
        options.findChild<QCheckBox*>(QStringLiteral("Check2"))->setChecked(false);
        options.findChild<QCheckBox*>(QStringLiteral("check1"))->setChecked(true);
        dialogs.queueColor(65280);
        options.chooseColor(1);  // written at once
        QCOMPARE(outer, 65280L);
        KeyTable keys = {{QStringLiteral("BackColorOut"), QString()}, {QStringLiteral("Sound"), QString()}};
        ReadSection(cfg, QStringLiteral("[K7]"), keys);
        QCOMPARE(keys[0].second, QStringLiteral("65280"));
        QCOMPARE(keys[1].second, QString());
        options.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        keys = {{QStringLiteral("Sound"), QString()}, {QStringLiteral("Re-edit"), QString()},
                {QStringLiteral("Type"), QString()}};
        ReadSection(cfg, QStringLiteral("[K7]"), keys);
        QCOMPARE(keys[0].second, QStringLiteral("Yes"));
        QCOMPARE(keys[1].second, QString());  // cleared, so removed
        KeyTable var = {{QStringLiteral("Type"), QString()}};
        ReadSection(cfg, QStringLiteral("[VAR1]"), var);
        QCOMPARE(var[0].second, QStringLiteral("Text"));  // the rest of the CFG is kept
        QCOMPARE(model.options[OptBackColor], kWhiteColorNumber);  // box 1 leaves it alone
    }

    void timedMessageClosesByItselfOrOnAKey()
    {
        TimedMessage timed;
        timed.setText(QStringLiteral("Site = A\rStatus = open\r"));
        QCOMPARE(timed.text(), QStringLiteral("Site = A\nStatus = open"));
        timed.setInterval(30);
        QElapsedTimer clock;
        clock.start();
        timed.exec();
        QVERIFY(clock.elapsed() < 2000);

        TimedMessage keyed;
        keyed.setInterval(60000);
        QTimer::singleShot(0, &keyed, [&keyed] { QTest::keyClick(&keyed, Qt::Key_Space); });
        clock.restart();
        keyed.exec();
        QVERIFY(clock.elapsed() < 2000);
    }

    void userTextReportsItsButton()
    {
        UserTextDialog dialog;
        dialog.setPrompt(QStringLiteral("Rename existing data table as :"));
        dialog.findChild<QLineEdit*>(QStringLiteral("response"))->setText(QStringLiteral("Old"));
        QCOMPARE(dialog.button(), QStringLiteral("Cancel"));  // before either button
        for (QPushButton* b : dialog.findChildren<QPushButton*>())
            if (b->text() == QLatin1String("Ok"))
                b->click();
        QCOMPARE(dialog.button(), QStringLiteral("Ok"));
        QCOMPARE(dialog.response(), QStringLiteral("Old"));
    }

    void tableChooserReportsTheChosenTable()
    {
        TableChooser chooser;
        chooser.setTables({QStringLiteral("Finds"), QStringLiteral("Sites")});
        auto* list = chooser.findChild<QListWidget*>(QStringLiteral("tablelist"));
        list->setCurrentRow(1);
        chooser.findChild<QPushButton*>(QStringLiteral("ok"))->click();
        QCOMPARE(chooser.chosenTable(), QStringLiteral("Sites"));
        chooser.findChild<QPushButton*>(QStringLiteral("cancel"))->click();
        QCOMPARE(chooser.chosenTable(), QString());
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
        QtDialogs dialogs;
        QString shown;
        QString title;
        pressOnNextBox(button, &shown, &title);
        QCOMPARE(dialogs.message(QStringLiteral("Close current configuration file?"), style), answer);
        QCOMPARE(shown, QStringLiteral("Close current configuration file?"));
        QCOMPARE(title, QStringLiteral("K7"));
    }
};

QTEST_MAIN(TestSmallWindows)
#include "tst_small_windows.moc"
