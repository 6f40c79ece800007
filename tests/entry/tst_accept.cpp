// Accepting values against a real data table: uniqueness, Re-edit and
// Emptyonly, identifiers and their check digit, look-ups, carry, auto-increment,
// what each kind stores, grid-cell edits, and a save that fails.

#include "entry/LockedDatabase.h"
#include "support/CaseTable.h"
#include "support/TypeWords.h"
#include "support/EntryRig.h"

#include <QDir>
#include <QFile>

using namespace k7;
using namespace k7::test;

class TestAccept : public QObject {
    Q_OBJECT
private slots:
    // A Unique value is refused when the table holds it already, compared as
    // identifiers are read: values are bound (quotes are plain data), blanks
    // at either end and case do not count, over all of Unicode (mended: "A1 "
    // and "Äx" used to pass), and an identifier is stored in the form it is
    // compared in (mended: "ab - 12.0" was stored as typed and passed again).
    // A query that fails, or finds the table locked, is never taken as "new".
    void uniqueness_data() { addCaseRows("entry/uniqueness.tsv"); }
    void uniqueness()
    {
        QFETCH(Case, c);
        EntryRig rig;
        rig.add(c.text("name"), typeCode(c.text("type"))).varunique = 1;
        rig.add("Depth \"cm\"", TypeNumeric);
        QVERIFY(rig.open());
        if (c.text("by other program") == "yes")
            QVERIFY(execSql(rig.dbPath(), {"INSERT INTO site VALUES ('" + c.text("first") + "', 2.5)"}));
        else
            rig.enter({c.text("first"), "2.5"});
        rig.enter({c.text("again")});
        QCOMPARE(rig.shown(), QStringList{c.text("compared") + " has already been entered. [64]"});
        QCOMPARE(rig.rows(), (QList<QStringList>{{c.text("stored"), "2.5"}}));

        // Another program locks the table during the query: the operator is
        // told so and the value stays for another try (mended: it was
        // reported as an error in SQL and the value lost).
        rig.dialogs.clear();
        QVERIFY(whileLocked(rig.dbPath(), [&] { rig.enter({"B2"}); }));
        QCOMPARE(rig.dialogs.texts(),
                 QStringList{"The database is locked by another program.  Press Enter to try the value again."});
        QVERIFY(rig.state.curvar == 1 && rig.view.text(Control::TextBox) == "B2"
                && rig.view.wholeTextSelected(Control::TextBox));
        rig.press(Key::Enter);
        QCOMPARE(rig.state.curvar, 2);

        // A uniqueness query that really fails is reported, not taken as "new".
        rig.engine.clearRecord();
        rig.dialogs.clear();
        rig.store.currentdb().close();
        rig.enter({"B2"});
        QCOMPARE(rig.dialogs.texts(), QStringList{"Error in SQL.  Retype value."});
        QCOMPARE(rig.state.curvar, 1);
    }

    // Re-edit fills a new record from the row found; with Emptyonly it asks
    // only what that row lacks and updates it in place. The identifier keeps
    // the case it is stored with (mended: typing a1 rewrote A1 as a1).
    void reEdit()
    {
        for (const bool emptyOnly : {false, true}) {
            EntryRig rig;
            rig.model.options[OptReEdit] = "Yes";
            rig.model.options[OptEmptyonly] = emptyOnly ? "Yes" : "";
            rig.add("ID", TypeText).varunique = 1;
            rig.addMenu("KIND", "Ceramic Lithic");
            rig.add("NOTE", TypeText).varunique = 1;
            rig.add("N", TypeNumeric);
            QVERIFY(rig.open());
            rig.enter({"A1", "Lithic", "", ""});
            rig.enter({"a1"});
            if (!emptyOnly) {
                QVERIFY(rig.press(Key::Enter));  // Lithic, offered from the row found
                rig.enter({"worn", "6"});
                QCOMPARE(rig.rows(), (QList<QStringList>{{"A1", "Lithic", "", "0"},
                                                          {"A1", "Lithic", "worn", "6"}}));
                continue;
            }
            // KIND, which the row holds, is not asked; a new value in the
            // Unique NOTE still completes the row found.
            rig.enter({"worn", "2"});
            QCOMPARE(rig.rows(), (QList<QStringList>{{"A1", "Lithic", "worn", "2"}}));
            rig.enter({"A1"});
            QCOMPARE(rig.dialogs.texts(), QStringList{"This record is complete."});
            QCOMPARE(rig.state.curvar, 1);
            QCOMPARE(rig.state.varvalue[1], QString());
            QCOMPARE(rig.rows().size(), 1);

            // Cleared while completing a row, then given a new identifier:
            // a new row, and the row found before is left as it was.
            rig.enter({"B1", "Ceramic", "", "", "B1"});
            QVERIFY(rig.press(Key::CtrlC));
            rig.enter({"A1"});  // complete: starting over is a new record
            QVERIFY(rig.state.newrecord);
            rig.enter({"C1", "Lithic", "new", "3"});
            QCOMPARE(rig.rows(), (QList<QStringList>{{"A1", "Lithic", "worn", "2"},
                                                      {"B1", "Ceramic", "", "0"},
                                                      {"C1", "Lithic", "new", "3"}}));

            // The row being completed is deleted meanwhile: the record is
            // saved as a new row, not refused.
            rig.enter({"B1"});
            QVERIFY(rig.store.currentdb().execute("DELETE FROM site WHERE ID = 'B1'"));
            rig.enter({"late", "4"});
            QCOMPARE(rig.rows().mid(1), (QList<QStringList>{{"C1", "Lithic", "new", "3"},
                                                             {"B1", "Ceramic", "late", "4"}}));
        }
    }

    // The check digit is tested before an identifier is cut for comparing
    // (mended: a wrong digit on a Unique identifier passed); a Unique
    // identifier is stored without it, another keeps what was typed.
    void identifiers()
    {
        EntryRig rig;
        rig.add("Sqid", TypeSqid, 12).varunique = 1;
        rig.add("TAG", TypeSqid, 12);
        QVERIFY(rig.open());
        rig.enter({"AB-12.8"});
        QCOMPARE(rig.dialogs.timedMessages(), QStringList{"Parity error.  AB-12.8"});
        QCOMPARE(rig.state.curvar, 1);
        rig.enter({"ab-12", "AB - 12.8"});
        QCOMPARE(rig.dialogs.timedMessages().last(), QString("Parity error.  AB-12.8"));
        rig.enter({"AB - 12.0", "cd - 12.4", "x"});
        // Nothing before the dash: the digits alone are checked.
        rig.enter({"ef-1", "-12.3", "-12.9"});
        QCOMPARE(rig.dialogs.timedMessages().last(), QString("Parity error.  -12.3"));
        QCOMPARE(rig.rows(), (QList<QStringList>{{"ab-12", "AB - 12.0"}, {"cd-12", "x"}, {"ef-1", "-12.9"}}));
        QVERIFY(EntryEngine::CheckDigit("ab", "12.0"));
        QVERIFY(!EntryEngine::CheckDigit("AB", "12.00"));
    }

    void lookUps()
    {
        EntryRig rig;
        const QString sites = rig.dir.filePath("sites.db");
        QVERIFY(execSql(sites, {"CREATE TABLE SITES (ID VARCHAR(10), NAME VARCHAR(20), Status VARCHAR(10))",
                                "INSERT INTO SITES VALUES ('A1', 'North', NULL)",
                                "INSERT INTO SITES VALUES ('B2', 'South', 'closed')"}));
        rig.add("ID", TypeText).varlookup = "sites.db SITES";
        rig.add("N", TypeNumeric);
        QVERIFY(rig.open());
        rig.enter({"A1"});
        QCOMPARE(rig.dialogs.timedMessages(), QStringList{"Id = A1\rName = North\rStatus = \r"});

        // Each answer that declines keeps the value typed, selected, for another try.
        struct Step { const char* value; int no; int yes; const char* message; };
        for (const Step& s : {Step{"B2", Answer::No, Answer::Yes, "Status is closed.  Continue? [36]"},
                              Step{"O'Neil", Answer::Cancel, Answer::Ok, "O'Neil could not be found. [65]"}}) {
            rig.engine.clearRecord();
            rig.dialogs.queueAnswer(s.no);
            rig.enter({s.value});
            QCOMPARE(rig.shown().last(), QString(s.message));
            QVERIFY(rig.state.curvar == 1 && rig.view.wholeTextSelected(Control::TextBox));
            rig.dialogs.queueAnswer(s.yes);
            rig.press(Key::Enter);
            QCOMPARE(rig.state.varvalue[1], QString(s.value));
        }

        // The look-up database went away: reported, the value still accepted,
        // and no empty file left in its place.
        rig.engine.clearRecord();
        QVERIFY(QFile::remove(sites));
        rig.dialogs.clear();
        rig.enter({"C3"});
        QCOMPARE(rig.dialogs.texts(), QStringList{"Error in SQL. Could not look-up values."});
        QCOMPARE(rig.state.varvalue[1], QString("C3"));
        QVERIFY(!QFile::exists(sites));
        QCOMPARE(rig.dialogs.pendingAnswers(), 0);

        // A database in a folder beside the CFG, named relative to the CFG as
        // the CFG reader accepts it.
        QVERIFY(QDir(rig.dir.path()).mkdir("ref"));
        QVERIFY(execSql(rig.dir.filePath("ref/sites.db"),
                        {"CREATE TABLE SITES (ID VARCHAR(10))", "INSERT INTO SITES VALUES ('A1')"}));
        rig.model.var(1).varlookup = "ref/sites.db SITES";
        rig.engine.clearRecord();
        rig.enter({"A1"});
        QCOMPARE(rig.dialogs.timedMessages(), QStringList{"Id = A1\r"});
    }

    // Autoinc is the previous record's value plus one, taken once when the
    // record starts (mended: without Carry it offered 1 every time, a fresh
    // session started at 1 again, and every re-presentation added one).
    void autoincrement_data() { addCaseRows("entry/autoincrement.tsv"); }
    void autoincrement()
    {
        QFETCH(Case, c);
        EntryRig rig;
        rig.add("N", TypeNumeric).varautoinc = 1;
        rig.add("ID", TypeText);
        if (!c.text("stored").isEmpty())
            QVERIFY(
                execSql(rig.dbPath(),
                        {"CREATE TABLE site (N REAL, ID VARCHAR(20))", "INSERT INTO site VALUES " + c.text("stored")}));
        QVERIFY(rig.open());
        const auto run = [&rig](const QStringList& steps) {
            for (const QString& step : steps) {
                if (step == "Enter") {
                    QVERIFY(rig.press(Key::Enter));
                } else if (step == "Esc") {
                    rig.press(Key::Esc);
                } else if (step == "grid") {
                    rig.view.setGridCell(0, 0, "1");
                    rig.engine.startGridEdit(false);
                } else {
                    rig.enter({step});
                }
            }
        };
        if (!c.text("locked").isEmpty()) {
            QVERIFY(whileLocked(rig.dbPath(), [&] { run(c.list("locked")); }));
            QCOMPARE(rig.dialogs.texts().size(), 1);  // the failed save; Enter tries again
            rig.dialogs.clear();
        }
        run(c.list("steps"));
        QCOMPARE(firstColumn(rig.dbPath(), "SELECT N FROM site ORDER BY rowid"), c.list("saved"));
        QVERIFY(rig.dialogs.messages().isEmpty());
    }

    // Typing over a number the box offers replaces it (mended: the box lost
    // its selection and typing 5 over 1 saved 15): an Autoinc value, a carried
    // one, one loaded by Re-edit and a grid cell.
    void typingReplacesTheOfferedNumber()
    {
        EntryRig rig;
        rig.model.options[OptReEdit] = "Yes";
        rig.add("ID", TypeText).varunique = 1;
        rig.add("A", TypeNumeric).varautoinc = 1;
        rig.add("C", TypeNumeric).varcarry = 1;
        QVERIFY(rig.open());
        rig.enter({"A1", "5", "7"});
        rig.enter({"A2"});
        rig.press(Key::Enter);  // 6
        rig.enter({"8"});       // over the carried 7
        rig.enter({"A1", "9", "3"});  // over 5 and 7 of the row found
        rig.view.setGridCell(0, 2, "7");
        rig.engine.startGridEdit(false);
        rig.enter({"4"});
        QCOMPARE(rig.rows(), (QList<QStringList>{{"A1", "5", "4"}, {"A2", "6", "8"}, {"A1", "9", "3"}}));
    }

    // A variable whose conditions fail on the record's final values is saved
    // empty, as an unasked one is (mended: a value given before going back
    // and changing the answer it hung on was saved).
    void unaskedVariablesAreSavedEmpty()
    {
        EntryRig rig;
        rig.addMenu("KIND", "Ceramic Lithic");
        Variable& ware = rig.addMenu("WARE", "Niceware Plainware");
        ware.condtext[ware.condcount = 1] = "KIND Ceramic";
        Variable& tool = rig.add("TOOL", TypeText);
        tool.condtext[tool.condcount = 1] = "KIND Lithic";
        rig.add("N", TypeNumeric);
        QVERIFY(rig.open());
        rig.enter({"Ceramic", "Niceware"});
        rig.press(Key::Esc);
        rig.press(Key::Esc);
        rig.enter({"Lithic", "Core", "1"});
        QCOMPARE(rig.rows(), (QList<QStringList>{{"Lithic", "", "Core", "1"}}));
    }

    // A new record in which nothing was given is not saved: a beep, a status
    // line, the last variable still presented (mended: Enter held at the last
    // variable saved a row per auto-repeat). Blanks and a value its condition
    // no longer asks for count as nothing; a carried or typed value is saved.
    void emptyRecordsAreNotSaved_data() { addCaseRows("entry/empty-records.tsv"); }
    void emptyRecordsAreNotSaved()
    {
        QFETCH(Case, c);
        const QStringList entered = c.list("entered");
        const int refusals = c.number("refusals");
        QList<QStringList> rows;
        for (const QString& row : c.list("rows"))
            rows << row.split(',');
        EntryRig rig;
        rig.add("KIND", TypeText).varcarry = c.text("carry") == "yes" ? 1 : 0;
        rig.add("NOTE", TypeText);
        rig.add("N", TypeNumeric);
        QVERIFY(rig.open());
        rig.enter({entered.at(0), entered.at(1), entered.at(2)});
        for (int i = 0; i < c.number("held"); ++i)
            rig.press(Key::Enter);
        QCOMPARE(rig.rows(), rows);
        QVERIFY(rig.shown().isEmpty());
        QCOMPARE(rig.view.statuses().count("Nothing was typed in this record, so it is not saved."), refusals);
        QCOMPARE(rig.view.beeps(), refusals);
        QCOMPARE(rig.state.curvar, refusals > 0 ? 3 : 1);
        QVERIFY(rig.view.focus() == (refusals > 0 ? Control::NumericBox : Control::TextBox));
    }

    // A Yes/No field loaded by Re-edit selects the menu item that means the
    // same (mended: "False" found no item and Yes was selected and saved).
    void reEditSelectsTheYesNoItem()
    {
        EntryRig rig;
        QVERIFY(execSql(rig.dbPath(), {"CREATE TABLE site (ID VARCHAR(10), DONE BOOLEAN)",
                                       "INSERT INTO site VALUES ('A1', 0)"}));
        rig.model.options[OptReEdit] = "Yes";
        rig.add("ID", TypeText, 10).varunique = 1;
        rig.addMenu("DONE", "Yes No", 3);
        QVERIFY(rig.open());
        rig.enter({"A1"});
        QCOMPARE(rig.view.selectedMenuText(), QString("No"));
        rig.press(Key::Enter);
        QCOMPARE(rig.rows(), (QList<QStringList>{{"A1", "0"}, {"A1", "0"}}));
    }

    // What reaches the table is what was typed, or the value is refused with
    // the reason and stays in the box, in the record and in a grid-cell edit
    // alike (mended: text was cut to the field's size, "1,5" saved as 1, and
    // "abc" in a number field's cell saved as 0).
    void storedOrRefused_data() { addCaseRows("entry/stored-or-refused.tsv"); }
    void storedOrRefused()
    {
        QFETCH(Case, c);
        const int type = typeCode(c.text("type"));
        const QString typed = c.text("typed");
        const QString refusal = c.text("refusal");
        for (const bool inGrid : {false, true}) {
            EntryRig rig;
            QVERIFY(execSql(rig.dbPath(), {"CREATE TABLE site (ID VARCHAR(10), V " + c.text("field") + ")"}));
            rig.add("ID", TypeText, 10);
            rig.add("V", type, 8).varmenu = "Alpha Beta Al";
            QVERIFY(rig.open());
            const QString valid = type == TypeTable ? "Al" : "1";
            if (inGrid) {
                rig.enter({"R1", valid});
                rig.view.setGridCell(0, 1, valid);
                rig.engine.startGridEdit(true);
            } else {
                rig.enter({"R1"});
            }
            rig.enter({typed});
            if (refusal.isEmpty()) {
                QCOMPARE(rig.rows(), (QList<QStringList>{{"R1", c.text("stored")}}));
                QVERIFY(rig.dialogs.messages().isEmpty());
                continue;
            }
            QCOMPARE(rig.shown(), QStringList{refusal + " [64]"});
            QCOMPARE(rig.state.curvar, 2);
            QCOMPARE(rig.state.editing, inGrid);
            const Control box = *rig.view.focus();
            if (box != Control::MenuList)
                QVERIFY(rig.view.text(box) == typed && rig.view.wholeTextSelected(box));
            const QList<QStringList> kept = inGrid ? QList<QStringList>{{"R1", valid}} : QList<QStringList>{};
            QCOMPARE(rig.rows(), kept);
        }
    }

    // Yes/No fields of a table made by another tool take yes/no in any case.
    void yesNoFieldOfAnotherTool()
    {
        EntryRig rig;
        QVERIFY(execSql(rig.dbPath(), {"CREATE TABLE site (ID VARCHAR(10), DONE BOOLEAN)"}));
        rig.add("ID", TypeText, 10);
        rig.add("DONE", TypeText, 5);
        QVERIFY(rig.open());
        rig.enter({"yes", "yes", "FALSE", "FALSE", "maybe", "maybe"});
        QCOMPARE(rig.rows(), (QList<QStringList>{{"yes", "1"}, {"FALSE", "0"}, {"maybe", "<null>"}}));
        // The same in a grid cell: no and "" change it, other text keeps it.
        rig.view.setGridCell(0, 1, "True");
        for (const QStringList& edit : {QStringList{"maybe", "1"}, {"no", "0"}, {"", "<null>"}}) {
            rig.engine.startGridEdit(false);
            rig.enter({edit[0]});
            QCOMPARE(rig.rows().at(0).at(1), edit[1]);
        }
    }

    void gridCellEdits()
    {
        EntryRig rig;
        rig.add("ID", TypeText).varunique = 1;
        rig.add("NOTE", TypeText);
        rig.add("N", TypeNumeric);
        QVERIFY(rig.open());
        rig.enter({"A1", "first", "1", "B1", "second", "2", "A2"});

        // A Unique cell is checked as typed values are (mended: it took a
        // value another row holds); its own value passes.
        rig.view.setGridCell(1, 0, "B1");
        rig.engine.startGridEdit(true);
        rig.enter({"a1"});
        QCOMPARE(rig.shown(), QStringList{"a1 has already been entered. [64]"});
        QVERIFY(rig.state.editing && !rig.view.gridTabStop());
        rig.enter({"B1"});
        QVERIFY(!rig.state.editing && rig.view.gridTabStop());
        rig.dialogs.clear();

        // Accepted: the row changes, the record in progress does not.
        rig.view.setGridCell(0, 1, "first");
        QVERIFY(rig.engine.gridKey(Key::Enter));
        rig.enter({"changed"});
        QCOMPARE(rig.state.varvalue[1], QString("A2"));
        QCOMPARE(rig.rows().at(0), (QStringList{"A1", "changed", "1"}));

        // Cancelled, with Esc in the box or in the grid: nothing changes and
        // entry resumes at NOTE, even after a second start while editing.
        rig.view.setGridCell(0, 2, "1");
        for (const bool inGrid : {false, true}) {
            rig.engine.startGridEdit(inGrid);
            rig.engine.startGridEdit(inGrid);
            rig.view.type(Control::NumericBox, "9");
            QVERIFY(inGrid ? rig.engine.gridKey(Key::Esc) : rig.press(Key::Esc));
            QVERIFY(!rig.state.editing && rig.state.curvar == 2);
        }

        // Ctrl+C during an edit ends the edit before clearing the record: the
        // next value typed goes into the record, not the grid row.
        rig.view.setGridCell(0, 1, "changed");
        rig.engine.startGridEdit(true);
        QVERIFY(rig.press(Key::CtrlC));
        QVERIFY(!rig.state.editing);
        rig.enter({"A3"});
        QCOMPARE(rig.state.curvar, 2);
        QCOMPARE(rig.rows(), (QList<QStringList>{{"A1", "changed", "1"}, {"B1", "second", "2"}}));

        // Ending an edit when none is under way changes nothing. Opening
        // another CFG ends one without presenting: the place in the record in
        // progress comes back and the grid takes Tab again.
        int frames = rig.view.framesShown();
        rig.engine.endGridEdit();
        QCOMPARE(rig.view.framesShown(), frames);
        rig.view.setGridCell(0, 2, "1");
        rig.engine.startGridEdit(true);
        frames = rig.view.framesShown();
        rig.engine.endGridEdit(EntryEngine::AfterGridEdit::ShowNothing);
        QVERIFY(!rig.state.editing && rig.state.curvar == 2 && rig.view.gridTabStop());
        QCOMPARE(rig.view.framesShown(), frames);

        // A column the CFG does not know cannot be edited.
        FieldDef extra;
        extra.name = "ADDED BY HAND";
        extra.size = 10;
        QVERIFY(rig.store.currentdb().appendField(rig.store.tablename(), extra));
        QVERIFY(rig.store.currentdb().refresh());
        rig.view.setGridCell(0, 3, "x");
        rig.engine.startGridEdit(true);
        QCOMPARE(rig.shown(), QStringList{"This variable is not in your configuration file and cannot be edited. [0]"});
        QVERIFY(!rig.state.editing);
    }
};

QTEST_GUILESS_MAIN(TestAccept)
#include "tst_accept.moc"
