#pragma once
// The row ids of a record set in the set's order, kept compactly. A table
// that is only appended to has rowids that follow one another, so they are
// kept as runs (the first rowid of each and the position it starts at): ten
// million such rows take a few bytes, and a position's rowid is a binary
// search over the runs. Once runs stop saving memory (rowids in a sort
// order, or a table with many deletions) the keyset falls back to a plain
// list (PlainRowids: four bytes a rowid while they fit) and stays there
// until it is cleared.
//
// Positions are 0-based; every call taking a position expects a valid one.

#include "store/PlainRowids.h"

#include <QtGlobal>

#include <cstddef>
#include <vector>

namespace k7 {

class Keyset {
public:
    int size() const { return static_cast<int>(m_size); }
    bool empty() const { return m_size == 0; }
    qint64 at(int position) const;
    qint64 back() const { return at(size() - 1); }
    // Whether every rowid is greater than the one before it (table order).
    bool ascending() const { return m_ascending; }
    // Whether the rowids are still kept as runs.
    bool compact() const { return !m_plain; }
    // The memory the rowids take, in bytes (without the object itself).
    std::size_t memoryBytes() const;

    void clear();
    void append(qint64 rowid);
    // Appends `count` rowids starting at `first`: first, first + 1, ...
    void appendRun(qint64 first, qint64 count);
    // Appends every rowid of `other`, in its order.
    void appendAll(const Keyset& other);
    void insert(int position, qint64 rowid);
    void erase(int position);

    // In an ascending keyset: where `rowid` is, -1 when absent.
    int positionInOrder(qint64 rowid) const;
    // In an ascending keyset: the first position at or after `from` whose
    // rowid is not below `rowid`; size() when there is none.
    int lowerBound(int from, qint64 rowid) const;
    // In any order: where `rowid` is, looking from the end (where new rows
    // go); -1 when absent.
    int findFromEnd(qint64 rowid) const;

private:
    struct Run {
        qint64 first;  // rowid at `start`
        qint64 start;  // position of the run's first rowid
    };
    qint64 runLength(std::size_t i) const;
    std::size_t runAt(qint64 position) const;  // the run holding `position`
    void splitAt(qint64 position);  // makes `position` start a run
    void shiftStarts(std::size_t from, qint64 by);
    void mergeWithPrevious(std::size_t i);
    void fallBackIfLarge();

    qint64 m_size = 0;
    bool m_ascending = true;
    bool m_plain = false;
    std::vector<Run> m_runs;  // while compact
    PlainRowids m_rowids;  // once plain
};

}  // namespace k7
