#include "store/DatabaseBackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sqlite3.h>

namespace k7 {

namespace {

constexpr int kPagesPerStep = 64;
constexpr int kBusyTimeoutMs = 2000;
// A database written to between steps restarts the copy. After this many
// restarts the rest is copied in one step, which holds a read lock meanwhile.
constexpr int kRestartsBeforeOneStep = 3;

QString sqliteMessage(sqlite3* db, int rc)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
}

struct Connection {
    sqlite3* db = nullptr;
    ~Connection() { sqlite3_close(db); }
    int open(const QString& path, int flags)
    {
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
        if (rc == SQLITE_OK)
            sqlite3_busy_timeout(db, kBusyTimeoutMs);
        return rc;
    }
};

QString copyPages(sqlite3* from, sqlite3* to, const std::atomic<bool>* cancel)
{
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup)
        return sqliteMessage(to, SQLITE_ERROR);
    int restarts = 0;
    int lastRemaining = -1;
    int rc = SQLITE_OK;
    while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        if (cancel && cancel->load()) {
            sqlite3_backup_finish(backup);
            return QStringLiteral("The backup was cancelled.");
        }
        rc = sqlite3_backup_step(backup, restarts >= kRestartsBeforeOneStep ? -1 : kPagesPerStep);
        const int remaining = sqlite3_backup_remaining(backup);
        if (lastRemaining >= 0 && remaining > lastRemaining)
            ++restarts;
        lastRemaining = remaining;
        if (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            QThread::msleep(2);
    }
    sqlite3_backup_finish(backup);
    return rc == SQLITE_DONE ? QString() : sqliteMessage(to, rc);
}

}  // namespace

BackupResult BackupDatabase(const QString& source, const QString& target, const std::atomic<bool>* cancel)
{
    BackupResult result;
    if (QFileInfo::exists(target)) {
        result.error = QStringLiteral("The backup %1 already exists.").arg(target);
        return result;
    }
    const QString part = target + QStringLiteral(".part");
    QFile::remove(part);
    QString error;
    {
        Connection from;
        Connection to;
        int rc = from.open(source, SQLITE_OPEN_READONLY);
        if (rc != SQLITE_OK)
            error = QStringLiteral("The database %1 cannot be read: %2").arg(source, sqliteMessage(from.db, rc));
        else if ((rc = to.open(part, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) != SQLITE_OK)
            error = QStringLiteral("The backup %1 cannot be written: %2").arg(target, sqliteMessage(to.db, rc));
        else
            error = copyPages(from.db, to.db, cancel);
    }
    if (error.isEmpty() && !QFile::rename(part, target))
        error = QStringLiteral("The backup %1 cannot be written.").arg(target);
    if (!error.isEmpty()) {
        QFile::remove(part);
        result.error = error;
        return result;
    }
    result.ok = true;
    result.path = target;
    return result;
}

QString BackupFolder(const QString& dbPath)
{
    return QFileInfo(dbPath).absolutePath() + QStringLiteral("/k7-backups");
}

QString BackupName(const QString& dbPath, const QDateTime& when)
{
    const QFileInfo info(dbPath);
    const QString stem = BackupFolder(dbPath) + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('-')
                         + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QString name = stem + suffix;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = stem + QLatin1Char('-') + QString::number(n) + suffix;
    return name;
}

QStringList ExistingBackups(const QString& dbPath)
{
    const QFileInfo info(dbPath);
    const QString digits8 = QString(8, QLatin1Char('?'));
    const QString pattern = info.completeBaseName() + QLatin1Char('-') + digits8 + QLatin1Char('-')
                            + digits8.left(6) + QLatin1Char('*');
    QDir folder(BackupFolder(dbPath));
    QStringList names;
    for (const QString& n : folder.entryList({pattern}, QDir::Files, QDir::Name)) {
        if (!n.endsWith(QLatin1String(".part")))
            names << folder.filePath(n);
    }
    return names;
}

void PruneBackups(const QString& dbPath, int keep)
{
    QStringList names = ExistingBackups(dbPath);
    while (names.size() > std::max(keep, 0))
        QFile::remove(names.takeFirst());
}

}  // namespace k7
