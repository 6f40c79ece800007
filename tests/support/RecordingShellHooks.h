#pragma once
// A ShellHooks double for tests: records what opening a CFG asks of the shell.

#include "platform/ShellHooks.h"

#include <QStringList>

#include <functional>

namespace k7::test {

class RecordingShellHooks : public ShellHooks {
public:
    // What loadCfgInEditor reports: false plays an editor that shows "error".
    bool editorLoads = true;

    QStringList editorPaths;       // paths handed to the editor
    QList<int> editorLines;         // lines selected in the editor
    QStringList recentFiles;        // paths added to the recent files, in order
    int portOpenings = 0;
    RecordSet* dataSource = nullptr;
    int dataSourceChanges = 0;
    QStringList variableList;
    std::function<void()> onOpenPort;  // as the main window opens the instrument port

    bool loadCfgInEditor(const QString& path) override
    {
        editorPaths << path;
        return editorLoads;
    }
    void showEditorAtLine(int line) override { editorLines << line; }
    void addRecentFile(const QString& path) override { recentFiles << path; }
    void openInstrumentPort() override
    {
        ++portOpenings;
        if (onOpenPort)
            onOpenPort();
    }
    void setDataSource(RecordSet* recordSet) override
    {
        dataSource = recordSet;
        ++dataSourceChanges;
    }
    void setVariableList(const QStringList& names) override { variableList = names; }
};

}  // namespace k7::test
