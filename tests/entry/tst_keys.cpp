// Keys and clicks of the input controls, stepping back and jumping.

#include "EntryRig.h"

using namespace k7;
using namespace k7::test;

class TestKeys : public QObject {
    Q_OBJECT
private slots:
    void numericFilter_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("consumed");
        for (char c : QByteArray("0123456789-+.,"))
            QTest::newRow(QByteArray(1, c).constData()) << int(c) << false;
        QTest::newRow("letter") << int('a') << true;
        QTest::newRow("blank") << int(' ') << true;
        QTest::newRow("slash") << int('/') << true;
        QTest::newRow("backspace") << 8 << false;
        QTest::newRow("ctrl+i without help") << int(Key::CtrlI) << false;
    }
    void numericFilter()
    {
        QFETCH(int, code);
        QFETCH(bool, consumed);
        EntryRig rig;
        rig.add("N", TypeNumeric);
        rig.engine.StartRecord();
        QCOMPARE(rig.engine.numericKey(code), consumed);
        QCOMPARE(rig.state.curvar, 1);
    }

    void letterChoice_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("accepted");
        QTest::newRow("single match accepts") << "Ceramic Charcoal Lithic" << int('l') << "Lithic";
        QTest::newRow("upper case key") << "Ceramic Charcoal Lithic" << int('L') << "Lithic";
        QTest::newRow("two matches pass") << "Ceramic Charcoal Lithic" << int('c') << "";
        QTest::newRow("no match passes") << "Ceramic Charcoal Lithic" << int('x') << "";
        QTest::newRow("numbered items") << "1 Yes,2 No" << int('2') << "2 No";
    }
    void letterChoice()
    {
        QFETCH(QString, menu);
        QFETCH(int, code);
        QFETCH(QString, accepted);
        EntryRig rig;
        rig.addMenu("M", menu);
        rig.add("T", TypeText);
        rig.engine.StartRecord();
        const bool consumed = rig.engine.menuKey(code);
        QCOMPARE(consumed, !accepted.isEmpty());
        QCOMPARE(rig.state.varvalue[1], accepted);
        QCOMPARE(rig.state.curvar, accepted.isEmpty() ? 1 : 2);
        // After a one-key accept the next variable keeps the focus.
        QCOMPARE(*rig.view.focus(), accepted.isEmpty() ? Control::MenuList : Control::TextBox);
    }

    void menuHelpFollowsSelection()
    {
        EntryRig rig;
        rig.addMenu("M", "Ceramic Lithic").varinfo = "types.htm";
        rig.add("T", TypeText);
        rig.engine.StartRecord();
        rig.view.pick(1);
        rig.engine.menuListClicked();
        QCOMPARE(rig.view.help(Frame::Menu), rig.dir.filePath("types.htm") + "#Lithic");
        rig.state.listguard = true;
        rig.engine.menuListDoubleClicked();
        QCOMPARE(rig.state.curvar, 1);
        rig.state.listguard = false;
        rig.engine.menuListDoubleClicked();
        QCOMPARE(rig.state.varvalue[1], QString("Lithic"));
    }

    void ctrlIOpensTheHelpFile()
    {
        EntryRig rig;
        rig.add("T", TypeText).varinfo = "/data/help/t.htm";
        rig.add("U", TypeText);
        rig.engine.StartRecord();
        QVERIFY(rig.engine.textKey(Key::CtrlI));
        QCOMPARE(rig.view.infoFilesShown(), QStringList{"/data/help/t.htm"});
        rig.engine.variableListClicked(1);
        QVERIFY(!rig.engine.textKey(Key::CtrlI));
        QCOMPARE(rig.view.infoFilesShown().size(), 1);
    }

    void clearRecordEmptiesEverythingIncludingCarried()
    {
        EntryRig rig;
        rig.add("A", TypeText);
        rig.add("B", TypeNumeric).varcarry = 1;
        rig.add("C", TypeText);
        rig.engine.StartRecord();
        rig.state.varvalue[1] = "x";
        rig.state.varvalue[2] = "7";
        rig.state.curvar = 3;
        rig.engine.ShowVariable(3);
        QVERIFY(rig.engine.textKey(Key::CtrlC));
        QCOMPARE(rig.state.curvar, 1);
        for (int v = 1; v <= 3; ++v)
            QCOMPARE(rig.state.varvalue[v], QString());
        QCOMPARE(*rig.view.frame(), Frame::Text);
        QCOMPARE(rig.view.prompt(Frame::Text), QString("Enter A"));
    }

    void escStepsBackOverSkippedAndUnaskedVariables()
    {
        EntryRig rig;
        rig.addMenu("KIND", "Ceramic Lithic");
        rig.add("SKIPPED", TypeText).varskip = 1;
        rig.add("CERAMIC", TypeText);
        rig.condition(3, "KIND Ceramic");
        rig.add("LAST", TypeText);
        rig.engine.StartRecord();
        rig.view.choose(rig.engine, "Lithic");
        QCOMPARE(rig.state.curvar, 4);
        rig.view.type(Control::TextBox, "typed, not accepted");
        QVERIFY(rig.view.press(rig.engine, Key::Esc));
        QCOMPARE(rig.state.curvar, 1);
        QCOMPARE(rig.state.varvalue[1], QString("Lithic"));
        QCOMPARE(rig.state.varvalue[4], QString());
        // At variable 1 Esc presents variable 1 again.
        const int shown = rig.view.framesShown();
        QVERIFY(rig.view.press(rig.engine, Key::Esc));
        QCOMPARE(rig.state.curvar, 1);
        QCOMPARE(rig.view.framesShown(), shown + 1);
    }

    void variableListJumpsUnlessGuarded()
    {
        EntryRig rig;
        rig.add("A", TypeText);
        rig.add("B", TypeText).varskip = 1;
        rig.engine.StartRecord();
        rig.engine.variableListClicked(1);
        QCOMPARE(rig.state.curvar, 2);
        rig.state.listguard = true;
        rig.engine.variableListClicked(0);
        QCOMPARE(rig.state.curvar, 2);
        rig.state.listguard = false;
        rig.engine.variableListClicked(7);
        QCOMPARE(rig.state.curvar, 2);
        rig.engine.variableListDoubleClicked(0);
        QCOMPARE(rig.view.propertiesOpened(), QList<int>{1});
    }

    void ctrlEMovesToTheGridOnlyWhenNotEditing()
    {
        EntryRig rig;
        rig.add("A", TypeText);
        rig.engine.StartRecord();
        QVERIFY(rig.engine.textKey(Key::CtrlE));
        QVERIFY(rig.view.gridHasFocus());
        rig.state.editing = true;
        rig.engine.ShowVariable(1);
        QVERIFY(rig.engine.textKey(Key::CtrlE));
        QVERIFY(!rig.view.gridHasFocus());
    }
};

QTEST_GUILESS_MAIN(TestKeys)
#include "tst_keys.moc"
