// Backups taken while records are being saved: no save may fail because of
// a backup, and closing the database never waits for a whole copy.

#include "store/BackupScheduler.h"
#include "store/DatabaseBackup.h"

#include "support/SeparateConnection.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace k7;
using namespace k7::test;
using namespace std::chrono_literals;

namespace {

// Steps of a megabyte: the copy of the whole takes long enough for the saves
// to come between its steps.
constexpr int kTestPagesPerStep = 256;

// Another station saving one record every few milliseconds, durably, on a
// thread of its own for `during` or until finished; it waits for a lock no
// longer than `patienceMs`.
struct SavingStation {
    std::atomic<bool> stop{false};
    std::atomic<int> saved{0};
    QStringList failures;
    std::thread thread;

    SavingStation(const QString& path, int patienceMs, std::chrono::milliseconds during)
    {
        thread = std::thread([this, path, patienceMs, during] {
            sqlite3* db = nullptr;
            sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
            sqlite3_busy_timeout(db, patienceMs);
            sqlite3_exec(db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
            const auto end = std::chrono::steady_clock::now() + during;
            while (!stop.load() && std::chrono::steady_clock::now() < end) {
                if (sqlite3_exec(db, "INSERT INTO finds (b) VALUES (randomblob(100))", nullptr, nullptr, nullptr) == SQLITE_OK)
                    ++saved;
                else
                    failures << QString::fromUtf8(sqlite3_errmsg(db));
                std::this_thread::sleep_for(5ms);
            }
            sqlite3_close(db);
        });
    }
    ~SavingStation() { finish(); }
    void finish()
    {
        stop = true;
        if (thread.joinable())
            thread.join();
    }
};

}  // namespace

class TestBackupPacing : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString dbPath() const { return m_dir.filePath("dig.mdb"); }
    int m_initialRows = 16000;
    // How long copying the whole database in one step holds its read lock
    // (with the copy put on disk inside the step).
    double m_oneStepMs = 0;

private slots:
    // About 65 MB: large enough that one step copying all of it takes longer
    // than the patience the saves below are given.
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(execSql(dbPath(),
                        {"CREATE TABLE finds (id INTEGER PRIMARY KEY, b BLOB)",
                         QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                        "WHERE i < %1) INSERT INTO finds (b) SELECT randomblob(4000) FROM n")
                             .arg(m_initialRows)}));
        sqlite3* from = nullptr;
        sqlite3* to = nullptr;
        const QString copy = m_dir.filePath("whole.mdb");
        sqlite3_open_v2(QFile::encodeName(dbPath()).constData(), &from, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_open(QFile::encodeName(copy).constData(), &to);
        QElapsedTimer timer;
        timer.start();
        sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
        const int rc = sqlite3_backup_step(backup, -1);
        sqlite3_backup_finish(backup);
        m_oneStepMs = timer.nsecsElapsed() / 1e6;
        sqlite3_close(to);
        sqlite3_close(from);
        QFile::remove(copy);
        QCOMPARE(rc, SQLITE_DONE);
        qInfo("one step copies the database in %.0f ms", m_oneStepMs);
    }

    // Saves come every few milliseconds while the backup runs, then stop.
    // Not one fails as locked: every step of the copy is short, and after
    // the saves have made it start over a few times it waits for the quiet
    // moment instead of copying the rest in one step. The backup then holds
    // every saved record.
    void savesDuringABackupNeverFailAsLocked()
    {
        const int patienceMs = std::max(4, static_cast<int>(m_oneStepMs / 2));
        BackupPacing pacing;
        pacing.stepBudget = std::chrono::milliseconds(std::max(1, patienceMs / 4));
        pacing.mostPagesPerStep = kTestPagesPerStep;
        pacing.quiet = 300ms;
        SavingStation station(dbPath(), patienceMs, 2s);
        while (station.saved.load() < 3 && station.failures.isEmpty())
            QThread::msleep(5);

        QVERIFY(QDir().mkpath(BackupFolder(dbPath())));
        const QString target = BackupName(dbPath(), QDateTime::currentDateTime());
        const BackupResult result = BackupDatabase(dbPath(), target, nullptr, pacing);
        station.finish();

        QVERIFY2(station.failures.isEmpty(),
                 qPrintable(QStringLiteral("%1 of %2 saves failed, the first: %3 (patience %4 ms)")
                                .arg(station.failures.size())
                                .arg(station.failures.size() + station.saved.load())
                                .arg(station.failures.value(0))
                                .arg(patienceMs)));
        QVERIFY2(result.ok, qPrintable(result.error));
        QVERIFY(result.restarts >= pacing.restartsBeforeQuiet);
        QVERIFY(result.quietWaits >= 1);
        QVERIFY2(result.longestStepMs < patienceMs,
                 qPrintable(QStringLiteral("%1 ms").arg(result.longestStepMs)));
        QCOMPARE(querySeparately(target, "PRAGMA integrity_check")->value(0).value(0), "ok");
        QCOMPARE(rowCount(target, "finds"), rowCount(dbPath(), "finds"));
        QFile::remove(target);
    }

    // Closing the database while saves keep the backup waiting for a quiet
    // moment ends it within a step: no backup, no part file, and the
    // scheduler does not call that a failure.
    void stopEndsABackupPromptly()
    {
        BackupScheduler scheduler;
        BackupPacing pacing;
        pacing.mostPagesPerStep = kTestPagesPerStep;
        pacing.quiet = 30s;
        scheduler.setPacing(pacing);
        QSignalSpy done(&scheduler, &BackupScheduler::backedUp);
        QSignalSpy failed(&scheduler, &BackupScheduler::failed);
        SavingStation station(dbPath(), 1000, 60s);
        while (station.saved.load() < 3)
            QThread::msleep(5);
        scheduler.start(dbPath(), 30min, 10);
        QTest::qWait(static_cast<int>(std::max(1500.0, 3 * m_oneStepMs)));
        QElapsedTimer timer;
        timer.start();
        scheduler.stop();
        const qint64 stopMs = timer.elapsed();
        station.finish();
        QVERIFY(station.failures.isEmpty());
        QVERIFY2(stopMs < 500, qPrintable(QString::number(stopMs)));
        QTest::qWait(50);
        QVERIFY(done.isEmpty());
        QVERIFY(failed.isEmpty());
        QVERIFY(QDir(BackupFolder(dbPath())).entryList(QDir::Files).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBackupPacing)
#include "tst_backup_pacing.moc"
