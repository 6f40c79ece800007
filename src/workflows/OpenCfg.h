#pragma once
// Opening a CFG end to end and bringing its data table into line with it.
// The callers run: OpenCfg; if opened, CheckTableFields and, when its code is
// not 0, RebuildDataTable; then they start the first record.

#include "cfg/Model.h"
#include "platform/Dialogs.h"
#include "platform/ShellHooks.h"
#include "store/DataStore.h"

#include <QString>

namespace k7 {

enum class OpenResult { Opened, Failed };

// Closes what is open, reads and normalizes the CFG at model.cfgpath, opens
// (or creates) its database and table, offers missing fields, opens the
// instrument port and records the CFG among the recent files. A CFG with an
// error is shown in the editor at the offending line and nothing stays open.
OpenResult OpenCfg(Model& model, DataStore& store, Dialogs& dialogs, ShellHooks& shell);

// Offers to add a field for each variable the table lacks, then reduces text
// Lengths that exceed their field's size (rewriting the CFG when any was).
void AddMissingFields(Model& model, DataStore& store, Dialogs& dialogs, ShellHooks& shell);

// Prepares and rewrites the CFG of an open table as NormalizeModel does,
// keeping each text Length within its field's size.
void NormalizeOpenedModel(Model& model, const DataStore& store, Dialogs& dialogs);

struct TableCheck {
    int code = 0;     // 0: every variable has a field; 1: one does not
    QString message;  // "" with code 0
};

// Whether every variable of the model has a field in the open table.
TableCheck CheckTableFields(const Model& model, const DataStore& store);

// Erases, renames or re-creates a table that cannot match the CFG, as the
// operator chooses; declining closes everything and clears model.cfgpath.
void RebuildDataTable(Model& model, DataStore& store, Dialogs& dialogs, ShellHooks& shell,
                      int code, const QString& message);

}  // namespace k7
