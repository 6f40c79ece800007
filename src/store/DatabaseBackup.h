#pragma once
// Online backups of a database file: SQLite's backup API on a connection of
// its own, copied in small steps so that the operator's connection never
// waits on it for long, into a k7-backups folder beside the database.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <atomic>

namespace k7 {

struct BackupResult {
    bool ok = false;
    QString path;   // the backup written
    QString error;  // why there is none
};

// Copies the database at `source` into `target` (which must not exist),
// through a temporary file in the target's folder that is renamed into place
// only when the copy is complete. Safe to run on a worker thread.
BackupResult BackupDatabase(const QString& source, const QString& target,
                            const std::atomic<bool>* cancel = nullptr);

// Where backups of `dbPath` go and how they are named.
QString BackupFolder(const QString& dbPath);
QString BackupName(const QString& dbPath, const QDateTime& when);
// The backups of `dbPath`, oldest first.
QStringList ExistingBackups(const QString& dbPath);
// Removes all but the newest `keep` backups of `dbPath`.
void PruneBackups(const QString& dbPath, int keep);

}  // namespace k7
