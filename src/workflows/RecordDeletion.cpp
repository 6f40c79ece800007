#include "workflows/RecordDeletion.h"

#include "store/AuditedRows.h"
#include "store/FoldedMatch.h"
#include "store/K7Tables.h"
#include "store/Transaction.h"
#include "workflows/DataTable.h"
#include "workflows/TableChange.h"

#include <algorithm>
#include <functional>

namespace k7 {

namespace {

// Runs `change` in one transaction of `db`: all of it is kept, or on any
// failure none of it, with the reason in `error`.
bool inOneTransaction(Database& db, QString* error, const std::function<bool(QString*)>& change)
{
    Transaction transaction(db);
    if (!transaction.began()) {
        *error = db.lastError();
        return false;
    }
    if (!change(error))
        return false;
    if (!transaction.commit()) {
        *error = db.lastError();
        return false;
    }
    return true;
}

// Deletes rows through the record set in one transaction. The set drops each
// key as its row goes, so after a failure it reads its keys again and goes
// back to the record that was current.
bool deleteThrough(RecordSet& records, QString* error, const std::function<bool(QString*)>& deleteRows)
{
    Database* db = records.database();
    if (!db || !records.isUpdatable()) {
        *error = QStringLiteral("The records cannot be changed.");
        return false;
    }
    const qint64 current = records.bookmark();
    const bool deleted = inOneTransaction(*db, error, deleteRows);
    if (!deleted) {
        // Back where it was as far as it can be; the failed deletion is the news.
        if (records.requery() && current >= 0)
            static_cast<void>(records.setBookmark(current));
        return false;
    }
    if (records.recordCount() > 0)
        records.moveLast();
    return true;
}

// Makes again the indexes the old table had, leaving out those over a field
// the new table lacks. The indexes of the table's own constraints come with
// the table itself. K7's own index on one field is the partial index of the
// folded look-up; its condition is not read back from the file, so it is
// given again here, or it would come back as an index of every row.
bool restoreIndexes(Database& db, const QString& table, const QList<IndexDef>& indexes)
{
    const std::optional<TableDef> def = db.findTable(table);
    if (!def)
        return false;
    for (IndexDef index : indexes) {
        if (index.primary || index.name.startsWith(QLatin1String("sqlite_autoindex"), Qt::CaseInsensitive))
            continue;
        const QStringList fields = index.fieldNames();
        const bool covered =
            std::all_of(fields.begin(), fields.end(), [&](const QString& f) { return def->fieldIndex(f) >= 0; });
        if (!covered)
            continue;
        if (IsOwnTable(index.name) && fields.size() == 1 && index.where.isEmpty())
            index.folded = true;
        if (!db.appendIndex(table, index))
            return false;
    }
    return true;
}

// Writes the current row of `records` to the trail, then deletes it.
bool deleteAudited(RecordSet& records, AuditTrail& audit, const char* action, QString* error)
{
    const QString where = records.rowidName() + QStringLiteral(" = ?");
    if (!audit.recordDeletion(records.tableName(), where, {records.bookmark()}, audit.identField(),
                              QLatin1String(action))) {
        *error = audit.lastError();
        return false;
    }
    if (records.deleteCurrent())
        return true;
    *error = records.lastError();
    return false;
}

}  // namespace

bool DeleteLastRecord(RecordSet& records, AuditTrail& audit, QString* error)
{
    if (records.recordCount() == 0) {
        *error = QStringLiteral("There is no record to delete.");
        return false;
    }
    return deleteThrough(records, error, [&](QString* why) {
        records.moveLast();
        return deleteAudited(records, audit, AuditAction::DeleteLast, why);
    });
}

bool DeleteRecords(RecordSet& records, const QList<qint64>& bookmarks, AuditTrail& audit, QString* error)
{
    return deleteThrough(records, error, [&](QString* why) {
        for (const qint64 bookmark : bookmarks) {
            if (!records.setBookmark(bookmark)) {
                *why = records.lastError();
                return false;
            }
            if (!deleteAudited(records, audit, AuditAction::DeleteSelected, why))
                return false;
        }
        return true;
    });
}

EmptyOutcome EmptyDataTable(const Model& model, DataStore& store, ShellHooks& shell, Dialogs& dialogs,
                            const QString& action, QString* error)
{
    const std::optional<TableDef> old = store.currentdb().findTable(store.tablename());
    if (!old) {
        *error = QStringLiteral("The table %1 does not exist in the database.").arg(store.tablename());
        return EmptyOutcome::Failed;
    }
    const QList<IndexDef> indexes = old->indexes;
    const QString table = store.tablename();
    bool cancelled = false;
    const bool emptied = ChangeDataTable(store, shell, error, [&](Database& db) {
        AuditedRows rows(db, store.audit(), table, action);
        const QString text = QStringLiteral("Deleting %1 records from %2").arg(rows.total()).arg(table);
        if (!dialogs.runWithProgress(text, rows)) {
            cancelled = true;
            return false;
        }
        if (rows.failed()) {
            *error = rows.error();
            return false;
        }
        return db.deleteTable(table) && CreateDataTable(model, db, table) && restoreIndexes(db, table, indexes);
    });
    if (emptied)
        return EmptyOutcome::Emptied;
    return cancelled ? EmptyOutcome::Cancelled : EmptyOutcome::Failed;
}

}  // namespace k7
