// Serial instruments and the keyboard wedge: the Com option, the receive
// handling, the lines real balances and gauges send, readings from
// pseudo-terminals (bursts, hang-ups, the simulator) saved as records through
// the whole program, and typed wedge input.
// Then the ImageJ link, with real results files: what a save enters and
// when, the pause, and files that give nothing.

#include "InstrumentRig.h"
#include "support/CaseTable.h"
#include "instruments/ComOption.h"
#include "instruments/InstrumentReceiver.h"
#include "instruments/ReadingFit.h"
#include "instruments/SerialSettings.h"
#include "instruments/SteadyClock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSerialPort>
#include <QTest>
#include <QThread>

#include <sys/stat.h>

using namespace k7;
using namespace k7::test;

Q_DECLARE_METATYPE(k7::SerialSettings)

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

const QByteArray kHeader = " \tArea\tMean\tIntDen\r\n";
const QByteArray kResults = kHeader + "1\t120.5\t33.2\t0.75\r\n";
const QString kWaiting = "<Waiting on ImageJ>";

}  // namespace

class TestInstruments : public QObject {
    Q_OBJECT

private slots:
    void portDeviceAndSettings_data()
    {
        QTest::addColumn<QString>("com");
        QTest::addColumn<QString>("iniEntry");  // KEY=device in k7.ini
        QTest::addColumn<QString>("label");     // empty: no port asked for
        QTest::addColumn<QString>("device");
        QTest::addColumn<SerialSettings>("wanted");
        QTest::addColumn<QString>("refusal");  // what the reason names; empty when accepted
        using P = QSerialPort;
        const QHash<QString, P::Parity> parities{{"none", P::NoParity}, {"even", P::EvenParity}, {"odd", P::OddParity},
                                                 {"mark", P::MarkParity}, {"space", P::SpaceParity}};
        const QHash<QString, P::StopBits> stops{{"1", P::OneStop}, {"1.5", P::OneAndHalfStop}, {"2", P::TwoStop}};
        for (const Case& c : readCases("instruments/com-option.tsv")) {
            const QStringList parts = c.text("settings").split(u' ', Qt::SkipEmptyParts);
            SerialSettings wanted;
            if (!parts.isEmpty()) {
                QVERIFY2(parts.size() == 4 && parities.contains(parts[1]) && stops.contains(parts[3]), c.name());
                wanted = {parts[0].toInt(), parities.value(parts[1]), P::DataBits(parts[2].toInt()), stops.value(parts[3])};
            }
            QTest::newRow(c.name()) << c.text("com") << c.text("k7.ini entry") << c.text("label") << c.text("device")
                                    << wanted << c.text("refusal");
        }
    }
    void portDeviceAndSettings()
    {
        QFETCH(QString, com);
        QFETCH(QString, iniEntry);
        QFETCH(QString, label);
        QFETCH(QString, refusal);

        const auto parsed = ParseComOption(com);
        QCOMPARE(bool(parsed), !label.isEmpty());
        if (!parsed)
            return;
        QCOMPARE(parsed->label(), label);
        const IniLookup ini = [&](const QString& key) {
            return key == iniEntry.section(u'=', 0, 0) ? iniEntry.section(u'=', 1) : QString();
        };
        QTEST(DeviceForPort(*parsed, ini), "device");
        QString reason;
        const auto s = ParseSerialSettings(parsed->settings, &reason);
        QVERIFY2(bool(s) == refusal.isEmpty(), qPrintable(reason));
        if (s)
            QTEST(*s, "wanted");
        else
            QVERIFY2(reason.contains(refusal), qPrintable(reason));
    }

    void receiveHandling_data()
    {
        using Pieces = QList<QByteArray>;
        QTest::addColumn<Pieces>("pieces");
        QTest::addColumn<QStringList>("accepted");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("cue");  // part of the one note given; empty: none
        QTest::addColumn<QString>("kind");  // of the variable presented
        QTest::addColumn<QByteArray>("duringFirstAccept");
        for (const Case& c : readCases("instruments/receive.tsv"))
            QTest::newRow(c.name()) << c.byteList("pieces") << c.list("accepted") << c.text("box") << c.text("cue")
                                    << c.text("kind") << c.bytes("during first accept");
        // Mended: each character re-set the whole box, so a line that never
        // ended cost time growing with the square of its length.
        const QByteArray overlong = "  " + QByteArray(32000, '7');
        QTest::newRow("overlong line is capped, then refused")
            << Pieces{overlong.left(16000), overlong.mid(16000)} << QStringList() << QString(InstrumentReceiver::kMaxReading, u'7')
            << QString() << "instrument" << QByteArray();
        QTest::newRow("overlong line ended") << Pieces{overlong + "\n"} << QStringList() << kPlaceholder
                                             << "longer than 255 characters" << "instrument" << QByteArray();
    }
    void receiveHandling()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QString, cue);
        QFETCH(QString, kind);
        ReceiverRig rig;
        rig.view.setEntryButtons("Previous", "Next", kind);
        QFETCH(QByteArray, duringFirstAccept);
        rig.duringFirstAccept = duringFirstAccept;
        for (const QByteArray& piece : pieces)
            rig.port.arrive(piece);
        QTEST(rig.accepted, "accepted");
        QTEST(rig.view.boxText(Control::InstrumentBox), "box");
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
    void devicesLines_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("refusal");
        for (const Case& c : readCases("instruments/device-lines.tsv"))
            QTest::newRow(c.name()) << c.byteList("pieces") << c.text("settings", "9600,N,8,1") << c.list("stored")
                                    << c.text("refusal");
    }
    void devicesLines()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QString, settings);
        QFETCH(QString, refusal);
        FakePortRig rig;
        QVERIFY(rig.open(caliperCfg("/dev/fake:" + settings, {"LENGTH"})));
        for (const QByteArray& piece : pieces) {
            if (piece.isEmpty())
                QVERIFY(rig.instruments.instrumentKey(Key::Enter));
            else
                rig.fake.arrive(piece);
        }
        QTEST(rig.column("LENGTH"), "stored");
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
    void readingAgainstTheVariable_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<double>("length");
        QTest::addColumn<int>("type");  // a FieldType; -1: no field
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("misfit");  // part of the reason; empty when it fits
        const QHash<QString, int> types{{"", -1}, {"long", int(FieldType::Long)}, {"single", int(FieldType::Single)},
                                        {"text", int(FieldType::Text)}};
        for (const Case& c : readCases("instruments/reading-fit.tsv")) {
            QVERIFY2(types.contains(c.text("field")), c.name());
            QTest::newRow(c.name()) << c.text("number") << double(c.number("length")) << types.value(c.text("field"))
                                    << c.number("size") << c.text("misfit");
        }
    }
    void readingAgainstTheVariable()
    {
        QFETCH(QString, number);
        QFETCH(double, length);
        QFETCH(int, type);
        QFETCH(int, size);
        QFETCH(QString, misfit);
        Variable var;
        var.varname = "V";
        var.varlength = length;
        std::optional<FieldDef> field;
        if (type >= 0)
            field = FieldDef{"F", FieldType(type), size};
        const QString reason = ReadingMisfit(number, var, field);
        if (misfit.isEmpty())
            QVERIFY2(reason.isEmpty(), qPrintable(reason));
        else
            QVERIFY2(reason.contains(misfit), qPrintable(reason));
    }

    // Enter ends a device reading still on its way (the rows above); once the
    // operator has typed over it, the typed value is taken and the device's
    // unfinished line is forgotten, not glued to the next reading.
    void typedOverAReadingOnItsWay()
    {
        FakePortRig rig;
        QVERIFY(rig.open(caliperCfg("/dev/fake:9600,N,8,1", {"LENGTH"})));
        rig.fake.arrive("+12.5");
        QCOMPARE(rig.box(), "+12.5");
        rig.view.setBoxText(Control::InstrumentBox, QString());
        rig.wedge("7");
        rig.fake.arrive("  3\r\n");
        QCOMPARE(rig.column("LENGTH"), (QStringList{"7", "3"}));
        QVERIFY(rig.notices.isEmpty());
    }

    // The switches around a reading: refusing unstable readings (k7.ini; some
    // laboratories print them on purpose, overloads stay refused) and the
    // beep after instrument input (mended: the Sound option changed nothing).
    void switchesAroundReadings_data()
    {
        QTest::addColumn<QString>("option");  // a line of the CFG's [K7] section
        QTest::addColumn<QString>("refuseUnstable");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<int>("beeps");
        QTest::newRow("defaults") << "" << "" << QStringList{"2.5"} << 4;
        QTest::newRow("unstable let through") << "" << "No" << QStringList{"100.01", "0.01", "1234.6", "2.5"} << 1;
        QTest::newRow("sound on") << "Sound=Yes" << "" << QStringList{"2.5"} << 5;
    }
    void switchesAroundReadings()
    {
        QFETCH(QString, option);
        QFETCH(QString, refuseUnstable);
        FakePortRig rig;
        rig.ini.insert(kRefuseUnstableKey, refuseUnstable);
        QVERIFY(rig.open(caliperCfg("/dev/fake:9600,N,8,1\r\n" + option, {"LENGTH"})));
        rig.fake.arrive("S D     100.01 g\r\n       0.01 g ?\r\nUS,+001234.6  g\r\nS +\r\n  2.5\r\n");
        QTEST(rig.column("LENGTH"), "stored");
        QTEST(rig.view.beeps(), "beeps");  // one per refusal, one per reading taken with Sound on
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

    void portThatCannotBeOpened_data()
    {
        QTest::addColumn<QString>("com");
        QTest::addColumn<QString>("port");    // as the message names it
        QTest::addColumn<QString>("reason");  // part of the line that says why
        QTest::addColumn<QString>("device");  // for COMn: the device named on a third line
        // Mended: a COMn port did not say which device it tried, nor how to choose another.
        QTest::newRow("COM2 mapped to nothing") << "COM2:9600,N,8,1" << "2" << "" << "no-such-tty; the key COM2= in k7.ini";
        QTest::newRow("COM12 without a mapping") << "COM12:9600,N,8,1" << "12" << ""
                                                 << "/dev/ttyS11; the key COM12= in k7.ini";
        QTest::newRow("device path") << "/dev/k7-no-such-tty:9600,N,8,1" << "/dev/k7-no-such-tty" << "" << "";
        QTest::newRow("settings refused") << "/dev/null:9600,Q,8,1" << "/dev/null" << "\"Q\"" << "";
    }
    void portThatCannotBeOpened()
    {
        QFETCH(QString, com);
        QFETCH(QString, reason);
        QFETCH(QString, device);
        QFETCH(QString, port);
        ProgramRig rig;
        rig.ini.insert("COM2", rig.path("no-such-tty"));
        QVERIFY(rig.open(caliperCfg(com, {"LENGTH"})));
        QCOMPARE(rig.dialogs.messages().size(), 1);
        QCOMPARE(rig.dialogs.messages().first().style, 0);
        const QStringList lines = rig.dialogs.messages().first().text.split(u'\n');
        QCOMPARE(lines.first(), "Error: Could not open port " + port);
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
    void simulatorFamiliesInABurst_data()
    {
        QTest::addColumn<QString>("style");
        QTest::addColumn<QString>("extra");
        for (const char* style : {"caliper", "ohaus", "mt-sics", "sartorius", "a-and-d", "sylvac", "mitutoyo"})
            QTest::newRow(style) << QString(style) << QString();
        QTest::newRow("caliper, unplugged 0.05 s after the burst") << "caliper" << "--hangup-after 0.05";
    }
    void simulatorFamiliesInABurst()
    {
        QFETCH(QString, style);
        QFETCH(QString, extra);
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
        sim.start(simulator, QStringList{"--link", link, "--rate", "0", "--count", "100", "--style", style,
                                         "--values", values.join(u' '), "--wait-open"}
                                 + QProcess::splitCommand(extra));
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

    void valueOfASave_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("delaytime");
        QTest::addColumn<qint64>("ms");
        for (const Case& c : readCases("instruments/imagej-saves.tsv"))
            QTest::newRow(c.name()) << c.bytes("content") << c.text("column") << c.text("value") << c.text("delaytime")
                                    << qint64(c.number("ms"));
        QByteArray wide = "h\n1";
        for (int i = 2; i <= 60; ++i)
            wide += '\t' + QByteArray::number(i);
        QTest::newRow("field 50") << wide + '\n' << "50" << "50" << QString() << qint64(0);
        QTest::newRow("no field 51") << wide + '\n' << "51" << QString() << QString() << qint64(0);
    }
    void valueOfASave()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, column);
        QFETCH(QString, value);
        QFETCH(QString, delaytime);
        QFETCH(qint64, ms);

        ProgramRig rig;
        const QString results = rig.path("Results.txt");
        QVERIFY(rig.open(imagejCfg(results, delaytime, column)));
        saveResults(results, content, 0);
        rig.instruments.imageJTick();
        // Even without a delay the accept waits for the event loop, so the
        // window paints the value first.
        QCOMPARE(rig.box(), value);
        QVERIFY(rig.instruments.inputHeld());
        rig.clock->advance(qMax<qint64>(ms - 1, 0));
        QCOMPARE(rig.instruments.inputHeld(), ms > 0);
        rig.clock->advance(1);
        // A number field: what is not a number is saved as 0.
        QCOMPARE(rig.column("AREA"), QStringList{ShortestSingle(value.toDouble())});
        QCOMPARE(rig.box(), kWaiting);
    }

    // Mended: a last row longer than the part of the file read gave a piece
    // of its end, and 0 was stored without a word. A row exactly as long is
    // read whole.
    void overlongLastRow_data()
    {
        QTest::addColumn<qsizetype>("extra");  // bytes beyond the 1 MiB read
        QTest::addColumn<QStringList>("stored");
        QTest::newRow("as long as the part read") << qsizetype(0) << QStringList{"1.25"};
        QTest::newRow("one byte longer") << qsizetype(1) << QStringList{};
        QTest::newRow("longer than twice the part read") << qsizetype(1024 * 1024 + 5) << QStringList{};
    }
    void overlongLastRow()
    {
        QFETCH(qsizetype, extra);
        QFETCH(QStringList, stored);
        ProgramRig rig;
        const QString results = rig.path("Results.txt");
        QVERIFY(rig.open(imagejCfg(results, QString(), "1")));
        QByteArray last = "1.25\t2\t3\t";
        last += QByteArray(1024 * 1024 + extra - last.size(), '7');
        saveResults(results, kHeader + last + "\r\n", 0);
        for (int tick = 0; tick < 2; ++tick) {
            rig.instruments.imageJTick();
            rig.clock->advance(0);
        }
        QCOMPARE(rig.column("AREA"), stored);
        QCOMPARE(rig.notices.size(), stored.isEmpty() ? 1 : 0);
        if (stored.isEmpty()) {
            QVERIFY2(rig.notices.first().contains(QLatin1String("refused: no number")), qPrintable(rig.notices.first()));
            QCOMPARE(rig.view.beeps(), 1);
            QCOMPARE(rig.box(), kWaiting);
            QVERIFY(!rig.instruments.inputHeld());
        }
    }

    // Mended: an ImageJ value beyond what the field holds passed, and the
    // save stopped at a modal overflow box; it is refused as a serial
    // reading is, and the next save is taken.
    void imageJValueBeyondItsField()
    {
        ProgramRig rig;
        const QString results = rig.path("Results.txt");
        QVERIFY(rig.open(imagejCfg(results, QString(), "1")));
        saveResults(results, kHeader + "1e40\t2\t3\r\n", 0);
        rig.instruments.imageJTick();
        rig.clock->advance(0);
        QVERIFY(rig.column("AREA").isEmpty());
        QCOMPARE(rig.view.beeps(), 1);
        QCOMPARE(rig.notices.size(), 1);
        QVERIFY2(rig.notices.first().contains(QLatin1String("1e40 from")) && rig.notices.first().contains("refused"),
                 qPrintable(rig.notices.first()));
        QCOMPARE(rig.box(), kWaiting);
        QVERIFY(rig.dialogs.messages().isEmpty());

        saveResults(results, kHeader + "12.5\t2\t3\r\n", 1);
        rig.instruments.imageJTick();
        rig.clock->advance(0);
        QCOMPARE(rig.column("AREA"), QStringList{"12.5"});
    }

    void missingOrUnreadableFileDoesNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing file") << "Results.txt";
        QTest::newRow("a folder, not a file") << "folder";
        QTest::newRow("a pipe, which would block a reader") << "pipe";
    }
    void missingOrUnreadableFileDoesNothing()
    {
        QFETCH(QString, name);
        ProgramRig rig;
        QVERIFY(QDir(rig.dir.path()).mkdir("folder"));
        QCOMPARE(::mkfifo(QFile::encodeName(rig.path("pipe")).constData(), 0600), 0);
        QVERIFY(rig.open(imagejCfg(rig.path(name), QString())));
        rig.instruments.imageJTick();
        rig.clock->advance(1000);
        QCOMPARE(rig.box(), kWaiting);
        QVERIFY(!rig.instruments.inputHeld());
        QVERIFY(rig.column("AREA").isEmpty());
        QVERIFY(rig.dialogs.messages().isEmpty());
    }

    void unreadableFileIsTriedAgain()
    {
        ProgramRig rig;
        const QString path = rig.path("Results.txt");
        QVERIFY(rig.open(imagejCfg(path, QString())));
        saveResults(path, kResults, 0);
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        if (QFile(path).open(QIODevice::ReadOnly))
            QSKIP("permissions do not keep this user from reading");
        rig.instruments.imageJTick();
        rig.clock->advance(1000);
        QCOMPARE(rig.box(), kWaiting);

        // Readable again with the same time: never consumed, so taken now.
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        rig.instruments.imageJTick();
        QCOMPARE(rig.box(), "33.2");
        rig.clock->advance(0);
        QCOMPARE(rig.column("AREA"), QStringList{"33.2"});
    }

    void imageJResultsAreEnteredOncePerSave()
    {
        ProgramRig rig;
        const QString results = rig.path("Results.txt");
        saveResults(results, kHeader + "1\t9.5\t9\t9\r\n", 0);
        QVERIFY(rig.open(imagejCfg(results, "1.5", "2")));
        QCOMPARE(rig.box(), kWaiting);
        QVERIFY(rig.view.imageJTimerRunning());

        // Saved before the CFG was opened: not entered.
        rig.instruments.imageJTick();
        rig.clock->advance(5000);
        QCOMPARE(rig.box(), kWaiting);
        QVERIFY(!rig.instruments.inputHeld());

        // A new save is shown and held for Delaytime on the monotonic clock
        // alone: timers that come back early (the time of day set back, a
        // resume) do not end it, nor does a further save.
        saveResults(results, kResults, 10);
        rig.instruments.imageJTick();
        QCOMPARE(rig.box(), "120.5");
        QVERIFY(rig.instruments.inputHeld());
        rig.clock->fireEarly();
        saveResults(results, kResults, 11);
        rig.instruments.imageJTick();
        rig.clock->advance(1499);
        rig.clock->fireEarly();
        QVERIFY(rig.column("AREA").isEmpty());
        rig.clock->advance(1);
        QCOMPARE(rig.column("AREA"), QStringList{"120.5"});
        QVERIFY(!rig.instruments.inputHeld());
        QCOMPARE(rig.box(), kWaiting);

        // That save, with the same content at a new time, is a new
        // measurement; after it the consumed file is left alone.
        rig.instruments.imageJTick();
        rig.clock->advance(1500);
        rig.instruments.imageJTick();
        rig.clock->advance(5000);
        QCOMPARE(rig.column("AREA"), (QStringList{"120.5", "120.5"}));
        QVERIFY(rig.dialogs.messages().isEmpty());
    }

    // Mended: when ImageJ appended rows to its results table, the first row
    // was entered at every save.
    void eachSaveEntersItsNewestRow()
    {
        ProgramRig rig;
        const QString results = rig.path("Results.txt");
        QVERIFY(rig.open(imagejCfg(results, QString())));
        const auto rows = [](int n) {
            QByteArray text = kHeader;
            for (int i = 1; i <= n; ++i)
                text += QByteArray::number(i) + "\t0\t" + QByteArray::number(i * 1.5) + "\r\n";
            return text;
        };
        // Three rows, one more appended, then a fresh table of two.
        for (const int n : {3, 4, 2}) {
            saveResults(results, rows(n), n * 10);
            rig.instruments.imageJTick();
            rig.clock->advance(0);
        }
        QCOMPARE(rig.column("AREA"), (QStringList{"4.5", "6", "3"}));
    }

    void inputWaitsDuringTheImageJPause()
    {
        FakePortRig rig;
        const QString results = rig.path("Results.txt");
        QVERIFY(rig.open(imagejCfg(results, "2\r\nCom=/dev/fake:9600,N,8,1")));
        QVERIFY(rig.instruments.portOpen());
        saveResults(results, "h\r\n1\t2\t33.2\r\n", 0);
        rig.instruments.imageJTick();
        QVERIFY(rig.instruments.inputHeld());

        // Neither keys nor a serial reading change what is about to be taken.
        QVERIFY(rig.instruments.instrumentKey(Key::Enter));
        QVERIFY(rig.instruments.instrumentKey(Key::Esc));
        rig.fake.arrive("  7.00\r\n");
        QCOMPARE(rig.box(), "33.2");
        QVERIFY(rig.column("AREA").isEmpty());

        // After the pause the ImageJ value is saved; the reading that waited
        // is not taken for the next ImageJ value.
        rig.clock->advance(2000);
        QCOMPARE(rig.column("AREA"), (QStringList{"33.2"}));
        QCOMPARE(rig.box(), kWaiting);
        QCOMPARE(rig.fake.bytesAvailable(), qint64(0));

        // Opening a CFG ends a pause without taking its value.
        saveResults(results, "h\r\n1\t2\t44.4\r\n", 1);
        rig.instruments.imageJTick();
        rig.instruments.openPort();
        QVERIFY(!rig.instruments.inputHeld());
        rig.clock->advance(5000);
        QCOMPARE(rig.column("AREA"), (QStringList{"33.2"}));
    }

    void realClockPauseLastsDelaytime()
    {
        FakePortRig rig(new FakeInstrumentPort, std::make_shared<SteadyClock>());
        const QString results = rig.path("Results.txt");
        QVERIFY(rig.open(imagejCfg(results, "0.3")));
        saveResults(results, "h\r\n1\t2\t33.2\r\n", 0);
        QElapsedTimer elapsed;
        elapsed.start();
        rig.instruments.imageJTick();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.instruments.inputHeld(), 5000);
        QVERIFY2(elapsed.elapsed() >= 300, qPrintable(QString::number(elapsed.elapsed())));
        QCOMPARE(rig.column("AREA"), QStringList{"33.2"});
    }
};

QTEST_GUILESS_MAIN(TestInstruments)
#include "tst_instruments.moc"
