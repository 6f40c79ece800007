#pragma once
// One press of "Find" in the find dialog. The dialog keeps no state: the
// record set's position and the grid's current column carry the search
// forward. Cells match when the search text occurs in their shown text
// without regard to case. "Search all fields" goes right from the column
// after the current one (from the first field of the same record after the
// last), then through the later records; "Search a field" goes through the
// records after the current one. A search that runs off the end leaves the
// set past its last record, so the next press starts at the first.

#include <QString>

namespace k7 {

class Dialogs;
class RecordSet;

struct FindRequest {
    QString text;
    bool oneField = false;  // "Search a field" rather than "Search all fields"
    QString field;          // the chosen field for oneField
};

// Moves `rs` to the next match and returns the column of the matching
// field, or -1 after telling the operator why there is none.
int FindNext(RecordSet& rs, const FindRequest& request, int currentColumn, Dialogs& dialogs);

}  // namespace k7
