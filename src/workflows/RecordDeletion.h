#pragma once
// Deleting records from the data table. Each routine runs in one transaction:
// it makes every change it was asked for or, when any step fails, none, and
// then leaves the reason in `error`. None of them asks or shows anything.

#include "cfg/Model.h"
#include "platform/Dialogs.h"
#include "platform/ShellHooks.h"
#include "store/DataStore.h"

#include <QList>
#include <QString>

namespace k7 {

class RecordSet;

// Every deleted row is written whole to `audit` in the deleting transaction.

// Deletes the last record of `records` in the set's own order (the last one
// shown, however the set is sorted). The last remaining record becomes
// current.
[[nodiscard]] bool DeleteLastRecord(RecordSet& records, AuditTrail& audit, QString* error);

// Deletes the records with these bookmarks. The last remaining record
// becomes current.
[[nodiscard]] bool DeleteRecords(RecordSet& records, const QList<qint64>& bookmarks, AuditTrail& audit, QString* error);

enum class EmptyOutcome { Emptied, Cancelled, Failed };

// Empties the data table: deletes it and creates it anew from the model,
// with the indexes it had (those whose fields it still has), then opens
// store.currentrs() on it, unsorted, and hands it to the shell. The rows go to
// store.audit() under `action` (Delete all entries, or emptying after an
// export), showing the progress through `dialogs`. On failure or Cancel the
// table keeps its rows and is opened again; a failure says why in `error`.
EmptyOutcome EmptyDataTable(const Model& model, DataStore& store, ShellHooks& shell, Dialogs& dialogs,
                            const QString& action, QString* error);

}  // namespace k7
