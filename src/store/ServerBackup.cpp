#include "store/ServerBackup.h"

#include "cfg/ServerUri.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace k7 {

namespace {

// A dump longer than this is taken for a server that does not answer.
constexpr int kLongestDumpMs = 30 * 60 * 1000;
constexpr int kPollMs = 100;

// Runs the dump to its end; the reason it failed, empty when it did not.
QString runDump(QProcess& dump, const std::atomic<bool>* cancel)
{
    if (!dump.waitForStarted())
        return dump.errorString();
    for (int waited = 0; !dump.waitForFinished(kPollMs); waited += kPollMs) {
        if ((cancel && cancel->load()) || waited > kLongestDumpMs) {
            dump.kill();
            dump.waitForFinished();
            return cancel && cancel->load() ? QStringLiteral("The backup was cancelled.")
                                            : QStringLiteral("The server did not answer.");
        }
    }
    if (dump.exitStatus() != QProcess::NormalExit || dump.exitCode() != 0)
        return QString::fromLocal8Bit(dump.readAllStandardError()).trimmed();
    return QString();
}

}  // namespace

QString ServerDumpProgram()
{
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("pg_dump"));
    if (!onPath.isEmpty())
        return onPath;
    QDir versions(QStringLiteral("/usr/lib/postgresql"));
    const QStringList installed = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
    for (const QString& version : installed) {
        const QString tool = versions.filePath(version + QStringLiteral("/bin/pg_dump"));
        if (QFileInfo(tool).isExecutable())
            return tool;
    }
    return QString();
}

BackupResult BackupServerDatabase(const QString& uri, const QString& target, const std::atomic<bool>* cancel)
{
    BackupResult result;
    const QString program = ServerDumpProgram();
    if (program.isEmpty()) {
        result.error = QStringLiteral("No backups are made of %1 here: pg_dump is not installed, so the "
                                      "server's own backups are the ones that apply.")
                           .arg(DatabaseNameForDisplay(uri));
        return result;
    }
    if (QFileInfo::exists(target)) {
        result.error = QStringLiteral("The backup %1 already exists.").arg(target);
        return result;
    }
    const QString part = target + QStringLiteral(".part");
    QFile::remove(part);
    QProcess dump;
    dump.setProcessChannelMode(QProcess::SeparateChannels);
    dump.start(program, {QStringLiteral("--format=custom"), QStringLiteral("--file=") + part,
                         QStringLiteral("--dbname=") + uri});
    const QString error = runDump(dump, cancel);
    if (!error.isEmpty() || !QFile::rename(part, target)) {
        QFile::remove(part);
        result.error = QStringLiteral("The backup of %1 failed: %2")
                           .arg(DatabaseNameForDisplay(uri), error.isEmpty() ? QStringLiteral("it could not be "
                                                                                                "renamed into place.")
                                                                             : error);
        return result;
    }
    result.ok = true;
    result.path = target;
    return result;
}

}  // namespace k7
