#pragma once
// Backups of the open database: one when it is opened, then one every few
// minutes while it stays open, each made on a worker thread with its own
// connection so that typing never waits for it. Keeps the newest few.

#include "store/DatabaseBackup.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <memory>

class QThread;
class QTimer;

namespace k7 {

class BackupScheduler : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultMinutes = 30;
    static constexpr int kDefaultKept = 10;

    explicit BackupScheduler(QObject* parent = nullptr);
    ~BackupScheduler() override;

    // Starts backing up `dbPath`: at once, then every `interval` (zero: never).
    void start(const QString& dbPath, std::chrono::milliseconds interval, int kept);
    // Stops the timer and ends a backup in progress (cancelled), which takes
    // at most one short step of the copy.
    void stop();
    // How the backups share the database with the saves (the next backup on).
    void setPacing(const BackupPacing& pacing) { m_pacing = pacing; }
    bool running() const { return m_thread != nullptr; }

signals:
    // A backup was written.
    void backedUp(const QString& path);
    // A backup failed; sent once per database until one succeeds again.
    void failed(const QString& message);

private:
    void backupNow();
    void finished(const BackupResult& result);

    QTimer* m_timer = nullptr;
    QThread* m_thread = nullptr;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    QString m_dbPath;
    int m_kept = kDefaultKept;
    BackupPacing m_pacing;
    bool m_reported = false;
    quint64 m_generation = 0;
};

}  // namespace k7
