// Drives the real main window with key events: opening the sample CFG,
// entering records, editing a saved value from the grid, and what survives
// closing the window.

#include "app/AppTestSupport.h"
#include "support/ScriptedDialogs.h"

#include "app/EntryArea.h"
#include "app/MainWindow.h"
#include "cfg/CfgReader.h"
#include "cfg/ProfileFile.h"
#include "entry/EntryEngine.h"
#include "grid/DataControl.h"
#include "grid/DataGrid.h"
#include "grid/RecordSetModel.h"
#include "windows/TextEditor.h"

#include <QAction>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTest>
#include <QTimer>

using namespace k7;
using namespace k7::test;

namespace {
const QStringList kFields = {QStringLiteral("VAR1"), QStringLiteral("VAR2"), QStringLiteral("VAR3"),
                             QStringLiteral("VAR4"), QStringLiteral("VAR5"), QStringLiteral("VAR6")};
}

class TestMainWindow : public QObject {
    Q_OBJECT

private:
    QWidget* focused(MainWindow& w) { return w.focusWidget(); }
    QWidget* control(MainWindow& w, Control c) { return w.entryArea()->control(c); }

    // Types into the control that has the keyboard focus, as the operator
    // would; fails when the focus is not on the control expected.
    void typeInto(MainWindow& w, Control expected, const QString& text)
    {
        QWidget* target = focused(w);
        QCOMPARE(target, control(w, expected));
        if (!text.isEmpty())
            QTest::keyClicks(target, text);
    }
    void key(MainWindow& w, Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QWidget* target = focused(w);
        QVERIFY(target);
        QTest::keyClick(target, k, mods);
    }
    void enterText(MainWindow& w, Control c, const QString& text)
    {
        typeInto(w, c, text);
        key(w, Qt::Key_Return);
    }

    std::unique_ptr<QTemporaryDir> m_tmp;
    QTemporaryDir& dir() { return *m_tmp; }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
    }

    void entersRecordsWithTheKeyboard()
    {
        const QString cfg = copyFindsCfg(dir());
        ScriptedDialogs dialogs;
        SilentSound sound;
        {
            MainWindow w(dialogs, sound, dir().filePath(QStringLiteral("k7.ini")));
            w.show();
            w.openCfgFile(cfg);
            QCOMPARE(w.windowTitle(), QStringLiteral("K7 - ") + cfg);
            QCOMPARE(w.dbinfoText(), QStringLiteral("Database: ") + w.store().dbname + QStringLiteral(", Table: ") +
                                         w.store().tablename);
            QVERIFY(w.grid()->isVisibleTo(&w));
            QCOMPARE(w.dataControl()->caption(), QStringLiteral("Empty"));
            QCOMPARE(w.findChild<QListWidget*>(QStringLiteral("vlist"))->count(), 6);

            // Record 1: text, one-key menu choices, a number.
            enterText(w, Control::TextBox, QStringLiteral("A1"));
            typeInto(w, Control::MenuList, QStringLiteral("c"));   // Ceramic, at once
            typeInto(w, Control::MenuList, QStringLiteral("n"));   // Niceware
            enterText(w, Control::NumericBox, QStringLiteral("12"));
            QCOMPARE(w.dataControl()->caption(), QStringLiteral("Record 1 of 1"));

            // Record 2: the lithic branch.
            enterText(w, Control::TextBox, QStringLiteral("A2"));
            typeInto(w, Control::MenuList, QStringLiteral("l"));
            typeInto(w, Control::MenuList, QStringLiteral("t"));
            typeInto(w, Control::NumericBox, QStringLiteral("x"));  // refused by the numeric filter
            key(w, Qt::Key_Tab);                                    // stays in the box
            QCOMPARE(focused(w), control(w, Control::NumericBox));
            enterText(w, Control::NumericBox, QStringLiteral("3.5"));

            // Record 3: Esc steps back from the menu to the identifier.
            enterText(w, Control::TextBox, QStringLiteral("A3"));
            QCOMPARE(focused(w), control(w, Control::MenuList));
            key(w, Qt::Key_Escape);
            QCOMPARE(focused(w), control(w, Control::TextBox));
            QCOMPARE(qobject_cast<QLineEdit*>(control(w, Control::TextBox))->text(), QStringLiteral("A3"));
            enterText(w, Control::TextBox, QStringLiteral("A4"));
            typeInto(w, Control::MenuList, QStringLiteral("b"));

            // Record 4 is cleared with Ctrl+C and never finished.
            enterText(w, Control::TextBox, QStringLiteral("X9"));
            QCOMPARE(focused(w), control(w, Control::MenuList));
            key(w, Qt::Key_C, Qt::ControlModifier);
            QCOMPARE(focused(w), control(w, Control::TextBox));
            QCOMPARE(qobject_cast<QLineEdit*>(control(w, Control::TextBox))->text(), QString());
            QCOMPARE(w.state().curvar, 1);
            typeInto(w, Control::TextBox, QStringLiteral("Y7"));
            QCOMPARE(w.dataControl()->caption(), QStringLiteral("Record 3 of 3"));
            QCOMPARE(w.grid()->recordModel()->rowCount(), 3);
            w.close();  // in the middle of a record
        }
        const QList<QStringList> rows = readRows(dir().filePath(QStringLiteral("finds.mdb")), QStringLiteral("finds"), kFields);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].mid(0, 3), (QStringList{"A1", "Ceramic", "Niceware"}));
        QCOMPARE(rows[0][4].toDouble(), 12.0);
        QCOMPARE(rows[1].mid(0, 2), (QStringList{"A2", "Lithic"}));
        QCOMPARE(rows[1][3], QStringLiteral("Tool"));
        QCOMPARE(rows[1][5].toDouble(), 3.5);
        QCOMPARE(rows[2].mid(0, 2), (QStringList{"A4", "Bone"}));
        QVERIFY(dialogs.messages().isEmpty());
    }

    void editsASavedValueFromTheGrid()
    {
        const QString cfg = copyFindsCfg(dir());
        ScriptedDialogs dialogs;
        SilentSound sound;
        {
            MainWindow w(dialogs, sound, dir().filePath(QStringLiteral("k7.ini")));
            w.show();
            w.openCfgFile(cfg);
            enterText(w, Control::TextBox, QStringLiteral("A1"));
            typeInto(w, Control::MenuList, QStringLiteral("b"));
            enterText(w, Control::TextBox, QStringLiteral("A2"));
            typeInto(w, Control::MenuList, QStringLiteral("b"));

            // Ctrl+E takes the keyboard to the grid; Enter there edits a cell.
            typeInto(w, Control::TextBox, QString());
            key(w, Qt::Key_E, Qt::ControlModifier);
            QCOMPARE(focused(w), static_cast<QWidget*>(w.grid()));
            w.grid()->setCurrentIndex(w.grid()->recordModel()->index(0, 0));
            QCOMPARE(w.dataControl()->caption(), QStringLiteral("Record 1 of 2"));
            key(w, Qt::Key_Return);
            QVERIFY(w.state().editing);
            QCOMPARE(w.findChild<QGroupBox*>(QStringLiteral("textframe"))->title(), QStringLiteral("EDITING"));
            QCOMPARE(w.entryArea()->nextButton()->text().remove(QLatin1Char('&')), QStringLiteral("Accept"));
            QCOMPARE(qobject_cast<QLineEdit*>(control(w, Control::TextBox))->text(), QStringLiteral("A1"));
            enterText(w, Control::TextBox, QStringLiteral("B1"));
            QVERIFY(!w.state().editing);
            QCOMPARE(focused(w), static_cast<QWidget*>(w.grid()));
            QCOMPARE(w.grid()->currentCellText(), QStringLiteral("B1"));

            // Esc in the grid after a second edit start leaves editing alone.
            key(w, Qt::Key_Return);
            QVERIFY(w.state().editing);
            w.grid()->setFocus();
            key(w, Qt::Key_Escape);
            QVERIFY(!w.state().editing);
        }
        const QList<QStringList> rows = readRows(dir().filePath(QStringLiteral("finds.mdb")), QStringLiteral("finds"), kFields);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0][0], QStringLiteral("B1"));
        QCOMPARE(rows[1][0], QStringLiteral("A2"));
    }

    void reEditPutsTheGridOnTheFoundRow()
    {
        const QString cfg = copyFindsCfg(dir());
        ScriptedDialogs dialogs;
        SilentSound sound;
        MainWindow w(dialogs, sound, dir().filePath(QStringLiteral("k7.ini")));
        w.show();
        w.openCfgFile(cfg);
        for (const QString& id : {QStringLiteral("A1"), QStringLiteral("A2"), QStringLiteral("A3")}) {
            enterText(w, Control::TextBox, id);
            typeInto(w, Control::MenuList, QStringLiteral("b"));
        }
        QCOMPARE(w.grid()->currentIndex().row(), 2);
        w.model().options[OptReEdit] = QStringLiteral("Yes");
        enterText(w, Control::TextBox, QStringLiteral("A2"));
        QCOMPARE(w.grid()->currentIndex().row(), 1);
        QCOMPARE(w.dataControl()->caption(), QStringLiteral("Record 2 of 3"));
        QCOMPARE(w.store().currentrs.absolutePosition(), 1);
    }

    void aKeyboardWedgeReadingIsTypedIntoTheInstrumentBox()
    {
        const QString cfg = dir().filePath(QStringLiteral("scale.cfg"));
        QFile file(cfg);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[K7]\r\nInstrument=KEYBOARD\r\n\r\n[Id]\r\nType=Text\r\nPrompt=Id\r\n\r\n"
                   "[Weight]\r\nType=Instrument\r\nPrompt=Weigh it\r\n");
        file.close();
        ScriptedDialogs dialogs;
        SilentSound sound;
        {
            MainWindow w(dialogs, sound, dir().filePath(QStringLiteral("k7.ini")));
            w.show();
            w.openCfgFile(cfg);
            enterText(w, Control::TextBox, QStringLiteral("A1"));
            auto* box = qobject_cast<QLineEdit*>(control(w, Control::InstrumentBox));
            QCOMPARE(box->text(), QStringLiteral("<Keyboard wedge data>"));
            QCOMPARE(box->selectedText(), box->text());
            key(w, Qt::Key_Escape);  // back to the identifier and forward again
            enterText(w, Control::TextBox, QStringLiteral("A1"));
            enterText(w, Control::InstrumentBox, QStringLiteral("12.5"));
            QCOMPARE(focused(w), control(w, Control::TextBox));
        }
        const QList<QStringList> rows = readRows(dir().filePath(QStringLiteral("scale.mdb")), QStringLiteral("scale"),
                                                 {QStringLiteral("Id"), QStringLiteral("Weight")});
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0][0], QStringLiteral("A1"));
        QCOMPARE(rows[0][1].toDouble(), 12.5);
    }

    void aRecentEntryReopensItsCfg()
    {
        const QString first = copyFindsCfg(dir());
        const QString second = dir().filePath(QStringLiteral("other.cfg"));
        QVERIFY(QFile::copy(first, second));
        ScriptedDialogs dialogs;
        SilentSound sound;
        MainWindow w(dialogs, sound, dir().filePath(QStringLiteral("k7.ini")));
        w.show();
        w.openCfgFile(first);
        w.openCfgFile(second);
        QCOMPARE(w.recentFiles().paths(), (QStringList{second, first}));
        w.findChild<QAction*>(QStringLiteral("menufile1"))->trigger();
        QCOMPARE(w.windowTitle(), QStringLiteral("K7 - ") + first);
        QCOMPARE(w.store().tablename, QStringLiteral("finds"));
        QCOMPARE(w.recentFiles().paths(), (QStringList{second, first}));  // kept its place
        QCOMPARE(focused(w), control(w, Control::TextBox));
    }

    void aCfgWithAnErrorOpensTheEditorAtItsLine()
    {
        const QString cfg = dir().filePath(QStringLiteral("broken.cfg"));
        QFile file(cfg);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[K7]\r\n\r\n[VAR1]\r\nType=Text\r\nPrompt=One\r\n\r\n[VAR2]\r\nType=Menu\r\nPrompt=Two\r\n");
        file.close();
        ScriptedDialogs dialogs;
        SilentSound sound;
        MainWindow w(dialogs, sound, dir().filePath(QStringLiteral("k7.ini")));
        w.show();
        w.openCfgFile(cfg);
        QCOMPARE(w.windowTitle(), QStringLiteral("K7"));
        QCOMPARE(w.dbinfoText(), QStringLiteral("Database: None, Table: None"));
        QCOMPARE(dialogs.messages().size(), 1);
        QVERIFY(dialogs.messages().first().text.contains(QLatin1String("ERROR")));
        TextEditor* editor = w.editor();
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->windowTitle(), QStringLiteral("Text Editor: ") + cfg);
        // The selection is the whole line the reader names.
        Model probe;
        probe.cfgpath = cfg;
        ScriptedDialogs quiet;
        const CfgError error = ReadCfg(probe, quiet);
        QVERIFY(error.failed());
        QCOMPARE(dialogs.messages().first().text, error.text);
        const QStringList lines = {"[K7]", "", "[VAR1]", "Type=Text", "Prompt=One", "", "[VAR2]", "Type=Menu", "Prompt=Two"};
        QVERIFY(error.line >= 1 && error.line <= lines.size());
        QVERIFY(!lines.at(error.line - 1).isEmpty());
        const QTextCursor cursor = editor->editor()->textCursor();
        QCOMPARE(cursor.blockNumber(), error.line - 1);
        QCOMPARE(cursor.selectedText(), lines.at(error.line - 1));
        QVERIFY(!w.findChild<QWidget*>(QStringLiteral("data_separator"))->isVisibleTo(&w));
        editor->close();
        QVERIFY(w.findChild<QWidget*>(QStringLiteral("data_separator"))->isVisibleTo(&w));
    }

    void closingKeepsTheOpenCfgForNextTime()
    {
        const QString cfg = copyFindsCfg(dir());
        const QString ini = dir().filePath(QStringLiteral("k7.ini"));
        ScriptedDialogs dialogs;
        SilentSound sound;
        {
            MainWindow w(dialogs, sound, ini);
            w.show();
            w.openCfgFile(cfg);
            w.close();
        }
        // The next start offers it; No lands in the open dialog, which is
        // cancelled, leaving nothing open.
        MainWindow w(dialogs, sound, ini);
        dialogs.queueAnswer(Answer::No);
        w.startUp();
        QVERIFY(!dialogs.messages().isEmpty());
        QCOMPARE(dialogs.messages().last().text, QStringLiteral("Continue with ") + cfg);
        QCOMPARE(dialogs.messages().last().style, Style::YesNo + Style::Information);
        QCOMPARE(w.windowTitle(), QStringLiteral("K7"));
        QCOMPARE(w.dbinfoText(), QStringLiteral("Database: None, Table: None"));
        QCOMPARE(w.recentFiles().paths(), QStringList{});  // only File > Exit stores them
    }

    void startsWithTheLastCfgOnYes()
    {
        const QString cfg = copyFindsCfg(dir());
        const QString ini = dir().filePath(QStringLiteral("k7.ini"));
        ScriptedDialogs dialogs;
        SilentSound sound;
        {
            MainWindow w(dialogs, sound, ini);
            w.show();
            w.openCfgFile(cfg);
            w.fileExit();
        }
        MainWindow w(dialogs, sound, ini);
        dialogs.queueAnswer(Answer::Yes);
        w.startUp();
        QCOMPARE(w.windowTitle(), QStringLiteral("K7 - ") + cfg);
        QCOMPARE(w.recentFiles().paths(), QStringList{cfg});
        QCOMPARE(w.focusWidget(), control(w, Control::TextBox));
        QCOMPARE(w.findChild<QAction*>(QStringLiteral("menufile0"))->text(), QStringLiteral("&1. ") + cfg);
        QVERIFY(w.findChild<QAction*>(QStringLiteral("menufile0"))->isVisible());
        QVERIFY(!w.findChild<QAction*>(QStringLiteral("menufile1"))->isVisible());
    }

    void aVanishedLastCfgIsSkippedSilently()
    {
        const QString ini = dir().filePath(QStringLiteral("k7.ini"));
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[K7]\r\ncfgfile=" + dir().filePath(QStringLiteral("gone.cfg")).toUtf8() + "\r\n");
        file.close();
        ScriptedDialogs dialogs;
        SilentSound sound;
        MainWindow w(dialogs, sound, ini);
        w.startUp();  // the open dialog is offered and cancelled
        QVERIFY(dialogs.messages().isEmpty());
        QCOMPARE(w.windowTitle(), QStringLiteral("K7"));
    }

    void openingATableWithoutACfgGeneratesOne()
    {
        const QString dbPath = dir().filePath(QStringLiteral("dig.mdb"));
        {
            const QString name = QStringLiteral("make");
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(dbPath);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE MSysObjects (Id INTEGER)")));
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE Finds (ID INTEGER, Type VARCHAR(20), Weight REAL, "
                                          "Burnt BOOLEAN, Found DATE)")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO Finds VALUES (41, 'Sherd', 2.5, 1, '2024-01-01')")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("make"));

        ScriptedDialogs dialogs;
        SilentSound sound;
        MainWindow w(dialogs, sound, dir().filePath(QStringLiteral("k7.ini")));
        w.show();
        dialogs.queueFile(dbPath);
        dialogs.queueTable(QStringLiteral("Finds"));
        dialogs.queueAnswer(Answer::Yes);
        w.fileOpen();

        const QString cfg = dir().filePath(QStringLiteral("Finds.cfg"));
        QVERIFY(QFile::exists(cfg));
        QCOMPARE(w.windowTitle(), QStringLiteral("K7 - ") + cfg);
        const Model& m = w.model();
        QCOMPARE(m.varcount, 4);
        QCOMPARE(m.var(1).varname, QStringLiteral("ID"));
        QCOMPARE(m.var(1).vartype, int(TypeNumeric));
        QCOMPARE(m.var(1).varautoinc, 1);
        QCOMPARE(m.var(1).varprompt, QStringLiteral("The next value for ID"));
        QCOMPARE(m.var(2).vartype, int(TypeText));
        QCOMPARE(int(m.var(2).varlength), 20);
        QCOMPARE(m.var(3).varname, QStringLiteral("Weight"));
        QCOMPARE(m.var(3).varprompt, QStringLiteral("Enter a value for Weight"));
        QCOMPARE(m.var(4).vartype, int(TypeMenu));
        QCOMPARE(m.var(4).varprompt, QStringLiteral("Is it Burnt"));
        QCOMPARE(SplitMenu(m, 4), (QStringList{"Yes", "No"}));
        QCOMPARE(w.store().tablename, QStringLiteral("Finds"));
        QCOMPARE(w.dataControl()->caption(), QStringLiteral("Record 1 of 1"));
        // The question came after the chooser, exactly once.
        QCOMPARE(dialogs.pendingAnswers(), 0);
        QVERIFY(dialogs.texts().first().startsWith(QLatin1String("This table does not have an associated CFG")));
    }

    void declinedOrCancelledOpenKeepsTheOpenCfg()
    {
        const QString cfg = copyFindsCfg(dir());
        ScriptedDialogs dialogs;
        SilentSound sound;
        MainWindow w(dialogs, sound, dir().filePath(QStringLiteral("k7.ini")));
        w.show();
        w.openCfgFile(cfg);
        // The CFG's own database, chooser cancelled.
        dialogs.queueFile(dir().filePath(QStringLiteral("finds.mdb")));
        dialogs.queueTable(std::nullopt);
        w.fileOpen();
        QCOMPARE(w.windowTitle(), QStringLiteral("K7 - ") + cfg);
        // An unsupported file is refused with the message.
        const QString other = dir().filePath(QStringLiteral("notes.txt"));
        QFile f(other);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        dialogs.queueFile(other);
        w.fileOpen();
        QVERIFY(dialogs.texts().last().startsWith(QLatin1String("Error: Unsupported file type.")));
        QCOMPARE(w.store().tablename, QStringLiteral("finds"));
    }

    void newCfgStartsFromTheSample()
    {
        const QString cfg = copyFindsCfg(dir());
        ScriptedDialogs dialogs;
        SilentSound sound;
        MainWindow w(dialogs, sound, dir().filePath(QStringLiteral("k7.ini")));
        w.show();
        w.openCfgFile(cfg);

        dialogs.queueAnswer(Answer::No);  // keep the open CFG
        w.fileNew();
        QCOMPARE(w.windowTitle(), QStringLiteral("K7 - ") + cfg);
        QCOMPARE(dialogs.messages().last().style, Style::YesNo + Style::Question);

        const QString fresh = dir().filePath(QStringLiteral("fresh.cfg"));
        dialogs.queueAnswer(Answer::Yes);  // close the open CFG
        dialogs.queueAnswer(Answer::Yes);  // load the sample now
        dialogs.queueFile(fresh);          // saved under this name first
        w.fileNew();
        QCOMPARE(dialogs.texts().mid(1), (QStringList{QStringLiteral("Close current configuration file?"),
                                                     QStringLiteral("Do you want to load this CFG file now?")}));
        QVERIFY(QFile::exists(fresh));
        QCOMPARE(w.windowTitle(), QStringLiteral("K7 - ") + fresh);
        QCOMPARE(w.model().varcount, 6);
        QCOMPARE(w.store().tablename, QStringLiteral("fresh"));
        QCOMPARE(w.editor()->currentPath(), fresh);
        QVERIFY(!w.editor()->isDirty());
    }

    void optionsWithoutACfgSayWhereTheyLive()
    {
        ScriptedDialogs dialogs;
        SilentSound sound;
        MainWindow w(dialogs, sound, dir().filePath(QStringLiteral("k7.ini")));
        w.show();
        QTimer::singleShot(0, &w, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        w.viewOptions();
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("These options are stored in the CFG file. Until you "
                                                             "open a CFG the options will not be saved.")});
        QCOMPARE(dialogs.messages().first().style, Style::Information);
    }

    void aMissingCfgIsReportedWithoutTheEditor()
    {
        ScriptedDialogs dialogs;
        SilentSound sound;
        MainWindow w(dialogs, sound, dir().filePath(QStringLiteral("k7.ini")));
        w.show();
        w.openCfgFile(dir().filePath(QStringLiteral("gone.cfg")));
        QCOMPARE(dialogs.messages().size(), 1);
        QVERIFY(dialogs.texts().first().startsWith(
            QLatin1String("Though the CFG cannot be displayed, the error was as follows: ")));
        QVERIFY(!w.editor()->isVisible());
        QCOMPARE(w.windowTitle(), QStringLiteral("K7"));
        QVERIFY(!QFile::exists(dir().filePath(QStringLiteral("gone.cfg"))));
    }

    void closingAsksAboutUnsavedEditorText()
    {
        ScriptedDialogs dialogs;
        SilentSound sound;
        MainWindow w(dialogs, sound, dir().filePath(QStringLiteral("k7.ini")));
        w.show();
        w.viewIniFile();
        w.editor()->editor()->setPlainText(QStringLiteral("[K7]\nFile1=/kept.cfg"));
        dialogs.queueAnswer(Answer::Cancel);
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Save changes?")});
        dialogs.queueAnswer(Answer::Yes);  // saved: the file did not exist, so no overwrite question
        QVERIFY(w.close());
        KeyTable keys = {{QStringLiteral("File1"), QString()}};
        ReadSection(dir().filePath(QStringLiteral("k7.ini")), QStringLiteral("[K7]"), keys);
        QCOMPARE(keys.first().second, QStringLiteral("/kept.cfg"));
    }

    void theMenusAreThere()
    {
        ScriptedDialogs dialogs;
        SilentSound sound;
        MainWindow w(dialogs, sound, dir().filePath(QStringLiteral("k7.ini")));
        const QStringList enabled = {"filenew", "fileopen", "fileexit", "viewcfgfile", "viewinifile", "mnuoptions",
                                     "helpstatus", "helpabout"};
        const QStringList later = {"fileexport", "datafind", "sortdatagrid", "filterdatagrid", "datadeletelast",
                                   "deleterows", "datadeleteall", "viewproperties", "writehtml"};
        for (const QString& name : enabled) {
            auto* action = w.findChild<QAction*>(name);
            QVERIFY2(action && action->isEnabled(), qPrintable(name));
        }
        for (const QString& name : later) {
            auto* action = w.findChild<QAction*>(name);
            QVERIFY2(action && !action->isEnabled(), qPrintable(name));
        }
        QCOMPARE(w.findChild<QAction*>(QStringLiteral("datafind"))->text(), QStringLiteral("Find entry in data grid"));
        QCOMPARE(w.entryArea()->nextButton()->toolTip(), QStringLiteral("Enter to move forward with the keyboard"));
        QCOMPARE(w.entryArea()->previousButton()->toolTip(),
                 QStringLiteral("ESCape to move backwards with the keyboard"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
