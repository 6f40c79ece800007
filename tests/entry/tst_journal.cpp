// Saved records and the journal of the record in progress across a killed
// process, the offer to continue it, and the audit rows each change to saved
// rows leaves.

#include "entry/LockedDatabase.h"
#include "support/CaseTable.h"
#include "support/EntryRig.h"

#include "workflows/RecordCommands.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <cstdio>

using namespace k7;
using namespace k7::test;

namespace {

const QStringList kSix{"A", "B", "C", "D", "E", "F"};

QList<QStringList> journalRows(const QString& folder)
{
    return querySeparately(folder + "/site.mdb", "SELECT curvar, vals FROM k7_journal").value_or(QList<QStringList>{});
}

// The children wait to be killed after saying how far they got. The journal
// is written behind the keys: they say so once it is on disk, as an operator
// pausing for a moment would leave it.
void say(const QByteArray& line)
{
    std::fputs(line.constData(), stdout);
    std::fflush(stdout);
}

// Saves one record, then types three values of the next.
int childTypeThree(const QString& folder)
{
    EntryRig rig;
    if (!rig.openText(folder + "/site.mdb", kSix))
        return 2;
    rig.enter({"s1", "s2", "s3", "s4", "s5", "s6", "a1", "b2", "c3"});
    rig.engine.flushJournal();
    say("typed\n");
    QThread::sleep(60);
    return 0;
}

// Saves records of two values, R-n and n, and says "n" once the first value
// of record n is accepted: with `waitForDisk`, once its journal is on disk.
int childSaveLoop(const QString& folder, bool waitForDisk)
{
    EntryRig rig;
    if (!rig.openText(folder + "/site.mdb", {"ID", "N"}))
        return 2;
    for (int n = 1; n < 100000; ++n) {
        rig.enter({QStringLiteral("R-%1").arg(n)});
        if (waitForDisk)
            rig.engine.flushJournal();
        say(QByteArray::number(n) + '\n');
        rig.enter({QString::number(n)});
    }
    return 0;
}

// Runs this program as a child with `mode`, reads its output until `until`
// says enough, and kills it.
QByteArray runAndKill(const QString& mode, const QString& folder, const std::function<bool(const QByteArray&)>& until)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {mode, folder});
    if (!child.waitForStarted())
        return {};
    QByteArray out;
    while (!until(out) && child.state() == QProcess::Running) {
        child.waitForReadyRead(10000);
        out += child.readAllStandardOutput();
    }
    child.kill();
    child.waitForFinished();
    return out + child.readAllStandardOutput();
}

}  // namespace

class TestJournal : public QObject {
    Q_OBJECT

    // Three rows saved through the engine, with ID as the first Unique variable.
    void savedThree(EntryRig& rig)
    {
        rig.model.options[OptReEdit] = "Yes";
        rig.model.options[OptEmptyonly] = "Yes";
        rig.add("ID", TypeText).varunique = 1;
        rig.add("NOTE", TypeText);
        rig.add("N", TypeNumeric);
        QVERIFY(rig.open());
        rig.enter({"A1", "", "1", "B2", "old", "2", "C3", "kept", "3"});
        QCOMPARE(rig.rows().size(), 3);
    }

private slots:
    // Killed after a save and three values of the next record: the saved
    // row is there for another connection, and the three values are offered.
    void killedAfterThreeOfSixValuesIsOffered()
    {
        QTemporaryDir dir;
        const QByteArray out = runAndKill("--child-type3", dir.path(), [](const QByteArray& o) { return o.contains("typed"); });
        QVERIFY(out.contains("typed"));
        const QStringList saved{"s1", "s2", "s3", "s4", "s5", "s6"};
        QCOMPARE(readRows(dir.filePath("site.mdb"), "site"), QList<QStringList>{saved});

        EntryRig rig;
        rig.dialogs.queueAnswer(Answer::Yes);
        QVERIFY(rig.openText(dir.path() + "/site.mdb", kSix));
        rig.engine.OfferJournalledRecord();
        QCOMPARE(rig.dialogs.messages().size(), 1);
        QVERIFY(rig.dialogs.texts().first().contains("3 values were typed"));
        QCOMPARE(rig.dialogs.messages().first().style, Style::YesNo + Style::Question);
        const std::vector<QString> expected{"", "a1", "b2", "c3", "", "", ""};
        QCOMPARE(std::vector<QString>(rig.state.varvalue.begin(), rig.state.varvalue.begin() + 7), expected);
        QCOMPARE(rig.state.curvar, 4);

        // Finished, the record is saved and its journal gone with the same commit.
        rig.enter({"d4", "e5", "f6"});
        QCOMPARE(rig.rows(), (QList<QStringList>{saved, {"a1", "b2", "c3", "d4", "e5", "f6"}}));
        QVERIFY(journalRows(dir.path()).isEmpty());
    }

    // Killed anywhere in a loop of saves: each record that had a value
    // accepted, and its journal written, is saved or journalled; killed
    // while journal writes are still under way, the journal may be behind,
    // but no record is ever both saved and journalled.
    void killedDuringSavesLosesNothing_data() { addCaseRows("entry/killed-loops.tsv"); }
    void killedDuringSavesLosesNothing()
    {
        QFETCH(Case, c);
        const QString mode = c.text("mode");
        const bool onDisk = c.yes("on disk");
        for (int run = 0; run < 3; ++run) {
            QTemporaryDir dir;
            const int stopAt = 5 + QRandomGenerator::global()->bounded(20);
            const QByteArray out = runAndKill(mode, dir.path(), [&](const QByteArray& o) {
                return o.count('\n') >= stopAt;
            });
            const QList<QByteArray> said = out.trimmed().split('\n');
            const int started = said.last().toInt();
            QVERIFY(started >= stopAt);
            // Killed inside a commit, the file has a hot journal that only a
            // connection that may write rolls back; a read-only one is refused.
            QVERIFY(execSql(dir.filePath("site.mdb"), {"SELECT count(*) FROM site"}));
            const QList<QStringList> rows = readRows(dir.filePath("site.mdb"), "site");
            for (int n = 1; n <= rows.size(); ++n)
                QCOMPARE(rows.at(n - 1).first(), QStringLiteral("R-%1").arg(n));
            const QList<QStringList> journal = journalRows(dir.path());
            const bool journalled = !journal.isEmpty();
            if (journalled)
                QVERIFY2(journal.first().at(1).contains(QStringLiteral("\"R-%1\"").arg(rows.size() + 1)),
                         qPrintable(journal.first().join(' ')));
            if (onDisk)
                QVERIFY2(started <= rows.size() + (journalled ? 1 : 0),
                         qPrintable(QStringLiteral("record %1 began, %2 saved").arg(started).arg(rows.size())));
        }
    }

    // Declined, the journal goes; for a CFG whose variables changed, only
    // the values of variables that still exist come back, and entry goes on
    // after the last of them still asked.
    void offerFollowsTheAnswerAndTheShape_data() { addCaseRows("entry/journal-offers.tsv"); }
    void offerFollowsTheAnswerAndTheShape()
    {
        QFETCH(Case, c);
        const int answer = c.text("answer") == "yes" ? Answer::Yes : Answer::No;
        const QStringList names = c.list("names");
        QTemporaryDir dir;
        {
            EntryRig first;
            QVERIFY(first.openText(dir.path() + "/site.mdb", kSix));
            first.enter({"a1", "b2", "c3"});
        }
        EntryRig rig;
        rig.dialogs.queueAnswer(answer);
        QVERIFY(rig.openText(dir.path() + "/site.mdb", names));
        rig.engine.OfferJournalledRecord();
        QCOMPARE(rig.dialogs.messages().size(), 1);
        QCOMPARE(rig.dialogs.texts().first().contains("have changed since"), c.text("says changed") == "yes");
        QStringList restored;
        for (int v = 1; v <= names.size(); ++v)
            restored << rig.state.varvalue[v];
        QCOMPARE(restored, c.list("values"));
        QCOMPARE(rig.state.curvar, c.number("curvar"));
        rig.engine.flushJournal();
        QCOMPARE(journalRows(dir.path()).isEmpty(), answer == Answer::No);
    }

    // The journal ends only with its record: Ctrl+C ends it and Ctrl+Z
    // writes it again; a save that fails (locked) leaves it as it was. A
    // journal that cannot be written is told once in the status line, and
    // entry goes on without waiting for the lock (it waited a second per
    // value: the journal was written before the next variable was shown).
    void journalEndsOnlyWithTheRecord()
    {
        EntryRig rig;
        QVERIFY(rig.openText(rig.dbPath(), kSix));
        rig.enter({"a1", "b2"});
        QVERIFY(rig.press(Key::CtrlC));
        rig.engine.flushJournal();
        QVERIFY(journalRows(rig.dir.path()).isEmpty());
        QVERIFY(rig.press(Key::CtrlZ));
        rig.engine.flushJournal();
        QCOMPARE(journalRows(rig.dir.path()).value(0).value(0), QString("3"));

        qint64 acceptMs = -1;
        QVERIFY(whileLocked(rig.dbPath(), [&] {
            QElapsedTimer timer;
            timer.start();
            rig.enter({"c3", "d4"});
            acceptMs = timer.elapsed();
            // Told through the event loop, while the operator goes on.
            QTRY_COMPARE(rig.view.statuses().size(), 1);
            rig.engine.flushJournal();
        }));
        QVERIFY2(acceptMs < 500, qPrintable(QString::number(acceptMs)));
        QCOMPARE(rig.view.statuses().size(), 1);
        QVERIFY(rig.view.statuses().first().contains("locked"));
        QVERIFY(rig.dialogs.messages().isEmpty());
        QVERIFY(rig.engine.recordInProgressUnprotected());  // Exit would ask
        rig.enter({"e5"});
        rig.engine.flushJournal();
        const QList<QStringList> journalled = journalRows(rig.dir.path());
        QCOMPARE(journalled.value(0).value(0), QString("6"));
        QVERIFY(!rig.engine.recordInProgressUnprotected());

        QVERIFY(whileLocked(rig.dbPath(), [&] { rig.enter({"f6"}); }));
        QVERIFY(rig.dialogs.texts().value(0).startsWith("The record could not be saved: "));
        QCOMPARE(rig.rows().size(), 0);
        rig.engine.flushJournal();
        QCOMPARE(journalRows(rig.dir.path()), journalled);
        QVERIFY(rig.press(Key::Enter));
        QCOMPARE(rig.rows().size(), 1);
        rig.engine.flushJournal();
        QVERIFY(journalRows(rig.dir.path()).isEmpty());
    }

    // A save supersedes the journal write still pending and waits for the
    // one under way: typed faster than the disk, no record is left both
    // saved and journalled. When the save fails, the superseded state is
    // journalled after all.
    void saveSupersedesPendingJournalWrites()
    {
        EntryRig rig;
        QVERIFY(rig.openText(rig.dbPath(), kSix));
        for (int n = 1; n <= 12; ++n) {
            rig.enter({QStringLiteral("r%1").arg(n), "b", "c", "d", "e", "f"});
            rig.engine.flushJournal();
            QCOMPARE(rig.rows().size(), n);
            QVERIFY2(journalRows(rig.dir.path()).isEmpty(), qPrintable(QStringLiteral("after record %1").arg(n)));
        }

        rig.enter({"a", "b", "c"});
        rig.engine.flushJournal();
        QVERIFY(whileLocked(rig.dbPath(), [&] {
            rig.enter({"d4"});
            QThread::msleep(200);  // its write is under way, waiting for the lock
            rig.enter({"e5", "f6"});
        }));
        QVERIFY(rig.dialogs.texts().value(0).startsWith("The record could not be saved: "));
        rig.engine.flushJournal();
        QCOMPARE(journalRows(rig.dir.path()).value(0).value(0), QString("6"));
        QVERIFY(journalRows(rig.dir.path()).value(0).value(1).contains("\"e5\""));
    }

    // A database file deleted or moved while open: the journal does not make
    // it again, the failed save names the cause and invites no retry, which
    // could never succeed, and the record in progress counts as unprotected,
    // its journal gone with the file (mended: "attempt to write a readonly
    // database", "press Enter to try again", and File > Exit lost the values
    // without a word).
    void movedDatabaseFileIsNamed_data() { addCaseRows("entry/moved-databases.tsv"); }
    void movedDatabaseFileIsNamed()
    {
        QFETCH(Case, c);
        const bool deleted = c.text("how") == "deleted";
        EntryRig rig;
        QVERIFY(rig.openText(rig.dbPath(), {"ID", "NOTE", "N"}));
        QVERIFY(!rig.engine.recordInProgressUnprotected());
        rig.enter({"A1"});
        QVERIFY(!rig.engine.recordInProgressUnprotected() && !rig.engine.lastJournalFailed());
        QCOMPARE(journalRows(rig.dir.path()).size(), 1);
        const QString path = rig.dbPath();
        QVERIFY(deleted ? QFile::remove(path) : QFile::rename(path, rig.path("moved.mdb")));
        QVERIFY(rig.engine.recordInProgressUnprotected());
        rig.enter({"x"});
        QVERIFY(rig.engine.lastJournalFailed());
        QVERIFY(!QFileInfo::exists(path));
        rig.enter({"7"});
        rig.press(Key::Enter);
        const QStringList texts = rig.dialogs.texts();
        QCOMPARE(texts.size(), 2);
        QCOMPARE(texts.at(1), texts.at(0));
        QVERIFY2(texts.at(0).startsWith("The record could not be saved: The database file ")
                     && texts.at(0).contains("site.mdb was moved or deleted while it was open"),
                 qPrintable(texts.at(0)));
        QVERIFY(!texts.at(0).contains("try again"));
        QCOMPARE(rig.state.varvalue[1], QString("A1"));
        QCOMPARE(rig.state.curvar, 3);
        QVERIFY(rig.engine.recordInProgressUnprotected());
    }

    // The tally of records added follows the database that is open (mended:
    // after another database was opened it counted into that file's row of
    // the same id, whatever the row was).
    void auditFollowsTheOpenDatabase()
    {
        EntryRig rig;
        savedThree(rig);
        rig.store.close();
        QVERIFY(execSql(rig.path("other.mdb"), {"CREATE TABLE k7_audit (id INTEGER PRIMARY KEY, at TEXT NOT NULL, "
                                                 "station TEXT NOT NULL, tablename TEXT NOT NULL, row_id INTEGER, "
                                                 "ident TEXT, field TEXT, before, after, action TEXT NOT NULL)",
                                                 "INSERT INTO k7_audit (id, at, station, tablename, after, action) "
                                                 "VALUES (1, 'then', 'x/y', 'site', 'B', 'rename')"}));
        QVERIFY(OpenDataTable(rig.model, rig.store, rig.dialogs, rig.shell, rig.path("other.mdb")));
        rig.engine.StartRecord();
        rig.enter({"Z9", "new", "4"});
        QCOMPARE(rig.rows(), (QList<QStringList>{{"Z9", "new", "4"}}));
        QCOMPARE(querySeparately(rig.path("other.mdb"), "SELECT after, action FROM k7_audit ORDER BY id"),
                 (QList<QStringList>{{"B", "rename"}, {"1", "records added"}}));
        QCOMPARE(querySeparately(rig.dbPath(), "SELECT after FROM k7_audit"), (QList<QStringList>{{"3"}}));
    }

    // Each change to saved rows leaves exactly its audit rows, in the same
    // transaction: under another program's lock it fails and leaves none.
    // The other deletions' rows are checked with the record menu.
    void auditedActions_data() { addCaseRows("entry/audited-actions.tsv"); }
    void auditedActions()
    {
        QFETCH(Case, c);
        const QString action = c.text("action");
        QList<QStringList> expected;
        for (const QString& row : c.list("audit rows"))
            expected << row.split(';');
        EntryRig rig;
        savedThree(rig);
        const QList<QStringList> before = rig.rows();
        const auto act = [&] {
            if (action == "grid edit") {
                rig.view.setGridCell(1, 1, "old");
                rig.engine.startGridEdit(false);
                rig.enter({"new"});
            } else if (action == "re-edit") {
                rig.enter({"A1", "worn"});  // Emptyonly: only NOTE is asked
            } else {
                rig.dialogs.queueAnswer(Answer::Yes);
                RecordCommands({rig.model, rig.store, rig.dialogs, rig.shell, rig.view,
                                [&rig] { return &rig.store.currentrs(); }, [] {}})
                    .deleteAllEntries();
            }
        };
        if (c.text("locked") == "yes") {
            QVERIFY(whileLocked(rig.dbPath(), act));
            QCOMPARE(rig.rows(), before);
        } else {
            act();
        }
        const auto rows = querySeparately(rig.dbPath(), "SELECT row_id, ident, field, before, after, action FROM k7_audit "
                                                        "WHERE action <> 'records added' ORDER BY id");
        QVERIFY(rows);
        QCOMPARE(*rows, expected);
        const auto added = querySeparately(rig.dbPath(), "SELECT after FROM k7_audit WHERE action = 'records added'");
        QCOMPARE(*added, (QList<QStringList>{{"3"}}));
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--child-type3")
        return childTypeThree(QString::fromLocal8Bit(argv[2]));
    if (argc == 3 && QByteArray(argv[1]) == "--child-loop")
        return childSaveLoop(QString::fromLocal8Bit(argv[2]), true);
    if (argc == 3 && QByteArray(argv[1]) == "--child-loop-nowait")
        return childSaveLoop(QString::fromLocal8Bit(argv[2]), false);
    TestJournal test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_journal.moc"
