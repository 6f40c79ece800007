// Instrument input through the whole program: a CFG opened by the real open
// sequence, the entry engine, records saved in a real SQLite file, readings
// from a pseudo-terminal, typed wedge input and ImageJ results files.

#include "FakeInstrumentPort.h"
#include "ManualClock.h"
#include "PtyPair.h"
#include "support/RecordingEntryView.h"
#include "support/ScriptedDialogs.h"

#include "cfg/Model.h"
#include "cfg/NumberText.h"
#include "entry/EntryEngine.h"
#include "entry/RecordState.h"
#include "instruments/InstrumentPort.h"
#include "instruments/Instruments.h"
#include "instruments/SerialDevicePort.h"
#include "platform/ShellHooks.h"
#include "store/DataStore.h"
#include "store/OpenCfg.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

using namespace k7;
using namespace k7::test;

namespace {

// The shell as the open sequence sees it: it opens the instrument port the
// way the main window does.
class InstrumentShell : public ShellHooks {
public:
    std::function<void()> openPort;
    QStringList variables;

    bool loadCfgInEditor(const QString&) override { return true; }
    void showEditorAtLine(int) override {}
    void addRecentFile(const QString&) override {}
    void openInstrumentPort() override
    {
        if (openPort)
            openPort();
    }
    void setDataSource(RecordSet*) override {}
    void setVariableList(const QStringList& names) override { variables = names; }
};

struct ProgramRig {
    explicit ProgramRig(std::unique_ptr<InstrumentPort> port = std::make_unique<SerialDevicePort>())
        : instruments(model, state, view, engine, dialogs,
                      [this](const QString& key) { return ini.value(key); }, std::move(port), clock)
    {
        shell.openPort = [this] { instruments.openPort(); };
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    // Writes the CFG and runs the open sequence as File > Open does.
    bool open(const QByteArray& cfgText)
    {
        const QString cfg = path(QStringLiteral("site.cfg"));
        QFile file(cfg);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(cfgText);
        file.close();
        model.cfgpath = cfg;
        if (OpenCfg(model, store, dialogs, shell) != OpenResult::Opened)
            return false;
        const TableCheck check = CheckTableFields(model, store);
        if (check.code != 0)
            return false;
        view.setVariableList(shell.variables);
        engine.StartRecord();
        return true;
    }

    // Values of one field of every saved row, in order, read through a
    // connection of its own.
    QStringList column(const QString& field) const
    {
        QStringList values;
        const QString name = QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(store.dbname);
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            if (db.open()) {
                QSqlQuery q(db);
                if (q.exec(QStringLiteral("SELECT \"%1\" FROM \"%2\" ORDER BY rowid")
                               .arg(field, store.tablename))) {
                    while (q.next())
                        values << ShortestSingle(q.value(0).toDouble());
                }
            }
        }
        QSqlDatabase::removeDatabase(name);
        return values;
    }

    QString box() const { return view.boxText(Control::InstrumentBox); }
    // Types into the instrument box and presses Enter, as a keyboard wedge does.
    void wedge(const QString& text)
    {
        view.type(Control::InstrumentBox, text);
        QVERIFY(instruments.instrumentKey(Key::Enter));
    }

    QTemporaryDir dir;
    QHash<QString, QString> ini;
    Model model;
    DataStore store;
    RecordState state;
    RecordingEntryView view;
    ScriptedDialogs dialogs;
    InstrumentShell shell;
    EntryEngine engine{model, store, state, view, dialogs, view};
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    Instruments instruments;
};

QByteArray caliperCfg(const QString& com, const QString& instrument = QStringLiteral("CALIPER"))
{
    return QStringLiteral("[K7]\r\nFile=Calipers\r\nCom=%1\r\nInstrument=%2\r\n\r\n"
                          "[LENGTH]\r\nType=Instrument\r\nPrompt=Length :\r\n\r\n"
                          "[WIDTH]\r\nType=Instrument\r\nPrompt=Width :\r\n")
        .arg(com, instrument)
        .toUtf8();
}

QByteArray imagejCfg(const QString& results, const QString& delay, int column)
{
    return QStringLiteral("[K7]\r\nFile=Images\r\nImageJFile=%1\r\nDelaytime=%2\r\n\r\n"
                          "[AREA]\r\nType=ImageJ\r\nImageJ=%3\r\nPrompt=Area :\r\n")
        .arg(results, delay)
        .arg(column)
        .toUtf8();
}

void saveResults(const QString& path, const QByteArray& content, const QDateTime& when)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
    f.close();
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
}

}  // namespace

class TestInstrumentEntry : public QObject {
    Q_OBJECT

private slots:
    void hundredReadingsBecomeHundredRecords();
    void splitReadingIsOneValue();
    void portThatCannotBeOpenedLeavesTypingWorking();
    void vanishedDeviceIsReportedOnceAndEntryGoesOn();
    void keyboardWedge();
    void instrumentBoxKeys();
    void imageJResultsAreEnteredOncePerSave();
    void inputWaitsDuringTheImageJPause();
};

void TestInstrumentEntry::hundredReadingsBecomeHundredRecords()
{
    PtyPair pty;
    if (!pty.start())
        QSKIP("socat cannot make pseudo-terminals here");
    ProgramRig rig;
    QVERIFY(rig.open(caliperCfg(pty.programEnd() + QStringLiteral(":9600,N,8,1"))));
    QVERIFY(rig.instruments.portOpen());

    // Two instrument variables, so 200 readings make 100 records; all of
    // them written in one burst.
    QStringList lengths;
    QStringList widths;
    QByteArray stream;
    for (int i = 1; i <= 100; ++i) {
        const QString length = QStringLiteral("%1.%2").arg(i).arg(i % 100, 2, 10, QLatin1Char('0'));
        const QString width = QStringLiteral("0.%1").arg(i, 3, 10, QLatin1Char('0'));
        lengths << ShortestSingle(length.toDouble());
        widths << ShortestSingle(width.toDouble());
        stream += "  " + length.toLatin1() + "\r\n" + "  " + width.toLatin1() + "\r\n";
    }
    pty.send(stream);
    QTRY_COMPARE_WITH_TIMEOUT(rig.column(QStringLiteral("LENGTH")).size(), 100, 20000);
    QCOMPARE(rig.column(QStringLiteral("LENGTH")), lengths);
    QCOMPARE(rig.column(QStringLiteral("WIDTH")), widths);
    QCOMPARE(rig.state.curvar, 1);
    QVERIFY(rig.dialogs.messages().isEmpty());
}

void TestInstrumentEntry::splitReadingIsOneValue()
{
    PtyPair pty;
    if (!pty.start())
        QSKIP("socat cannot make pseudo-terminals here");
    ProgramRig rig;
    QVERIFY(rig.open(caliperCfg(pty.programEnd() + QStringLiteral(":9600,N,8,1"))));
    QCOMPARE(rig.box(), QStringLiteral("<Instrument data>"));

    pty.send("+00");
    QTRY_COMPARE(rig.box(), QStringLiteral("+00"));
    QCOMPARE(rig.state.curvar, 1);
    pty.send("12.50\r\n");
    QTRY_COMPARE(rig.state.curvar, 2);
    QCOMPARE(rig.state.varvalue[1], QStringLiteral("+0012.50"));
    QCOMPARE(rig.box(), QStringLiteral("<Instrument data>"));

    pty.send("  12.57\r\n");
    QTRY_COMPARE(rig.column(QStringLiteral("LENGTH")), QStringList{"12.5"});
    QCOMPARE(rig.column(QStringLiteral("WIDTH")), QStringList{"12.57"});
}

void TestInstrumentEntry::portThatCannotBeOpenedLeavesTypingWorking()
{
    ProgramRig rig;
    rig.ini.insert(QStringLiteral("COM2"), rig.path(QStringLiteral("no-such-tty")));
    QVERIFY(rig.open(caliperCfg(QStringLiteral("COM2:9600,N,8,1"))));
    QVERIFY(!rig.instruments.portOpen());
    QCOMPARE(rig.dialogs.messages().size(), 1);
    QCOMPARE(rig.dialogs.messages().first().text.section(u'\n', 0, 0),
             QStringLiteral("Error: Could not open port 2"));
    QCOMPARE(rig.dialogs.messages().first().style, 0);

    rig.wedge(QStringLiteral("7.25"));
    rig.wedge(QStringLiteral("1.5"));
    QCOMPARE(rig.column(QStringLiteral("LENGTH")), QStringList{"7.25"});
    QCOMPARE(rig.column(QStringLiteral("WIDTH")), QStringList{"1.5"});
}

void TestInstrumentEntry::vanishedDeviceIsReportedOnceAndEntryGoesOn()
{
    auto pty = std::make_unique<PtyPair>();
    if (!pty->start())
        QSKIP("socat cannot make pseudo-terminals here");
    ProgramRig rig;
    QVERIFY(rig.open(caliperCfg(pty->programEnd() + QStringLiteral(":9600,N,8,1"))));
    pty->send("  4.75\r\n");
    QTRY_COMPARE(rig.state.curvar, 2);

    pty.reset();
    QTRY_COMPARE(rig.dialogs.messages().size(), 1);
    QVERIFY(rig.dialogs.messages().first().text.startsWith(
        QStringLiteral("Error: Lost connection to port ")));
    QVERIFY(!rig.instruments.portOpen());

    // The record in progress is intact and the operator finishes it by hand.
    QCOMPARE(rig.state.varvalue[1], QStringLiteral("4.75"));
    rig.wedge(QStringLiteral("2"));
    QCOMPARE(rig.column(QStringLiteral("LENGTH")), QStringList{"4.75"});
    QCOMPARE(rig.column(QStringLiteral("WIDTH")), QStringList{"2"});
    QTest::qWait(200);
    QCOMPARE(rig.dialogs.messages().size(), 1);
}

void TestInstrumentEntry::keyboardWedge()
{
    ProgramRig rig;
    QVERIFY(rig.open(caliperCfg(QString(), QStringLiteral("KEYBOARD"))));
    QVERIFY(rig.dialogs.messages().isEmpty());
    QCOMPARE(rig.box(), QStringLiteral("<Keyboard wedge data>"));
    QVERIFY(rig.view.wholeTextSelected(Control::InstrumentBox));

    rig.wedge(QStringLiteral("3.5"));
    QCOMPARE(rig.state.varvalue[1], QStringLiteral("3.5"));
    QCOMPARE(rig.box(), QStringLiteral("<Keyboard wedge data>"));

    // Enter on the untouched placeholder: kept as text, saved as 0.
    QVERIFY(rig.instruments.instrumentKey(Key::Enter));
    QCOMPARE(rig.column(QStringLiteral("LENGTH")), QStringList{"3.5"});
    QCOMPARE(rig.column(QStringLiteral("WIDTH")), QStringList{"0"});
}

void TestInstrumentEntry::instrumentBoxKeys()
{
    ProgramRig rig(std::make_unique<FakeInstrumentPort>());
    QVERIFY(rig.open(caliperCfg(QStringLiteral("/dev/fake:9600,N,8,1"))));
    rig.wedge(QStringLiteral("8"));
    QCOMPARE(rig.state.curvar, 2);

    // Esc steps back to the first variable, which shows its value again.
    QVERIFY(rig.instruments.instrumentKey(Key::Esc));
    QCOMPARE(rig.state.curvar, 1);
    QCOMPARE(rig.box(), QStringLiteral("8"));

    // Ctrl+E goes to the grid; Tab without an info file stays with the box.
    QVERIFY(rig.instruments.instrumentKey(Key::CtrlE));
    QVERIFY(rig.view.gridHasFocus());
    QVERIFY(!rig.instruments.instrumentKey(Key::CtrlI));
    QVERIFY(!rig.instruments.instrumentKey('5'));

    // Ctrl+C empties the record and presents the first variable.
    QVERIFY(rig.instruments.instrumentKey(Key::CtrlC));
    QCOMPARE(rig.state.curvar, 1);
    QVERIFY(rig.state.varvalue[1].isEmpty());
    QCOMPARE(rig.box(), QStringLiteral("<Instrument data>"));

    // Accepting the untouched "<Instrument data>" stores 0.
    QVERIFY(rig.instruments.instrumentKey(Key::Enter));
    QCOMPARE(rig.state.varvalue[1], QStringLiteral("0"));
    QVERIFY(rig.column(QStringLiteral("LENGTH")).isEmpty());
}

void TestInstrumentEntry::imageJResultsAreEnteredOncePerSave()
{
    ProgramRig rig;
    const QString results = rig.path(QStringLiteral("Results.txt"));
    const QDateTime t0 = QDateTime::fromSecsSinceEpoch(1'700'000'000);
    const QByteArray header = " \tArea\tMean\tIntDen\r\n";
    saveResults(results, header + "1\t9.5\t9\t9\r\n", t0);

    QVERIFY(rig.open(imagejCfg(results, QStringLiteral("1.5"), 2)));
    QCOMPARE(rig.box(), QStringLiteral("<Waiting on ImageJ>"));
    QVERIFY(rig.view.imageJTimerRunning());

    // Saved before the CFG was opened: not entered.
    rig.instruments.imageJTick();
    rig.clock->advance(5000);
    QCOMPARE(rig.box(), QStringLiteral("<Waiting on ImageJ>"));
    QVERIFY(!rig.instruments.inputHeld());

    // A new save is shown, held for Delaytime, then accepted and saved.
    saveResults(results, header + "1\t120.5\t33.2\t0.75\r\n", t0.addSecs(10));
    rig.instruments.imageJTick();
    QCOMPARE(rig.box(), QStringLiteral("120.5"));
    QVERIFY(rig.instruments.inputHeld());
    rig.clock->advance(1499);
    QVERIFY(rig.column(QStringLiteral("AREA")).isEmpty());
    rig.clock->advance(1);
    QCOMPARE(rig.column(QStringLiteral("AREA")), QStringList{"120.5"});
    QVERIFY(!rig.instruments.inputHeld());
    QCOMPARE(rig.box(), QStringLiteral("<Waiting on ImageJ>"));

    // Later ticks leave the consumed file alone; the same content saved
    // again with a new time is a new measurement.
    rig.instruments.imageJTick();
    rig.clock->advance(5000);
    QCOMPARE(rig.column(QStringLiteral("AREA")).size(), 1);
    saveResults(results, header + "1\t120.5\t33.2\t0.75\r\n", t0.addSecs(11));
    rig.instruments.imageJTick();
    rig.clock->advance(1500);
    QCOMPARE(rig.column(QStringLiteral("AREA")), (QStringList{"120.5", "120.5"}));

    // The file gone: ticks do nothing, typing still works.
    QVERIFY(QFile::remove(results));
    rig.instruments.imageJTick();
    rig.clock->advance(5000);
    rig.wedge(QStringLiteral("4"));
    QCOMPARE(rig.column(QStringLiteral("AREA")), (QStringList{"120.5", "120.5", "4"}));
    QVERIFY(rig.dialogs.messages().isEmpty());
}

void TestInstrumentEntry::inputWaitsDuringTheImageJPause()
{
    auto port = std::make_unique<FakeInstrumentPort>();
    FakeInstrumentPort* fake = port.get();
    ProgramRig rig(std::move(port));
    const QString results = rig.path(QStringLiteral("Results.txt"));
    QByteArray cfg = imagejCfg(results, QStringLiteral("2"), 0);
    cfg.replace("Delaytime=2", "Delaytime=2\r\nCom=/dev/fake:9600,N,8,1");
    QVERIFY(rig.open(cfg));
    QVERIFY(rig.instruments.portOpen());

    saveResults(results, "h\r\n1\t2\t33.2\r\n", QDateTime::fromSecsSinceEpoch(1'700'000'000));
    rig.instruments.imageJTick();
    QVERIFY(rig.instruments.inputHeld());

    // Neither keys nor a serial reading change what is about to be taken.
    QVERIFY(rig.instruments.instrumentKey(Key::Enter));
    QVERIFY(rig.instruments.instrumentKey(Key::Esc));
    fake->arrive("  7.00\r\n");
    QCOMPARE(rig.box(), QStringLiteral("33.2"));
    QVERIFY(rig.column(QStringLiteral("AREA")).isEmpty());

    // After the pause the ImageJ value is saved first; the reading that
    // waited then goes to the next record.
    rig.clock->advance(2000);
    QCOMPARE(rig.column(QStringLiteral("AREA")), (QStringList{"33.2", "7"}));
    QCOMPARE(fake->bytesAvailable(), qint64(0));
}

QTEST_GUILESS_MAIN(TestInstrumentEntry)
#include "tst_instrument_entry.moc"
