// The save looks again, inside its own transaction, at what another station
// may have saved since the record's values were checked: a Unique value now
// held by a row the operator was not shown is refused and asked for again,
// with the rest of the record kept; an Autoinc number taken meanwhile gives
// way to the next one free. Run on a file and again on a server.

#include "support/CaseTable.h"
#include "support/EntryRig.h"

#include "store/Database.h"
#include "store/RecordSet.h"
#include "store/SqlDialect.h"

using namespace k7;
using namespace k7::test;

namespace {

const QString kTaken = QStringLiteral("A1 has just been entered at another station.");

// A rig on a CFG of its own whose database is a new one of the engine under test.
struct StationRig : EntryRig {
    QString dbname;

    bool openWith(const QString& options, const QString& variables)
    {
        dbname = NewDatabase(dir, QStringLiteral("site.mdb"));
        const QString cfg = path(QStringLiteral("site.cfg"));
        return writeFile(cfg, ("[K7]\r\nFilename=" + dbname + "\r\n" + options + "\r\n" + variables).toUtf8())
               && openCfg(cfg);
    }
    // A row saved meanwhile by another station: ID, NAME.
    bool savedElsewhere(const QString& id, const QString& name)
    {
        return execSql(dbname, {QStringLiteral("INSERT INTO %1 (\"ID\", \"NAME\") VALUES ('%2', '%3')")
                                    .arg(QuoteName(store.tablename()), id, name)});
    }
    QList<QStringList> stored(const QString& columns, const QString& order = QStringLiteral("\"NAME\""))
    {
        return querySeparately(dbname, QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                                           .arg(columns, QuoteName(store.tablename()), order))
            .value_or(QList<QStringList>{{QStringLiteral("query failed")}});
    }
};

const QString kVariables = QStringLiteral("[ID]\r\nType=Text\r\nUnique=Yes\r\nLength=20\r\n\r\n"
                                          "[NAME]\r\nType=Text\r\nLength=20\r\n\r\n"
                                          "[N]\r\nType=Numeric\r\nLength=6\r\n");

}  // namespace

class SaveRecheck : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_TEST_ENGINE();
    }

    // The value was free when checked; another station saves it before this
    // record is finished (compared as identifiers are: case and blanks aside).
    void valueTakenMeanwhileIsAskedAgain_data() { addCaseRows("entry/taken-meanwhile.tsv"); }
    void valueTakenMeanwhileIsAskedAgain()
    {
        QFETCH(Case, c);
        const QString other = c.text("other");
        StationRig rig;
        QVERIFY2(rig.openWith(c.text("options"), kVariables), qPrintable(rig.shown().join(" | ")));
        rig.enter({QStringLiteral("A1"), QStringLiteral("mine")});
        QVERIFY(rig.savedElsewhere(other, QStringLiteral("other")));
        const int beeps = rig.view.beeps();
        rig.enter({QStringLiteral("5")});

        QCOMPARE(rig.dialogs.texts().value(0), kTaken);
        QVERIFY(rig.view.statuses().contains(kTaken));
        QCOMPARE(rig.view.beeps(), beeps + 1);
        // Back at the identifier, with it in the box to retype; the rest kept.
        QCOMPARE(rig.state.curvar, 1);
        QCOMPARE(rig.view.focus(), Control::TextBox);
        QCOMPARE(rig.view.text(Control::TextBox), QStringLiteral("A1"));
        QVERIFY(rig.view.wholeTextSelected(Control::TextBox));
        QCOMPARE(rig.state.varvalue[2], QStringLiteral("mine"));
        QCOMPARE(rig.state.varvalue[3], QStringLiteral("5"));
        QCOMPARE(rig.stored("\"ID\", \"NAME\""), (QList<QStringList>{{other, "other"}}));

        // Another identifier, and the kept values go with it.
        rig.dialogs.clear();
        rig.enter({QStringLiteral("A2")});
        QCOMPARE(rig.view.text(Control::TextBox), QStringLiteral("mine"));
        rig.enter({QStringLiteral("mine"), QStringLiteral("5")});
        QVERIFY2(rig.dialogs.texts().isEmpty(), qPrintable(rig.shown().join(" | ")));
        QCOMPARE(rig.stored("\"ID\", \"NAME\", \"N\""),
                 (QList<QStringList>{{"A2", "mine", "5"}, {other, "other", "<null>"}}));
    }

    // Re-edit saves a row found and shown as a new row with the same
    // identifier, as it always has; only a row the operator was not shown
    // refuses the save.
    void reEditRefusesOnlyRowsNotShown_data() { addCaseRows("entry/re-edit-meanwhile.tsv"); }
    void reEditRefusesOnlyRowsNotShown()
    {
        QFETCH(Case, c);
        const bool anotherMeanwhile = c.yes("another meanwhile");
        StationRig rig;
        QVERIFY2(rig.openWith(QStringLiteral("Re-edit=Yes"), kVariables), qPrintable(rig.shown().join(" | ")));
        QVERIFY(rig.savedElsewhere(QStringLiteral("A1"), QStringLiteral("first")));
        rig.enter({QStringLiteral("A1")});
        QCOMPARE(rig.state.varvalue[2], QStringLiteral("first"));  // the row found fills the record
        if (anotherMeanwhile)
            QVERIFY(rig.savedElsewhere(QStringLiteral("a1"), QStringLiteral("later")));
        rig.dialogs.clear();
        rig.enter({QStringLiteral("second"), QStringLiteral("7")});
        if (anotherMeanwhile) {
            QCOMPARE(rig.dialogs.texts(), QStringList{kTaken});
            QCOMPARE(rig.state.curvar, 1);
            QCOMPARE(rig.stored("\"NAME\""), (QList<QStringList>{{"first"}, {"later"}}));
        } else {
            QVERIFY2(rig.dialogs.texts().isEmpty(), qPrintable(rig.shown().join(" | ")));
            QCOMPARE(rig.stored("\"ID\", \"NAME\""), (QList<QStringList>{{"A1", "first"}, {"A1", "second"}}));
        }
    }

    // The number the record started with was saved at another station: the
    // record takes the next one free, the status line says so, and the next
    // record counts on from it.
    void autoincTakenMeanwhileTakesTheNextFree()
    {
        StationRig rig;
        QVERIFY2(rig.openWith(QString(), kVariables + QStringLiteral("Autoinc=Yes\r\n")),
                 qPrintable(rig.shown().join(" | ")));
        QCOMPARE(rig.state.varvalue[3], QStringLiteral("1"));
        rig.enter({QStringLiteral("A1"), QStringLiteral("mine")});
        QVERIFY(execSql(rig.dbname, {QStringLiteral("INSERT INTO %1 (\"ID\", \"N\") VALUES ('B1', 1), ('B2', 2)")
                                         .arg(QuoteName(rig.store.tablename()))}));
        rig.enter({QStringLiteral("1")});
        QVERIFY2(rig.dialogs.texts().isEmpty(), qPrintable(rig.shown().join(" | ")));
        QCOMPARE(rig.view.statuses().value(0),
                 QStringLiteral("N 1 has just been entered at another station: this record takes 3."));
        QCOMPARE(rig.stored("\"ID\", \"N\"", "\"N\""), (QList<QStringList>{{"B1", "1"}, {"B2", "2"}, {"A1", "3"}}));
        QCOMPARE(rig.state.varvalue[3], QStringLiteral("4"));
    }

    // Text read as a number where it is one: a server does not fail the
    // whole query on text that is not (the largest Autoinc number stored).
    void textReadAsNumber()
    {
        QTemporaryDir dir;
        const QString dbname = NewDatabase(dir, QStringLiteral("numbers.mdb"));
        Database db;
        QVERIFY(db.create(dbname));
        QVERIFY(db.appendTable(TableDef{QStringLiteral("Finds"), {FieldDef{QStringLiteral("K")}}, {}}));
        for (const QString& k : QStringList{"abc", " 7 ", "12.5", "1e1", ""})
            QVERIFY(db.execute(QStringLiteral("INSERT INTO \"Finds\" (\"K\") VALUES (?)"), {k}));
        RecordSet largest;
        QVERIFY2(largest.openQuery(db, QStringLiteral("SELECT MAX(%1) FROM \"Finds\"")
                                           .arg(db.dialect().asNumber(QStringLiteral("\"K\""), true))),
                 qPrintable(largest.lastError()));
        QCOMPARE(largest.value(0).toDouble(), 12.5);
    }
};

QTEST_GUILESS_MAIN(SaveRecheck)
#include "tst_save_recheck.moc"
