#include "store/Transaction.h"

#include "store/Database.h"

namespace k7 {

Transaction::Transaction(Database& db, const QList<SqlStep>& then) : m_db(db), m_began(db.transaction(then)) { }

Transaction::~Transaction()
{
    // Closing the database has already rolled it back.
    if (m_began && !m_committed && m_db.inTransaction())
        m_db.rollback();
}

bool Transaction::commit(const QList<SqlStep>& first, qsizetype* failedAt)
{
    if (!m_began || m_committed)
        return m_committed;
    m_committed = m_db.commit(first, failedAt);
    return m_committed;
}

}  // namespace k7
