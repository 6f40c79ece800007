#include "store/Transaction.h"

#include "store/Database.h"

namespace k7 {

Transaction::Transaction(Database& db) : m_db(db), m_began(db.transaction()) { }

Transaction::~Transaction()
{
    // Closing the database has already rolled it back.
    if (m_began && !m_committed && m_db.inTransaction())
        m_db.rollback();
}

bool Transaction::commit()
{
    if (!m_began || m_committed)
        return m_committed;
    m_committed = m_db.commit();
    return m_committed;
}

}  // namespace k7
