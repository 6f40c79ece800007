#include "workflows/TableChange.h"

#include "store/Transaction.h"

namespace k7 {

namespace {

// `change` in one transaction, kept whole or rolled back before this returns.
[[nodiscard]] bool changeInTransaction(Database& db, QString* error, const std::function<bool(Database&)>& change)
{
    Transaction transaction(db);
    if (transaction.began() && change(db) && transaction.commit())
        return true;
    // A step that explains itself (an audit write) has already said why.
    if (!db.lastError().isEmpty() || error->isEmpty())
        *error = db.lastError();
    return false;
}

}  // namespace

void CloseDataRecordSet(DataStore& store, ShellHooks& shell)
{
    shell.setDataSource(nullptr);
    store.releaseTable();
}

bool OpenDataRecordSet(DataStore& store, ShellHooks& shell)
{
    if (!store.reopenTable())
        return false;
    shell.setDataSource(&store.currentrs());
    return true;
}

bool ChangeDataTable(DataStore& store, ShellHooks& shell, QString* error,
                     const std::function<bool(Database&)>& change)
{
    Database& db = store.currentdb();
    CloseDataRecordSet(store, shell);
    if (!changeInTransaction(db, error, change)) {
        // The grid gets its rows back if it can; the failed change is the news.
        static_cast<void>(OpenDataRecordSet(store, shell));
        return false;
    }
    if (!OpenDataRecordSet(store, shell)) {
        *error = store.currentrs().lastError();
        return false;
    }
    return true;
}

}  // namespace k7
