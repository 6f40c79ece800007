// Serial instruments and the keyboard wedge: the Com option, the receive
// handling, the lines real balances and gauges send, readings from
// pseudo-terminals (bursts, hang-ups, the simulator) saved as records through
// the whole program, and typed wedge input. The ImageJ link: tst_imagej.

#include "InstrumentRig.h"
#include "support/CaseTable.h"
#include "instruments/ComOption.h"
#include "instruments/InstrumentReceiver.h"
#include "instruments/ReadingFit.h"
#include "instruments/SerialSettings.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <QSerialPort>
#include <QThread>

using namespace k7;
using namespace k7::test;

namespace {

const QString kPlaceholder = "<Instrument data>";

// Accepting records the box and presents the variable again, as the engine does.
struct ReceiverRig {
    FakeInstrumentPort port;
    RecordingEntryView view;
    bool devicewait = true;
    QStringList accepted;
    QStringList cues;
    QByteArray duringFirstAccept;
    InstrumentReceiver receiver{port, view, DeviceWait::of(devicewait),
                                [this] {
                                    accepted << view.boxText(Control::InstrumentBox);
                                    view.setBoxText(Control::InstrumentBox, kPlaceholder);
                                    devicewait = true;
                                    if (accepted.size() == 1 && !duringFirstAccept.isEmpty())
                                        port.arrive(duringFirstAccept);
                                },
                                [this](const QString& text) { cues << text; }};
    ReceiverRig()
    {
        port.open({}, {});
        view.setBoxText(Control::InstrumentBox, kPlaceholder);
    }
};

}  // namespace

class TestInstruments : public QObject {
    Q_OBJECT

private slots:
    void portDeviceAndSettings_data() { addCaseRows("instruments/com-option.tsv"); }
    void portDeviceAndSettings()
    {
        QFETCH(Case, c);
        const QString iniEntry = c.text("k7.ini entry"), label = c.text("label"), refusal = c.text("refusal");
        const auto parsed = ParseComOption(c.text("com"));
        QCOMPARE(bool(parsed), !label.isEmpty());
        if (!parsed)
            return;
        QCOMPARE(parsed->label(), label);
        const IniLookup ini = [&](const QString& key) {
            return key == iniEntry.section(u'=', 0, 0) ? iniEntry.section(u'=', 1) : QString();
        };
        QCOMPARE(DeviceForPort(*parsed, ini), c.text("device"));
        QString reason;
        const auto s = ParseSerialSettings(parsed->settings, &reason);
        QVERIFY2(bool(s) == refusal.isEmpty(), qPrintable(reason));
        if (!s) {
            QVERIFY2(reason.contains(refusal), qPrintable(reason));
            return;
        }
        using P = QSerialPort;
        const QStringList parities{"none", "", "even", "odd", "space", "mark"};
        const QHash<int, QString> stops{{P::OneStop, "1"}, {P::OneAndHalfStop, "1.5"}, {P::TwoStop, "2"}};
        const QString taken = QString("%1 %2 %3 %4%5").arg(s->baud).arg(parities.value(s->parity)).arg(s->dataBits)
                                  .arg(stops.value(s->stopBits), s->carriageReturnEnds ? " CR" : "");
        QCOMPARE(taken, c.text("settings"));
    }

    void receiveHandling_data()
    {
        addCaseRows("instruments/receive.tsv");
        // Mended: each character re-set the whole box, so a line that never
        // ended cost time growing with the square of its length.
        const QString overlong = "  " + QString(32000, u'7');
        const auto row = [](const char* name, const QString& pieces, const QString& box, const QString& cue) {
            QTest::newRow(name) << Case(name, {{"pieces", pieces}, {"accepted", ""}, {"box", box}, {"cue", cue},
                                               {"kind", "instrument"}, {"during first accept", ""}});
        };
        row("overlong line is capped, then refused", overlong.left(16000) + '|' + overlong.mid(16000),
            QString(InstrumentReceiver::kMaxReading, u'7'), "");
        row("overlong line ended", overlong + "\\n", kPlaceholder, "longer than 255 characters");
    }
    void receiveHandling()
    {
        QFETCH(Case, c);
        const QString cue = c.text("cue");
        ReceiverRig rig;
        rig.view.setEntryButtons("Previous", "Next", c.text("kind"));
        rig.duringFirstAccept = c.bytes("during first accept");
        for (const QByteArray& piece : c.byteList("pieces"))
            rig.port.arrive(piece);
        QCOMPARE(rig.accepted, c.list("accepted"));
        QCOMPARE(rig.view.boxText(Control::InstrumentBox), c.text("box"));
        QCOMPARE(rig.port.bytesAvailable(), qint64(0));
        QCOMPARE(rig.cues.size(), cue.isEmpty() ? 0 : 1);
        if (!cue.isEmpty())
            QVERIFY2(rig.cues.first().contains(cue), qPrintable(rig.cues.first()));
    }

    void readingsThroughAPseudoTerminal()
    {
        auto pty = std::make_unique<PtyPair>();
        QVERIFY2(pty->start(), "socat made no pseudo-terminal pair");
        ProgramRig rig;
        const QString com = pty->programEnd() + ":9600,N,8,1";
        QVERIFY(rig.open(caliperCfg(com)));

        // A reading in two pieces is one value, accepted once.
        pty->send("+00");
        QTRY_COMPARE(rig.box(), "+00");
        QCOMPARE(rig.state.curvar, 1);
        pty->send("12.50\r\n");
        QTRY_COMPARE(rig.state.curvar, 2);
        QCOMPARE(rig.state.varvalue[1], "+0012.50");
        pty->send("  12.57\r\n");
        QTRY_COMPARE(rig.column("LENGTH"), QStringList{"12.5"});
        QCOMPARE(rig.column("WIDTH"), QStringList{"12.57"});

        // Mended: a CFG without a port kept receiving from the last one's
        // instrument; what it sends meanwhile must not arrive on reopening.
        rig.model.options[OptCom].clear();
        rig.instruments.openPort();
        QVERIFY(!rig.instruments.portOpen());
        pty->send("  3.00\r\n");
        QTest::qWait(200);
        rig.model.options[OptCom] = com;
        rig.instruments.openPort();
        QVERIFY(rig.instruments.portOpen());
        pty->send("  4.75\r\n");
        QTRY_COMPARE(rig.state.curvar, 2);
        QCOMPARE(rig.state.varvalue[1], "4.75");

        // Unplugged mid-record: reported once, with the way back; the record
        // is kept and finished by hand.
        pty->hangUp();
        QTRY_COMPARE(rig.dialogs.messages().size(), 1);
        const QString lost = rig.dialogs.messages().first().text;
        QCOMPARE(lost.section(u'\n', 0, 0),
                 QString("Error: Lost connection to port %1.").arg(com.section(u':', 0, 0)));
        QVERIFY2(lost.contains(QLatin1String("Reconnect instrument")), qPrintable(lost));
        QVERIFY(!rig.instruments.portOpen());
        rig.wedge("2");
        QCOMPARE(rig.column("LENGTH"), (QStringList{"12.5", "4.75"}));
        QCOMPARE(rig.column("WIDTH"), (QStringList{"12.57", "2"}));

        // Plugged back in: reconnecting is offered, and readings come again.
        rig.dialogs.queueAnswer(Answer::Yes);
        QVERIFY(pty->start());
        QTRY_COMPARE_WITH_TIMEOUT(rig.dialogs.messages().size(), 2, 5000);
        QCOMPARE(rig.dialogs.messages().last().style, Style::YesNo + Style::Question);
        QVERIFY(rig.instruments.portOpen());
        pty->send("  5.5\r\n");
        QTRY_COMPARE(rig.state.varvalue[1], "5.5");
    }

    // Mended: a burst followed at once by the device going away lost the
    // readings still in the kernel's queue, which the hang-up throws away,
    // because the device was read only between readings.
    void burstThenHangUpKeepsEveryReading()
    {
        for (int run = 1; run <= 20; ++run) {
            PtyPair pty;
            QVERIFY2(pty.start(), "socat made no pseudo-terminal pair");
            ProgramRig rig;
            QVERIFY(rig.open(caliperCfg(pty.programEnd() + ":9600,N,8,1", {"LENGTH"})));
            QStringList lengths;
            QByteArray burst;
            for (int i = 1; i <= 20; ++i) {
                lengths << QString::number(run * 100 + i);
                burst += "  " + lengths.last().toLatin1() + ".00\r\n";
            }
            pty.send(burst);
            pty.hangUp();
            QTRY_COMPARE(rig.dialogs.messages().size(), 1);
            QVERIFY2(rig.column("LENGTH") == lengths, qPrintable(QString("run %1: %2")
                         .arg(run).arg(rig.column("LENGTH").join(u' '))));
        }
    }

    // Mended: the loss of a port, noticed by its reader just before a CFG
    // was reopened on another port, closed the new port and reported it
    // lost once the notice came through: reopening closes one port and
    // opens the next without passing through the event loop.
    void lossOfTheOldPortSparesTheNewOne()
    {
        PtyPair first, second;
        QVERIFY2(first.start() && second.start(), "socat made no pseudo-terminal pair");
        ProgramRig rig;
        QVERIFY(rig.open(caliperCfg(first.programEnd() + ":9600,N,8,1", {"LENGTH"})));
        QVERIFY(rig.instruments.portOpen());
        first.hangUp();
        // The reader's thread notices the hang-up and posts the notice while
        // this thread is busy; the next CFG opens before it is delivered.
        QThread::msleep(1000);
        QVERIFY(rig.open(caliperCfg(second.programEnd() + ":9600,N,8,1", {"LENGTH"})));
        QTest::qWait(300);
        QVERIFY(rig.instruments.portOpen());
        QVERIFY(rig.dialogs.messages().isEmpty());
        second.send("  4.5\r\n");
        QTRY_COMPARE(rig.column("LENGTH"), QStringList{"4.5"});
    }

    // Lines as real balances and gauges send them, through the receiver and
    // the accept step into the table (tests/data/instruments/device-lines.tsv).
    void devicesLines_data() { addCaseRows("instruments/device-lines.tsv"); }
    void devicesLines()
    {
        QFETCH(Case, c);
        const QString refusal = c.text("refusal");
        FakePortRig rig;
        QVERIFY(rig.open(caliperCfg("/dev/fake:" + c.text("settings", "9600,N,8,1"), {"LENGTH"})));
        for (const QByteArray& piece : c.byteList("pieces")) {
            if (piece.startsWith("[typed ")) {  // over what the box shows
                rig.view.setBoxText(Control::InstrumentBox, QString());
                rig.wedge(QString::fromUtf8(piece.mid(7).chopped(1)));
            } else if (piece.isEmpty()) {
                QVERIFY(rig.instruments.instrumentKey(Key::Enter));
            } else {
                rig.fake.arrive(piece);
            }
        }
        QCOMPARE(rig.column("LENGTH"), c.list("stored"));
        QCOMPARE(rig.notices.size(), refusal.isEmpty() ? 0 : 1);
        if (!refusal.isEmpty()) {
            QVERIFY2(rig.notices.first().contains(QLatin1String("refused: ")) && rig.notices.first().contains(refusal),
                     qPrintable(rig.notices.first()));
            QCOMPARE(rig.view.beeps(), 1);
            // The variable stays presented, waiting for a reading.
            QCOMPARE(rig.state.curvar, 1);
            QCOMPARE(rig.box(), kPlaceholder);
        }
    }

    // A reading's number against the variable's Length and its field, at
    // the edges of each (the rows above go through the whole program).
    void readingAgainstTheVariable_data() { addCaseRows("instruments/reading-fit.tsv"); }
    void readingAgainstTheVariable()
    {
        QFETCH(Case, c);
        const QString misfit = c.text("misfit"), type = c.text("field");
        const QStringList types{"long", "single", "text"};
        const QList<FieldType> fieldTypes{FieldType::Long, FieldType::Single, FieldType::Text};
        QVERIFY2(type.isEmpty() || types.contains(type), c.name());
        Variable var;
        var.varname = "V";
        var.varlength = c.number("length");
        std::optional<FieldDef> field;
        if (!type.isEmpty())
            field = FieldDef{"F", fieldTypes.value(types.indexOf(type)), c.number("size")};
        const QString reason = ReadingMisfit(c.text("number"), var, field);
        QVERIFY2(misfit.isEmpty() ? reason.isEmpty() : reason.contains(misfit), qPrintable(reason));
    }

    // The switches around a reading: refusing unstable readings (k7.ini; some
    // laboratories print them on purpose, overloads stay refused) and the
    // beep after instrument input (mended: the Sound option changed nothing).
    void switchesAroundReadings_data() { addCaseRows("instruments/reading-switches.tsv"); }
    void switchesAroundReadings()
    {
        QFETCH(Case, c);
        FakePortRig rig;
        rig.ini.insert(kRefuseUnstableKey, c.text("refuse unstable"));
        QVERIFY(rig.open(caliperCfg("/dev/fake:9600,N,8,1\r\n" + c.text("option"), {"LENGTH"})));
        rig.fake.arrive("S D     100.01 g\r\n       0.01 g ?\r\nUS,+001234.6  g\r\nS +\r\n  2.5\r\n");
        QCOMPARE(rig.column("LENGTH"), c.list("stored"));
        QCOMPARE(rig.view.beeps(), c.number("beeps"));  // one per refusal, one per reading taken with Sound on
    }

    // Mended: input went on being worked off with no CFG open and while one
    // was being opened, into a record of no table.
    void noInputIsTakenWhileStopped()
    {
        FakePortRig rig;
        QVERIFY(rig.open(caliperCfg("/dev/fake:9600,N,8,1", {"LENGTH"})));
        rig.instruments.stopInput();  // an open sequence begins
        QVERIFY(!rig.instruments.portOpen());
        rig.instruments.openPort();  // its port opens before its questions
        rig.fake.arrive("  3.25\r\n");
        QCOMPARE(rig.state.curvar, 1);
        QVERIFY(rig.column("LENGTH").isEmpty());
        // Arrived during the open: entered once the first record is presented.
        rig.instruments.resumeInput();
        QCOMPARE(rig.column("LENGTH"), QStringList{"3.25"});

        // Readings still waiting when the CFG goes are dropped, and counted.
        rig.instruments.stopInput();
        rig.instruments.openPort();
        rig.fake.arrive("  1\r\n  2\r\n  3");
        rig.instruments.stopInput();
        QCOMPARE(rig.notices.size(), 1);
        QVERIFY2(rig.notices.first().startsWith(QLatin1String("2 instrument reading(s)")), qPrintable(rig.notices.first()));
        QCOMPARE(rig.column("LENGTH"), QStringList{"3.25"});
    }

    // Mended: a COMn port did not say which device it tried, nor how to choose another.
    void portThatCannotBeOpened_data() { addCaseRows("instruments/port-failures.tsv"); }
    void portThatCannotBeOpened()
    {
        QFETCH(Case, c);
        const QString reason = c.text("reason"), device = c.text("device");
        ProgramRig rig;
        rig.ini.insert("COM2", rig.path("no-such-tty"));
        QVERIFY(rig.open(caliperCfg(c.text("com"), {"LENGTH"})));
        QCOMPARE(rig.dialogs.messages().size(), 1);
        QCOMPARE(rig.dialogs.messages().first().style, 0);
        const QStringList lines = rig.dialogs.messages().first().text.split(u'\n');
        QCOMPARE(lines.first(), "Error: Could not open port " + c.text("port"));
        QCOMPARE(lines.size(), device.isEmpty() ? 2 : 3);
        QVERIFY2(!lines.at(1).isEmpty() && lines.at(1).contains(reason), qPrintable(lines.at(1)));
        if (!device.isEmpty())
            QVERIFY2(lines.at(2).contains(device), qPrintable(lines.at(2)));
        rig.wedge("7.25");
        QCOMPARE(rig.column("LENGTH"), QStringList{"7.25"});
    }

    void keyboardWedgeAndBoxKeys()
    {
        ProgramRig rig;
        const QString wedgeText = "<Keyboard wedge data>";
        QVERIFY(rig.open(caliperCfg(QString(), {"LENGTH", "WIDTH"}, "KEYBOARD")));
        QCOMPARE(rig.box(), wedgeText);
        rig.wedge("3.5");
        QCOMPARE(rig.state.varvalue[1], "3.5");
        QCOMPARE(rig.box(), wedgeText);

        // Esc steps back and shows the value; Ctrl+E goes to the grid; Tab
        // without an info file and other keys are left to the box.
        QVERIFY(rig.instruments.instrumentKey(Key::Esc));
        QCOMPARE(rig.box(), "3.5");
        QVERIFY(rig.instruments.instrumentKey(Key::CtrlE) && rig.view.gridHasFocus());
        QVERIFY(!rig.instruments.instrumentKey(Key::CtrlI) && !rig.instruments.instrumentKey('5'));
        // Ctrl+C empties the record, which is then entered afresh.
        QVERIFY(rig.instruments.instrumentKey(Key::CtrlC));
        QCOMPARE(rig.box(), wedgeText);
        rig.wedge("4");
        rig.wedge("1");
        QCOMPARE(rig.column("LENGTH"), QStringList{"4"});
        QCOMPARE(rig.column("WIDTH"), QStringList{"1"});
        QVERIFY(rig.dialogs.messages().isEmpty());
    }

    // The simulator on its own pseudo-terminal: a burst of 100 readings in
    // each style, with a family's flagged lines between them, becomes exactly
    // the good readings, in order. The simulator waits until K7 has read what
    // it sent, or (unplugged) ends at once; its pseudo-terminal goes with it.
    void simulatorFamiliesInABurst_data() { addCaseRows("instruments/simulator-bursts.tsv"); }
    void simulatorFamiliesInABurst()
    {
        QFETCH(Case, c);
        const QString simulator =
            QFileInfo(QStringLiteral(K7_TEST_DATA "/../../tools/k7-instrument-sim")).absoluteFilePath();
        QTemporaryDir dir;
        const QString link = dir.filePath("instrument");
        QStringList values, stored;
        for (int i = 1; i <= 100; ++i) {
            values << QString::number(i + i / 100.0, 'f', 2);
            stored << ShortestSingle(values.last().toDouble());
        }
        QProcess sim;
        const auto stop = qScopeGuard([&sim] { sim.terminate(); sim.waitForFinished(3000); });
        sim.start(simulator, QStringList{"--link", link, "--rate", "0", "--count", "100", "--style", c.text("style"),
                                         "--values", values.join(u' '), "--wait-open"}
                                 + QProcess::splitCommand(c.text("options")));
        QByteArray said;
        QTRY_VERIFY2((said += sim.readAllStandardOutput()).contains("Com="), qPrintable(QString::fromLocal8Bit(said)));
        const QString com = QString::fromLocal8Bit(said).section("Com=", 1).section(u')', 0, 0);

        ProgramRig rig;
        QVERIFY(rig.open(caliperCfg(com, {"LENGTH"})));
        QVERIFY(rig.instruments.portOpen());
        sim.write("\n");
        QTRY_VERIFY_WITH_TIMEOUT(sim.state() == QProcess::NotRunning, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(rig.column("LENGTH").size(), 100, 20000);
        QCOMPARE(rig.column("LENGTH"), stored);
        QVERIFY(!QFileInfo::exists(link));
    }
};

QTEST_GUILESS_MAIN(TestInstruments)
#include "tst_instruments.moc"
