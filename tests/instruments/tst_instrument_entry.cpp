// Serial instruments and the keyboard wedge through the whole program:
// readings from a pseudo-terminal or typed, saved as records.

#include "InstrumentRig.h"

#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

const QString kPlaceholder = QStringLiteral("<Instrument data>");

}  // namespace

class TestInstrumentEntry : public QObject {
    Q_OBJECT

private slots:
    void readingsThroughAPseudoTerminal()
    {
        auto pty = std::make_unique<PtyPair>();
        if (!pty->start())
            QSKIP("socat cannot make pseudo-terminals here");
        ProgramRig rig;
        const QString com = pty->programEnd() + QStringLiteral(":9600,N,8,1");
        QVERIFY(rig.open(caliperCfg(com)));
        QCOMPARE(rig.box(), kPlaceholder);

        // A reading in two pieces is one value, accepted once.
        pty->send("+00");
        QTRY_COMPARE(rig.box(), QStringLiteral("+00"));
        QCOMPARE(rig.state.curvar, 1);
        pty->send("12.50\r\n");
        QTRY_COMPARE(rig.state.curvar, 2);
        QCOMPARE(rig.state.varvalue[1], QStringLiteral("+0012.50"));
        QCOMPARE(rig.box(), kPlaceholder);
        pty->send("  12.57\r\n");
        QTRY_COMPARE(rig.column(QStringLiteral("LENGTH")), QStringList{"12.5"});
        QCOMPARE(rig.column(QStringLiteral("WIDTH")), QStringList{"12.57"});

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
        QCOMPARE(rig.state.varvalue[1], QStringLiteral("4.75"));

        // Unplugged mid-record: reported once, the record kept and finished by hand.
        pty.reset();
        QTRY_COMPARE(rig.dialogs.messages().size(), 1);
        QCOMPARE(rig.dialogs.messages().first().text.section(u'\n', 0, 0),
                 QStringLiteral("Error: Lost connection to port %1.").arg(com.section(u':', 0, 0)));
        QVERIFY(!rig.instruments.portOpen());
        rig.wedge(QStringLiteral("2"));
        QCOMPARE(rig.column(QStringLiteral("LENGTH")), (QStringList{"12.5", "4.75"}));
        QCOMPARE(rig.column(QStringLiteral("WIDTH")), (QStringList{"12.57", "2"}));
        QTest::qWait(200);
        QCOMPARE(rig.dialogs.messages().size(), 1);
    }

    void hundredReadingsBecomeHundredRecords()
    {
        PtyPair pty;
        if (!pty.start())
            QSKIP("socat cannot make pseudo-terminals here");
        ProgramRig rig;
        QVERIFY(rig.open(caliperCfg(pty.programEnd() + QStringLiteral(":9600,N,8,1"), {"LENGTH"})));

        QStringList lengths;
        QByteArray burst;
        for (int i = 1; i <= 100; ++i) {
            const QString length = QStringLiteral("%1.%2").arg(i).arg(i % 100, 2, 10, QLatin1Char('0'));
            lengths << ShortestSingle(length.toDouble());
            burst += "  " + length.toLatin1() + "\r\n";
        }
        pty.send(burst);
        QTRY_COMPARE_WITH_TIMEOUT(rig.column(QStringLiteral("LENGTH")).size(), 100, 20000);
        QCOMPARE(rig.column(QStringLiteral("LENGTH")), lengths);
        QVERIFY(rig.dialogs.messages().isEmpty());
    }

    void portThatCannotBeOpened_data()
    {
        QTest::addColumn<QString>("com");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("reason");  // part of the line that says why

        QTest::newRow("COM2 mapped to nothing") << "COM2:9600,N,8,1" << "Error: Could not open port 2"
                                                << "";
        QTest::newRow("device path") << "/dev/k7-no-such-tty:9600,N,8,1"
                                     << "Error: Could not open port /dev/k7-no-such-tty" << "";
        QTest::newRow("no port number") << "COM:9600,N,8,1" << "Error: Could not open port 0" << "";
        QTest::newRow("settings refused") << "/dev/null:9600,Q,8,1"
                                          << "Error: Could not open port /dev/null" << "\"Q\"";
    }
    void portThatCannotBeOpened()
    {
        QFETCH(QString, com);
        QFETCH(QString, message);
        QFETCH(QString, reason);

        ProgramRig rig;
        rig.ini.insert(QStringLiteral("COM2"), rig.path(QStringLiteral("no-such-tty")));
        QVERIFY(rig.open(caliperCfg(com, {"LENGTH"})));
        QVERIFY(!rig.instruments.portOpen());
        QCOMPARE(rig.dialogs.messages().size(), 1);
        QCOMPARE(rig.dialogs.messages().first().style, 0);
        const QStringList lines = rig.dialogs.messages().first().text.split(u'\n');
        QCOMPARE(lines.first(), message);
        QCOMPARE(lines.size(), 2);
        QVERIFY2(!lines.at(1).isEmpty() && lines.at(1).contains(reason), qPrintable(lines.at(1)));

        rig.wedge(QStringLiteral("7.25"));
        QCOMPARE(rig.column(QStringLiteral("LENGTH")), QStringList{"7.25"});
    }

    void keyboardWedgeAndBoxKeys()
    {
        ProgramRig rig;
        const QString wedgeText = QStringLiteral("<Keyboard wedge data>");
        QVERIFY(rig.open(caliperCfg(QString(), {"LENGTH", "WIDTH"}, QStringLiteral("KEYBOARD"))));
        QCOMPARE(rig.box(), wedgeText);
        rig.wedge(QStringLiteral("3.5"));
        QCOMPARE(rig.state.varvalue[1], QStringLiteral("3.5"));
        QCOMPARE(rig.box(), wedgeText);

        // Esc steps back and shows the value; Ctrl+E goes to the grid; Tab
        // without an info file and other keys are left to the box.
        QVERIFY(rig.instruments.instrumentKey(Key::Esc));
        QCOMPARE(rig.box(), QStringLiteral("3.5"));
        QVERIFY(rig.instruments.instrumentKey(Key::CtrlE) && rig.view.gridHasFocus());
        QVERIFY(!rig.instruments.instrumentKey(Key::CtrlI) && !rig.instruments.instrumentKey('5'));
        // Ctrl+C empties the record, which is then entered afresh.
        QVERIFY(rig.instruments.instrumentKey(Key::CtrlC));
        QCOMPARE(rig.box(), wedgeText);
        rig.wedge(QStringLiteral("4"));
        rig.wedge(QStringLiteral("1"));
        QCOMPARE(rig.column(QStringLiteral("LENGTH")), QStringList{"4"});
        QCOMPARE(rig.column(QStringLiteral("WIDTH")), QStringList{"1"});
        QVERIFY(rig.dialogs.messages().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestInstrumentEntry)
#include "tst_instrument_entry.moc"
