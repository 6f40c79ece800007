#include "workflows/ExampleCopy.h"

#include "platform/Dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace k7 {

namespace {

constexpr int kMaxCopyNames = 99;

// A name is taken when any file of that base name is there: the CFG itself,
// or the database and journal files a copy of that name would open.
bool baseNameTaken(const QDir& dir, const QString& base)
{
    return !dir.entryList({base + QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::System).isEmpty();
}

}  // namespace

QString InstalledExampleCfg(const QString& programDir)
{
    if (programDir.isEmpty())
        return QString();
    const QString example =
        QDir::cleanPath(programDir + QStringLiteral("/../share/k7/examples/finds.cfg"));
    return QFileInfo(example).isFile() ? example : QString();
}

ExampleCopySource DefaultExampleCopySource()
{
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    return {InstalledExampleCfg(QCoreApplication::applicationDirPath()), documents};
}

QString ExampleCopyTarget(const ExampleCopySource& source)
{
    const QDir dir(source.documentsDir + QStringLiteral("/K7"));
    const QString base = QFileInfo(source.example).completeBaseName();
    const QString suffix = QStringLiteral(".") + QFileInfo(source.example).suffix();
    if (!baseNameTaken(dir, base))
        return dir.filePath(base + suffix);
    for (int n = 2; n <= kMaxCopyNames; ++n) {
        const QString numbered = base + QStringLiteral("-%1").arg(n);
        if (!baseNameTaken(dir, numbered))
            return dir.filePath(numbered + suffix);
    }
    return QString();
}

QString OfferExampleCopy(const ExampleCopySource& source, Dialogs& dialogs)
{
    if (source.example.isEmpty() || !QFileInfo(source.example).isFile())
        return QString();
    const QString target = ExampleCopyTarget(source);
    if (target.isEmpty())
        return QString();
    const int answer = dialogs.message(
        QStringLiteral("K7 comes with an example CFG.  Copy it to %1 and open it there?").arg(target),
        Style::YesNo + Style::Question + Style::DefaultButton2);
    if (answer != Answer::Yes)
        return QString();
    // QFile::copy never replaces a file; the copy is written beside its
    // target and renamed into place.
    if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(source.example, target)) {
        dialogs.message(QStringLiteral("The example could not be copied to %1.").arg(target), Style::Exclamation);
        return QString();
    }
    // The installed file may be read-only; the copy is the operator's own.
    QFile copy(target);
    copy.setPermissions(copy.permissions() | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
    return target;
}

}  // namespace k7
