#pragma once
// Shared fixture of the CFG tests: raw files in a temporary folder, CR LF
// lines, and one call that reads a CFG with scripted answers.
#include "support/ScriptedDialogs.h"
#include "cfg/CfgReader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace k7::test {

inline QByteArray crlf(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    return bytes;
}

inline QString writeBytes(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile file(dir.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName() : QString();
}

inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct CfgRead {
    CfgError error;
    Model model;
    ScriptedDialogs dialogs;
};

// Reads `path` as opening a CFG does, answering questions from `answers`.
inline void readCfg(CfgRead& r, const QString& path, const QList<int>& answers = {})
{
    r.model.cfgpath = path;
    for (int answer : answers)
        r.dialogs.queueAnswer(answer);
    r.error = ReadCfg(r.model, r.dialogs);
}

}  // namespace k7::test
