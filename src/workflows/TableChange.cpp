#include "workflows/TableChange.h"

namespace k7 {

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
    const bool changed = db.transaction() && change(db) && db.commit();
    if (!changed) {
        // A step that explains itself (an audit write) has already said why.
        if (!db.lastError().isEmpty() || error->isEmpty())
            *error = db.lastError();
        if (db.inTransaction())
            db.rollback();
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
