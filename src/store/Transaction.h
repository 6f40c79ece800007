#pragma once
// A transaction of one Database, held for a scope: it begins when made, and
// unless commit() succeeds it is rolled back when the guard goes, so that
// every way out of a change (a failed step, an early return, a failed commit)
// leaves the file as it was. A failed begin is reported by began() with the
// reason in the database's lastError(), and the guard then owns nothing.
// Errors are read from the database before the guard goes: the rollback
// replaces lastError().

#include "store/SqlStep.h"

#include <QList>

namespace k7 {

class Database;

class Transaction {
public:
    // `then` runs first in the transaction (see Database::transaction).
    explicit Transaction(Database& db, const QList<SqlStep>& then = {});
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // False when the transaction could not begin (the file is locked, or a
    // transaction is already open); nothing is rolled back then.
    [[nodiscard]] bool began() const { return m_began; }
    // Keeps the changes. False, with the database's lastError(), when the
    // transaction did not begin or the commit failed; the guard then still
    // rolls back when it goes.
    // `first` runs just before the commit (see Database::commit).
    [[nodiscard]] bool commit(const QList<SqlStep>& first = {}, qsizetype* failedAt = nullptr);

private:
    Database& m_db;
    bool m_began = false;
    bool m_committed = false;
};

}  // namespace k7
