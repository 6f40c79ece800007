// The journal of the record in progress, the audit trail and the backups, on
// their own: what each keeps, and that a rolled-back change leaves nothing;
// the audit trail read back for its window, newest first, narrowed by field
// and action, and a trail that cannot be read told apart from one that holds
// nothing.

#include "store/AuditQuery.h"
#include "store/AuditTrail.h"
#include "store/BackupScheduler.h"
#include "store/Database.h"
#include "store/DatabaseBackup.h"
#include "store/RecordJournal.h"

#include "support/CaseTable.h"
#include "support/SeparateConnection.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

// Three changes, oldest first: Depth by grid edit, Weight by grid edit,
// Depth by re-edit.
bool recordThree(Database& db)
{
    AuditTrail audit(db);
    return audit.record({"Finds", 1, "A1", "Depth", 10, 12, QLatin1String(AuditAction::GridEdit)})
        && audit.record({"Finds", 2, "A2", "Weight", 1.5, QVariant(), QLatin1String(AuditAction::GridEdit)})
        && audit.record({"Finds", 1, "A1", "Depth", 12, 13, QLatin1String(AuditAction::ReEdit)});
}

// Each row as "field:before>after:action".
QStringList briefly(const std::vector<QVariantList>& rows)
{
    QStringList out;
    for (const QVariantList& row : rows)
        out << row.value(5).toString() + ':' + row.value(6).toString() + '>' + row.value(7).toString() + ':'
                + row.value(8).toString();
    return out;
}

}  // namespace

class TestSafety : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString dbPath() const { return m_dir.filePath("dig.mdb"); }

    void makeTable(Database& db)
    {
        QVERIFY(db.create(dbPath()));
        QVERIFY(db.execute("CREATE TABLE finds (Id VARCHAR(10), Weight REAL)"));
        QVERIFY(db.refresh());
    }

private slots:
    void init() { QFile::remove(dbPath()); }

    void journalKeepsOneRecordPerCfgAndIsHidden()
    {
        Database db;
        makeTable(db);
        RecordJournal journal(db, "/dig/a.cfg", "finds");
        RecordJournal other(db, "/dig/b.cfg", "finds");
        QVERIFY(!journal.read());
        const QDateTime when = QDateTime::fromString("2026-05-01T10:00:00Z", Qt::ISODate);
        QVERIFY(journal.write({when, 2, {}, {{"Id", "A1"}}, {}}));
        QVERIFY(journal.write({when, 3, JournalShape({"Id", "Weight"}), {{"Id", "A1"}, {"Weight", "12,5 \"g\""}}, {}}));
        QVERIFY(other.write({when, 2, {}, {{"Id", "B7"}}, {}}));

        // Read back through a fresh connection, as after a crash.
        db.close();
        Database again;
        QVERIFY(again.open(dbPath()));
        QCOMPARE(again.tableNames(), QStringList{"finds"});
        RecordJournal reopened(again, "/dig/a.cfg", "finds");
        const auto entry = reopened.read();
        QVERIFY(entry);
        QCOMPARE(entry->curvar, 3);
        QCOMPARE(entry->savedAt, when);
        QCOMPARE(entry->shape, JournalShape({"Id", "Weight"}));
        QCOMPARE(entry->values.size(), 2);
        QCOMPARE(entry->values.at(1).second, "12,5 \"g\"");
        QCOMPARE(reopened.clear(), JournalEnd::Ended);
        QVERIFY(!reopened.read());
        QVERIFY(RecordJournal(again, "/dig/b.cfg", "finds").read());
    }

    void auditRowsFollowTheirTransaction()
    {
        Database db;
        makeTable(db);
        QVERIFY(db.execute("INSERT INTO finds VALUES ('A1', 1.5), ('B2', 2), ('C3', NULL)"));
        AuditTrail audit(db);

        QVERIFY(db.transaction());
        QVERIFY(audit.record({"finds", 1, "A1", "Weight", 1.5, 3.0, QLatin1String(AuditAction::GridEdit)}));
        QVERIFY(audit.countAdded("finds"));
        QVERIFY(db.rollback());
        QVERIFY(rowCount(dbPath(), "k7_audit") <= 0);

        QVERIFY(db.transaction());
        QVERIFY(audit.countAdded("finds"));
        QVERIFY(audit.recordDeletion("finds", "rowid >= ?", {2}, "Id", QLatin1String(AuditAction::DeleteSelected)));
        QVERIFY(db.commit());
        QVERIFY(db.transaction());
        QVERIFY(audit.countAdded("finds"));
        QVERIFY(db.commit());

        const auto rows = querySeparately(dbPath(), "SELECT row_id, ident, field, before, after, action FROM k7_audit ORDER BY id");
        QVERIFY(rows);
        QCOMPARE(*rows, (QList<QStringList>{
                            {"0", "<null>", "", "<null>", "2", "records added"},
                            {"2", "B2", "*", "{\"Id\":\"B2\",\"Weight\":2.0}", "<null>", "delete selected"},
                            {"3", "C3", "*", "{\"Id\":\"C3\",\"Weight\":null}", "<null>", "delete selected"}}));
    }

    // A backup taken while records are being saved: tst_backup_pacing.
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
        const QString first = done.at(0).at(0).toString();
        QVERIFY(QFileInfo(first).dir() == QDir(BackupFolder(dbPath())));
        QCOMPARE(querySeparately(first, "PRAGMA integrity_check")->value(0).value(0), "ok");

        // Older backups beyond the number kept go, the oldest first.
        for (int s = 0; s < 3; ++s)
            QFile(BackupName(dbPath(), QDateTime::currentDateTime().addSecs(60 * (s + 1)))).open(QIODevice::WriteOnly);
        QCOMPARE(ExistingBackups(dbPath()).size(), 4);
        PruneBackups(dbPath(), 2);
        const QStringList kept = ExistingBackups(dbPath());
        QCOMPARE(kept.size(), 2);
        QVERIFY(!kept.contains(first));
        QVERIFY(!BackupDatabase(m_dir.filePath("missing.mdb"), kept.first()).ok);

        // A file where the folder should be: every later try fails, reported once.
        const QString elsewhere = m_dir.filePath("sub/dig.mdb");
        QVERIFY(QDir().mkpath(m_dir.filePath("sub")));
        QVERIFY(QFile::copy(dbPath(), elsewhere));
        QFile(BackupFolder(elsewhere)).open(QIODevice::WriteOnly);
        scheduler.start(elsewhere, std::chrono::milliseconds(20), 10);
        QTRY_COMPARE(failed.size(), 1);
        QTest::qWait(200);
        QCOMPARE(failed.size(), 1);
        QVERIFY(failed.at(0).at(0).toString().startsWith("Backup failed: "));
        scheduler.stop();
    }

    void newestFirstNarrowedByFieldAndAction_data() { addCaseRows("store/audit-rows.tsv"); }
    void newestFirstNarrowedByFieldAndAction()
    {
        QFETCH(Case, c);
        Database db;
        QVERIFY(db.create(dbPath()));
        QVERIFY(recordThree(db));
        QString error;
        const auto read = AuditRows(db, {c.text("field"), c.text("action")}, &error);
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(briefly(*read), c.list("rows"));
        for (const QVariantList& row : *read) {
            QCOMPARE(row.size(), AuditColumns().size());
            QCOMPARE(row.value(2).toString(), "Finds");
            QVERIFY(!row.value(0).toString().isEmpty());  // when
        }
        QCOMPARE(AuditValues(db, "field"), (QStringList{"Depth", "Weight"}));
        QCOMPARE(AuditValues(db, "action"), (QStringList{"grid edit", "re-edit"}));
    }

    // No trail yet is no rows; a table of that name that is no trail, or a
    // closed database, is told as it is.
    void aTrailThatCannotBeReadIsNotAnEmptyOne()
    {
        Database db;
        QString error;
        auto read = AuditRows(db, {}, &error);
        QVERIFY(read && read->empty());
        QVERIFY(db.create(dbPath()));
        read = AuditRows(db, {}, &error);
        QVERIFY(read && read->empty());
        QVERIFY(AuditValues(db, "field").isEmpty());
        QVERIFY(db.execute("CREATE TABLE k7_audit (id INTEGER PRIMARY KEY, note TEXT)"));
        QVERIFY(!AuditRows(db, {}, &error));
        QVERIFY2(error.contains("no such column"), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestSafety)
#include "tst_safety.moc"
