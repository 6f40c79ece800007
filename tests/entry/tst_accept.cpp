// Accepting values against a real data table: uniqueness, Re-edit and
// Emptyonly, identifiers and their check digit, look-ups, carry, auto-increment,
// skip, what each kind stores, grid-cell edits, and a save that fails.

#include "support/EntryRig.h"

#include <QDir>
#include <QFile>

using namespace k7;
using namespace k7::test;

class TestAccept : public QObject {
    Q_OBJECT
private slots:
    // Values are bound, so quotes and blanks in values and names are plain data.
    void duplicatesAreRefused()
    {
        const QList<QStringList> cases{{"ID", "N", "O'Brien", "o'brien"},
                                       {"Bob's ID", "Depth \"cm\"", "A 1", "A 1"}};
        for (const QStringList& c : cases) {
            EntryRig rig;
            rig.add(c[0], TypeText).varunique = 1;
            rig.add(c[1], TypeNumeric);
            QVERIFY(rig.open());
            rig.enter({c[2], "2.5"});
            for (const QString& again : {c[2], c[3]}) {
                rig.dialogs.clear();
                rig.enter({again});
                QCOMPARE(rig.shown(), QStringList{again + " has already been entered. [64]"});
            }
            QCOMPARE(rig.rows(), (QList<QStringList>{{c[2], "2.5"}}));

            // A uniqueness query that really fails is reported, not taken as "new".
            rig.dialogs.clear();
            rig.store.currentdb.close();
            rig.enter({"B2"});
            QCOMPARE(rig.dialogs.texts(), QStringList{"Error in SQL.  Retype value."});
            QCOMPARE(rig.state.curvar, 1);
        }
    }

    // Re-edit fills a new record from the row found; with Emptyonly it asks
    // only what that row lacks and updates it in place.
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
            rig.enter({"A1"});
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
            QVERIFY(rig.store.currentdb.execute("DELETE FROM site WHERE ID = 'B1'"));
            rig.enter({"late", "4"});
            QCOMPARE(rig.rows().mid(1), (QList<QStringList>{{"C1", "Lithic", "new", "3"},
                                                             {"B1", "Ceramic", "late", "4"}}));
        }
    }

    // A Unique identifier is stored without its check digit and compared with
    // the dash tightened; another keeps what was typed once its digit is right.
    void identifiers()
    {
        EntryRig rig;
        rig.add("Sqid", TypeSqid, 12).varunique = 1;
        rig.add("TAG", TypeSqid, 12);
        QVERIFY(rig.open());
        rig.enter({"ab-12", "AB - 12.8"});
        QCOMPARE(rig.dialogs.timedMessages(), QStringList{"Parity error.  AB-12.8"});
        rig.enter({"AB - 12.0", "cd - 12.3", "x", "ab - 12.3"});
        QCOMPARE(rig.dialogs.texts(), QStringList{"ab-12 has already been entered."});
        // Nothing before the dash: the digits alone are checked.
        rig.enter({"ef-1", "-12.3", "-12.9"});
        QCOMPARE(rig.dialogs.timedMessages().last(), QString("Parity error.  -12.3"));
        QCOMPARE(rig.rows(), (QList<QStringList>{{"ab-12", "AB - 12.0"}, {"cd - 12", "x"}, {"ef-1", "-12.9"}}));
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

    void carryAutoincSkipAndStoredForms()
    {
        EntryRig rig;
        rig.add("SITE", TypeText).varcarry = 1;
        Variable& n = rig.add("N", TypeNumeric);
        n.varautoinc = 1;
        n.varcarry = 1;
        rig.add("S", TypeText).varskip = 1;
        rig.addMenu("M", "Ceramic Lithic", 3);
        rig.add("I", TypeInstrument);
        rig.add("F", TypeNumeric);
        rig.model.options[OptSound] = QStringLiteral("Yes");
        QVERIFY(rig.open());
        // N offers 1 and S is skipped; a placeholder accepted stores 0, with a beep.
        rig.enter({"North"});
        rig.press(Key::Enter);
        rig.enter({"Ceramic"});
        QCOMPARE(rig.view.text(Control::InstrumentBox), QString("<Instrument data>"));
        rig.press(Key::Enter);
        QCOMPARE(rig.view.beeps(), 1);
        rig.enter({"12.57"});

        // SITE and N are carried, N raised by one.
        rig.press(Key::Enter);
        QCOMPARE(rig.view.text(Control::NumericBox), QString("2"));
        rig.enter({"2.5", "Lithic", "7", ""});
        rig.press(Key::Enter);
        QCOMPARE(rig.view.text(Control::NumericBox), QString("3.5"));
        QCOMPARE(rig.rows(), (QList<QStringList>{{"North", "1", "", "Cer", "0", "12.57"},
                                                  {"North", "2.5", "", "Lit", "7", "0"}}));
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
        rig.add("ID", TypeText);
        rig.add("NOTE", TypeText);
        rig.add("N", TypeNumeric);
        QVERIFY(rig.open());
        rig.enter({"A1", "first", "1", "A2"});

        // Accepted: the row changes, the record in progress does not.
        rig.view.setGridCell(0, 1, "first");
        QVERIFY(rig.engine.gridKey(Key::Enter));
        rig.enter({"changed"});
        QCOMPARE(rig.state.varvalue[1], QString("A2"));
        QCOMPARE(rig.rows(), (QList<QStringList>{{"A1", "changed", "1"}}));

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
        QCOMPARE(rig.rows(), (QList<QStringList>{{"A1", "changed", "1"}}));

        // A column the CFG does not know cannot be edited.
        FieldDef extra;
        extra.name = "ADDED BY HAND";
        extra.size = 10;
        QVERIFY(rig.store.currentdb.appendField(rig.store.tablename, extra));
        QVERIFY(rig.store.currentdb.refresh());
        rig.view.setGridCell(0, 3, "x");
        rig.engine.startGridEdit(true);
        QCOMPARE(rig.shown(), QStringList{"This variable is not in your configuration file and cannot be edited. [0]"});
        QVERIFY(!rig.state.editing);
    }

    void lockedTableKeepsTheRecord()
    {
        EntryRig rig;
        rig.add("ID", TypeText);
        rig.add("N", TypeNumeric);
        QVERIFY(rig.open());
        QVERIFY(withConnection(rig.dbPath(), false, [&](QSqlDatabase& other) {
            QSqlQuery lock(other);
            if (!lock.exec("BEGIN EXCLUSIVE"))
                return false;
            rig.enter({"A1", "3"});
            return lock.exec("ROLLBACK");
        }));
        QVERIFY(rig.dialogs.messages().size() == 1
                && rig.dialogs.messages().at(0).text.startsWith("The record could not be saved: "));
        QCOMPARE(rig.state.curvar, 2);
        QCOMPARE(rig.view.text(Control::NumericBox), QString("3"));
        rig.press(Key::Enter);
        QCOMPARE(rig.rows(), (QList<QStringList>{{"A1", "3"}}));
    }
};

QTEST_GUILESS_MAIN(TestAccept)
#include "tst_accept.moc"
