// What the input controls show for each variable (frame, Tag, box text,
// placeholders, menu, carry, editing captions, help, sounds) and how they
// answer keys and clicks: filtering, one-key choice, stepping back, jumping.

#include "EntryRig.h"

#include <QFile>

using namespace k7;
using namespace k7::test;

class TestDisplay : public QObject {
    Q_OBJECT
private slots:
    void presentationByType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("frame");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("shown");
        auto row = [](const char* name, int type, const char* value, Frame f, const char* tag,
                      const char* shown) {
            QTest::newRow(name) << type << QString(value) << int(f) << QString(tag) << QString(shown);
        };
        const Frame inst = Frame::Instrument;
        row("text", TypeText, "A-17", Frame::Text, "text", "A-17");
        row("numeric", TypeNumeric, "3", Frame::Numeric, "numeric", "3");
        row("menu", TypeMenu, "b", Frame::Menu, "menu", "b");
        row("table", TypeTable, "", Frame::Menu, "menu", "a");
        row("instrument zero", TypeInstrument, "0", inst, "instrument", "<Instrument data>");
        row("instrument value", TypeInstrument, "12.5", inst, "instrument", "12.5");
        row("ohaus", TypeOhaus, "", inst, "instrument", "<press ENTER for OHAUS data>");
        row("gageport", TypeGageport, "0", inst, "instrument", "<Gageport>");
        row("maxcal", TypeMaxcal, "", inst, "instrument", "<Maxcal>");
        row("mitutoyo", TypeMitutoyo, "", inst, "instrument", "<Mitutoyo>");
        row("imagej", TypeImageJ, "0", inst, "imagej", "<Waiting on ImageJ>");
    }
    void presentationByType()
    {
        QFETCH(int, type);
        QFETCH(QString, value);
        QFETCH(int, frame);
        QFETCH(QString, tag);
        QFETCH(QString, shown);
        EntryRig rig;
        rig.add("V", type, 12).varmenu = "a b";
        rig.state.varvalue[1] = value;
        rig.engine.ShowVariable(1);
        const Frame f = *rig.view.frame();
        QCOMPARE(int(f), frame);
        QCOMPARE(rig.view.kindTag(), tag);
        QCOMPARE(rig.view.selectedVariable(), 0);
        QCOMPARE(rig.view.imageJTimerRunning(), type == TypeImageJ);
        QCOMPARE(rig.state.devicewait, f == Frame::Instrument);
        if (f == Frame::Menu) {
            QCOMPARE(*rig.view.focus(), Control::MenuList);
            QCOMPARE(rig.view.selectedMenuText(), shown);
            return;
        }
        const Control box = f == Frame::Text      ? Control::TextBox
                            : f == Frame::Numeric ? Control::NumericBox
                                                  : Control::InstrumentBox;
        QCOMPARE(*rig.view.focus(), box);
        QCOMPARE(rig.view.text(box), shown);
        QVERIFY(rig.view.wholeTextSelected(box));
        if (box == Control::TextBox)
            QCOMPARE(rig.view.maxLength(box), 12);
    }

    void carryOffersLastValueUnlessZero()
    {
        EntryRig rig;
        rig.add("N", TypeNumeric).varcarry = 1;
        rig.state.varvalue[1] = "3";
        rig.state.carryvalue[1] = "0";
        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.text(Control::NumericBox), QString("3"));
        rig.state.carryvalue[1] = "5";
        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.text(Control::NumericBox), QString("5"));
        QCOMPARE(rig.state.varvalue[1], QString("5"));
    }

    void menuLayout_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("items");
        QTest::addColumn<int>("columns");
        QTest::newRow("widest item sets the columns") << "Ceramic Lithic Bone" << 4000 << 3 << 2;
        QTest::newRow("at least one column") << "Ceramic Lithic Bone" << 1000 << 3 << 1;
        QTest::newRow("no items") << "" << 4000 << 0 << 2;
        // Items that are all empty have no width: one column, no division by zero.
        QTest::newRow("only empty items") << ",," << 4000 << 2 << 1;
    }
    void menuLayout()
    {
        QFETCH(QString, menu);
        QFETCH(int, width);
        QFETCH(int, items);
        QFETCH(int, columns);
        EntryRig rig;
        rig.addMenu("M", menu);
        rig.view.setMenuListWidthTwips(width);
        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.menuItems().size(), items);
        QCOMPARE(rig.view.menuColumns(), columns);
        QCOMPARE(rig.view.selectedMenuItem(), items > 0 ? 0 : -1);
    }

    // While a grid cell is edited the cell, not the record, is shown.
    void editingShowsTheGridCell()
    {
        EntryRig rig;
        rig.addMenu("M", "Ceramic Lithic Bone");
        rig.state.varvalue[1] = "Ceramic";
        rig.state.editing = true;
        rig.view.setGridCell(0, 0, "Lithic");
        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.selectedMenuItem(), 1);
        QCOMPARE(rig.view.caption(Frame::Menu), QString("EDITING"));
        QCOMPARE(rig.view.captionFontSize(Frame::Menu), 12);
        QCOMPARE(rig.view.previousCaption(), QString("Cancel"));
        QCOMPARE(rig.view.nextCaption(), QString("Accept"));
        rig.state.varvalue[1].clear();
        rig.view.setGridCell(0, 0, "Bone");
        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.selectedMenuItem(), 2);
        rig.state.editing = false;
        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.caption(Frame::Menu), QString());
        QCOMPARE(rig.view.previousCaption(), QString("Previous"));
        QCOMPARE(rig.view.nextCaption(), QString("Next"));
    }

    // A colour out of range leaves the background as it was.
    void backgroundColourOnlyInRange()
    {
        EntryRig rig;
        rig.add("T", TypeText);
        const QList<QPair<QString, long>> steps{
            {"-1", 16777215L}, {"16777216", 16777215L}, {"255", 255L}, {"-1", 255L}};
        for (const auto& [option, colour] : steps) {
            rig.model.options[OptBackColor] = option;
            rig.engine.ShowVariable(1);
            QCOMPARE(rig.view.backgroundColor(), colour);
        }
    }

    void helpAndSounds()
    {
        EntryRig rig;
        for (const char* name : {"id.htm", "in.wav"}) {
            QFile file(rig.dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        Variable& t = rig.add("T", TypeText);
        t.varinfo = "id.htm";
        t.varwavein = "in.wav";
        rig.add("U", TypeText).varinfo = "missing.htm";
        rig.addMenu("M", "a b").varinfo = "missing.htm";
        rig.add("N", TypeNumeric).varwavein = "nowhere.wav";

        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.help(Frame::Text), rig.dir.filePath("id.htm"));
        QCOMPARE(rig.view.wavesPlayed(), QStringList{rig.dir.filePath("in.wav")});
        QVERIFY(rig.engine.textKey(Key::CtrlI));
        QCOMPARE(rig.view.infoFilesShown(), QStringList{rig.dir.filePath("id.htm")});
        rig.engine.ShowVariable(2);
        QCOMPARE(rig.view.help(Frame::Text), QString());
        // The menu panel is pointed at the file without looking for it.
        rig.engine.ShowVariable(3);
        QCOMPARE(rig.view.help(Frame::Menu), rig.dir.filePath("missing.htm"));
        rig.view.clearSounds();
        rig.engine.ShowVariable(4);
        QVERIFY(rig.view.wavesPlayed().isEmpty());
    }

    void numericBoxTakesOnlyNumberKeys()
    {
        EntryRig rig;
        rig.add("N", TypeNumeric);
        rig.engine.StartRecord();
        for (const char c : QByteArray("0123456789-+.,\b"))
            QVERIFY2(!rig.engine.numericKey(c), QByteArray(1, c).constData());
        for (const char c : QByteArray("a /"))
            QVERIFY2(rig.engine.numericKey(c), QByteArray(1, c).constData());
        QVERIFY(!rig.engine.numericKey(Key::CtrlI));
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
        QCOMPARE(rig.engine.menuKey(code), !accepted.isEmpty());
        QCOMPARE(rig.state.varvalue[1], accepted);
        // After a one-key accept the next variable has the focus.
        QCOMPARE(*rig.view.focus(), accepted.isEmpty() ? Control::MenuList : Control::TextBox);
    }

    void menuClicks()
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

    void escStepsBackAndCtrlCClears()
    {
        EntryRig rig;
        rig.addMenu("KIND", "Ceramic Lithic");
        rig.add("SKIPPED", TypeText).varskip = 1;
        Variable& ceramic = rig.add("CERAMIC", TypeText);
        ceramic.condtext[ceramic.condcount = 1] = "KIND Ceramic";
        rig.add("LAST", TypeText);
        rig.engine.StartRecord();
        rig.enter({"Lithic"});
        QCOMPARE(rig.state.curvar, 4);
        rig.view.type(Control::TextBox, "typed, not accepted");
        QVERIFY(rig.press(Key::Esc));
        QCOMPARE(rig.state.curvar, 1);
        QCOMPARE(rig.state.varvalue[1], QString("Lithic"));
        QCOMPARE(rig.state.varvalue[4], QString());
        // At variable 1 Esc presents variable 1 again.
        const int shown = rig.view.framesShown();
        QVERIFY(rig.press(Key::Esc));
        QCOMPARE(rig.state.curvar, 1);
        QCOMPARE(rig.view.framesShown(), shown + 1);

        // Ctrl+C empties the record in progress, carried values too.
        rig.model.var(3).varcarry = 1;
        rig.enter({"Ceramic", "pot"});
        QCOMPARE(rig.state.curvar, 4);
        QVERIFY(rig.press(Key::CtrlC));
        QCOMPARE(rig.state.curvar, 1);
        for (int v = 1; v <= 4; ++v)
            QCOMPARE(rig.state.varvalue[v], QString());
        QCOMPARE(rig.view.prompt(Frame::Menu), QString("Enter KIND"));
    }

    void variableListAndGridJumps()
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

        // Ctrl+E goes to the grid, but not in the middle of a cell edit.
        rig.state.editing = true;
        rig.engine.ShowVariable(1);
        QVERIFY(rig.engine.textKey(Key::CtrlE));
        QVERIFY(!rig.view.gridHasFocus());
        rig.state.editing = false;
        rig.engine.ShowVariable(1);
        QVERIFY(rig.engine.textKey(Key::CtrlE));
        QVERIFY(rig.view.gridHasFocus());
    }
};

QTEST_GUILESS_MAIN(TestDisplay)
#include "tst_display.moc"
