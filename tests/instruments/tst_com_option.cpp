// The Com option: which port, which device, which settings.

#include "instruments/ComOption.h"
#include "instruments/SerialSettings.h"

#include <QTest>

using namespace k7;

Q_DECLARE_METATYPE(k7::SerialSettings)

class TestComOption : public QObject {
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
        const SerialSettings none;
        QTest::newRow("COM2, another key mapped") << "COM2:9600,N,8,1" << "COM3=/dev/ttyUSB0" << "2"
            << "/dev/ttyS1" << SerialSettings{9600, P::NoParity, P::Data8, P::OneStop} << "";
        QTest::newRow("lower case, op0 dropped, mapped") << "com1:1200,e,7,1,op0" << "COM1=/dev/ttyACM0"
            << "1" << "/dev/ttyACM0" << SerialSettings{1200, P::EvenParity, P::Data7, P::OneStop} << "";
        QTest::newRow("two digits, odd, two stop bits") << "COM12:4800,O,8,2" << "" << "12" << "/dev/ttyS11"
            << SerialSettings{4800, P::OddParity, P::Data8, P::TwoStop} << "";
        QTest::newRow("blanks, mark, 1.5, OP0 and more") << "COM3: 2400 , m , 5 , 1.5 ,OP0,XY" << "" << "3"
            << "/dev/ttyS2" << SerialSettings{2400, P::MarkParity, P::Data5, P::OneAndHalfStop} << "";
        QTest::newRow("device path, space parity") << "/dev/pts/7:115200,S,8,1" << "COM1=/dev/x"
            << "/dev/pts/7" << "/dev/pts/7" << SerialSettings{115200, P::SpaceParity, P::Data8, P::OneStop}
            << "";
        QTest::newRow("no number, no device") << "COM:9600,N,8" << "" << "0" << "" << none << "rate,parity";
        QTest::newRow("other trailing option") << "COM1:9600,N,8,1,RTS" << "" << "1" << "/dev/ttyS0" << none
                                               << "RTS";
        QTest::newRow("only the first colon splits") << "COM4:9600,N,8,1:x" << "" << "4" << "/dev/ttyS3"
                                                     << none << "1:x";
        QTest::newRow("rate not a number") << "COM1:fast,N,8,1" << "" << "1" << "/dev/ttyS0" << none << "fast";
        QTest::newRow("rate zero") << "COM1:0,N,8,1" << "" << "1" << "/dev/ttyS0" << none << "\"0\"";
        QTest::newRow("parity") << "COM1:9600,X,8,1" << "" << "1" << "/dev/ttyS0" << none << "\"X\"";
        QTest::newRow("data bits") << "COM1:9600,N,9,1" << "" << "1" << "/dev/ttyS0" << none << "\"9\"";
        QTest::newRow("empty") << "" << "" << "" << "" << none << "";
        QTest::newRow("no colon") << "COM1" << "" << "" << "" << none << "";
    }
    void portDeviceAndSettings()
    {
        QFETCH(QString, com);
        QFETCH(QString, iniEntry);
        QFETCH(QString, label);
        QFETCH(QString, device);
        QFETCH(SerialSettings, wanted);
        QFETCH(QString, refusal);

        const auto parsed = ParseComOption(com);
        QCOMPARE(bool(parsed), !label.isEmpty());
        if (!parsed)
            return;
        QCOMPARE(parsed->label(), label);
        const IniLookup ini = [&](const QString& key) {
            return key == iniEntry.section(u'=', 0, 0) ? iniEntry.section(u'=', 1) : QString();
        };
        QCOMPARE(DeviceForPort(*parsed, ini), device);

        QString reason;
        const auto s = ParseSerialSettings(parsed->settings, &reason);
        QVERIFY2(bool(s) == refusal.isEmpty(), qPrintable(reason));
        if (s)
            QVERIFY(*s == wanted);
        else
            QVERIFY2(reason.contains(refusal), qPrintable(reason));
    }
};

QTEST_GUILESS_MAIN(TestComOption)
#include "tst_com_option.moc"
