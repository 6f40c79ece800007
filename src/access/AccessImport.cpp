#include "access/AccessImport.h"

#include "access/AccessFile.h"
#include "access/AccessReadProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <limits>

#ifdef Q_OS_UNIX
#include <signal.h>
#endif

namespace k7 {

namespace {

const QString kTemporaryPrefix = QStringLiteral(".k7-import-");

// A name in `folder` that nothing uses, for the database being built. It
// carries the process id, so that a later import can tell the file of a
// killed import from one that is still being written.
QString temporaryPath(const QString& folder)
{
    for (;;) {
        const QString name = kTemporaryPrefix
                             + QStringLiteral("%1-%2.tmp")
                                   .arg(QCoreApplication::applicationPid())
                                   .arg(QRandomGenerator::global()->generate64(), 0, 36);
        const QString path = QDir(folder).filePath(name);
        if (!QFileInfo::exists(path))
            return path;
    }
}

bool processIsRunning(qint64 pid)
{
#ifdef Q_OS_UNIX
    return pid > 0 && pid <= std::numeric_limits<pid_t>::max()
           && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
#else
    Q_UNUSED(pid);
    return false;
#endif
}

// Removes what imports killed before they ended left in `folder`: temporary
// databases (and their journals) whose process is gone, or that name none.
void removeStaleTemporaries(const QString& folder)
{
    const QDir dir(folder);
    const QStringList names = dir.entryList({kTemporaryPrefix + QStringLiteral("*.tmp"),
                                             kTemporaryPrefix + QStringLiteral("*.tmp-journal")},
                                            QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const QString id = name.mid(kTemporaryPrefix.size()).section(QLatin1Char('-'), 0, 0);
        bool numbered = false;
        const qint64 pid = id.toLongLong(&numbered);
        if (!numbered || !processIsRunning(pid))
            QFile::remove(dir.filePath(name));
    }
}

// Imports into a temporary database in `folder`; its path, or empty.
QString importToTemporary(const QString& source, const QString& folder, const AccessReader& reader,
                          const ImportRunner& run, AccessImport& result)
{
    const QFileInfo dir(folder);
    if (!dir.isDir() || !dir.isWritable()) {
        result.error = QStringLiteral("The folder %1 is missing or read-only, so no database can be written there.")
                           .arg(folder);
        return QString();
    }
    result.error = AccessImportRefusal(source);
    if (!result.error.isEmpty())
        return QString();
    removeStaleTemporaries(folder);
    const QString temp = temporaryPath(folder);
    // The reader removes its database when it is stopped before its end.
    AccessReadProcess copy(source, temp, reader);
    if (run) {
        result.cancelled = !run(copy);
    } else {
        while (copy.step()) {
        }
    }
    if (!copy.finished()) {
        result.error = result.cancelled ? QString() : copy.error();
        return QString();
    }
    if (result.cancelled) {  // Cancel pressed as the last slice ended
        RemoveImportedDatabase(temp);
        return QString();
    }
    result.tables = copy.tables();
    return temp;
}

}  // namespace

QString AccessImportRefusal(const QString& path)
{
    QString why;
    if (!AccessSource::available())
        AccessSource::open(path, &why);
    else if (const AccessPassword password = DatabasePassword(path); password == AccessPassword::Set)
        why = QStringLiteral("The Access database %1 is protected by a password.  Open it in Microsoft Access and "
                             "save it without the password first, then import it again.")
                  .arg(path);
    else if (password == AccessPassword::DamagedHeader)
        why = QStringLiteral("The Access database %1 cannot be read: its header is damaged.").arg(path);
    return why;
}

AccessImport ImportAccessFile(const QString& source, const QString& target, const AccessReader& reader,
                              const ImportRunner& run)
{
    AccessImport result;
    if (QFileInfo::exists(target)) {
        result.error = QStringLiteral("%1 already exists; K7 imports only into a new file.").arg(target);
        return result;
    }
    const QString temp = importToTemporary(source, QFileInfo(target).absolutePath(), reader, run, result);
    if (temp.isEmpty())
        return result;
    if (!QFile::rename(temp, target)) {
        RemoveImportedDatabase(temp);
        result.tables.clear();
        result.error = QStringLiteral("The new database cannot be moved to %1.").arg(target);
        return result;
    }
    result.ok = true;
    return result;
}

AccessImport ConvertAccessInPlace(const QString& path, const AccessReader& reader, const ImportRunner& run,
                                  const FileMove& move)
{
    AccessImport result;
    const QString temp = importToTemporary(path, QFileInfo(path).absolutePath(), reader, run, result);
    if (temp.isEmpty())
        return result;
    const FileMove rename = move ? move : [](const QString& from, const QString& to) { return QFile::rename(from, to); };
    const QString kept = KeptAccessName(path);
    auto undo = [&](const QString& why) {
        RemoveImportedDatabase(temp);
        result.tables.clear();
        result.error = why;
        return result;
    };
    if (!rename(path, kept))
        return undo(QStringLiteral("%1 cannot be renamed to %2, so nothing was changed.").arg(path, kept));
    if (!rename(temp, path)) {
        if (rename(kept, path))
            return undo(QStringLiteral("The new database cannot be moved to %1, so nothing was changed.").arg(path));
        // The original is whole, only under another name: say where.
        result.keptAs = kept;
        return undo(QStringLiteral("The new database cannot be moved to %1, and the original could not be put "
                                   "back there: it is unchanged, as %2.")
                        .arg(path, kept));
    }
    result.ok = true;
    result.keptAs = kept;
    return result;
}

QString KeptAccessName(const QString& path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QStringLiteral("mdb") : info.suffix();
    const QString stem = info.suffix().isEmpty() ? path : path.left(path.size() - suffix.size() - 1);
    QString kept = stem + QStringLiteral(".access.") + suffix;
    for (int n = 2; QFileInfo::exists(kept); ++n)
        kept = stem + QStringLiteral(".access%1.").arg(n) + suffix;
    return kept;
}

}  // namespace k7
