#pragma once
// Reading a CFG file into the model.

#include "cfg/Model.h"
#include "platform/Dialogs.h"

#include <QString>
#include <QStringList>
#include <QStringView>

namespace k7 {

struct CfgError {
    QString text;   // the message exactly as shown, empty when the read succeeded
    int line = 0;   // the line of the file the error refers to
    bool unreadable = false;  // the file itself could not be read (missing, a folder)
    bool failed() const { return !text.isEmpty(); }
};

enum class CfgReadMode {
    Open,   // a predecessor-format file is offered for conversion
    Check,  // no question is asked and no file is changed
};

// Reads model.cfgpath into `model`, stopping at the first error. Warnings go to
// dialogs.message(text, Style::Information). A file in the predecessor format
// is read by the statement reader and, when opening, offered for conversion.
// Reading a current-format file never changes it.
CfgError ReadCfg(Model& model, Dialogs& dialogs, CfgReadMode mode = CfgReadMode::Open);

// The reader's message for a variable name it refuses (a character that is
// not allowed, or the name of the options section); empty for a good name.
QString FieldNameError(const QString& name);

// The keys a variable section may hold, in the reader's order.
QStringList VariableKeyNames();

// True when a line of the text, upper-cased, holds "[K7]".
bool IsCurrentFormat(QStringView text);

// Reads the text of a current-format CFG into a cleared `model` (whose cfgpath
// names the folder that files are looked for in), as ReadCfg reads the file.
CfgError ReadCurrentFormat(Model& model, Dialogs& dialogs, QStringView text);

}  // namespace k7
