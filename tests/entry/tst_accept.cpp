// Accepting values against a real data table: uniqueness, Re-edit and
// Emptyonly, identifiers and their check digit, look-ups, carry, auto-increment,
// skip, what each kind stores, grid-cell edits, and a save that fails.

#include "EntryRig.h"

#include <QFile>
#include <QSqlError>

using namespace k7;
using namespace k7::test;

namespace {

// A look-up database made by another program: a SITES table with a status.
bool makeLookupDb(const QString& path)
{
    const QString name = QStringLiteral("lookup-maker");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec("CREATE TABLE SITES (ID VARCHAR(10), NAME VARCHAR(20), Status VARCHAR(10))")
                 && q.exec("INSERT INTO SITES VALUES ('A1', 'North', NULL)")
                 && q.exec("INSERT INTO SITES VALUES ('B2', 'South', 'closed')");
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

}  // namespace

class TestAccept : public QObject {
    Q_OBJECT
private slots:
    void quotesAreValuesAndDuplicatesAreRefused()
    {
        EntryRig rig;
        rig.add("ID", TypeText).varunique = 1;
        rig.add("N", TypeNumeric);
        QVERIFY(rig.open());
        rig.view.enter(rig.engine, "O'Brien");
        QCOMPARE(rig.state.curvar, 2);
        rig.view.enter(rig.engine, "5");
        QVERIFY(rig.dialogs.texts().isEmpty());
        QCOMPARE(rig.rows(), (QList<QStringList>{{"O'Brien", "5"}}));

        for (const QString& again : {QString("O'Brien"), QString("o'brien")}) {
            rig.dialogs.clear();
            rig.view.enter(rig.engine, again);
            QCOMPARE(rig.dialogs.messages().size(), 1);
            QCOMPARE(rig.dialogs.messages().at(0).text, again + " has already been entered.");
            QCOMPARE(rig.dialogs.messages().at(0).style, 64);
            QCOMPARE(rig.state.curvar, 1);
            QCOMPARE(rig.view.text(Control::TextBox), QString());
        }
        QCOMPARE(rig.rows().size(), 1);
    }

    void fieldNamesWithBlanksAndQuotes()
    {
        EntryRig rig;
        rig.add("Bob's ID", TypeText).varunique = 1;
        rig.add("Depth \"cm\"", TypeNumeric);
        QVERIFY(rig.open());
        rig.view.enter(rig.engine, "A 1");
        rig.view.enter(rig.engine, "2.5");
        rig.view.enter(rig.engine, "A 1");
        QCOMPARE(rig.dialogs.texts(), QStringList{"A 1 has already been entered."});
        QCOMPARE(rig.rows(), (QList<QStringList>{{"A 1", "2.5"}}));
    }

    void failingUniquenessQueryIsReported()
    {
        EntryRig rig;
        rig.add("ID", TypeText).varunique = 1;
        rig.add("N", TypeNumeric);
        QVERIFY(rig.open());
        rig.store.currentdb.close();
        rig.view.enter(rig.engine, "A1");
        QCOMPARE(rig.dialogs.texts(), QStringList{"Error in SQL.  Retype value."});
        QCOMPARE(rig.state.curvar, 1);
    }

    void reEditUsesTheFoundRowAsTemplate()
    {
        EntryRig rig;
        rig.model.options[OptReEdit] = "Yes";
        rig.add("ID", TypeText).varunique = 1;
        rig.addMenu("KIND", "Ceramic Lithic");
        rig.add("N", TypeNumeric);
        QVERIFY(rig.open());
        rig.view.enter(rig.engine, "A1");
        rig.view.choose(rig.engine, "Lithic");
        rig.view.enter(rig.engine, "4");

        rig.view.enter(rig.engine, "A1");
        QCOMPARE(rig.state.curvar, 2);
        QCOMPARE(rig.view.selectedMenuText(), QString("Lithic"));
        QCOMPARE(rig.state.varvalue[3], QString("4"));
        QCOMPARE(rig.view.gridRowAskedFor(), std::optional<int>(0));
        rig.view.press(rig.engine, Key::Enter);
        rig.view.enter(rig.engine, "6");
        QCOMPARE(rig.rows(), (QList<QStringList>{{"A1", "Lithic", "4"}, {"A1", "Lithic", "6"}}));
    }

    void reEditWithEmptyonlyCompletesTheRow()
    {
        EntryRig rig;
        rig.model.options[OptReEdit] = "Yes";
        rig.model.options[OptEmptyonly] = "Yes";
        rig.add("ID", TypeText).varunique = 1;
        rig.addMenu("KIND", "Ceramic Lithic");
        rig.add("NOTE", TypeText);
        rig.add("N", TypeNumeric);
        QVERIFY(rig.open());
        rig.view.enter(rig.engine, "A1");
        rig.view.choose(rig.engine, "Ceramic");
        rig.view.enter(rig.engine, "");
        rig.view.enter(rig.engine, "");
        QCOMPARE(rig.rows(), (QList<QStringList>{{"A1", "Ceramic", "", "0"}}));

        // The filled KIND is passed over; NOTE and N (0) are asked.
        rig.view.enter(rig.engine, "A1");
        QCOMPARE(rig.state.curvar, 3);
        QVERIFY(!rig.state.newrecord);
        rig.view.enter(rig.engine, "worn");
        QCOMPARE(rig.state.curvar, 4);
        rig.view.enter(rig.engine, "2");
        QCOMPARE(rig.rows(), (QList<QStringList>{{"A1", "Ceramic", "worn", "2"}}));
        QVERIFY(rig.state.newrecord);

        rig.view.enter(rig.engine, "A1");
        QCOMPARE(rig.dialogs.texts(), QStringList{"This record is complete."});
        QCOMPARE(rig.state.curvar, 1);
        for (int v = 1; v <= 4; ++v)
            QCOMPARE(rig.state.varvalue[v], QString());
        QCOMPARE(rig.rows().size(), 1);
    }

    void checkDigit_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("ok");
        QTest::newRow("wrong digit") << "AB" << "12.8" << false;
        QTest::newRow("right digit") << "AB" << "12.0" << true;
        QTest::newRow("lower case counts as upper") << "ab" << "12.0" << true;
        QTest::newRow("no check digit") << "AB" << "12" << true;
        QTest::newRow("two digits never match") << "AB" << "12.00" << false;
        QTest::newRow("empty parts") << "" << "" << true;
    }
    void checkDigit()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, ok);
        QCOMPARE(EntryEngine::CheckDigit(a, b), ok);
    }

    void identifierWithParityAndDash()
    {
        EntryRig rig;
        rig.add("TAG", TypeSqid, 12);
        rig.add("N", TypeNumeric);
        QVERIFY(rig.open());
        rig.view.enter(rig.engine, "AB - 12.8");
        QCOMPARE(rig.dialogs.timedMessages(), QStringList{"Parity error.  AB-12.8"});
        QCOMPARE(rig.state.curvar, 1);
        rig.view.enter(rig.engine, "AB - 12.0");
        QCOMPARE(rig.state.curvar, 2);
        QCOMPARE(rig.state.varvalue[1], QString("AB - 12.0"));
    }

    void uniqueSqidIsCutAndTightened()
    {
        EntryRig rig;
        Variable& sqid = rig.add("Sqid", TypeSqid, 12);
        sqid.varunique = 1;
        rig.add("N", TypeNumeric);
        QVERIFY(rig.open());
        rig.view.enter(rig.engine, "ab-12");
        rig.view.enter(rig.engine, "1");
        rig.view.enter(rig.engine, "cd - 12.3");
        QCOMPARE(rig.state.varvalue[1], QString("cd - 12"));
        rig.view.enter(rig.engine, "2");
        // The query tightens the dash: "ab - 12.3" is the stored ab-12.
        rig.view.enter(rig.engine, "ab - 12.3");
        QCOMPARE(rig.dialogs.texts(), QStringList{"ab-12 has already been entered."});
        QCOMPARE(rig.rows(), (QList<QStringList>{{"ab-12", "1"}, {"cd - 12", "2"}}));
    }

    void lookUps()
    {
        EntryRig rig;
        QVERIFY(makeLookupDb(rig.dir.filePath("sites.db")));
        rig.add("ID", TypeText).varlookup = "sites.db SITES";
        rig.add("N", TypeNumeric);
        QVERIFY(rig.open());

        rig.view.enter(rig.engine, "A1");
        QCOMPARE(rig.dialogs.timedMessages(),
                 QStringList{"Id = A1\rName = North\rStatus = \r"});
        QCOMPARE(rig.state.curvar, 2);
        rig.engine.clearRecord();

        rig.dialogs.queueAnswer(Answer::No);
        rig.view.enter(rig.engine, "B2");
        QCOMPARE(rig.dialogs.messages().last().text, QString("Status is closed.  Continue?"));
        QCOMPARE(rig.dialogs.messages().last().style, 36);
        QCOMPARE(rig.state.curvar, 1);
        QCOMPARE(rig.view.text(Control::TextBox), QString("B2"));
        QVERIFY(rig.view.wholeTextSelected(Control::TextBox));
        rig.dialogs.queueAnswer(Answer::Yes);
        rig.view.press(rig.engine, Key::Enter);
        QCOMPARE(rig.state.curvar, 2);
        rig.engine.clearRecord();

        rig.dialogs.queueAnswer(Answer::Cancel);
        rig.view.enter(rig.engine, "O'Neil");
        QCOMPARE(rig.dialogs.messages().last().text, QString("O'Neil could not be found."));
        QCOMPARE(rig.dialogs.messages().last().style, 65);
        QCOMPARE(rig.state.curvar, 1);
        rig.dialogs.queueAnswer(Answer::Ok);
        rig.view.press(rig.engine, Key::Enter);
        QCOMPARE(rig.state.varvalue[1], QString("O'Neil"));
        rig.engine.clearRecord();

        // The look-up database went away: reported, the value still accepted,
        // and no empty file left in its place.
        QVERIFY(QFile::remove(rig.dir.filePath("sites.db")));
        rig.dialogs.clear();
        rig.view.enter(rig.engine, "C3");
        QCOMPARE(rig.dialogs.texts(), QStringList{"Error in SQL. Could not look-up values."});
        QCOMPARE(rig.state.varvalue[1], QString("C3"));
        QVERIFY(!QFile::exists(rig.dir.filePath("sites.db")));
        QCOMPARE(rig.dialogs.pendingAnswers(), 0);
    }

    void carryAutoincAndSkip()
    {
        EntryRig rig;
        rig.add("SITE", TypeText).varcarry = 1;
        Variable& n = rig.add("N", TypeNumeric);
        n.varautoinc = 1;
        n.varcarry = 1;
        rig.add("S", TypeText).varskip = 1;
        rig.add("NOTE", TypeText);
        QVERIFY(rig.open());
        rig.view.enter(rig.engine, "North");
        QCOMPARE(rig.view.text(Control::NumericBox), QString("1"));
        rig.view.press(rig.engine, Key::Enter);
        QCOMPARE(rig.state.curvar, 4);
        rig.view.enter(rig.engine, "a");

        QCOMPARE(rig.view.text(Control::TextBox), QString("North"));
        rig.view.press(rig.engine, Key::Enter);
        QCOMPARE(rig.view.text(Control::NumericBox), QString("2"));
        rig.view.press(rig.engine, Key::Enter);
        rig.view.enter(rig.engine, "b");
        QCOMPARE(rig.rows(),
                 (QList<QStringList>{{"North", "1", "", "a"}, {"North", "2", "", "b"}}));
    }

    void whatEachKindStores()
    {
        EntryRig rig;
        rig.addMenu("M", "Ceramic Lithic", 3);
        rig.add("I", TypeInstrument);
        rig.add("W", TypeInstrument);
        rig.add("N", TypeNumeric);
        rig.add("F", TypeNumeric);
        QVERIFY(rig.open());
        rig.view.choose(rig.engine, "Ceramic");
        QCOMPARE(rig.state.varvalue[1], QString("Cer"));
        QCOMPARE(rig.view.text(Control::InstrumentBox), QString("<Instrument data>"));
        rig.view.press(rig.engine, Key::Enter);
        QCOMPARE(rig.state.varvalue[2], QString("0"));
        rig.model.options[OptInstrument] = "KEYBOARD";
        rig.engine.ShowVariable(3);
        rig.view.press(rig.engine, Key::Enter);
        QCOMPARE(rig.state.varvalue[3], QString("<Keyboard wedge data>"));
        QCOMPARE(rig.view.beeps(), 2);
        rig.view.enter(rig.engine, "");
        rig.view.enter(rig.engine, "12.57");
        QCOMPARE(rig.rows(), (QList<QStringList>{{"Cer", "0", "0", "0", "12.57"}}));
    }

    void yesNoFieldOfAnotherTool()
    {
        EntryRig rig;
        const QString name = QStringLiteral("maker");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(rig.dbPath());
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec("CREATE TABLE site (ID VARCHAR(10), DONE BOOLEAN)"));
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        rig.add("ID", TypeText, 10);
        rig.add("DONE", TypeText, 5);
        QVERIFY(rig.open());
        for (const char* done : {"yes", "FALSE", "maybe"}) {
            rig.view.enter(rig.engine, done);
            rig.view.enter(rig.engine, done);
        }
        QCOMPARE(rig.rows(), (QList<QStringList>{{"yes", "1"}, {"FALSE", "0"}, {"maybe", "<null>"}}));
    }

    void gridCellEditAcceptAndCancel()
    {
        EntryRig rig;
        rig.add("ID", TypeText);
        rig.add("NOTE", TypeText);
        rig.add("N", TypeNumeric);
        QVERIFY(rig.open());
        rig.view.enter(rig.engine, "A1");
        rig.view.enter(rig.engine, "first");
        rig.view.enter(rig.engine, "1");
        rig.view.enter(rig.engine, "A2");
        QCOMPARE(rig.state.curvar, 2);

        rig.view.setGridCell(0, 1, "first");
        QVERIFY(rig.engine.gridKey(Key::Enter));
        QVERIFY(rig.state.editing);
        QVERIFY(!rig.view.gridTabStop());
        QCOMPARE(rig.view.caption(Frame::Text), QString("EDITING"));
        QCOMPARE(rig.view.text(Control::TextBox), QString("first"));
        rig.view.enter(rig.engine, "changed");
        QVERIFY(!rig.state.editing);
        QVERIFY(rig.view.gridTabStop());
        QVERIFY(rig.view.gridHasFocus());
        QCOMPARE(rig.state.curvar, 2);
        QCOMPARE(rig.state.varvalue[1], QString("A2"));
        QCOMPARE(rig.rows(), (QList<QStringList>{{"A1", "changed", "1"}}));

        // Numeric cell, cancelled: nothing changes and entry resumes at NOTE.
        rig.view.setGridCell(0, 2, "1");
        rig.engine.startGridEdit(false);
        QCOMPARE(*rig.view.focus(), Control::NumericBox);
        rig.view.type(Control::NumericBox, "9");
        QVERIFY(rig.view.press(rig.engine, Key::Esc));
        QVERIFY(!rig.state.editing);
        QCOMPARE(rig.state.curvar, 2);
        QCOMPARE(rig.view.caption(Frame::Text), QString());
        QCOMPARE(rig.rows(), (QList<QStringList>{{"A1", "changed", "1"}}));

        // A second start while editing, then Esc in the grid: entry still
        // resumes where the record in progress was left.
        rig.view.setGridCell(0, 0, "A1");
        rig.engine.startGridEdit(true);
        rig.view.setGridCell(0, 2, "1");
        rig.engine.startGridEdit(true);
        QCOMPARE(rig.state.curvar, 3);
        QVERIFY(rig.engine.gridKey(Key::Esc));
        QVERIFY(!rig.state.editing);
        QCOMPARE(rig.state.curvar, 2);
        QVERIFY(rig.view.gridTabStop());

        // Ctrl+C during an edit clears the record in progress and ends the
        // edit: the next value typed goes into the record, not the grid row.
        rig.view.setGridCell(0, 1, "changed");
        rig.engine.startGridEdit(true);
        QVERIFY(rig.view.press(rig.engine, Key::CtrlC));
        QVERIFY(!rig.state.editing);
        QCOMPARE(rig.view.caption(Frame::Text), QString());
        QVERIFY(rig.view.gridTabStop());
        rig.view.enter(rig.engine, "A3");
        QCOMPARE(rig.state.curvar, 2);
        QCOMPARE(rig.state.varvalue[1], QString("A3"));
        QCOMPARE(rig.rows(), (QList<QStringList>{{"A1", "changed", "1"}}));
    }

    void gridColumnWithoutVariable()
    {
        EntryRig rig;
        rig.add("ID", TypeText);
        QVERIFY(rig.open());
        FieldDef extra;
        extra.name = "ADDED BY HAND";
        extra.size = 10;
        QVERIFY(rig.store.currentdb.appendField(rig.store.tablename, extra));
        QVERIFY(rig.store.currentdb.refresh());
        rig.view.setGridCell(0, 1, "x");
        rig.engine.startGridEdit(true);
        QCOMPARE(rig.dialogs.messages().size(), 1);
        QCOMPARE(rig.dialogs.messages().at(0).text,
                 QString("This variable is not in your configuration file and cannot be edited."));
        QCOMPARE(rig.dialogs.messages().at(0).style, 0);
        QVERIFY(!rig.state.editing);
        QVERIFY(rig.view.gridTabStop());
    }

    void lockedTableKeepsTheRecord()
    {
        EntryRig rig;
        rig.add("ID", TypeText);
        rig.add("N", TypeNumeric);
        QVERIFY(rig.open());
        const QString name = QStringLiteral("locker");
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            other.setDatabaseName(rig.dbPath());
            QVERIFY(other.open());
            QSqlQuery lock(other);
            QVERIFY2(lock.exec("BEGIN EXCLUSIVE"), qPrintable(lock.lastError().text()));
            rig.view.enter(rig.engine, "A1");
            rig.view.enter(rig.engine, "3");
            QCOMPARE(rig.dialogs.messages().size(), 1);
            QVERIFY(rig.dialogs.messages().at(0).text.startsWith("The record could not be saved: "));
            QCOMPARE(rig.state.curvar, 2);
            QCOMPARE(rig.state.varvalue[1], QString("A1"));
            QCOMPARE(rig.view.text(Control::NumericBox), QString("3"));
            QVERIFY(lock.exec("ROLLBACK"));
            other.close();
        }
        QSqlDatabase::removeDatabase(name);
        rig.view.press(rig.engine, Key::Enter);
        QCOMPARE(rig.rows(), (QList<QStringList>{{"A1", "3"}}));
        QCOMPARE(rig.state.curvar, 1);
    }
};

QTEST_GUILESS_MAIN(TestAccept)
#include "tst_accept.moc"
