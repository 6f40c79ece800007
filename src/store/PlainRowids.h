#pragma once
// A list of rowids in any order, four bytes each while every rowid fits in
// 32 bits (a table of fewer than two billion rows appended in the usual way),
// eight once one does not: a sorted keyset of ten million rows takes 40 MB
// instead of 80. The first rowid that does not fit widens the whole list once.

#include <QtGlobal>

#include <cstddef>
#include <vector>

namespace k7 {

class PlainRowids {
public:
    std::size_t size() const { return m_wide ? m_wideIds.size() : m_narrowIds.size(); }
    qint64 at(std::size_t i) const { return m_wide ? m_wideIds[i] : m_narrowIds[i]; }
    bool wide() const { return m_wide; }
    // The memory the rowids take, in bytes.
    std::size_t memoryBytes() const;

    void reserve(std::size_t count);
    void push_back(qint64 rowid);
    void insert(std::size_t position, qint64 rowid);
    void erase(std::size_t position);
    // Empties the list and gives its memory back.
    void clear();

    // In an ascending list: the first position at or after `from` whose
    // rowid is not below `rowid`; size() when there is none.
    std::size_t lowerBound(std::size_t from, qint64 rowid) const;
    // The last position holding `rowid`, -1 when none does.
    qint64 findFromEnd(qint64 rowid) const;

private:
    static bool fits(qint64 rowid);
    void widenFor(qint64 rowid);

    bool m_wide = false;
    std::vector<qint32> m_narrowIds;  // while every rowid fits
    std::vector<qint64> m_wideIds;    // once one has not
};

}  // namespace k7
