#include "store/DatabaseBackup.h"

#include "cfg/ServerUri.h"
#include "store/ServerBackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include <algorithm>
#include <thread>

namespace k7 {

namespace {

// The copy never waits for a lock inside a step: a step that finds a save
// under way returns at once and is tried again after kQuietPoll, so that
// Cancel is seen between tries.
constexpr int kSourceBusyTimeoutMs = 0;
constexpr int kTargetBusyTimeoutMs = 2000;
// How often a wait for a quiet moment looks at the database and at Cancel.
constexpr std::chrono::milliseconds kQuietPoll{25};

using Clock = std::chrono::steady_clock;

QString sqliteMessage(sqlite3* db, int rc)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
}

struct Connection {
    sqlite3* db = nullptr;
    ~Connection() { sqlite3_close(db); }
    int open(const QString& path, int flags, int busyTimeoutMs)
    {
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
        if (rc == SQLITE_OK)
            sqlite3_busy_timeout(db, busyTimeoutMs);
        return rc;
    }
};

// A number that changes whenever another connection commits to `db`.
qint64 dataVersion(sqlite3* db)
{
    sqlite3_stmt* st = nullptr;
    qint64 version = -1;
    if (sqlite3_prepare_v2(db, "PRAGMA data_version", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        version = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return version;
}

bool cancelled(const std::atomic<bool>* cancel)
{
    return cancel && cancel->load();
}

// The copy in steps, each short enough that a save waiting for its read lock
// never runs out of patience, and postponed to a quiet moment when saves
// keep making it start over.
class PacedCopy {
public:
    PacedCopy(sqlite3* from, sqlite3* to, const BackupPacing& pacing, BackupResult& result)
        : m_from(from), m_to(to), m_pacing(pacing), m_result(result),
          m_pages(std::clamp(pacing.firstStepPages, 1, std::max(pacing.mostPagesPerStep, 1)))
    {
    }

    // The empty text when the copy is complete, else why it is not.
    QString run(const std::atomic<bool>* cancel)
    {
        sqlite3_backup* backup = sqlite3_backup_init(m_to, "main", m_from, "main");
        if (!backup)
            return sqliteMessage(m_to, SQLITE_ERROR);
        int rc = SQLITE_OK;
        while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            if (cancelled(cancel) || (m_restarts >= m_pacing.restartsBeforeQuiet && !waitForQuiet(cancel))) {
                sqlite3_backup_finish(backup);
                return QStringLiteral("The backup was cancelled.");
            }
            rc = step(backup);
            if (rc == SQLITE_OK)
                std::this_thread::sleep_for(m_pacing.pause);
            else if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
                std::this_thread::sleep_for(kQuietPoll);
        }
        sqlite3_backup_finish(backup);
        return rc == SQLITE_DONE ? QString() : sqliteMessage(m_to, rc);
    }

private:
    int step(sqlite3_backup* backup)
    {
        const int copiedBefore = sqlite3_backup_pagecount(backup) - sqlite3_backup_remaining(backup);
        const int remainingBefore = sqlite3_backup_remaining(backup);
        const Clock::time_point start = Clock::now();
        const int rc = sqlite3_backup_step(backup, m_pages);
        const auto took = Clock::now() - start;
        m_result.longestStepMs = std::max(m_result.longestStepMs,
                                          std::chrono::duration<double, std::milli>(took).count());
        const int copied = sqlite3_backup_pagecount(backup) - sqlite3_backup_remaining(backup);
        // Started over: the database was written to since the last step.
        if ((rc == SQLITE_OK || rc == SQLITE_DONE) && copiedBefore > 0
            && copied < copiedBefore + std::min(m_pages, remainingBefore)) {
            ++m_result.restarts;
            ++m_restarts;
        }
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            return rc;
        if (took > m_pacing.stepBudget)
            m_pages = std::max(1, m_pages / 2);
        else if (took < m_pacing.stepBudget / 4)
            m_pages = std::min(std::max(m_pacing.mostPagesPerStep, 1), m_pages * 2);
        return rc;
    }

    // Waits until no save has come for the quiet time; false when cancelled.
    bool waitForQuiet(const std::atomic<bool>* cancel)
    {
        ++m_result.quietWaits;
        qint64 version = dataVersion(m_from);
        Clock::time_point lastChange = Clock::now();
        while (Clock::now() - lastChange < m_pacing.quiet) {
            if (cancelled(cancel))
                return false;
            std::this_thread::sleep_for(kQuietPoll);
            const qint64 now = dataVersion(m_from);
            if (now != version) {
                version = now;
                lastChange = Clock::now();
            }
        }
        m_restarts = 0;
        return true;
    }

    sqlite3* m_from;
    sqlite3* m_to;
    const BackupPacing& m_pacing;
    BackupResult& m_result;
    int m_pages;
    int m_restarts = 0;  // since the last quiet moment
};

// The backup's file is written without syncing page by page: while it is
// being written it is only a temporary file. It is put on disk once, here,
// after the copy and outside any lock on the database.
bool syncToDisk(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
#ifdef Q_OS_UNIX
    return ::fsync(file.handle()) == 0;
#else
    return file.flush();
#endif
}

}  // namespace

BackupResult BackupDatabase(const QString& source, const QString& target, const std::atomic<bool>* cancel,
                            const BackupPacing& pacing)
{
    if (IsServerUri(source))
        return BackupServerDatabase(source, target, cancel);
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
        int rc = from.open(source, SQLITE_OPEN_READONLY, kSourceBusyTimeoutMs);
        if (rc != SQLITE_OK)
            error = QStringLiteral("The database %1 cannot be read: %2").arg(source, sqliteMessage(from.db, rc));
        else if ((rc = to.open(part, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, kTargetBusyTimeoutMs)) != SQLITE_OK
                 || (rc = sqlite3_exec(to.db, "PRAGMA synchronous = OFF; PRAGMA journal_mode = OFF", nullptr,
                                       nullptr, nullptr))
                        != SQLITE_OK)
            error = QStringLiteral("The backup %1 cannot be written: %2").arg(target, sqliteMessage(to.db, rc));
        else
            error = PacedCopy(from.db, to.db, pacing, result).run(cancel);
    }
    if (error.isEmpty() && !syncToDisk(part))
        error = QStringLiteral("The backup %1 cannot be written.").arg(target);
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

// The file whose name the backups of `dbPath` take theirs from: the
// database file, or for a server's database a dump named after it.
static QFileInfo backedUpFile(const QString& dbPath)
{
    if (IsServerUri(dbPath))
        return QFileInfo(BackupFolder(dbPath) + QLatin1Char('/') + ServerDatabaseName(dbPath)
                         + QStringLiteral(".dump"));
    return QFileInfo(dbPath);
}

// A server's database has no folder of its own: its backups go with the
// user's K7 data, in a folder per database.
QString BackupFolder(const QString& dbPath)
{
    if (IsServerUri(dbPath))
        return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)
               + QStringLiteral("/k7-backups/") + ServerDatabaseName(dbPath);
    return QFileInfo(dbPath).absolutePath() + QStringLiteral("/k7-backups");
}

QString BackupName(const QString& dbPath, const QDateTime& when)
{
    const QFileInfo info = backedUpFile(dbPath);
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
    const QFileInfo info = backedUpFile(dbPath);
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
