// Verify mode through the engine: the key finds the row, each value is
// compared blind with the stored one and a second typing decides, the save
// leaves its corrections, audit rows and k7_verified row, and a record being
// verified when K7 stopped is offered back in verify mode. Run on a file and
// again on a server.

#include "support/EntryRig.h"
#include "support/SeparateConnection.h"
#include "support/TestEngine.h"

#include "store/TableDef.h"

#include <QFile>
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

const QString kDiffers = QStringLiteral("Differs from the first entry. Type the value again.");
const QString kVariables = QStringLiteral("[ID]\r\nType=Text\r\nUnique=Yes\r\nLength=20\r\n\r\n"
                                          "[NAME]\r\nType=Text\r\nLength=20\r\n\r\n"
                                          "[N]\r\nType=Numeric\r\nLength=8\r\n");

struct VerifyRig : EntryRig {
    QString dbname;

    // Opens a CFG of the three variables on a new database and saves the
    // record A1, Smith, 12.5.
    bool openOn()
    {
        dbname = NewDatabase(dir, QStringLiteral("site.mdb"));
        const QString cfg = path(QStringLiteral("site.cfg"));
        QFile file(cfg);
        const QByteArray text = (QStringLiteral("[K7]\r\nFilename=") + dbname + QStringLiteral("\r\n") + kVariables)
                                    .toUtf8();
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || (file.close(), !openCfg(cfg)))
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
    QList<QStringList> query(const QString& sql) const
    {
        return querySeparately(dbname, sql).value_or(QList<QStringList>{{QStringLiteral("query failed")}});
    }
    QList<QStringList> table() const { return query("SELECT \"ID\", \"NAME\", \"N\" FROM " + QuoteName(store.tablename())); }
    QList<QStringList> verified() const
    {
        return query("SELECT tablename, checked, corrected, checked_fields, corrected_fields FROM k7_verified ORDER BY id");
    }
    QList<QStringList> audited() const
    {
        return query("SELECT ident, field, before, after FROM k7_audit WHERE action = 'verify' ORDER BY id");
    }
};

}  // namespace

class Verify : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_TEST_ENGINE();
    }

    // NAME (stored Smith) or N (stored 12.5) typed in turn.
    void secondTypingDecides_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("beeps");
        QTest::newRow("number equal as shown") << "N" << QStringList{"12.50"} << "12.5" << 0;
        QTest::newRow("verifier's slip") << "NAME" << QStringList{"Smiht", "Smith"} << "Smith" << 1;
        QTest::newRow("first entry wrong") << "NAME" << QStringList{"Smyth", "Smyth"} << "Smyth" << 1;
        QTest::newRow("case differs") << "NAME" << QStringList{"SMITH", "SMITH"} << "SMITH" << 1;
        QTest::newRow("number wrong") << "N" << QStringList{"12.25", "12.25"} << "12.25" << 1;
        QTest::newRow("third value asks again") << "NAME" << QStringList{"Smyth", "Smithe", "Smithe"} << "Smithe" << 2;
    }
    void secondTypingDecides()
    {
        QFETCH(QString, variable);
        QFETCH(QStringList, typed);
        QFETCH(QString, kept);
        QFETCH(int, beeps);
        VerifyRig rig;
        QVERIFY(rig.openOn());
        QVERIFY(rig.engine.startVerify());
        // The key is folded as uniqueness folds it.
        rig.enter({"a1"});
        QCOMPARE(rig.view.boxText(Control::TextBox), QString());
        for (const QString& name : QStringList{"NAME", "N"}) {
            const QString stored = name == "NAME" ? "Smith" : "12.5";
            // Nothing shows the stored value before it is typed; a value
            // that differs stays in the box.
            QCOMPARE(rig.view.boxText(*rig.view.focus()), QString());
            for (const QString& value : name == variable ? typed : QStringList{stored})
                rig.enter({value});
        }
        QCOMPARE(rig.view.beeps(), beeps);
        QCOMPARE(rig.view.statuses().count(kDiffers), beeps);
        const QString name = variable == "NAME" ? kept : "Smith";
        const QString n = variable == "N" ? kept : "12.5";
        QCOMPARE(rig.table(), (QList<QStringList>{{"A1", name, n}}));
        const bool corrected = kept != (variable == "NAME" ? "Smith" : "12.5");
        const QString fields = corrected ? QStringLiteral("[\"%1\"]").arg(variable) : "[]";
        QCOMPARE(rig.verified(), (QList<QStringList>{{rig.store.tablename(), "3", corrected ? "1" : "0",
                                                      "[\"ID\",\"NAME\",\"N\"]", fields}}));
        QCOMPARE(rig.audited().size(), corrected ? 1 : 0);
        if (corrected)
            QCOMPARE(rig.audited().first().mid(0, 2), (QStringList{"A1", variable}));
        // Ready for the next record, at its key.
        QVERIFY(rig.engine.verifying());
        QCOMPARE(rig.state.curvar, 1);
    }

    // An unknown key is refused with the key left to correct; a row verified
    // before is verified again only when the operator says so.
    void keyFindsTheRow()
    {
        VerifyRig rig;
        QVERIFY(rig.openOn());
        QVERIFY(rig.engine.startVerify());
        rig.enter({"B9"});
        QCOMPARE(rig.dialogs.texts(), QStringList{"No record with the ID B9 has been entered."});
        QCOMPARE(rig.state.curvar, 1);
        QCOMPARE(rig.view.boxText(Control::TextBox), QString("B9"));
        rig.enter({"A1", "Smith", "12.5"});
        rig.dialogs.queueAnswer(Answer::No);
        rig.enter({"A1"});
        QCOMPARE(rig.dialogs.texts().last(), QString("A1 has already been verified.\nDo you want to verify it again?"));
        QCOMPARE(rig.state.curvar, 1);
        rig.dialogs.queueAnswer(Answer::Yes);
        rig.enter({"A1", "Smith", "12.5"});
        QCOMPARE(rig.verified().size(), 2);
        rig.engine.endVerify();
        QVERIFY(!rig.engine.verifying());
        QVERIFY(rig.state.newrecord);
    }

    // Nothing is compared before the key has found the row; Ctrl+C starts
    // the record over at its key, with nothing to bring back.
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
        QCOMPARE(rig.state.curvar, 1);
        QVERIFY(!rig.press(Key::CtrlZ));
        rig.enter({"A1", "Smith", "12.5"});
        QCOMPARE(rig.table(), (QList<QStringList>{{"A1", "Smith", "12.5"}}));
        QCOMPARE(rig.verified().size(), 1);
    }

    void cfgWithoutUniqueIsRefused()
    {
        EntryRig rig;
        rig.add("NAME", TypeText);
        QVERIFY(rig.open());
        QVERIFY(!rig.engine.startVerify());
        QVERIFY(!rig.engine.verifying());
        QVERIFY(rig.dialogs.texts().first().contains("first Unique variable, and this CFG has none"));
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
        QCOMPARE(again.state.varvalue[2], QString("Smyth"));
        again.enter({"12.5"});
        QCOMPARE(again.table(), (QList<QStringList>{{"A1", "Smyth", "12.5"}}));
        QCOMPARE(again.audited(), (QList<QStringList>{{"A1", "NAME", "Smith", "Smyth"}}));
        QCOMPARE(again.verified().size(), 1);
    }
};

QTEST_GUILESS_MAIN(Verify)
#include "tst_verify.moc"
