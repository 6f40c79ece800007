// Receive handling, character by character, against a port fed by hand.

#include "FakeInstrumentPort.h"
#include "support/RecordingEntryView.h"
#include "instruments/InstrumentReceiver.h"

#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

const QString kPlaceholder = QStringLiteral("<Instrument data>");

// The receiver wired to a recording view; accepting records the box and
// presents the next variable again as the engine would.
struct Rig {
    FakeInstrumentPort port;
    RecordingEntryView view;
    bool devicewait = true;
    QStringList accepted;
    std::function<void()> duringAccept;
    InstrumentReceiver receiver{port, view, devicewait, [this] {
                                    accepted << view.boxText(Control::InstrumentBox);
                                    view.setBoxText(Control::InstrumentBox, kPlaceholder);
                                    devicewait = true;
                                    if (duringAccept)
                                        duringAccept();
                                }};

    Rig()
    {
        port.open(QStringLiteral("/dev/fake"), {});
        view.setBoxText(Control::InstrumentBox, kPlaceholder);
    }
};

}  // namespace

class TestReceiver : public QObject {
    Q_OBJECT

private slots:
    void readings_data();
    void readings();
    void appendsWhenNotWaiting();
    void heldInputWaitsInThePort();
    void inputDuringAnAcceptKeepsItsOrder();
    void closedPortReadsNothing();
};

void TestReceiver::readings_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QStringList>("accepted");
    QTest::addColumn<QString>("box");

    QTest::newRow("blanks, reading, CR LF")
        << QList<QByteArray>{"  12.57\r\n"} << QStringList{"12.57"} << kPlaceholder;
    QTest::newRow("reading in two pieces")
        << QList<QByteArray>{"+00", "12.50\r\n"} << QStringList{"+0012.50"} << kPlaceholder;
    QTest::newRow("one byte at a time")
        << QList<QByteArray>{" ", "3", ".", "2", "\r", "\n"} << QStringList{"3.2"} << kPlaceholder;
    QTest::newRow("two readings in one piece")
        << QList<QByteArray>{"  1.00\r\n  2.00\r\n"} << QStringList{"1.00", "2.00"} << kPlaceholder;
    QTest::newRow("second reading split after the line feed")
        << QList<QByteArray>{"  1.00\r\n  2.", "00\r\n"} << QStringList{"1.00", "2.00"}
        << kPlaceholder;
    QTest::newRow("control and high characters dropped")
        << QList<QByteArray>{QByteArray("\x01 1\t2\xb0.5\x7f\x1b\r\n")} << QStringList{"12.5"}
        << kPlaceholder;
    QTest::newRow("no line feed, no accept")
        << QList<QByteArray>{"  12.57\r"} << QStringList{} << "12.57";
    QTest::newRow("line feed alone accepts what the box shows")
        << QList<QByteArray>{"\n"} << QStringList{kPlaceholder} << kPlaceholder;
    QTest::newRow("unit letters are printable")
        << QList<QByteArray>{"  12.5 g\r\n"} << QStringList{"12.5g"} << kPlaceholder;
}

void TestReceiver::readings()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QStringList, accepted);
    QFETCH(QString, box);

    Rig rig;
    for (const QByteArray& piece : pieces)
        rig.port.arrive(piece);
    QCOMPARE(rig.accepted, accepted);
    QCOMPARE(rig.view.boxText(Control::InstrumentBox), box);
    QCOMPARE(rig.port.bytesAvailable(), qint64(0));
}

void TestReceiver::appendsWhenNotWaiting()
{
    Rig rig;
    rig.port.arrive("12");
    QVERIFY(!rig.devicewait);
    QCOMPARE(rig.view.boxText(Control::InstrumentBox), QStringLiteral("12"));

    // Typed text stays when no presentation happened in between.
    rig.view.setBoxText(Control::InstrumentBox, QStringLiteral("7"));
    rig.port.arrive(".5");
    QCOMPARE(rig.view.boxText(Control::InstrumentBox), QStringLiteral("7.5"));

    // A new presentation: the first printable character replaces the text.
    rig.devicewait = true;
    rig.port.arrive(" 9");
    QCOMPARE(rig.view.boxText(Control::InstrumentBox), QStringLiteral("9"));
}

void TestReceiver::heldInputWaitsInThePort()
{
    Rig rig;
    rig.receiver.setHeld(true);
    rig.port.arrive("  4.25\r\n");
    QVERIFY(rig.accepted.isEmpty());
    QCOMPARE(rig.view.boxText(Control::InstrumentBox), kPlaceholder);
    QCOMPARE(rig.port.bytesAvailable(), qint64(8));

    rig.receiver.setHeld(false);
    QCOMPARE(rig.accepted, QStringList{"4.25"});
}

void TestReceiver::inputDuringAnAcceptKeepsItsOrder()
{
    // An accept that shows a message box runs an event loop, which delivers
    // the next reading before the accept has returned.
    Rig rig;
    int nested = 0;
    rig.duringAccept = [&] {
        if (nested++ == 0)
            rig.port.arrive("  2.00\r\n");
    };
    rig.port.arrive("  1.00\r\n");
    QCOMPARE(rig.accepted, (QStringList{"1.00", "2.00"}));
}

void TestReceiver::closedPortReadsNothing()
{
    Rig rig;
    rig.port.arrive("5");
    rig.port.close();
    rig.port.arrive("6\r\n");
    QCOMPARE(rig.view.boxText(Control::InstrumentBox), QStringLiteral("5"));
    QVERIFY(rig.accepted.isEmpty());
}

QTEST_GUILESS_MAIN(TestReceiver)
#include "tst_receiver.moc"
