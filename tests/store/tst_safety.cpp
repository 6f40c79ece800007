// The journal of the record in progress, the audit trail and the backups, on
// their own: what each keeps, and that a rolled-back change leaves nothing.

#include "store/AuditTrail.h"
#include "store/BackupScheduler.h"
#include "store/Database.h"
#include "store/DatabaseBackup.h"
#include "store/RecordJournal.h"

#include "support/SeparateConnection.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

using namespace k7;
using namespace k7::test;

class TestSafety : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString dbPath() const { return m_dir.filePath(QStringLiteral("dig.mdb")); }

    void makeTable(Database& db)
    {
        QVERIFY(db.create(dbPath()));
        QVERIFY(db.execute(QStringLiteral("CREATE TABLE finds (Id VARCHAR(10), Weight REAL)")));
        QVERIFY(db.refresh());
    }

private slots:
    void init() { QFile::remove(dbPath()); }

    void journalKeepsOneRecordPerCfgAndIsHidden()
    {
        Database db;
        makeTable(db);
        RecordJournal journal(db, QStringLiteral("/dig/a.cfg"), QStringLiteral("finds"));
        RecordJournal other(db, QStringLiteral("/dig/b.cfg"), QStringLiteral("finds"));
        QVERIFY(!journal.read());
        const QDateTime when = QDateTime::fromString(QStringLiteral("2026-05-01T10:00:00Z"), Qt::ISODate);
        QVERIFY(journal.write({when, 2, {}, {{QStringLiteral("Id"), QStringLiteral("A1")}}}));
        QVERIFY(journal.write({when, 3, JournalShape({QStringLiteral("Id"), QStringLiteral("Weight")}), {{QStringLiteral("Id"), QStringLiteral("A1")},
                                         {QStringLiteral("Weight"), QStringLiteral("12,5 \"g\"")}}}));
        QVERIFY(other.write({when, 2, {}, {{QStringLiteral("Id"), QStringLiteral("B7")}}}));

        // Read back through a fresh connection, as after a crash.
        db.close();
        Database again;
        QVERIFY(again.open(dbPath()));
        QCOMPARE(again.tableNames(), QStringList{QStringLiteral("finds")});
        RecordJournal reopened(again, QStringLiteral("/dig/a.cfg"), QStringLiteral("finds"));
        const auto entry = reopened.read();
        QVERIFY(entry);
        QCOMPARE(entry->curvar, 3);
        QCOMPARE(entry->savedAt, when);
        QCOMPARE(entry->shape, JournalShape({QStringLiteral("Id"), QStringLiteral("Weight")}));
        QCOMPARE(entry->values.size(), 2);
        QCOMPARE(entry->values.at(1).second, QStringLiteral("12,5 \"g\""));
        QVERIFY(reopened.clear());
        QVERIFY(!reopened.read());
        QVERIFY(RecordJournal(again, QStringLiteral("/dig/b.cfg"), QStringLiteral("finds")).read());
    }

    void auditRowsFollowTheirTransaction()
    {
        Database db;
        makeTable(db);
        QVERIFY(db.execute(QStringLiteral("INSERT INTO finds VALUES ('A1', 1.5), ('B2', 2), ('C3', NULL)")));
        AuditTrail audit(db);

        QVERIFY(db.transaction());
        QVERIFY(audit.record({QStringLiteral("finds"), 1, QStringLiteral("A1"), QStringLiteral("Weight"), 1.5, 3.0,
                              QLatin1String(AuditAction::GridEdit)}));
        QVERIFY(audit.countAdded(QStringLiteral("finds")));
        QVERIFY(db.rollback());
        QVERIFY(rowCount(dbPath(), QStringLiteral("k7_audit")) <= 0);

        QVERIFY(db.transaction());
        QVERIFY(audit.countAdded(QStringLiteral("finds")));
        QVERIFY(audit.recordDeletion(QStringLiteral("finds"), QStringLiteral("rowid >= ?"), {2}, QStringLiteral("Id"),
                                     QLatin1String(AuditAction::DeleteSelected)));
        QVERIFY(db.commit());
        QVERIFY(db.transaction());
        QVERIFY(audit.countAdded(QStringLiteral("finds")));
        QVERIFY(db.commit());

        const auto rows = querySeparately(
            dbPath(), QStringLiteral("SELECT row_id, ident, field, before, after, action FROM k7_audit ORDER BY id"));
        QVERIFY(rows);
        const QList<QStringList> expected{
            {QStringLiteral("0"), QStringLiteral("<null>"), QString(), QStringLiteral("<null>"), QStringLiteral("2"),
             QStringLiteral("records added")},
            {QStringLiteral("2"), QStringLiteral("B2"), QStringLiteral("*"), QStringLiteral("{\"Id\":\"B2\",\"Weight\":2.0}"),
             QStringLiteral("<null>"), QStringLiteral("delete selected")},
            {QStringLiteral("3"), QStringLiteral("C3"), QStringLiteral("*"), QStringLiteral("{\"Id\":\"C3\",\"Weight\":null}"),
             QStringLiteral("<null>"), QStringLiteral("delete selected")},
        };
        QCOMPARE(*rows, expected);
    }

    void backupTakenWhileSavingIsWholeAndPruned()
    {
        {
            Database db;
            makeTable(db);
        }
        std::atomic<bool> stop{false};
        std::atomic<int> saved{0};
        std::thread writer([&] {
            Database w;
            if (!w.open(dbPath()))
                return;
            for (int i = 0; !stop.load() && i < 5000; ++i)
                if (w.execute(QStringLiteral("INSERT INTO finds VALUES (?, ?)"), {QString::number(i), i}))
                    ++saved;
        });
        while (saved.load() < 50)
            QThread::msleep(5);
        QVERIFY(QDir().mkpath(BackupFolder(dbPath())));
        const QString target = BackupName(dbPath(), QDateTime::currentDateTime());
        const BackupResult result = BackupDatabase(dbPath(), target);
        const int before = saved.load();
        stop = true;
        writer.join();
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(querySeparately(target, QStringLiteral("PRAGMA integrity_check"))->value(0).value(0),
                 QStringLiteral("ok"));
        const int copied = rowCount(target, QStringLiteral("finds"));
        QVERIFY(copied >= 50 && copied <= before + 1);

        for (int s = 0; s < 3; ++s)
            QFile(BackupName(dbPath(), QDateTime::currentDateTime().addSecs(60 * (s + 1)))).open(QIODevice::WriteOnly);
        QCOMPARE(ExistingBackups(dbPath()).size(), 4);
        PruneBackups(dbPath(), 2);
        const QStringList kept = ExistingBackups(dbPath());
        QCOMPARE(kept.size(), 2);
        QVERIFY(!kept.contains(target));
        QVERIFY(!BackupDatabase(m_dir.filePath(QStringLiteral("missing.mdb")), kept.first()).ok);
    }

    void schedulerBacksUpAtOnceAndReportsAFailureOnce()
    {
        {
            Database db;
            makeTable(db);
        }
        BackupScheduler scheduler;
        QSignalSpy done(&scheduler, &BackupScheduler::backedUp);
        QSignalSpy failed(&scheduler, &BackupScheduler::failed);
        scheduler.start(dbPath(), std::chrono::milliseconds(0), 10);
        QVERIFY(!scheduler.running());
        scheduler.start(dbPath(), std::chrono::minutes(30), 10);
        QTRY_COMPARE(done.size(), 1);
        QVERIFY(QFileInfo(done.at(0).at(0).toString()).dir() == QDir(BackupFolder(dbPath())));

        // A file where the folder should be: every later try fails, reported once.
        const QString elsewhere = m_dir.filePath(QStringLiteral("sub/dig.mdb"));
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("sub"))));
        QVERIFY(QFile::copy(dbPath(), elsewhere));
        QFile(BackupFolder(elsewhere)).open(QIODevice::WriteOnly);
        scheduler.start(elsewhere, std::chrono::milliseconds(20), 10);
        QTRY_COMPARE(failed.size(), 1);
        QTest::qWait(200);
        QCOMPARE(failed.size(), 1);
        QVERIFY(failed.at(0).at(0).toString().startsWith(QStringLiteral("Backup failed: ")));
        scheduler.stop();
    }
};

QTEST_GUILESS_MAIN(TestSafety)
#include "tst_safety.moc"
