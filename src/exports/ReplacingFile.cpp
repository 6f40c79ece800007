#include "exports/ReplacingFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace k7 {

ReplacingFile::ReplacingFile(const QString& target) : m_target(target) {}

ReplacingFile::~ReplacingFile()
{
    if (!m_temporary.isEmpty())
        QFile::remove(m_temporary);
}

bool ReplacingFile::fail(const QString& error)
{
    m_error = error;
    return false;
}

bool ReplacingFile::create()
{
    const QFileInfo target(m_target);
    QTemporaryFile file(target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    file.setAutoRemove(false);
    if (!file.open())
        return fail(file.errorString());
    m_temporary = file.fileName();
    // The new file keeps the permissions of the one it replaces; a new one
    // gets those of any file the user makes.
    const QFileDevice::Permissions permissions =
        target.exists() ? QFile::permissions(m_target)
                        : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    file.setPermissions(permissions);
    return true;
}

bool ReplacingFile::commit()
{
    QFile written(m_temporary);
    if (!written.open(QIODevice::ReadWrite))
        return fail(written.errorString());
    if (::fsync(written.handle()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    written.close();
    if (std::rename(QFile::encodeName(m_temporary).constData(), QFile::encodeName(m_target).constData()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    m_temporary.clear();
    return true;
}

}  // namespace k7
