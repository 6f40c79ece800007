// Verify mode through the engine, on a file and again on a server: the key
// finds the row, values are compared blind and a second typing decides, the
// save leaves its corrections, audit and k7_verified rows, and a record being
// verified when K7 stopped is offered back in verify mode.

#include "support/CaseTable.h"
#include "support/EntryRig.h"

#include "store/TableDef.h"
#include "store/VerifiedRows.h"
#include "workflows/GridFilter.h"


using namespace k7;
using namespace k7::test;

namespace {

const QString kDiffers = QStringLiteral("Differs from the first entry. Type the value again.");
using Rows = QList<QStringList>;

struct VerifyRig : EntryRig {
    QString dbname;

    // A CFG of ID (Unique), NAME and N on a new database holding A1, Smith, 12.5.
    bool openOn()
    {
        dbname = NewDatabase(dir, QStringLiteral("site.mdb"));
        const QString cfg = writeFile(dir, "site.cfg",
                                      crlf({"[K7]", "Filename=" + dbname, "[ID]", "Type=Text", "Unique=Yes",
                                            "Length=20", "[NAME]", "Type=Text", "Length=20", "[N]", "Type=Numeric"}));
        if (!openCfg(cfg))
            return false;
        enter({"A1", "Smith", "12.5"});
        return true;
    }
    // Opens the CFG of another rig, as K7 started again does.
    bool reopen(const VerifyRig& other)
    {
        dbname = other.dbname;
        return openCfg(other.path(QStringLiteral("site.cfg")));
    }
    Rows query(const QString& sql) const { return querySeparately(dbname, sql).value_or(Rows{{"query failed"}}); }
    Rows table() const { return query("SELECT \"ID\", \"NAME\", \"N\" FROM " + QuoteName(store.tablename())); }
    Rows verified() const { return query("SELECT checked_fields, corrected_fields FROM k7_verified ORDER BY id"); }
    Rows audited() const
    {
        return query("SELECT ident, field, before, after FROM k7_audit WHERE action = 'verify' ORDER BY id");
    }
};

}  // namespace

class Verify : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SKIP_WITHOUT_TEST_ENGINE(); }

    // NAME (stored Smith) or N (stored 12.5) typed in turn.
    void secondTypingDecides_data() { addCaseRows("entry/verify-typings.tsv"); }
    void secondTypingDecides()
    {
        QFETCH(Case, c);
        const QString variable = c.text("variable"), kept = c.text("kept");
        const QStringList typed = c.list("typed");
        const int beeps = c.number("beeps");
        VerifyRig rig;
        QVERIFY(rig.openOn());
        QVERIFY(rig.engine.startVerify());
        rig.enter({"a1"});  // folded as uniqueness folds it
        QMap<QString, QString> values{{"NAME", "Smith"}, {"N", "12.5"}};
        const bool corrected = kept != values[variable];
        for (const QString& name : QStringList{"NAME", "N"}) {
            // Nothing shows the stored value before it is typed.
            QCOMPARE(rig.view.boxText(*rig.view.focus()), QString());
            for (const QString& value : name == variable ? typed : QStringList{values[name]})
                rig.enter({value});
        }
        QCOMPARE(rig.view.beeps(), beeps);
        QCOMPARE(rig.view.statuses().count(kDiffers), beeps);
        // Once the second typing decides, the warning leaves the status line.
        if (beeps > 0)
            QVERIFY(rig.view.statuses().lastIndexOf(QString()) > rig.view.statuses().lastIndexOf(kDiffers));
        values[variable] = kept;
        QCOMPARE(rig.table(), (Rows{{"A1", values["NAME"], values["N"]}}));
        const QString fields = corrected ? QStringLiteral("[\"%1\"]").arg(variable) : "[]";
        QCOMPARE(rig.verified(), (Rows{{"[\"ID\",\"NAME\",\"N\"]", fields}}));
        QCOMPARE(rig.audited().size(), corrected ? 1 : 0);
        QVERIFY(rig.engine.verifying());
        QCOMPARE(rig.state.curvar, 1);
    }

    // An unknown key is refused and left to correct; a row verified before is
    // verified again only when the operator says so.
    void keyFindsTheRow()
    {
        VerifyRig rig;
        QVERIFY(rig.openOn());
        rig.enter({"A2", "Jones", "3"});
        QVERIFY(rig.engine.startVerify());
        rig.enter({"B9"});
        QCOMPARE(rig.dialogs.texts(), QStringList{"No record with the ID B9 has been entered."});
        QCOMPARE(rig.view.boxText(Control::TextBox), QString("B9"));
        rig.enter({"A1", "Smith", "12.5"});
        rig.dialogs.queueAnswer(Answer::No);
        rig.enter({"A1"});
        QCOMPARE(rig.dialogs.texts().last(), QString("A1 has already been verified.\nDo you want to verify it again?"));
        QCOMPARE(rig.state.curvar, 1);
        rig.dialogs.queueAnswer(Answer::Yes);
        rig.enter({"A1", "Smith", "12.5"});
        QCOMPARE(rig.verified().size(), 2);
        // A row verified twice counts once; the grid can show the one left.
        QCOMPARE(VerifiedRows(rig.store.currentdb()).countVerified(rig.store.tablename()), std::optional<qint64>(1));
        QVERIFY(ShowUnverifiedOnly(rig.store, true, rig.dialogs, rig.shell));
        QCOMPARE(rig.store.currentrs().recordCount(), 1);
        QCOMPARE(rig.store.currentrs().value(0).toString(), QString("A2"));
    }

    // Nothing is compared before the key has found the row; Ctrl+C starts
    // over at the key, with nothing to bring back. A CFG without a Unique
    // variable cannot be verified.
    void keyComesFirst()
    {
        VerifyRig rig;
        QVERIFY(rig.openOn());
        QVERIFY(rig.engine.startVerify());
        rig.engine.variableListClicked(1);
        rig.enter({"Smyth"});
        QCOMPARE(rig.view.statuses().last(), QString("Type the record's ID first."));
        QCOMPARE(rig.state.curvar, 1);
        rig.enter({"A1", "Smyth"});
        QVERIFY(rig.press(Key::CtrlC));
        QVERIFY(!rig.press(Key::CtrlZ));
        rig.enter({"A1", "Smith", "12.5"});
        QCOMPARE(rig.verified(), (Rows{{"[\"ID\",\"NAME\",\"N\"]", "[]"}}));
        rig.engine.endVerify();
        QVERIFY(rig.state.newrecord);

        EntryRig plain;
        plain.add("NAME", TypeText);
        QVERIFY(plain.open());
        QVERIFY(!plain.engine.startVerify());
        QVERIFY(plain.dialogs.texts().first().contains("first Unique variable, and this CFG has none"));
    }

    // K7 stopped after the key and a corrected NAME: opened again, the CFG
    // offers the record back in verify mode, where it was left.
    void crashMidRecordIsOfferedInVerifyMode()
    {
        VerifyRig first;
        QVERIFY(first.openOn());
        QVERIFY(first.engine.startVerify());
        first.enter({"A1", "Smyth", "Smyth"});
        first.engine.flushJournal();

        VerifyRig again;
        QVERIFY(again.reopen(first));
        again.dialogs.queueAnswer(Answer::Yes);
        again.engine.OfferJournalledRecord();
        QCOMPARE(again.dialogs.texts().size(), 1);
        QVERIFY(again.dialogs.texts().first().startsWith("The verification of A1 was not finished: 2 values"));
        QVERIFY(again.engine.verifying());
        QCOMPARE(again.state.curvar, 3);
        again.enter({"12.5"});
        QCOMPARE(again.table(), (Rows{{"A1", "Smyth", "12.5"}}));
        QCOMPARE(again.audited(), (Rows{{"A1", "NAME", "Smith", "Smyth"}}));
    }
};

QTEST_GUILESS_MAIN(Verify)
#include "tst_verify.moc"
