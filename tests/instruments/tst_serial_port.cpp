// The instrument port on real pseudo-terminals: opening from the Com option,
// readings as an instrument sends them, failures and a vanishing device.

#include "PtyPair.h"
#include "support/RecordingEntryView.h"
#include "support/ScriptedDialogs.h"
#include "instruments/InstrumentReceiver.h"
#include "instruments/SerialDevicePort.h"
#include "instruments/SerialInstrument.h"

#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

const QString kPlaceholder = QStringLiteral("<Instrument data>");

// The real port with the receive handling behind it; accepting records the
// box and presents the variable again.
struct PortRig {
    ScriptedDialogs dialogs;
    RecordingEntryView view;
    SerialDevicePort port;
    QHash<QString, QString> ini;
    SerialInstrument serial{port, dialogs, [this](const QString& k) { return ini.value(k); }};
    bool devicewait = true;
    QStringList accepted;
    InstrumentReceiver receiver{port, view, devicewait, [this] {
                                    accepted << view.boxText(Control::InstrumentBox);
                                    view.setBoxText(Control::InstrumentBox, kPlaceholder);
                                    devicewait = true;
                                }};

    PortRig() { view.setBoxText(Control::InstrumentBox, kPlaceholder); }
    QString box() const { return view.boxText(Control::InstrumentBox); }
};

}  // namespace

class TestSerialPort : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void portThatCannotBeOpened_data();
    void portThatCannotBeOpened();
    void refusedSettingsNameTheReason();
    void nextCfgClosesThePort();
};

void TestSerialPort::initTestCase()
{
    PtyPair probe;
    if (!probe.start())
        QSKIP("socat cannot make pseudo-terminals here");
}




void TestSerialPort::portThatCannotBeOpened_data()
{
    QTest::addColumn<QString>("com");
    QTest::addColumn<QString>("message");

    QTest::newRow("COM2 mapped to nothing") << "COM2:9600,N,8,1" << "Error: Could not open port 2";
    QTest::newRow("device path") << "/dev/k7-no-such-tty:9600,N,8,1"
                                 << "Error: Could not open port /dev/k7-no-such-tty";
    QTest::newRow("no port number") << "COM:9600,N,8,1" << "Error: Could not open port 0";
}

void TestSerialPort::portThatCannotBeOpened()
{
    QFETCH(QString, com);
    QFETCH(QString, message);

    PortRig rig;
    rig.ini.insert(QStringLiteral("COM2"), QStringLiteral("/dev/k7-no-such-tty"));
    QVERIFY(!rig.serial.OpenPort(com));
    QVERIFY(!rig.port.isOpen());
    // The message, then on a line of its own why the port did not open.
    QCOMPARE(rig.dialogs.messages().size(), 1);
    QCOMPARE(rig.dialogs.messages().first().style, 0);
    const QStringList lines = rig.dialogs.messages().first().text.split(u'\n');
    QCOMPARE(lines.first(), message);
    QCOMPARE(lines.size(), 2);
    QVERIFY(!lines.at(1).isEmpty());
}

void TestSerialPort::refusedSettingsNameTheReason()
{
    PtyPair pty;
    QVERIFY(pty.start());
    PortRig rig;
    QVERIFY(!rig.serial.OpenPort(pty.programEnd() + QStringLiteral(":9600,Q,8,1")));
    QVERIFY(!rig.port.isOpen());
    QCOMPARE(rig.dialogs.messages().size(), 1);
    const QString text = rig.dialogs.messages().first().text;
    QVERIFY2(text.startsWith(QStringLiteral("Error: Could not open port ") + pty.programEnd() + u'\n'),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("\"Q\"")), qPrintable(text));
}


void TestSerialPort::nextCfgClosesThePort()
{
    PtyPair pty;
    QVERIFY(pty.start());
    PortRig rig;
    QVERIFY(rig.serial.OpenPort(pty.programEnd() + QStringLiteral(":9600,N,8,1")));

    // The next CFG asks for no port: the old instrument must not keep
    // feeding readings into it, nor may what it sent meanwhile arrive later.
    QVERIFY(!rig.serial.OpenPort(QString()));
    QVERIFY(!rig.port.isOpen());
    pty.send("  3.00\r\n");
    QTest::qWait(200);
    QVERIFY(rig.accepted.isEmpty());
    QVERIFY(rig.dialogs.messages().isEmpty());

    // And a CFG that names it again opens it again.
    QVERIFY(rig.serial.OpenPort(pty.programEnd() + QStringLiteral(":9600,N,8,1")));
    pty.send("  4.00\r\n");
    QTRY_COMPARE(rig.accepted, QStringList{"4.00"});
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serial_port.moc"
