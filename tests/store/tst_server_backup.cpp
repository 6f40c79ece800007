// Backups of a database on a server: a dump by the server's own tool, named
// and kept as a file's backups are, in the user's K7 data.

#include "store/Database.h"
#include "store/DatabaseBackup.h"
#include "store/ServerBackup.h"

#include "support/PgConnectionChecks.h"
#include "support/PgTestServer.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

using namespace k7;
using namespace k7::test;

class TestServerBackup : public QObject {
    Q_OBJECT

    PgTestServer m_server;

private slots:
    void initTestCase()
    {
        if (ServerDumpProgram().isEmpty())
            QSKIP("pg_dump is not installed.");
        START_SERVER_OR_SKIP(m_server, "dig site");
        QStandardPaths::setTestModeEnabled(true);
    }

    void dumpNamedAndKeptAsAFilesBackups()
    {
        const QString uri = m_server.uri("dig site");
        {
            Database db;
            QVERIFY2(db.open(uri), qPrintable(db.lastError()));
            QVERIFY(db.appendTable(TableDef{"Finds", {FieldDef{"ID"}}, {}}));
            QVERIFY(db.execute("INSERT INTO \"Finds\" (\"ID\") VALUES ('A1')"));
        }
        const QString folder = BackupFolder(uri);
        QVERIFY2(folder.endsWith("/k7-backups/dig site") && !folder.contains("postgresql"), qPrintable(folder));
        QVERIFY(QDir(folder).removeRecursively() && QDir().mkpath(folder));

        const QString name = BackupName(uri, QDateTime(QDate(2026, 12, 7), QTime(14, 5)));
        QCOMPARE(QFileInfo(name).fileName(), QString("dig site-20261207-140500.dump"));
        const BackupResult made = BackupDatabase(uri, name);
        QVERIFY2(made.ok, qPrintable(made.error));
        QFile dump(name);
        QVERIFY(dump.open(QIODevice::ReadOnly));
        QCOMPARE(dump.read(5), QByteArray("PGDMP"));  // the custom format pg_restore reads
        QCOMPARE(ExistingBackups(uri), QStringList{name});
        QVERIFY(!QFile::exists(name + ".part"));

        // A server that is gone fails the backup, says so, and leaves no file.
        QVERIFY(m_server.stop());
        const QString later = BackupName(uri, QDateTime(QDate(2026, 12, 7), QTime(14, 35)));
        const BackupResult failed = BackupDatabase(uri, later);
        QVERIFY(!failed.ok && failed.error.contains("dig") && !QFile::exists(later));
        QVERIFY(!QFile::exists(later + ".part"));
        QDir(folder).removeRecursively();
    }
};

QTEST_GUILESS_MAIN(TestServerBackup)
#include "tst_server_backup.moc"
