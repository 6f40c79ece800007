#pragma once
// Keeps backups of whichever database the window has open: started when a
// database is opened, stopped when it is closed, timed by k7.ini's
// BackupMinutes (default 30, 0 turns backups off) and BackupsKept (default 10).
// A failure is shown once in the status line; entry goes on.

#include "store/BackupScheduler.h"

#include <QObject>
#include <QString>

class QStatusBar;

namespace k7 {

class IniSettings;

class DatabaseBackups : public QObject {
    Q_OBJECT
public:
    DatabaseBackups(const IniSettings& settings, QStatusBar* status, QObject* parent = nullptr);

    // Follows the open database: `dbPath` empty when none is open. Opening
    // another database starts its backups; the same one again changes nothing.
    void follow(const QString& dbPath);
    BackupScheduler& scheduler() { return m_scheduler; }

private:
    const IniSettings& m_settings;
    QStatusBar* m_status;
    BackupScheduler m_scheduler;
    QString m_dbPath;
};

}  // namespace k7
