#pragma once
// Online backups of a database file: SQLite's backup API on a connection of
// its own, copied in small steps so that the operator's connection never
// waits on it for long, into a k7-backups folder beside the database.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>

namespace k7 {

// How a backup shares the database with the saves. Each step holds a read
// lock that a save waits for (up to its busy timeout), so a step is kept
// within `stepBudget` by copying fewer pages when steps run long. A save
// between steps makes the copy start over; after `restartsBeforeQuiet` such
// restarts the copy waits until no save has come for `quiet`.
struct BackupPacing {
    int firstStepPages = 64;
    int mostPagesPerStep = 4096;
    std::chrono::milliseconds stepBudget{25};
    std::chrono::milliseconds pause{2};
    int restartsBeforeQuiet = 3;
    std::chrono::milliseconds quiet{std::chrono::seconds(5)};
};

struct BackupResult {
    bool ok = false;
    QString path;   // the backup written
    QString error;  // why there is none
    // How the copy went along with the saves.
    int restarts = 0;
    int quietWaits = 0;
    double longestStepMs = 0;
};

// Copies the database at `source` into `target` (which must not exist),
// through a temporary file in the target's folder that is renamed into place
// only when the copy is complete and on disk. Cancelling takes effect within
// a step. Safe to run on a worker thread.
BackupResult BackupDatabase(const QString& source, const QString& target,
                            const std::atomic<bool>* cancel = nullptr, const BackupPacing& pacing = {});

// Where backups of `dbPath` go and how they are named.
QString BackupFolder(const QString& dbPath);
QString BackupName(const QString& dbPath, const QDateTime& when);
// The backups of `dbPath`, oldest first.
QStringList ExistingBackups(const QString& dbPath);
// Removes all but the newest `keep` backups of `dbPath`.
void PruneBackups(const QString& dbPath, int keep);

}  // namespace k7
