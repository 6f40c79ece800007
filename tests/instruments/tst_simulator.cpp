// The instrument simulator in tools/: the pseudo-terminal it makes, and the
// bytes it sends in each style.

#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

class TestSimulator : public QObject {
    Q_OBJECT

    const QString m_simulator =
        QFileInfo(QStringLiteral(K7_TEST_DATA "/../../tools/k7-instrument-sim")).absoluteFilePath();

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(m_simulator).isExecutable(), qPrintable(m_simulator));
        if (QProcess::execute(QStringLiteral("socat"), {QStringLiteral("-V")}) != 0)
            QSKIP("socat is not installed");
    }

    void sendsReadingsOnItsOwnPseudoTerminal_data()
    {
        QTest::addColumn<QString>("style");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("caliper") << "caliper" << QByteArray("  12.57\r\n   1.00\r\n");
        QTest::newRow("signed") << "signed" << QByteArray("+0012.57\r\n+0001.00\r\n");
        QTest::newRow("balance") << "balance" << QByteArray("  12.57 g\r\n   1.00 g\r\n");
    }
    void sendsReadingsOnItsOwnPseudoTerminal()
    {
        QFETCH(QString, style);
        QFETCH(QByteArray, bytes);

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
        const QString args = QStringLiteral("--link %1 --count 2 --rate 50 --values \"12.57 1\" --style %2 --wait-open");
        sim.start(m_simulator, QProcess::splitCommand(args.arg(link, style)));
        // It says what to put in the CFG, then waits for Enter.
        QByteArray said;
        QTRY_VERIFY2((said += sim.readAllStandardOutput()).contains("Com=" + link.toLocal8Bit() + ":9600,N,8,1"),
                     qPrintable(QString::fromLocal8Bit(said + sim.readAllStandardError())));

        QSerialPort reader;
        reader.setPortName(link);
        QVERIFY(reader.open(QIODevice::ReadOnly));
        sim.write("\n");
        QByteArray got;
        QTRY_VERIFY((got += reader.readAll()).size() >= bytes.size());
        QCOMPARE(got, bytes);
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitCode(), 0);
        // Its pseudo-terminal goes with it.
        QTRY_VERIFY(!QFileInfo::exists(link));
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
