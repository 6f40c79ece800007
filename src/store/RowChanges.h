#pragma once
// What other sessions did to a table's rows, as far as the engine tells:
// a server says which kinds of statement ran; a file only that something
// was committed, which reads as rows added and values changed.

namespace k7 {

struct RowChanges {
    bool added = false;
    bool changed = false;
    bool deleted = false;  // rows deleted or the table emptied

    bool any() const { return added || changed || deleted; }
    void merge(const RowChanges& other)
    {
        added = added || other.added;
        changed = changed || other.changed;
        deleted = deleted || other.deleted;
    }
};

}  // namespace k7
