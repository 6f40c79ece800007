#pragma once
// What opening a CFG needs from the desktop shell beyond message boxes: the
// text editor for a CFG with an error, the recent-file list, the instrument
// port, telling the grid and the variable list what to show, and the program
// that reads an Access file found in place of a database. The main
// window implements this; tests use a recording double.

#include <QString>
#include <QStringList>

namespace k7 {

class RecordSet;

class ShellHooks {
public:
    virtual ~ShellHooks() = default;

    // Loads the file into the text editor. Returns false when it could not be
    // loaded (the editor then shows "error").
    virtual bool loadCfgInEditor(const QString& path) = 0;
    // Selects line `line` (1-based) of the editor's text and shows the editor,
    // not modally.
    virtual void showEditorAtLine(int line) = 0;

    // Puts `path` at the top of the recent files unless it is already listed.
    virtual void addRecentFile(const QString& path) = 0;

    // Opens the instrument port when the CFG's Com option asks for one.
    virtual void openInstrumentPort() = 0;

    // The record set the grid shows from now on; nullptr when none is open.
    virtual void setDataSource(RecordSet* recordSet) = 0;
    // The variable names for the variable list, in order.
    virtual void setVariableList(const QStringList& names) = 0;

    // The k7 program that reads Microsoft Access files in a process of its
    // own; empty for the one beside the running program.
    virtual QString accessReaderProgram() const { return QString(); }
};

}  // namespace k7
