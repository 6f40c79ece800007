#pragma once
// Deleting records from the data table. Each routine runs in one transaction:
// it makes every change it was asked for or, when any step fails, none, and
// then leaves the reason in `error`. None of them asks or shows anything.

#include "cfg/Model.h"
#include "platform/ShellHooks.h"
#include "store/DataStore.h"

#include <QList>
#include <QString>

namespace k7 {

class RecordSet;

// Deletes the last record of `records` in the set's own order (the last one
// shown, however the set is sorted). The last remaining record becomes
// current.
bool DeleteLastRecord(RecordSet& records, QString* error);

// Deletes the records with these bookmarks. The last remaining record
// becomes current.
bool DeleteRecords(RecordSet& records, const QList<qint64>& bookmarks, QString* error);

// Empties the data table: deletes it and creates it anew from the model,
// with the indexes it had (those whose fields it still has), then opens
// store.currentrs on it, unsorted, and hands it to the shell. On failure the
// table keeps its rows and is opened again.
bool EmptyDataTable(const Model& model, DataStore& store, ShellHooks& shell, QString* error);

}  // namespace k7
