// The ImageJ link through the whole program, with real results files: what
// a save enters and when, the pause, and files that give nothing.

#include "InstrumentRig.h"
#include "instruments/SteadyClock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>

#include <sys/stat.h>

using namespace k7;
using namespace k7::test;

namespace {

const QByteArray kHeader = " \tArea\tMean\tIntDen\r\n";
const QByteArray kResults = kHeader + "1\t120.5\t33.2\t0.75\r\n";
const QString kWaiting = QStringLiteral("<Waiting on ImageJ>");

}  // namespace

class TestImageJ : public QObject {
    Q_OBJECT

private slots:
    void valueOfASave_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("delaytime");
        QTest::addColumn<qint64>("ms");

        const auto row = [](const char* name, const QByteArray& content, const char* column, const QString& value,
                            const char* delay = "", qint64 ms = 0) {
            QTest::newRow(name) << content << QString(column) << value << QString(delay) << ms;
        };
        QByteArray wide = "h\n1";
        for (int i = 2; i <= 60; ++i)
            wide += '\t' + QByteArray::number(i);
        row("0 means column 3, fraction of a second", kResults, "0", "33.2", "1.5", 1500);
        row("half rounds to even, leading number", kResults, "2.5", "120.5", "3 s", 3000);
        row("beyond the line, not a number", kResults, "5", "", "soon");
        row("absurd delay is capped at a day", kResults, "4", "0.75", "1e300", 86'400'000);
        row("more rows: the second line", kResults + "2\t9\t9\t9\r\n", "0", "33.2");
        row("header only: its field", kHeader, "0", "Mean");
        row("header without line end", "1\t2\t3", "0", "3");
        row("LF only", "h\n1\t2\t3.5\n", "0", "3.5");
        row("blanks trimmed, empty field counts", "h\n a \t\t 2 \n", "0", "2");
        row("trailing tab makes no field", "h\n1\t2\t\n", "0", "");
        row("field 50", wide + '\n', "50", "50");
        row("no field 51", wide + '\n', "51", "");
        row("Windows-1252 byte", "h\n\xb5m\n", "1", QString::fromUtf8("µm"));
    }
    void valueOfASave()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, column);
        QFETCH(QString, value);
        QFETCH(QString, delaytime);
        QFETCH(qint64, ms);

        ProgramRig rig;
        const QString results = rig.path(QStringLiteral("Results.txt"));
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
        QCOMPARE(rig.column(QStringLiteral("AREA")), QStringList{ShortestSingle(value.toDouble())});
        QCOMPARE(rig.box(), kWaiting);
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
        QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("folder")));
        QCOMPARE(::mkfifo(QFile::encodeName(rig.path(QStringLiteral("pipe"))).constData(), 0600), 0);
        QVERIFY(rig.open(imagejCfg(rig.path(name), QString())));
        rig.instruments.imageJTick();
        rig.clock->advance(1000);
        QCOMPARE(rig.box(), kWaiting);
        QVERIFY(!rig.instruments.inputHeld());
        QVERIFY(rig.column(QStringLiteral("AREA")).isEmpty());
        QVERIFY(rig.dialogs.messages().isEmpty());
    }

    void unreadableFileIsTriedAgain()
    {
        ProgramRig rig;
        const QString path = rig.path(QStringLiteral("Results.txt"));
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
        QCOMPARE(rig.box(), QStringLiteral("33.2"));
        rig.clock->advance(0);
        QCOMPARE(rig.column(QStringLiteral("AREA")), QStringList{"33.2"});
    }

    void imageJResultsAreEnteredOncePerSave()
    {
        ProgramRig rig;
        const QString results = rig.path(QStringLiteral("Results.txt"));
        saveResults(results, kHeader + "1\t9.5\t9\t9\r\n", 0);
        QVERIFY(rig.open(imagejCfg(results, QStringLiteral("1.5"), QStringLiteral("2"))));
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
        QCOMPARE(rig.box(), QStringLiteral("120.5"));
        QVERIFY(rig.instruments.inputHeld());
        rig.clock->fireEarly();
        saveResults(results, kResults, 11);
        rig.instruments.imageJTick();
        rig.clock->advance(1499);
        rig.clock->fireEarly();
        QVERIFY(rig.column(QStringLiteral("AREA")).isEmpty());
        rig.clock->advance(1);
        QCOMPARE(rig.column(QStringLiteral("AREA")), QStringList{"120.5"});
        QVERIFY(!rig.instruments.inputHeld());
        QCOMPARE(rig.box(), kWaiting);

        // That save, with the same content at a new time, is a new
        // measurement; after it the consumed file is left alone.
        rig.instruments.imageJTick();
        rig.clock->advance(1500);
        rig.instruments.imageJTick();
        rig.clock->advance(5000);
        QCOMPARE(rig.column(QStringLiteral("AREA")), (QStringList{"120.5", "120.5"}));
        QVERIFY(rig.dialogs.messages().isEmpty());
    }

    void inputWaitsDuringTheImageJPause()
    {
        auto port = std::make_unique<FakeInstrumentPort>();
        FakeInstrumentPort* fake = port.get();
        ProgramRig rig(std::move(port));
        const QString results = rig.path(QStringLiteral("Results.txt"));
        QVERIFY(rig.open(imagejCfg(results, QStringLiteral("2\r\nCom=/dev/fake:9600,N,8,1"))));
        QVERIFY(rig.instruments.portOpen());
        saveResults(results, "h\r\n1\t2\t33.2\r\n", 0);
        rig.instruments.imageJTick();
        QVERIFY(rig.instruments.inputHeld());

        // Neither keys nor a serial reading change what is about to be taken.
        QVERIFY(rig.instruments.instrumentKey(Key::Enter));
        QVERIFY(rig.instruments.instrumentKey(Key::Esc));
        fake->arrive("  7.00\r\n");
        QCOMPARE(rig.box(), QStringLiteral("33.2"));
        QVERIFY(rig.column(QStringLiteral("AREA")).isEmpty());

        // After the pause the ImageJ value is saved first; the reading that
        // waited goes to the next record.
        rig.clock->advance(2000);
        QCOMPARE(rig.column(QStringLiteral("AREA")), (QStringList{"33.2", "7"}));
        QCOMPARE(fake->bytesAvailable(), qint64(0));

        // Opening a CFG ends a pause without taking its value.
        saveResults(results, "h\r\n1\t2\t44.4\r\n", 1);
        rig.instruments.imageJTick();
        rig.instruments.openPort();
        QVERIFY(!rig.instruments.inputHeld());
        rig.clock->advance(5000);
        QCOMPARE(rig.column(QStringLiteral("AREA")).size(), 2);
    }

    void realClockPauseLastsDelaytime()
    {
        ProgramRig rig(std::make_unique<FakeInstrumentPort>(), std::make_shared<SteadyClock>());
        const QString results = rig.path(QStringLiteral("Results.txt"));
        QVERIFY(rig.open(imagejCfg(results, QStringLiteral("0.3"))));
        saveResults(results, "h\r\n1\t2\t33.2\r\n", 0);
        QElapsedTimer elapsed;
        elapsed.start();
        rig.instruments.imageJTick();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.instruments.inputHeld(), 5000);
        QVERIFY2(elapsed.elapsed() >= 300, qPrintable(QString::number(elapsed.elapsed())));
        QCOMPARE(rig.column(QStringLiteral("AREA")), QStringList{"33.2"});
    }
};

QTEST_GUILESS_MAIN(TestImageJ)
#include "tst_imagej.moc"
