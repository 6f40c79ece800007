#pragma once
// Files in tests: whole files written and read back byte for byte, CR LF
// lines, one key of a profile section, and the sample CFG copied into a
// scratch folder.

#include "cfg/ProfileFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace k7::test {

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Writes `name` in `dir`; its path, or empty when it could not be written.
inline QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    return writeFile(path, bytes) ? path : QString();
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QByteArray crlf(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    return bytes;
}

// The value of `key` in `section` ("[K7]") of a profile file; empty when absent.
inline QString readKey(const QString& path, const QString& section, const QString& key)
{
    KeyTable keys = {{key, QString()}};
    ReadSection(path, section, keys);
    return keys.first().second;
}

// A shell script `name` in `dir` that runs `body`; its path, or empty.
inline QString writeScript(const QTemporaryDir& dir, const QString& name, const QByteArray& body)
{
    const QString path = dir.filePath(name);
    return writeFile(path, "#!/bin/sh\n" + body + "\n")
                   && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)
               ? path
               : QString();
}

// What is in `folder`, hidden files included, by name.
inline QStringList filesIn(const QString& folder, QDir::Filters filters = QDir::Files | QDir::Hidden)
{
    return QDir(folder).entryList(filters | QDir::NoDotAndDotDot, QDir::Name);
}
inline QStringList entriesIn(const QString& folder) { return filesIn(folder, QDir::AllEntries | QDir::Hidden); }

// The k7 program run as a separate process; status -1 when it crashed or
// did not end within `timeoutMs`.
struct K7Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};
inline K7Run runK7(const QStringList& args, const QString& workingDirectory = {}, int timeoutMs = 30000)
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(K7_BINARY), args);
    K7Run run;
    if (!process.waitForFinished(timeoutMs))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// Copies the sample CFG into `folder` as `name`, writable; its path, or empty.
inline QString copySampleCfg(const QString& folder, const QString& name = QStringLiteral("finds.cfg"))
{
    // The sample as its first opening leaves it: without its File= line,
    // which is not an option and which that opening asks about (the tests
    // of opening and of --check use the sample itself).
    QFile sample(QStringLiteral(K7_EXAMPLES "/finds.cfg"));
    if (!sample.open(QIODevice::ReadOnly))
        return QString();
    QByteArray bytes = sample.readAll();
    bytes.replace("\r\nFile=Data\r\n", "\r\n");
    const QString target = folder + QLatin1Char('/') + name;
    QFile out(target);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() ? target : QString();
}

// Copies the Access test file `name` to `target`, writable; `target`.
inline QString copyAccessFixture(const QString& name, const QString& target)
{
    QFile::copy(QStringLiteral(K7_TEST_DATA "/access/") + name, target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

}  // namespace k7::test
