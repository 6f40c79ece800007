#pragma once
// Data > Delete last entry, Delete selected entries, Delete all entries, and
// File > Export ASCII, with their questions and messages. They act on the
// record set the grid shows, so "last" and the export order follow the
// grid's order. Every answer but the one that goes on leaves the table and
// any old export file as they were.

#include "cfg/Model.h"
#include "platform/Dialogs.h"
#include "platform/EntryView.h"
#include "platform/ShellHooks.h"
#include "store/DataStore.h"

#include <QList>

#include <functional>

namespace k7 {

struct RecordCommandContext {
    const Model& model;
    DataStore& store;
    Dialogs& dialogs;
    ShellHooks& shell;  // takes the new record set after the table is emptied
    EntryView& view;    // re-reads the grid after a deletion
    // The record set the grid shows; nullptr when none.
    std::function<RecordSet*()> shownRecords;
    // Ends a grid-cell edit in progress, as Cancel does.
    std::function<void()> abandonEdit;
};

// The status line after an export: how many records went to which file.
QString ExportedStatus(qint64 records, const QString& path);

class RecordCommands {
public:
    explicit RecordCommands(RecordCommandContext context) : m_context(std::move(context)) {}

    void deleteLastEntry();
    // `selected`: the bookmarks of the rows highlighted in the grid, in the grid's order.
    void deleteSelectedEntries(const QList<qint64>& selected);
    void deleteAllEntries();
    void exportAscii();
    // File > Export codebook: the table described in one HTML page.
    void exportCodebook();

private:
    // The grid's records when a table is open, else nullptr.
    RecordSet* openRecords() const;
    // The grid's records when they hold any; says so when no table is open.
    RecordSet* recordsToDelete() const;
    bool confirmed(const QString& question, int style) const;
    // The file to export `records` to; empty when the operator gave none or
    // named a file the export reads.
    QString chooseExportFile(const RecordSet* records) const;
    // Empties the table and hands the grid the new, empty record set; the
    // rows go to the audit trail under `action`.
    void emptyTable(const QString& action);
    void showDeletion(bool deleted, const QString& error);

    RecordCommandContext m_context;
};

}  // namespace k7
