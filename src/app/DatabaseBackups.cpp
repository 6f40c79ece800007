#include "app/DatabaseBackups.h"

#include "settings/IniSettings.h"

#include <QStatusBar>

namespace k7 {

namespace {

int setting(const IniSettings& settings, IniKey key, int fallback)
{
    const auto value = settings.number(key);
    return value ? static_cast<int>(std::max(0.0, *value)) : fallback;
}

}  // namespace

DatabaseBackups::DatabaseBackups(const IniSettings& settings, QStatusBar* status, QObject* parent)
    : QObject(parent), m_settings(settings), m_status(status)
{
    connect(&m_scheduler, &BackupScheduler::failed, this, [this](const QString& message) {
        m_status->showMessage(message);
    });
}

void DatabaseBackups::follow(const QString& dbPath)
{
    if (dbPath == m_dbPath)
        return;
    m_dbPath = dbPath;
    if (dbPath.isEmpty()) {
        m_scheduler.stop();
        return;
    }
    const int minutes = setting(m_settings, IniKey::BackupMinutes, BackupScheduler::kDefaultMinutes);
    const int kept = setting(m_settings, IniKey::BackupsKept, BackupScheduler::kDefaultKept);
    m_scheduler.start(dbPath, std::chrono::minutes(minutes), kept);
}

}  // namespace k7
