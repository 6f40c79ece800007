#pragma once
// The help files of variables as the help-file writer sees them: which file a
// variable's help is in, loading it as HTML source, and saving the source
// back with the variable's `Info file` entry in the CFG. A help file named
// without a folder lives in the CFG's folder. Files are replaced atomically
// and written as UTF-8; every failure is reported through Dialogs and leaves
// the old file as it was.

#include "cfg/Model.h"

#include <QString>

namespace k7 {

class Dialogs;

// Help files of this many bytes or more are not loaded into the editor.
constexpr qint64 kMaxHelpSourceBytes = 65536;

// The CFG's folder with its trailing separator; empty without a CFG.
QString CfgFolder(const Model& model);

// `info` as a path: itself when it names a folder, else in the CFG's folder.
QString HelpFilePath(const Model& model, const QString& info);

// The help file of the variable named `name` (names compare without regard
// to case): the `Info file` of the first such variable that has one, else
// name.html, else name.txt in the CFG's folder when that exists. Empty when
// there is none.
QString FindHelpFile(const Model& model, const QString& name);

struct HelpSource {
    QString text;           // lines joined by "\n"; empty when not loaded
    bool tooLarge = false;  // kMaxHelpSourceBytes or more: not loaded
};

// Reads a help file for editing. A missing or unreadable file gives an empty text.
HelpSource LoadHelpSource(const QString& path);

// Save and Preview for the variable named `name`: writes `text` (each line
// ended by CR LF) to `typedPath` (empty: name.html; no folder: in the CFG's
// folder) and records the file as the variable's `Info file`, in the model
// and in the CFG: as name.ext when it is in the CFG's folder, else as typed.
// Returns the path written, or empty when nothing was (reported).
QString SaveHelpSource(Model& model, const QString& name, const QString& typedPath, const QString& text,
                       Dialogs& dialogs);

// Writes the `Info file` entry of variable `v` into its section of the CFG.
// An old-format CFG that was kept as it is, or no CFG, gets nothing.
// Returns false after reporting a failed write.
[[nodiscard]] bool WriteInfoEntry(const Model& model, int v, const QString& value, Dialogs& dialogs);

// Replaces `path` with `lines` in UTF-8; false after reporting a failure.
[[nodiscard]] bool WriteHelpFile(const QString& path, const QStringList& lines, Dialogs& dialogs);

}  // namespace k7
