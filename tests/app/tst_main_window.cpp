// Drives the real main window: records typed with the keyboard, a saved value
// edited from the grid, start-up, New, Open (a CFG made for a table without
// one, whose long saved values are edited whole) and the editor for a CFG
// with an error. What it takes in: instrument readings only while a CFG is
// open and presenting a record, and files given to it (the command line, the
// editor) only for what they are.
//
// The grid over a record set, on its own: a model that passes Qt's
// consistency checks, reads rows only when shown, keeps its cache bounded,
// and a record counter and record set that follow the current row.

#include "app/AppTestSupport.h"

#include "app/TableToCfg.h"
#include "instruments/InstrumentRig.h"
#include "grid/FilterDialog.h"
#include "grid/FindDialog.h"
#include "grid/SortDialog.h"
#include "store/Database.h"
#include "store/RecordSet.h"
#include "windows/KeysDialog.h"
#include "windows/TextEditor.h"

#include <QAbstractItemModelTester>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSet>

using namespace k7;
using namespace k7::test;

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    // Every menu item and every button of the grid's and help's dialogs has
    // an Alt letter of its own within its menu or dialog.
    void everyItemHasItsOwnAltLetter()
    {
        WindowRig rig;
        MainWindow& w = rig.w;
        rig.open(rig.sampleCfg());
        auto letterOf = [](const QString& text) {
            const qsizetype at = text.indexOf('&');
            return at >= 0 && at + 1 < text.size() && text.at(at + 1).isLetterOrNumber() ? text.at(at + 1).toLower()
                                                                                  : QChar();
        };
        auto checkUnique = [&](const QString& where, const QStringList& texts) {
            QSet<QChar> seen;
            for (const QString& text : texts) {
                const QChar letter = letterOf(text);
                QVERIFY2(!letter.isNull(), qPrintable(where + ": " + text));
                QVERIFY2(!seen.contains(letter), qPrintable(where + ": " + text));
                seen.insert(letter);
            }
        };
        QStringList titles;
        for (QAction* menuAction : w.menuBar()->actions()) {
            titles << menuAction->text();
            QStringList items;
            for (QAction* item : menuAction->menu()->actions())
                if (!item->isSeparator() && item->isVisible())
                    items << item->text();
            checkUnique(menuAction->text(), items);
        }
        checkUnique("menu bar", titles);
        QVERIFY(titles.contains("&Help"));
        const std::function<QDialog*()> dialogs[] = {
            [&] { return new SortDialog(w.gridTools(), &w); },
            [&] { return new FilterDialog(w.gridTools(), &w); },
            [&] { return new FindDialog(w.gridTools(), &w); },
            [&] { return new KeysDialog(&w); },
        };
        for (const auto& make : dialogs) {
            std::unique_ptr<QDialog> dialog(make());
            QStringList buttons;
            for (QPushButton* b : dialog->findChildren<QPushButton*>())
                buttons << b->text();
            checkUnique(dialog->objectName(), buttons);
        }
    }

    void entersRecordsAndEditsOneFromTheGrid()
    {
        WindowRig rig;
        MainWindow& w = rig.w;
        rig.open(rig.sampleCfg());
        // Record 1: text, one-key menu choices, a number.
        rig.enterInto(Control::TextBox, "A1");
        rig.typeInto(Control::MenuList, "c");  // Ceramic, at once
        rig.typeInto(Control::MenuList, "n");  // Niceware
        rig.enterInto(Control::NumericBox, "12");

        // Record 2: the lithic branch; Tab goes to the grid and Esc comes back.
        rig.enterInto(Control::TextBox, "A2");
        rig.typeInto(Control::MenuList, "l");
        rig.typeInto(Control::MenuList, "t");
        rig.typeInto(Control::NumericBox, "x");  // refused by the numeric filter
        rig.press(Qt::Key_Tab);
        QCOMPARE(w.focusWidget(), static_cast<QWidget*>(w.grid()));
        rig.press(Qt::Key_Escape);
        rig.enterInto(Control::NumericBox, "3.5");

        // Record 3: Esc steps back from the menu to the identifier; a Core
        // is no Tool, so the tool's number is not asked.
        rig.enterInto(Control::TextBox, "A3");
        rig.press(Qt::Key_Escape);
        QCOMPARE(rig.boxText(), "A3");
        rig.enterInto(Control::TextBox, "A5");
        rig.typeInto(Control::MenuList, "l");
        rig.typeInto(Control::MenuList, "c");

        // Ctrl+C clears a record half typed.
        rig.enterInto(Control::TextBox, "X9");
        rig.press(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(w.state().curvar, 1);
        QCOMPARE(rig.boxText(), QString());

        // Ctrl+E takes the keyboard to the grid; Enter there edits a cell.
        rig.press(Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(w.focusWidget(), static_cast<QWidget*>(w.grid()));
        w.grid()->setCurrentCell(0, 0);
        rig.press(Qt::Key_Return);
        QVERIFY(w.state().editing);
        QCOMPARE(rig.boxText(), "A1");
        rig.enterInto(Control::TextBox, "B1");
        QVERIFY(!w.state().editing);
        QCOMPARE(w.focusWidget(), static_cast<QWidget*>(w.grid()));
        rig.press(Qt::Key_Escape);  // back to the record in progress
        rig.typeInto(Control::TextBox, "A6");
        w.close();  // in the middle of a record: every saved one is kept
        QCOMPARE(readRows(rig.path("finds.mdb"), "finds"),
                 (QList<QStringList>{{"B1", "Ceramic", "Niceware", "", "12", "0"},
                                     {"A2", "Lithic", "", "Tool", "0", "3.5"},
                                     {"A5", "Lithic", "", "Core", "0", "0"}}));
        QVERIFY(rig.dialogs.messages().isEmpty());
    }

    // File > Exit with values that could not be journalled (the database
    // file deleted while open took the journal with it) asks first; No keeps
    // the window and the values (mended: it quit without a word).
    void exitAsksBeforeLosingAnUnjournalledRecord()
    {
        WindowRig rig;
        MainWindow& w = rig.w;
        rig.open(rig.sampleCfg());
        rig.enterInto(Control::TextBox, "A1");
        QVERIFY(QFile::remove(rig.path("finds.mdb")));
        rig.dialogs.queueAnswer(Answer::No);
        w.fileExit();
        const QString question = "The record in progress is not saved, and it could not be kept for the next start "
                                 "either: its values will be lost.  Exit anyway? [308]";
        QCOMPARE(rig.dialogs.shown(), QStringList{question});
        QVERIFY(w.isVisible());
        QCOMPARE(w.state().varvalue[1], QString("A1"));
        rig.dialogs.queueAnswer(Answer::Yes);
        w.fileExit();
        QCOMPARE(rig.dialogs.shown(), (QStringList{question, question}));
        QVERIFY(!w.isVisible());
    }

    void recentEntriesAndNew()
    {
        WindowRig rig;
        MainWindow& w = rig.w;
        const QString first = rig.sampleCfg();
        const QString second = rig.sampleCfg("other.cfg");
        rig.open(first);
        w.openCfgFile(second);
        QCOMPARE(w.windowTitle(), "K7 - " + second);
        rig.trigger("menufile1");
        QCOMPARE(w.windowTitle(), "K7 - " + first);

        // File > New: No keeps the open CFG; Yes saves the sample under a new name and opens it.
        rig.dialogs.clear();
        rig.trigger("filenew", {Answer::No});
        QCOMPARE(w.windowTitle(), "K7 - " + first);
        // Close the open CFG, load the sample now (saved as `fresh` first),
        // and Ok to its comments and its File= line going when it is opened.
        const QString fresh = rig.path("fresh.cfg");
        rig.dialogs.queueFile(fresh);
        rig.trigger("filenew", {Answer::Yes, Answer::Yes, Answer::Ok, Answer::Ok});
        QCOMPARE(rig.dialogs.pendingAnswers(), 0);
        QVERIFY(rig.dialogs.texts().last().contains("File is not a K7 option; the database name is set with Filename"));
        QCOMPARE(w.windowTitle(), "K7 - " + fresh);
        QCOMPARE(w.editor()->currentPath(), fresh);
        QVERIFY(!w.editor()->isDirty());
        // Mended: the editor stayed in front of a hidden, stale entry area.
        QVERIFY(!w.editor()->isVisible());
        QVERIFY(w.findChild<QWidget*>(QStringLiteral("data_separator"))->isVisibleTo(&w));
        QCOMPARE(w.state().curvar, 1);
    }

    // A CFG with an error opens the editor at its line, and leaves nothing of
    // the CFG open before it watching for ImageJ results.
    void aCfgWithAnErrorOpensTheEditorAtItsLine()
    {
        WindowRig rig;
        MainWindow& w = rig.w;
        rig.open(writeFile(rig.dir, "images.cfg",
                           crlf({"[K7]", "ImageJFile=" + rig.path("Results.txt"), "[AREA]", "Type=ImageJ"})));
        auto* timer = named<QTimer>(w, "imagejtimer");
        QVERIFY(timer->isActive());
        const QString cfg = rig.path("broken.cfg");
        QVERIFY(writeFile(cfg, crlf({"[K7]", "", "[VAR1]", "Type=Text", "Prompt=One", "", "[VAR2]", "Type=Menu",
                                     "Prompt=Two"})));
        w.openCfgFile(cfg);
        QVERIFY(!timer->isActive());
        QCOMPARE(w.windowTitle(), "K7");
        QCOMPARE(rig.dialogs.texts(), QStringList{" ERROR: Menu type variable must include a MENU line with menu list."});
        TextEditor* editor = w.editor();
        QVERIFY(editor->isVisible());
        // The selection is the whole line the reader names.
        const QTextCursor cursor = editor->editor()->textCursor();
        QCOMPARE(cursor.blockNumber(), 6);
        QCOMPARE(cursor.selectedText(), "[VAR2]");
        QVERIFY(!w.findChild<QWidget*>("data_separator")->isVisibleTo(&w));
        // A fix typed but not saved is not thrown away by opening again.
        rig.dialogs.clear();
        editor->editor()->appendPlainText("Menu=A B");
        rig.dialogs.queueAnswer(Answer::Cancel);
        w.openCfgFile(cfg);
        QVERIFY(editor->text().endsWith("Menu=A B"));
        QCOMPARE(rig.dialogs.texts().first(), "Save changes?");
        rig.dialogs.queueAnswer(Answer::No);
        editor->close();
        QVERIFY(w.findChild<QWidget*>("data_separator")->isVisibleTo(&w));
    }

    // Mended: a generated CFG inherited the options of the CFG open before
    // (its port, a sort on a field the new table lacks); an empty database
    // showed an empty chooser; a database in a read-only folder could not be
    // listed; the record box filled the grid region with no table open.
    void openingATableWithoutACfgGeneratesOne()
    {
        WindowRig rig;
        MainWindow& w = rig.w;
        const QString cfg = rig.sampleCfg();
        const QString folder = rig.path("dig.2024");
        QVERIFY(QDir().mkdir(folder));
        const QString dbPath = folder + "/dig.mdb";
        QVERIFY(execSql(dbPath, {"CREATE TABLE MSysObjects (Id INTEGER)", "CREATE TABLE msysACEs (Id INTEGER)",
                                 "CREATE TABLE Finds (ID INTEGER, Type VARCHAR(20), Note CLOB, Weight REAL, "
                                 "Count BIGINT, Burnt BOOLEAN, Found DATE)",
                                 "INSERT INTO Finds VALUES (41, 'A rim sherd with a broken spout', '', 1234567.5, 3, 1, '2024-01-01')"}));
        // Only tables for data entry are offered, from a read-only folder too;
        // a CFG made for one goes beside the database (below), or in the
        // program's folder when it has none.
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        QStringList tables;
        QVERIFY(ListEntryTables(dbPath, tables));
        QCOMPARE(tables, QStringList{"Finds"});
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        QCOMPARE(CfgPathForTable("dig.mdb", "Finds"), QCoreApplication::applicationDirPath() + "/Finds.cfg");
        w.show();
        QVERIFY(!w.dataControl()->isVisibleTo(&w));
        w.openCfgFile(cfg);
        QVERIFY(w.dataControl()->isVisibleTo(&w));
        w.model().options[OptSort] = "VAR1";
        w.model().options[OptDelaytime] = "3";

        // A cancelled chooser, an unsupported file and a database without a
        // table leave the open CFG alone.
        rig.dialogs.queueFile(dbPath);
        rig.dialogs.queueTable(std::nullopt);
        w.fileOpen();
        const QString other = rig.path("notes.txt");
        QVERIFY(writeFile(other, QByteArray()));
        rig.dialogs.queueFile(other);
        w.fileOpen();
        const QString empty = rig.path("empty.mdb");
        QVERIFY(execSql(empty, {"CREATE TABLE k7_x (a INTEGER)", "DROP TABLE k7_x"}));
        rig.dialogs.queueFile(empty);
        w.fileOpen();
        QCOMPARE(rig.dialogs.texts().size(), 2);  // the unsupported file, the database without a table
        QCOMPARE(w.windowTitle(), "K7 - " + cfg);

        rig.dialogs.clear();
        rig.dialogs.queueFile(dbPath);
        rig.dialogs.queueTable("Finds");
        rig.dialogs.queueAnswer(Answer::Yes);
        w.fileOpen();
        QCOMPARE(w.windowTitle(), "K7 - " + folder + "/Finds.cfg");
        QCOMPARE(rig.dialogs.pendingAnswers(), 0);  // asked once, after the chooser
        QVERIFY(rig.dialogs.texts().first().startsWith("This table does not have an associated CFG"));
        QCOMPARE(w.dataControl()->caption(), "Record 1 of 1");

        // Found (a date) has no variable; nothing of the sample CFG survives,
        // its options included.
        const Model& m = w.model();
        for (const int slot : {int(OptSort), int(OptDelaytime), int(OptCom)})
            QVERIFY2(m.options[slot].isEmpty(), qPrintable(m.options[slot]));
        QCOMPARE(m.options[OptTable], "Finds");
        QVERIFY(!readFile(folder + "/Finds.cfg").contains("Sort="));
        QStringList vars;
        for (int i = 1; i <= m.varcount; ++i)
            vars << QString("%1 %2 %3 %4 %5").arg(m.var(i).varname).arg(m.var(i).vartype)
                        .arg(int(m.var(i).varlength)).arg(m.var(i).varautoinc).arg(m.var(i).condcount);
        const auto row = [](const char* name, int type, int length, int autoinc) {
            return QString("%1 %2 %3 %4 0").arg(name).arg(type).arg(length).arg(autoinc);
        };
        const int number = int(m.var(1).varlength);  // whatever length numbers get, all get the same
        QCOMPARE(vars, (QStringList{row("ID", TypeNumeric, number, 1), row("Type", TypeText, 20, 0),
                                    row("Note", TypeText, 255, 0), row("Weight", TypeNumeric, number, 0),
                                    row("Count", TypeNumeric, number, 1), row("Burnt", TypeMenu, 3, 0)}));

        // A saved value longer than its variable's length (typed by another
        // program) was once cut to that length in the box, and accepting the
        // edit unchanged wrote the cut value back.
        w.model().var(4).varlength = 4;
        for (const int column : {1, 3}) {
            rig.editCell(0, column);
            QVERIFY(w.state().editing);
            rig.press(Qt::Key_Return);  // accepted unchanged
        }
        QCOMPARE(readRows(dbPath, "Finds").value(0).mid(1, 3),
                 (QStringList{"A rim sherd with a broken spout", "", "1234567.5"}));
    }

    // With no CFG open: where options live, and closing once dropped unsaved
    // text in the editor without a word.
    void withoutACfgOptionsAndTheEditorSpeakUp()
    {
        WindowRig rig;
        MainWindow& w = rig.w;
        w.show();
        QTimer::singleShot(0, &w, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        w.viewOptions();
        QCOMPARE(rig.dialogs.shown(), QStringList{"These options are stored in the CFG file. Until you open a CFG the "
                                                  "options will not be saved. [64]"});

        rig.dialogs.clear();
        w.viewIniFile();
        w.editor()->editor()->setPlainText("[K7]\nFile1=/kept.cfg");
        // Neither the View menu nor New CFG replaces unsaved text without asking.
        rig.dialogs.queueAnswer(Answer::Cancel);
        w.viewIniFile();
        rig.dialogs.queueAnswer(Answer::Cancel);
        w.fileNew();
        QCOMPARE(w.editor()->text(), "[K7]\nFile1=/kept.cfg");
        rig.dialogs.queueAnswer(Answer::Cancel);
        QVERIFY(!w.close());
        QCOMPARE(rig.dialogs.texts(), QStringList(3, "Save changes?"));
        rig.dialogs.queueAnswer(Answer::Yes);  // the file did not exist, so no overwrite question
        QVERIFY(w.close());
        QCOMPARE(readKey(rig.ini(), "[K7]", "File1"), "/kept.cfg");
    }

    void showsTheRecordSetLazily()
    {
        QTemporaryDir tmp;
        Database db;
        QVERIFY(db.create(tmp.filePath("grid.mdb")) && db.execute("CREATE TABLE Finds (Site VARCHAR(20), Weight REAL)")
                && db.transaction());
        for (int i = 0; i < 5000; ++i)
            QVERIFY(db.execute("INSERT INTO Finds VALUES (?, ?)",
                               {QString("S%1").arg(i), i == 1 ? QVariant() : 12.57 + i}));
        RecordSet rs;
        QVERIFY(db.commit() && db.refresh() && rs.openTable(db, "Finds"));

        DataGrid grid;
        DataControl control(&grid);
        RecordSetModel& model = *grid.recordModel();
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRecordSet(&rs);
        QCOMPARE(model.rowCount(), 5000);
        QVERIFY(model.cachedRows() <= 2);  // the tester peeks at a row or two, nothing more
        QCOMPARE(model.cellText(0, 1), "12.57");  // the stored float, shortest form
        QCOMPARE(model.cellText(1, 1), QString());                  // Null
        for (int row = 0; row < 5000; ++row)
            model.cellText(row, 0);
        QVERIFY(model.cachedRows() <= RecordSetModel::kCacheRows);
        QCOMPARE(model.cellText(17, 0), "S17");  // evicted rows are read again

        grid.show();
        grid.goToRow(-1);
        QCOMPARE(grid.currentRow(), 4999);
        QCOMPARE(control.caption(), "Record 5000 of 5000");
        grid.setCurrentCell(9, 1);
        QCOMPARE(control.caption(), "Record 10 of 5000");
        QCOMPARE(rs.absolutePosition(), 9);
        QCOMPARE(grid.currentCellText(), "21.57");
        rs.close();
        QCOMPARE(model.cellText(0, 0), QString());
    }

    // Mended: the port stayed live while an open asked its questions, after
    // File > New CFG and after a failed open, so readings made blank rows or
    // raised "no data table is open".
    void readingsOnlyReachAnOpenCfg()
    {
        WindowRig rig;
        MainWindow& w = rig.w;
        PtyPair pty;
        QVERIFY2(pty.start(), "socat made no pseudo-terminal pair");
        const QString cfg = rig.path("calipers.cfg");
        QVERIFY(writeFile(cfg, caliperCfg(pty.programEnd() + ":9600,N,8,1", {"LENGTH"})));
        const auto saved = [&rig] { return readRows(rig.path("calipers.mdb"), "calipers"); };
        rig.open(cfg);
        pty.send("  1.5\r\n");
        QTRY_COMPARE(saved().size(), 1);

        // A variable added to the CFG: the open asks about the new field, and
        // readings sent meanwhile belong to no record.
        QVERIFY(writeFile(cfg, caliperCfg(pty.programEnd() + ":9600,N,8,1")));
        rig.dialogs.queueAnswer(Answer::Yes);
        rig.dialogs.whileShown = [&pty](const QString&) {
            pty.send("  2.5\r\n  2.6\r\n");
            QTest::qWait(300);
        };
        w.openCfgFile(cfg);
        rig.dialogs.whileShown = nullptr;
        QTest::qWait(300);
        QCOMPARE(saved().size(), 1);
        pty.send("  3.5\r\n  4.5\r\n");
        QTRY_COMPARE(saved().size(), 2);
        QCOMPARE(saved().last().mid(0, 2), (QStringList{"3.5", "4.5"}));

        // File > New CFG closes the CFG: nothing is received any more.
        rig.trigger("filenew", {Answer::Yes, Answer::No});  // close the CFG; do not load the sample now
        pty.send("  5.5\r\n  6.5\r\n");
        QTest::qWait(300);
        QCOMPARE(saved().size(), 2);
        QCOMPARE(rig.dialogs.texts(),
                 (QStringList{"The field WIDTH exist in the CFG but not in the data table "
                              "calipers.  If you have added a new variable, K7 can add this to "
                              "the data table now.  Would you like to add WIDTH?",
                              "Close current configuration file?", "Do you want to load this CFG file now?"}));
    }

    // Mended: a database on the command line was read as an old-format CFG,
    // refused, and opened in the editor, where a save destroyed it.
    void aDatabaseOnTheCommandLineOpensAsADatabase()
    {
        AppRig rig;
        const QString db = rig.path("dig.mdb");
        QVERIFY(
            execSql(db, {"CREATE TABLE Finds (ID INTEGER, Type VARCHAR(20))", "INSERT INTO Finds VALUES (1, 'x')"}));
        const QByteArray before = readFile(db);
        MainWindow w(rig.dialogs, rig.sound, rig.ini());
        rig.dialogs.queueTable("Finds");
        rig.dialogs.queueAnswer(Answer::Yes);  // make a CFG for the table
        w.startUp(db, false);
        QCOMPARE(w.windowTitle(), "K7 - " + rig.path("Finds.cfg"));
        QVERIFY(rig.dialogs.texts().first().startsWith("This table does not have an associated CFG"));
        QCOMPARE(rig.dialogs.messages().size(), 1);

        // The editor neither opens a database nor saves text over one.
        TextEditor* editor = w.editor();
        editor->loadFile(db);
        QCOMPARE(editor->text(), "error");
        QVERIFY(editor->editor()->isReadOnly());
        editor->setUntitledText("[K7]");
        QVERIFY(!editor->saveFile(db));
        QCOMPARE(rig.dialogs.texts().mid(1),
                 (QStringList{db + " is not a text file.  The editor does not open it.",
                              db + " is not a text file.  The editor does not save over it."}));
        QCOMPARE(readRows(db, "Finds").size(), 1);
        QCOMPARE(readFile(db).left(16), before.left(16));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
