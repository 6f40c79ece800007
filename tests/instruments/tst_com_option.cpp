// The Com option: which port, which device, which settings.

#include "instruments/ComOption.h"
#include "instruments/SerialSettings.h"

#include <QTest>

using namespace k7;

class TestComOption : public QObject {
    Q_OBJECT

private slots:
    void parsesPortAndSettings_data();
    void parsesPortAndSettings();
    void noPortWithoutColon_data();
    void noPortWithoutColon();
    void settingsForTheSerialPort_data();
    void settingsForTheSerialPort();
    void refusedSettingsSayWhy_data();
    void refusedSettingsSayWhy();
    void deviceMapping_data();
    void deviceMapping();
};

void TestComOption::parsesPortAndSettings_data()
{
    QTest::addColumn<QString>("com");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("settings");

    QTest::newRow("COM2") << "COM2:9600,N,8,1" << 2 << "2" << "9600,N,8,1";
    QTest::newRow("lower case with op0") << "com1:1200,e,7,1,op0" << 1 << "1" << "1200,e,7,1";
    QTest::newRow("two digits") << "COM12:9600,N,8,1" << 12 << "12" << "9600,N,8,1";
    QTest::newRow("op0 and more dropped") << "COM3:4800,O,8,2,OP0,XY" << 3 << "3" << "4800,O,8,2";
    QTest::newRow("only the first colon splits") << "COM4:9600,N,8,1:x" << 4 << "4" << "9600,N,8,1:x";
    QTest::newRow("no number") << "COM:9600,N,8,1" << 0 << "0" << "9600,N,8,1";
    QTest::newRow("short port name") << "5:9600,N,8,1" << 0 << "0" << "9600,N,8,1";
    QTest::newRow("device path") << "/dev/ttyUSB0:9600,N,8,1" << 0 << "/dev/ttyUSB0" << "9600,N,8,1";
}

void TestComOption::parsesPortAndSettings()
{
    QFETCH(QString, com);
    QFETCH(int, number);
    QFETCH(QString, label);
    QFETCH(QString, settings);

    const auto parsed = ParseComOption(com);
    QVERIFY(parsed);
    QCOMPARE(parsed->portNumber, number);
    QCOMPARE(parsed->label(), label);
    QCOMPARE(parsed->settings, settings);
}

void TestComOption::noPortWithoutColon_data()
{
    QTest::addColumn<QString>("com");
    QTest::newRow("empty") << "";
    QTest::newRow("no colon") << "COM1";
    QTest::newRow("settings without port") << "9600,N,8,1";
}

void TestComOption::noPortWithoutColon()
{
    QFETCH(QString, com);
    QVERIFY(!ParseComOption(com));
}

void TestComOption::settingsForTheSerialPort_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("data");
    QTest::addColumn<int>("stop");

    QTest::newRow("9600,N,8,1") << "9600,N,8,1" << 9600 << int(QSerialPort::NoParity) << 8
                                << int(QSerialPort::OneStop);
    QTest::newRow("1200,e,7,1") << "1200,e,7,1" << 1200 << int(QSerialPort::EvenParity) << 7
                                << int(QSerialPort::OneStop);
    QTest::newRow("odd, two stop bits") << "4800,O,8,2" << 4800 << int(QSerialPort::OddParity)
                                        << 8 << int(QSerialPort::TwoStop);
    QTest::newRow("blanks, mark, 1.5") << " 2400 , m , 5 , 1.5 " << 2400
                                       << int(QSerialPort::MarkParity) << 5
                                       << int(QSerialPort::OneAndHalfStop);
    QTest::newRow("space parity") << "115200,S,8,1" << 115200 << int(QSerialPort::SpaceParity)
                                  << 8 << int(QSerialPort::OneStop);
}

void TestComOption::settingsForTheSerialPort()
{
    QFETCH(QString, text);
    QFETCH(int, baud);
    QFETCH(int, parity);
    QFETCH(int, data);
    QFETCH(int, stop);

    QString reason = QStringLiteral("untouched");
    const auto s = ParseSerialSettings(text, &reason);
    QVERIFY2(s, qPrintable(reason));
    QCOMPARE(s->baud, baud);
    QCOMPARE(int(s->parity), parity);
    QCOMPARE(int(s->dataBits), data);
    QCOMPARE(int(s->stopBits), stop);
}

void TestComOption::refusedSettingsSayWhy_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mentions");

    QTest::newRow("empty") << "" << "rate,parity";
    QTest::newRow("three parts") << "9600,N,8" << "rate,parity";
    QTest::newRow("other trailing option") << "9600,N,8,1,RTS" << "RTS";
    QTest::newRow("rate not a number") << "fast,N,8,1" << "fast";
    QTest::newRow("rate zero") << "0,N,8,1" << "\"0\"";
    QTest::newRow("parity") << "9600,X,8,1" << "\"X\"";
    QTest::newRow("data bits") << "9600,N,9,1" << "\"9\"";
    QTest::newRow("stop bits") << "9600,N,8,3" << "\"3\"";
}

void TestComOption::refusedSettingsSayWhy()
{
    QFETCH(QString, text);
    QFETCH(QString, mentions);

    QString reason;
    QVERIFY(!ParseSerialSettings(text, &reason));
    QVERIFY2(reason.contains(mentions), qPrintable(reason));
}

void TestComOption::deviceMapping_data()
{
    QTest::addColumn<QString>("com");
    QTest::addColumn<QString>("iniKey");
    QTest::addColumn<QString>("iniValue");
    QTest::addColumn<QString>("device");

    QTest::newRow("COM1 default") << "COM1:9600,N,8,1" << "" << "" << "/dev/ttyS0";
    QTest::newRow("COM12 default") << "COM12:9600,N,8,1" << "" << "" << "/dev/ttyS11";
    QTest::newRow("mapped in k7.ini") << "COM2:9600,N,8,1" << "COM2" << "/dev/ttyUSB0"
                                      << "/dev/ttyUSB0";
    QTest::newRow("other key mapped") << "COM2:9600,N,8,1" << "COM3" << "/dev/ttyUSB0"
                                      << "/dev/ttyS1";
    QTest::newRow("lower-case port") << "com2:9600,N,8,1" << "COM2" << "/dev/ttyACM0"
                                     << "/dev/ttyACM0";
    QTest::newRow("device path as written") << "/dev/pts/7:9600,N,8,1" << "COM1" << "/dev/x"
                                            << "/dev/pts/7";
    QTest::newRow("no number, no device") << "COM:9600,N,8,1" << "" << "" << "";
}

void TestComOption::deviceMapping()
{
    QFETCH(QString, com);
    QFETCH(QString, iniKey);
    QFETCH(QString, iniValue);
    QFETCH(QString, device);

    const auto parsed = ParseComOption(com);
    QVERIFY(parsed);
    const IniLookup ini = [&](const QString& key) {
        return key == iniKey ? iniValue : QString();
    };
    QCOMPARE(DeviceForPort(*parsed, ini), device);
}

QTEST_GUILESS_MAIN(TestComOption)
#include "tst_com_option.moc"
