#pragma once
// The keyset of a record set, read either at once or, for a set in table
// order, in windows as its positions are asked for. A windowed keyset starts
// from the count of its rows and the rowids at its ends: the rows from the
// front are read as the set is walked forward, those at the end when a
// position near the end is asked for, so the first screen and a jump to the
// last row each read a window, not the whole table. The unread middle is
// read when a position in it is asked for, and all of it when an answer
// needs every rowid (a rowid of the middle looked up, a row placed among
// the others); once nothing is left unread it is an ordinary keyset.
//
// Rows added through the set go after the end; rows another program adds
// after the count are not read (a requery shows them), and rows it deletes
// meanwhile make the set shorter when the window that held them is read.

#include "store/Keyset.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace k7 {

class WindowedKeyset {
public:
    // Reads at most `limit` rowids from `low` to `high` (both included), in
    // rowid order, or in reverse order from `high` down when `fromTheEnd`;
    // false (with the reason in `error`) when the engine fails.
    using Reader = std::function<bool(qint64 low, qint64 high, qint64 limit, bool fromTheEnd,
                                      std::vector<qint64>& rowids, QString* error)>;

    // Every rowid, read already, in the set's order.
    void assign(Keyset keys);
    // `count` rowids in rowid order from `first` to `last`, none read yet.
    void startWindows(qint64 count, qint64 first, qint64 last, Reader reader);
    void clear();

    int size() const { return static_cast<int>(m_front.size() + m_unread + m_back.size()); }
    bool empty() const { return size() == 0; }
    // Whether every rowid has been read.
    bool complete() const { return m_unread == 0; }
    // The rowid at `position`, reading its window when needed; none when
    // it cannot be read (readError() says why) or the position is past the end.
    std::optional<qint64> at(int position) const;
    QString readError() const { return m_error; }
    bool ascending() const { return m_front.ascending() && m_back.ascending(); }
    std::size_t memoryBytes() const { return m_front.memoryBytes() + m_back.memoryBytes(); }

    void append(qint64 rowid);
    void insert(int position, qint64 rowid);
    void erase(int position);

    // As Keyset's; the middle is read first when the answer may lie there.
    int positionInOrder(qint64 rowid) const;
    int lowerBound(int from, qint64 rowid) const;
    int findFromEnd(qint64 rowid) const;

private:
    static constexpr qint64 kWindow = 4096;
    int frontSize() const { return m_front.size(); }
    int backStart() const { return static_cast<int>(m_front.size() + m_unread); }
    [[nodiscard]] bool readTowards(int position) const;
    [[nodiscard]] bool readFront(qint64 limit) const;
    [[nodiscard]] bool readBack(qint64 limit) const;
    [[nodiscard]] bool readAll() const;
    void tookFromMiddle(std::size_t read, qint64 asked, bool endReached) const;

    // Read windows change only what is known, not what the set holds, so
    // they run from const look-ups.
    mutable Keyset m_front;  // positions 0 .. frontSize() - 1
    mutable Keyset m_back;  // the last positions, and rows added since
    mutable qint64 m_unread = 0;  // rows between the two, not read yet
    mutable qint64 m_low = 0;  // the unread rowids lie from here ...
    mutable qint64 m_high = 0;  // ... to here
    mutable QString m_error;
    Reader m_reader;
};

}  // namespace k7
