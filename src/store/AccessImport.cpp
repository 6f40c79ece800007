#include "store/AccessImport.h"

#include "store/AccessFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace k7 {

namespace {

// A name in `folder` that nothing uses, for the database being built.
QString temporaryPath(const QString& folder)
{
    for (;;) {
        const QString name = QStringLiteral(".k7-import-%1.tmp")
                                 .arg(QRandomGenerator::global()->generate64(), 0, 36);
        const QString path = QDir(folder).filePath(name);
        if (!QFileInfo::exists(path))
            return path;
    }
}

// Imports into a temporary database in `folder`; its path, or empty.
QString importToTemporary(const QString& source, const QString& folder, const ImportRunner& run,
                          AccessImport& result)
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
    const QString temp = temporaryPath(folder);
    AccessCopy copy(source, temp);
    if (run) {
        result.cancelled = !run(copy);
    } else {
        while (copy.step()) {
        }
    }
    // An unfinished copy removes its database as it goes out of scope.
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
    else if (HasDatabasePassword(path))
        why = QStringLiteral("The Access database %1 is protected by a password.  Open it in Microsoft Access and "
                             "save it without the password first, then import it again.")
                  .arg(path);
    return why;
}

AccessImport ImportAccessFile(const QString& source, const QString& target, const ImportRunner& run)
{
    AccessImport result;
    if (QFileInfo::exists(target)) {
        result.error = QStringLiteral("%1 already exists; K7 imports only into a new file.").arg(target);
        return result;
    }
    const QString temp = importToTemporary(source, QFileInfo(target).absolutePath(), run, result);
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

AccessImport ConvertAccessInPlace(const QString& path, const ImportRunner& run)
{
    AccessImport result;
    const QString temp = importToTemporary(path, QFileInfo(path).absolutePath(), run, result);
    if (temp.isEmpty())
        return result;
    const QString kept = KeptAccessName(path);
    auto undo = [&](const QString& why) {
        RemoveImportedDatabase(temp);
        result.tables.clear();
        result.error = why;
        return result;
    };
    if (!QFile::rename(path, kept))
        return undo(QStringLiteral("%1 cannot be renamed to %2, so nothing was changed.").arg(path, kept));
    if (!QFile::rename(temp, path)) {
        QFile::rename(kept, path);
        return undo(QStringLiteral("The new database cannot be moved to %1, so nothing was changed.").arg(path));
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
