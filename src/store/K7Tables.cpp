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

bool EnsureOwnTable(Database& db, const char* name, const QString& columns, OwnTableState* state, QString* error)
{
    if (state->ready)
        return true;
    const bool inTransaction = db.inTransaction();
    const bool makerEnded = state->madeIn != 0 && (!inTransaction || state->madeIn != db.transactionSerial());
    if (makerEnded && OwnTableExists(db, name)) {
        state->ready = true;
        return true;
    }
    if (!db.execute(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(QLatin1String(name), columns))) {
        *error = db.lastError();
        return false;
    }
    state->ready = !inTransaction;
    state->madeIn = inTransaction ? db.transactionSerial() : 0;
    return true;
}

}  // namespace k7
