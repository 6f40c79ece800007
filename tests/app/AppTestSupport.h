#pragma once
// What a main window needs in a test: a scratch folder for k7.ini, the CFGs
// and their databases, scripted dialogs and a silent speaker.

#include "support/ScriptedDialogs.h"
#include "support/SeparateConnection.h"
#include "support/SilentSound.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>

namespace k7::test {

struct AppRig {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    SilentSound sound;

    QString path(const QString& name) const { return dir.filePath(name); }
    QString ini() const { return path(QStringLiteral("k7.ini")); }
    QString sampleCfg(const QString& name = QStringLiteral("finds.cfg")) const { return copySampleCfg(dir.path(), name); }
};

}  // namespace k7::test
