#include "store/K7Tables.h"

#include "store/Database.h"
#include "store/SqlStatement.h"

namespace k7 {

bool OwnTableExists(Database& db, const char* name)
{
    SqlStatement* st = db.statement(db.dialect().ownTableQuery());
    if (!st || !st->bind({QString::fromLatin1(name)}))
        return false;
    const bool found = st->step();
    st->reset();
    return found;
}

bool EnsureOwnTable(Database& db, const char* name, const QString& columns, bool* ready, QString* error)
{
    if (*ready)
        return true;
    if (!db.execute(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(QLatin1String(name), columns))) {
        *error = db.lastError();
        return false;
    }
    // Made inside a transaction, the table may yet be rolled back with it.
    *ready = !db.inTransaction();
    return true;
}

}  // namespace k7
