#pragma once
// Verify mode's state, private to the entry engine: which variable is the
// key, the stored row being typed again, and a value that differed from it
// and waits to be typed a second time.

#include "store/Database.h"
#include "store/RecordJournal.h"
#include "store/VerifiedRows.h"

#include <QString>

#include <optional>
#include <vector>

namespace k7 {

struct VerifySession {
    VerifySession(int key, Database& db) : keyVar(key), verified(db) {}

    // The first Unique variable, which finds the row.
    const int keyVar;
    VerifiedRows verified;
    // The row being verified; -1 until its key has been typed.
    qint64 row = -1;
    // Its values as the grid shows them, by variable (1-based).
    std::vector<QString> stored;
    // The variable whose value differed and the value typed there, as the
    // grid would show it; 0 when none waits.
    int retypeVar = 0;
    QString firstTyped;

    void forgetRow()
    {
        row = -1;
        stored.clear();
        retypeVar = 0;
        firstTyped.clear();
    }
};

// Takes the mark of a record being verified out of a journal entry: its key,
// or nothing when the entry is a new record's.
std::optional<QString> TakeVerifyMark(JournalEntry& entry);

}  // namespace k7
