#include "store/BackupScheduler.h"

#include <QDir>
#include <QThread>
#include <QTimer>

namespace k7 {

BackupScheduler::BackupScheduler(QObject* parent) : QObject(parent), m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, &BackupScheduler::backupNow);
}

BackupScheduler::~BackupScheduler()
{
    stop();
}

void BackupScheduler::start(const QString& dbPath, std::chrono::milliseconds interval, int kept)
{
    stop();
    m_dbPath = dbPath;
    m_kept = kept;
    m_reported = false;
    if (interval.count() <= 0 || dbPath.isEmpty())
        return;
    m_timer->start(interval);
    backupNow();
}

void BackupScheduler::stop()
{
    m_timer->stop();
    ++m_generation;
    if (m_thread) {
        m_cancel->store(true);
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
    m_dbPath.clear();
}

void BackupScheduler::backupNow()
{
    if (m_thread || m_dbPath.isEmpty())
        return;  // the one before is still being written
    if (!QDir().mkpath(BackupFolder(m_dbPath))) {
        finished({false, QString(), QStringLiteral("The folder %1 cannot be made.").arg(BackupFolder(m_dbPath))});
        return;
    }
    const QString source = m_dbPath;
    const QString target = BackupName(source, QDateTime::currentDateTime());
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    auto cancel = m_cancel;
    auto result = std::make_shared<BackupResult>();
    const BackupPacing pacing = m_pacing;
    m_thread = QThread::create([source, target, cancel, result, pacing] {
        *result = BackupDatabase(source, target, cancel.get(), pacing);
    });
    const quint64 generation = ++m_generation;
    connect(m_thread, &QThread::finished, this, [this, result, generation] {
        if (generation != m_generation)
            return;  // stopped meanwhile: stop() has already ended the thread
        m_thread->deleteLater();
        m_thread = nullptr;
        finished(*result);
    });
    m_thread->start(QThread::LowPriority);
}

void BackupScheduler::finished(const BackupResult& result)
{
    if (result.ok) {
        m_reported = false;
        PruneBackups(m_dbPath, m_kept);
        emit backedUp(result.path);
        return;
    }
    if (m_reported || (m_cancel && m_cancel->load()))
        return;
    m_reported = true;
    emit failed(QStringLiteral("Backup failed: %1").arg(result.error));
}

}  // namespace k7
