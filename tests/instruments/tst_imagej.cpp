// The ImageJ link, with real results files: what a save enters and when,
// the pause that holds other input, and files that give nothing.

#include "InstrumentRig.h"
#include "support/CaseTable.h"
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
const QString kWaiting = "<Waiting on ImageJ>";

}  // namespace

class TestImageJ : public QObject {
    Q_OBJECT

private slots:
    void valueOfASave_data()
    {
        addCaseRows("instruments/imagej-saves.tsv");
        QString wide = "h\\n1";
        for (int i = 2; i <= 60; ++i)
            wide += "\\t" + QString::number(i);
        for (const char* column : {"50", "51"})
            QTest::newRow(column) << Case(column, {{"content", wide + "\\n"}, {"column", column},
                                                   {"value", column == QString("50") ? "50" : ""}, {"delaytime", ""}, {"ms", "0"}});
    }
    void valueOfASave()
    {
        QFETCH(Case, c);
        const QString value = c.text("value");
        const qint64 ms = c.number("ms");
        ProgramRig rig;
        QVERIFY(rig.open(imagejCfg(rig.results(), c.text("delaytime"), c.text("column"))));
        rig.saveAndTick(c.bytes("content"), 0);
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
    // of its end, and 0 was stored without a word (a row exactly as long is
    // read whole); a value beyond what the field holds passed, and the save
    // stopped at a modal overflow box. Each is refused as a serial reading
    // is, and the next save is taken.
    void refusedSaves_data()
    {
        QTest::addColumn<QByteArray>("last");  // the last row of the results file
        QTest::addColumn<QString>("refusal");  // part of the notice; empty: the value is taken
        const QByteArray start = "1.25\t2\t3\t";
        const auto longRow = [&](qsizetype extra) { return start + QByteArray(1024 * 1024 + extra - start.size(), '7'); };
        QTest::newRow("as long as the part read") << longRow(0) << QString();
        QTest::newRow("one byte longer") << longRow(1) << "refused: no number";
        QTest::newRow("longer than twice the part read") << longRow(1024 * 1024 + 5) << "refused: no number";
        QTest::newRow("beyond its field") << QByteArray("1e40\t2\t3") << "1e40 from";
    }
    void refusedSaves()
    {
        QFETCH(QByteArray, last);
        QFETCH(QString, refusal);
        ProgramRig rig;
        QVERIFY(rig.open(imagejCfg(rig.results(), QString(), "1")));
        saveResults(rig.results(), kHeader + last + "\r\n", 0);
        for (int tick = 0; tick < 2; ++tick) {
            rig.instruments.imageJTick();
            rig.clock->advance(0);
        }
        QCOMPARE(rig.column("AREA"), refusal.isEmpty() ? QStringList{"1.25"} : QStringList{});
        QCOMPARE(rig.notices.size(), refusal.isEmpty() ? 0 : 1);
        QCOMPARE(rig.view.beeps(), refusal.isEmpty() ? 0 : 1);
        if (!refusal.isEmpty())
            QVERIFY2(rig.notices.first().contains(refusal) && rig.notices.first().contains("refused"),
                     qPrintable(rig.notices.first()));
        QCOMPARE(rig.box(), kWaiting);
        QVERIFY(!rig.instruments.inputHeld());
        QVERIFY(rig.dialogs.messages().isEmpty());

        rig.saveAndTick(kHeader + "12.5\t2\t3\r\n", 1);
        rig.clock->advance(0);
        QCOMPARE(rig.column("AREA").value(refusal.isEmpty() ? 1 : 0), "12.5");
    }

    // A results file that is missing, not a file, or cannot be read gives
    // nothing; one that was unreadable is taken once it can be read (its time
    // unchanged: it was never consumed).
    void missingOrUnreadableFileDoesNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing file") << "missing.txt";
        QTest::newRow("a folder, not a file") << "folder";
        QTest::newRow("a pipe, which would block a reader") << "pipe";
        QTest::newRow("unreadable") << "Results.txt";
    }
    void missingOrUnreadableFileDoesNothing()
    {
        QFETCH(QString, name);
        ProgramRig rig;
        QVERIFY(QDir(rig.dir.path()).mkdir("folder"));
        QCOMPARE(::mkfifo(QFile::encodeName(rig.path("pipe")).constData(), 0600), 0);
        QVERIFY(rig.open(imagejCfg(rig.path(name), QString())));
        saveResults(rig.results(), kResults, 0);
        QVERIFY(QFile::setPermissions(rig.results(), QFileDevice::WriteOwner));
        if (name == "Results.txt" && QFile(rig.results()).open(QIODevice::ReadOnly))
            QSKIP("permissions do not keep this user from reading");
        rig.instruments.imageJTick();
        rig.clock->advance(1000);
        QCOMPARE(rig.box(), kWaiting);
        QVERIFY(!rig.instruments.inputHeld());
        QVERIFY(rig.column("AREA").isEmpty());
        QVERIFY(rig.dialogs.messages().isEmpty());
        if (name != "Results.txt")
            return;
        QVERIFY(QFile::setPermissions(rig.results(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        rig.instruments.imageJTick();
        QCOMPARE(rig.box(), "33.2");
        rig.clock->advance(0);
        QCOMPARE(rig.column("AREA"), QStringList{"33.2"});
    }

    void imageJResultsAreEnteredOncePerSave()
    {
        ProgramRig rig;
        saveResults(rig.results(), kHeader + "1\t9.5\t9\t9\r\n", 0);
        QVERIFY(rig.open(imagejCfg(rig.results(), "1.5", "2")));
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
        rig.saveAndTick(kResults, 10);
        QCOMPARE(rig.box(), "120.5");
        QVERIFY(rig.instruments.inputHeld());
        rig.clock->fireEarly();
        rig.saveAndTick(kResults, 11);
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
        QVERIFY(rig.open(imagejCfg(rig.results(), QString())));
        const auto rows = [](int n) {
            QByteArray text = kHeader;
            for (int i = 1; i <= n; ++i)
                text += QByteArray::number(i) + "\t0\t" + QByteArray::number(i * 1.5) + "\r\n";
            return text;
        };
        // Three rows, one more appended, then a fresh table of two.
        for (const int n : {3, 4, 2}) {
            rig.saveAndTick(rows(n), n * 10);
            rig.clock->advance(0);
        }
        QCOMPARE(rig.column("AREA"), (QStringList{"4.5", "6", "3"}));
    }

    void inputWaitsDuringTheImageJPause()
    {
        FakePortRig rig;
        QVERIFY(rig.open(imagejCfg(rig.results(), "2\r\nCom=/dev/fake:9600,N,8,1")));
        QVERIFY(rig.instruments.portOpen());
        rig.saveAndTick("h\r\n1\t2\t33.2\r\n", 0);
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
        rig.saveAndTick("h\r\n1\t2\t44.4\r\n", 1);
        rig.instruments.openPort();
        QVERIFY(!rig.instruments.inputHeld());
        rig.clock->advance(5000);
        QCOMPARE(rig.column("AREA"), (QStringList{"33.2"}));
    }

    void realClockPauseLastsDelaytime()
    {
        FakePortRig rig(new FakeInstrumentPort, std::make_shared<SteadyClock>());
        QVERIFY(rig.open(imagejCfg(rig.results(), "0.3")));
        saveResults(rig.results(), "h\r\n1\t2\t33.2\r\n", 0);
        QElapsedTimer elapsed;
        elapsed.start();
        rig.instruments.imageJTick();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.instruments.inputHeld(), 5000);
        QVERIFY2(elapsed.elapsed() >= 300, qPrintable(QString::number(elapsed.elapsed())));
        QCOMPARE(rig.column("AREA"), QStringList{"33.2"});
    }
};

QTEST_GUILESS_MAIN(TestImageJ)
#include "tst_imagej.moc"
