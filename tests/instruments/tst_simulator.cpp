// The instrument simulator in tools/: what it sends, read through the
// program's own port and receive handling.

#include "PtyPair.h"
#include "support/RecordingEntryView.h"
#include "support/ScriptedDialogs.h"
#include "instruments/InstrumentReceiver.h"
#include "instruments/SerialDevicePort.h"
#include "instruments/SerialInstrument.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

QString simulator()
{
    return QFileInfo(QStringLiteral(K7_TEST_DATA "/../../tools/k7-instrument-sim")).absoluteFilePath();
}

struct Receiving {
    ScriptedDialogs dialogs;
    RecordingEntryView view;
    SerialDevicePort port;
    SerialInstrument serial{port, dialogs, {}};
    bool devicewait = true;
    QStringList accepted;
    InstrumentReceiver receiver{port, view, devicewait, [this] {
                                    accepted << view.boxText(Control::InstrumentBox);
                                    devicewait = true;
                                }};
};

}  // namespace

class TestSimulator : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void stylesOnTheWire_data();
    void stylesOnTheWire();
    void makesItsOwnPseudoTerminal();
};

void TestSimulator::initTestCase()
{
    QVERIFY2(QFileInfo(simulator()).isExecutable(), qPrintable(simulator()));
    PtyPair probe;
    if (!probe.start())
        QSKIP("socat cannot make pseudo-terminals here");
}

void TestSimulator::stylesOnTheWire_data()
{
    QTest::addColumn<QString>("style");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("caliper") << "caliper" << QByteArray("  12.57\r\n   1.00\r\n");
    QTest::newRow("signed") << "signed" << QByteArray("+0012.57\r\n+0001.00\r\n");
    QTest::newRow("balance") << "balance" << QByteArray("  12.57 g\r\n   1.00 g\r\n");
}

void TestSimulator::stylesOnTheWire()
{
    QFETCH(QString, style);
    QFETCH(QByteArray, bytes);

    PtyPair pty;
    QVERIFY(pty.start());
    QSerialPort reader;
    reader.setPortName(pty.programEnd());
    QVERIFY(reader.open(QIODevice::ReadOnly));

    QProcess sim;
    sim.start(simulator(), {QStringLiteral("--device"), pty.instrumentEnd(), QStringLiteral("--count"),
                            QStringLiteral("2"), QStringLiteral("--rate"), QStringLiteral("0"),
                            QStringLiteral("--values"), QStringLiteral("12.57 1"),
                            QStringLiteral("--style"), style});
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitCode(), 0);

    QByteArray got;
    QTRY_VERIFY((got += reader.readAll()).size() >= bytes.size());
    QCOMPARE(got, bytes);
}


void TestSimulator::makesItsOwnPseudoTerminal()
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("caliper"));
    QProcess sim;
    // Ended politely whatever happens, so its socat goes with it.
    const auto stop = qScopeGuard([&sim] {
        if (sim.state() != QProcess::NotRunning) {
            sim.terminate();
            sim.waitForFinished(3000);
        }
    });
    sim.start(simulator(), {QStringLiteral("--link"), link, QStringLiteral("--count"),
                            QStringLiteral("3"), QStringLiteral("--rate"), QStringLiteral("50"),
                            QStringLiteral("--values"), QStringLiteral("5.5 6.5 7.5"),
                            QStringLiteral("--wait-open")});
    QByteArray said;
    QTRY_VERIFY2((said += sim.readAllStandardOutput()).contains("Com=" + link.toLocal8Bit() + ":9600,N,8,1"),
                 qPrintable(QString::fromLocal8Bit(said + sim.readAllStandardError())));

    Receiving rx;
    QVERIFY(rx.serial.OpenPort(link + QStringLiteral(":9600,N,8,1")));
    sim.write("\n");
    QTRY_COMPARE(rx.accepted, (QStringList{"5.50", "6.50", "7.50"}));
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitCode(), 0);
    // Its pseudo-terminal goes with it.
    QTRY_VERIFY(!QFileInfo::exists(link));
}


QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
