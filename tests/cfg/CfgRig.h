#pragma once
// Shared fixture of the CFG tests: one call that reads a CFG with scripted answers.
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"
#include "cfg/CfgReader.h"

#include <QDir>
#include <QTemporaryDir>

namespace k7::test {

struct CfgRead {
    CfgError error;
    Model model;
    ScriptedDialogs dialogs;
};

// Reads `path` as opening a CFG does, answering questions from `answers`;
// whether it read without an error.
inline bool readCfg(CfgRead& r, const QString& path, const QList<int>& answers = {})
{
    r.model.cfgpath = path;
    for (int answer : answers)
        r.dialogs.queueAnswer(answer);
    r.error = ReadCfg(r.model, r.dialogs);
    return !r.error.failed();
}

}  // namespace k7::test
