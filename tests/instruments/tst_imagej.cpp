// The ImageJ link with real results files: splitting, column choice, the
// modification-time handshake and the Delaytime pause.

#include "ManualClock.h"
#include "support/RecordingEntryView.h"
#include "cfg/Model.h"
#include "instruments/ImageJLink.h"
#include "instruments/ResultsFile.h"
#include "instruments/SteadyClock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace k7;
using namespace k7::test;

namespace {

const QByteArray kHeader = " \tArea\tMean\tIntDen\r\n";
const QByteArray kResults = kHeader + "1\t120.5\t33.2\t0.75\r\n";

// A results file whose modification time the test sets, so that saves in
// the same second and saves seconds apart are both made without sleeping.
class ResultsFixture {
public:
    ResultsFixture() : m_path(m_dir.filePath(QStringLiteral("Results.txt"))) {}

    QString path() const { return m_path; }
    QString dir() const { return m_dir.path(); }

    // Saves `content` with a modification time `secondsLater` after the first save.
    void save(const QByteArray& content, int secondsLater)
    {
        QFile f(m_path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(m_base.addSecs(secondsLater), QFileDevice::FileModificationTime));
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    QDateTime m_base = QDateTime::fromSecsSinceEpoch(1'700'000'000);
};

// A model with one ImageJ variable, the link and a recording view.
struct LinkRig {
    explicit LinkRig(const QString& resultsPath, const QString& delay = QStringLiteral("2"),
                     double column = 0)
    {
        model.varcount = 1;
        model.var(1).varname = QStringLiteral("LENGTH");
        model.var(1).vartype = TypeImageJ;
        model.var(1).varimagej = column;
        model.options[OptImageJFile] = resultsPath;
        model.options[OptDelaytime] = delay;
        view.setBoxText(Control::InstrumentBox, QStringLiteral("<Waiting on ImageJ>"));
        QObject::connect(&link, &ImageJLink::pauseChanged, [this](bool p) { pauses << p; });
    }

    // What ReadCfg does when the results file exists as the CFG is read.
    void stampAsOpened() { model.imagejstamp = ResultsFileStamp(model.options[OptImageJFile]); }
    QString box() const { return view.boxText(Control::InstrumentBox); }

    Model model;
    RecordingEntryView view;
    ManualClock clock;
    QStringList accepted;
    QList<bool> pauses;
    ImageJLink link{model, view, clock, [] { return 1; },
                    [this] { accepted << view.boxText(Control::InstrumentBox); }};
};

}  // namespace

class TestImageJ : public QObject {
    Q_OBJECT

private slots:
    void splitFields_data();
    void splitFields();
    void resultsLine_data();
    void resultsLine();
    void chooseColumn_data();
    void chooseColumn();
    void delay_data();
    void delay();

    void headerOnlyFileGivesTheHeaderField();
    void missingOrUnreadableFileDoesNothing_data();
    void missingOrUnreadableFileDoesNothing();
    void noDelayStillShowsBeforeAccepting();
    void pauseIgnoresTimersThatComeBackEarly();
    void savesDuringThePauseWaitForTheNextTick();
    void cancelledPauseAcceptsNothing();
    void steadyClockPauseLastsDelaytime();
    void unreadableFileIsTriedAgain();
};

void TestImageJ::splitFields_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("four fields") << "1\tarea\t12.5\t3" << QStringList{"1", "area", "12.5", "3"};
    QTest::newRow("trailing tab") << "1\t2\t" << QStringList{"1", "2"};
    QTest::newRow("empty line") << "" << QStringList{""};
    QTest::newRow("empty middle field") << "a\t\tb" << QStringList{"a", "", "b"};
    QTest::newRow("leading tab") << "\tx" << QStringList{"", "x"};
    QTest::newRow("blanks trimmed, inner kept") << "  a b \t 2 " << QStringList{"a b", "2"};
    QStringList many;
    QStringList line;
    for (int i = 1; i <= 60; ++i) {
        line << QString::number(i);
        if (i <= kMaxResultFields)
            many << QString::number(i);
    }
    QTest::newRow("at most 50 fields") << line.join(u'\t') << many;
}

void TestImageJ::splitFields()
{
    QFETCH(QString, line);
    QFETCH(QStringList, fields);
    QCOMPARE(SplitFields(line), fields);
}

void TestImageJ::resultsLine_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("line");

    QTest::newRow("header and values") << kResults << "1\t120.5\t33.2\t0.75";
    QTest::newRow("more rows: the second line") << kResults + "2\t9\t9\t9\r\n"
                                                << "1\t120.5\t33.2\t0.75";
    QTest::newRow("LF only") << QByteArray("h\nv1\tv2\n") << "v1\tv2";
    QTest::newRow("CR only") << QByteArray("h\rv\r") << "v";
    QTest::newRow("header only") << kHeader << " \tArea\tMean\tIntDen";
    QTest::newRow("header without line end") << QByteArray("a\tb\tc") << "a\tb\tc";
    QTest::newRow("empty file") << QByteArray() << "";
    QTest::newRow("Windows-1252 byte") << QByteArray("h\n\xb5m\n") << QString::fromUtf8("µm");
}

void TestImageJ::resultsLine()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, line);

    ResultsFixture file;
    file.save(content, 0);
    const auto read = ReadResultsLine(file.path());
    QVERIFY(read);
    QCOMPARE(*read, line);
}

void TestImageJ::chooseColumn_data()
{
    QTest::addColumn<double>("property");
    QTest::addColumn<QString>("value");

    QTest::newRow("0 means column 3") << 0.0 << "33.2";
    QTest::newRow("column 4") << 4.0 << "0.75";
    QTest::newRow("column 1") << 1.0 << "1";
    QTest::newRow("rounded up") << 1.6 << "120.5";
    QTest::newRow("half rounds to even") << 2.5 << "120.5";
    QTest::newRow("beyond the line") << 5.0 << "";
    QTest::newRow("negative") << -1.0 << "";
}

void TestImageJ::chooseColumn()
{
    QFETCH(double, property);
    QFETCH(QString, value);
    QCOMPARE(ChooseColumn(SplitFields(QStringLiteral("1\t120.5\t33.2\t0.75")), property), value);
}

void TestImageJ::delay_data()
{
    QTest::addColumn<QString>("delaytime");
    QTest::addColumn<qint64>("ms");

    QTest::newRow("empty") << "" << qint64(0);
    QTest::newRow("seconds") << "2" << qint64(2000);
    QTest::newRow("fraction") << "1.5" << qint64(1500);
    QTest::newRow("leading number") << "3 s" << qint64(3000);
    QTest::newRow("not a number") << "soon" << qint64(0);
    QTest::newRow("negative") << "-4" << qint64(0);
    QTest::newRow("absurd is capped") << "1e300" << qint64(86'400'000);
}

void TestImageJ::delay()
{
    QFETCH(QString, delaytime);
    QFETCH(qint64, ms);
    Model model;
    model.options[OptDelaytime] = delaytime;
    QCOMPARE(ImageJLink::delayMs(model), ms);
}





void TestImageJ::headerOnlyFileGivesTheHeaderField()
{
    ResultsFixture file;
    LinkRig rig(file.path(), QString());
    file.save(kHeader, 0);
    rig.link.Poll();
    rig.clock.advance(0);
    QCOMPARE(rig.accepted, QStringList{"Mean"});
}

void TestImageJ::missingOrUnreadableFileDoesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing file") << "Results.txt";
    QTest::newRow("missing folder") << "gone/Results.txt";
    QTest::newRow("a folder, not a file") << "folder";
    QTest::newRow("no path at all") << "";
    QTest::newRow("a pipe, which would block a reader") << "pipe";
}

void TestImageJ::missingOrUnreadableFileDoesNothing()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe"))).constData(), 0600) == 0);
    LinkRig rig(name.isEmpty() ? QString() : dir.filePath(name), QString());
    rig.stampAsOpened();
    rig.link.Poll();
    rig.clock.advance(1000);
    QCOMPARE(rig.box(), QStringLiteral("<Waiting on ImageJ>"));
    QVERIFY(rig.accepted.isEmpty());
    QVERIFY(!rig.link.paused());
}

void TestImageJ::unreadableFileIsTriedAgain()
{
    ResultsFixture file;
    LinkRig rig(file.path(), QString());
    file.save(kResults, 0);
    QVERIFY(QFile::setPermissions(file.path(), QFileDevice::WriteOwner));
    if (QFile(file.path()).open(QIODevice::ReadOnly))
        QSKIP("permissions do not keep this user from reading");
    rig.link.Poll();
    rig.clock.advance(1000);
    QVERIFY(rig.accepted.isEmpty());

    // Readable again with the same time: not consumed before, so taken now.
    QVERIFY(QFile::setPermissions(file.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    rig.link.Poll();
    rig.clock.advance(0);
    QCOMPARE(rig.accepted, QStringList{"33.2"});
}

void TestImageJ::noDelayStillShowsBeforeAccepting()
{
    ResultsFixture file;
    LinkRig rig(file.path(), QString());
    file.save(kResults, 0);
    rig.link.Poll();
    // The value is in the box and the accept waits for the event loop, so
    // the window paints it first.
    QCOMPARE(rig.box(), QStringLiteral("33.2"));
    QVERIFY(rig.accepted.isEmpty());
    rig.clock.advance(0);
    QCOMPARE(rig.accepted, QStringList{"33.2"});
}

void TestImageJ::pauseIgnoresTimersThatComeBackEarly()
{
    // A timer may return at any moment (a change of the time of day, a
    // suspended machine); only the monotonic clock decides.
    ResultsFixture file;
    LinkRig rig(file.path(), QStringLiteral("3"));
    file.save(kResults, 0);
    rig.link.Poll();

    rig.clock.fireEarly();
    QVERIFY(rig.accepted.isEmpty());
    QVERIFY(rig.link.paused());
    QCOMPARE(rig.clock.pendingWaits(), 1);

    rig.clock.advance(2000);
    rig.clock.fireEarly();
    QVERIFY(rig.accepted.isEmpty());

    rig.clock.advance(1000);
    QCOMPARE(rig.accepted, QStringList{"33.2"});
    QCOMPARE(rig.clock.pendingWaits(), 0);
}

void TestImageJ::savesDuringThePauseWaitForTheNextTick()
{
    ResultsFixture file;
    LinkRig rig(file.path(), QStringLiteral("2"));
    file.save(kResults, 0);
    rig.link.Poll();

    file.save(kHeader + "2\t1\t44.4\t1\r\n", 1);
    rig.link.Poll();
    QCOMPARE(rig.box(), QStringLiteral("33.2"));

    rig.clock.advance(2000);
    QCOMPARE(rig.accepted, QStringList{"33.2"});
    rig.link.Poll();
    QCOMPARE(rig.box(), QStringLiteral("44.4"));
    rig.clock.advance(2000);
    QCOMPARE(rig.accepted, (QStringList{"33.2", "44.4"}));
}

void TestImageJ::cancelledPauseAcceptsNothing()
{
    ResultsFixture file;
    LinkRig rig(file.path(), QStringLiteral("2"));
    file.save(kResults, 0);
    rig.link.Poll();
    rig.link.cancelPause();
    QVERIFY(!rig.link.paused());
    rig.clock.advance(5000);
    QVERIFY(rig.accepted.isEmpty());
    QCOMPARE(rig.pauses, (QList<bool>{true, false}));
}

void TestImageJ::steadyClockPauseLastsDelaytime()
{
    ResultsFixture file;
    Model model;
    model.varcount = 1;
    model.var(1).vartype = TypeImageJ;
    model.options[OptImageJFile] = file.path();
    model.options[OptDelaytime] = QStringLiteral("0.3");
    RecordingEntryView view;
    SteadyClock clock;
    QElapsedTimer elapsed;
    qint64 acceptedAfter = -1;
    ImageJLink link(model, view, clock, [] { return 1; },
                    [&] { acceptedAfter = elapsed.elapsed(); });

    file.save(kResults, 0);
    elapsed.start();
    link.Poll();
    QVERIFY(link.paused());
    QTRY_VERIFY_WITH_TIMEOUT(acceptedAfter >= 0, 5000);
    QVERIFY2(acceptedAfter >= 300, qPrintable(QString::number(acceptedAfter)));
    QVERIFY(!link.paused());
}

QTEST_GUILESS_MAIN(TestImageJ)
#include "tst_imagej.moc"
