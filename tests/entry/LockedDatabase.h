#pragma once
// Another program holding a database locked while a test acts.

#include "support/SeparateConnection.h"

#include <functional>

namespace k7::test {

// Runs `work` while another connection holds the database at `path` in an
// exclusive transaction; false when the lock could not be taken or let go.
inline bool whileLocked(const QString& path, const std::function<void()>& work)
{
    return withConnection(path, false, [&](QSqlDatabase& other) {
        QSqlQuery lock(other);
        if (!lock.exec("BEGIN EXCLUSIVE"))
            return false;
        work();
        return lock.exec("ROLLBACK");
    });
}

}  // namespace k7::test
