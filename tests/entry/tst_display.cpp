// Presenting variables: frame, Tag, box text, menu, carry, auto-increment,
// placeholders, editing captions and help.

#include "EntryRig.h"

#include <QFile>

using namespace k7;
using namespace k7::test;

class TestDisplay : public QObject {
    Q_OBJECT
private slots:
    void frameAndTagByType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("frame");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<int>("focus");
        auto row = [](const char* name, int type, Frame f, const char* tag, Control c) {
            QTest::newRow(name) << type << int(f) << QString(tag) << int(c);
        };
        row("text", TypeText, Frame::Text, "text", Control::TextBox);
        row("sqid", TypeSqid, Frame::Text, "text", Control::TextBox);
        row("numeric", TypeNumeric, Frame::Numeric, "numeric", Control::NumericBox);
        row("menu", TypeMenu, Frame::Menu, "menu", Control::MenuList);
        row("table", TypeTable, Frame::Menu, "menu", Control::MenuList);
        row("instrument", TypeInstrument, Frame::Instrument, "instrument", Control::InstrumentBox);
        row("ohaus", TypeOhaus, Frame::Instrument, "instrument", Control::InstrumentBox);
        row("mitutoyo", TypeMitutoyo, Frame::Instrument, "instrument", Control::InstrumentBox);
        row("imagej", TypeImageJ, Frame::Instrument, "imagej", Control::InstrumentBox);
    }
    void frameAndTagByType()
    {
        QFETCH(int, type);
        QFETCH(int, frame);
        QFETCH(QString, tag);
        QFETCH(int, focus);
        EntryRig rig;
        rig.add("V", type).varmenu = "a b";
        rig.engine.ShowVariable(1);
        QCOMPARE(int(*rig.view.frame()), frame);
        QCOMPARE(rig.view.kindTag(), tag);
        QCOMPARE(int(*rig.view.focus()), focus);
        QCOMPARE(rig.view.prompt(Frame(frame)), QString("Enter V"));
        QCOMPARE(rig.view.previousCaption(), QString("Previous"));
        QCOMPARE(rig.view.nextCaption(), QString("Next"));
        QCOMPARE(rig.view.caption(Frame(frame)), QString());
        QCOMPARE(rig.view.imageJTimerRunning(), type == TypeImageJ);
        QCOMPARE(rig.state.devicewait, frame == int(Frame::Instrument));
    }

    void textBoxShowsValueSelectedWithItsLength()
    {
        EntryRig rig;
        rig.add("ID", TypeText, 12);
        rig.state.varvalue[1] = "A-17";
        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.text(Control::TextBox), QString("A-17"));
        QVERIFY(rig.view.wholeTextSelected(Control::TextBox));
        QCOMPARE(rig.view.maxLength(Control::TextBox), 12);
        QCOMPARE(rig.view.selectedVariable(), 0);
    }

    void carryOffersLastValueUnlessEmptyOrZero_data()
    {
        QTest::addColumn<QString>("carried");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("carried value replaces typed") << "5" << "3" << "5";
        QTest::newRow("zero is not offered") << "0" << "3" << "3";
        QTest::newRow("empty is not offered") << "" << "" << "";
    }
    void carryOffersLastValueUnlessEmptyOrZero()
    {
        QFETCH(QString, carried);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        EntryRig rig;
        rig.add("N", TypeNumeric).varcarry = 1;
        rig.state.carryvalue[1] = carried;
        rig.state.varvalue[1] = typed;
        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.text(Control::NumericBox), shown);
        QCOMPARE(rig.state.varvalue[1], shown);
    }

    void autoIncrementRisesOnEveryPresentation()
    {
        EntryRig rig;
        rig.add("N", TypeNumeric).varautoinc = 1;
        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.text(Control::NumericBox), QString("1"));
        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.text(Control::NumericBox), QString("2"));
        rig.state.varvalue[1] = "2.5";
        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.text(Control::NumericBox), QString("3.5"));
    }

    void instrumentPlaceholders_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("instrument");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("instrument empty") << int(TypeInstrument) << "" << "" << "<Instrument data>";
        QTest::newRow("instrument zero") << int(TypeInstrument) << "" << "0" << "<Instrument data>";
        QTest::newRow("wedge") << int(TypeInstrument) << "KEYBOARD" << "" << "<Keyboard wedge data>";
        QTest::newRow("value kept") << int(TypeInstrument) << "" << "12.5" << "12.5";
        QTest::newRow("ohaus") << int(TypeOhaus) << "" << "" << "<press ENTER for OHAUS data>";
        QTest::newRow("gageport") << int(TypeGageport) << "" << "0" << "<Gageport>";
        QTest::newRow("maxcal") << int(TypeMaxcal) << "" << "" << "<Maxcal>";
        QTest::newRow("mitutoyo") << int(TypeMitutoyo) << "" << "" << "<Mitutoyo>";
        QTest::newRow("imagej") << int(TypeImageJ) << "" << "0" << "<Waiting on ImageJ>";
    }
    void instrumentPlaceholders()
    {
        QFETCH(int, type);
        QFETCH(QString, instrument);
        QFETCH(QString, value);
        QFETCH(QString, shown);
        EntryRig rig;
        rig.model.options[OptInstrument] = instrument;
        rig.add("W", type);
        rig.state.varvalue[1] = value;
        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.text(Control::InstrumentBox), shown);
        QVERIFY(rig.view.wholeTextSelected(Control::InstrumentBox));
    }

    void menuColumnsAndSelection()
    {
        EntryRig rig;
        rig.addMenu("M", "Ceramic Lithic Bone");
        rig.view.setMenuListWidthTwips(4000);
        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.menuItems(), (QStringList{"Ceramic", "Lithic", "Bone"}));
        QCOMPARE(rig.view.menuColumns(), 4000 / (7 * 200));
        QCOMPARE(rig.view.selectedMenuItem(), 0);
        rig.state.varvalue[1] = "Bone";
        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.selectedMenuItem(), 2);
        rig.view.setMenuListWidthTwips(1000);
        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.menuColumns(), 1);
    }

    void emptyMenusAreSafe()
    {
        EntryRig rig;
        rig.addMenu("M", "");
        rig.addMenu("E", ",,");
        rig.engine.ShowVariable(1);
        QVERIFY(rig.view.menuItems().isEmpty());
        QCOMPARE(rig.view.selectedMenuItem(), -1);
        QCOMPARE(rig.view.menuColumns(), 4000 / (10 * 200));
        // Items that are all empty have no width: one column, no division by zero.
        rig.engine.ShowVariable(2);
        QCOMPARE(rig.view.menuItems().size(), 2);
        QCOMPARE(rig.view.menuColumns(), 1);
    }

    void editingFollowsTheGridCell()
    {
        EntryRig rig;
        rig.addMenu("M", "Ceramic Lithic Bone");
        rig.add("T", TypeText);
        rig.state.varvalue[1] = "Ceramic";
        rig.state.varvalue[2] = "record";
        rig.state.editing = true;
        rig.view.setGridCell(0, 0, "Lithic");
        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.selectedMenuItem(), 1);
        QCOMPARE(rig.view.caption(Frame::Menu), QString("EDITING"));
        QCOMPARE(rig.view.captionFontSize(Frame::Menu), 12);
        QCOMPARE(rig.view.previousCaption(), QString("Cancel"));
        QCOMPARE(rig.view.nextCaption(), QString("Accept"));
        rig.view.setGridCell(0, 1, "from grid");
        rig.engine.ShowVariable(2);
        QCOMPARE(rig.view.text(Control::TextBox), QString("from grid"));
        // A menu edit selects the cell's item even when the record holds nothing.
        rig.state.varvalue[1].clear();
        rig.view.setGridCell(0, 0, "Bone");
        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.selectedMenuItem(), 2);
    }

    void backgroundColourOnlyInRange_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<long>("colour");
        QTest::newRow("in range") << "255" << 255L;
        QTest::newRow("negative") << "-1" << 16777215L;
        QTest::newRow("too large") << "16777216" << 16777215L;
    }
    void backgroundColourOnlyInRange()
    {
        QFETCH(QString, option);
        QFETCH(long, colour);
        EntryRig rig;
        rig.add("T", TypeText);
        rig.model.options[OptBackColor] = option;
        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.backgroundColor(), colour);
    }

    void helpPanelAndSounds()
    {
        EntryRig rig;
        QFile help(rig.dir.filePath("id.htm"));
        QVERIFY(help.open(QIODevice::WriteOnly));
        help.close();
        QFile wave(rig.dir.filePath("in.wav"));
        QVERIFY(wave.open(QIODevice::WriteOnly));
        wave.close();
        Variable& t = rig.add("T", TypeText);
        t.varinfo = "id.htm";
        t.varwavein = "in.wav";
        rig.add("U", TypeText).varinfo = "missing.htm";
        rig.addMenu("M", "a b").varinfo = "missing.htm";
        rig.add("N", TypeNumeric).varwavein = "nowhere.wav";

        rig.engine.ShowVariable(1);
        QCOMPARE(rig.view.help(Frame::Text), rig.dir.filePath("id.htm"));
        QCOMPARE(rig.view.wavesPlayed(), QStringList{rig.dir.filePath("in.wav")});
        rig.engine.ShowVariable(2);
        QCOMPARE(rig.view.help(Frame::Text), QString());
        // The menu panel is pointed at the file without looking for it.
        rig.engine.ShowVariable(3);
        QCOMPARE(rig.view.help(Frame::Menu), rig.dir.filePath("missing.htm"));
        rig.view.clearSounds();
        rig.engine.ShowVariable(4);
        QVERIFY(rig.view.wavesPlayed().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDisplay)
#include "tst_display.moc"
