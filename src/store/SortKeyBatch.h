#pragma once
// Rows of a sorted key read, kept with the values they were sorted by, so
// that several sorted reads can be merged into one order. Rows are compared
// as the file engine orders values: Nulls first, then numbers (integers and
// reals by value), then text by its bytes, then blobs by theirs; rows whose
// values are all equal by rowid. The values are the sort terms' keys, which
// the engine compares byte for byte (FoldedMatch.h), so the merged order is
// the one a single sorted query gives.

#include "store/SqlStatement.h"

#include <QtGlobal>

#include <string>
#include <vector>

namespace k7 {

class SortKeyBatch {
public:
    // Rows of `keys` values each, followed by their rowid.
    explicit SortKeyBatch(int keys);

    // Appends the statement's current row: `keys` values, then the rowid.
    void appendRow(const SqlStatement& stmt);
    int rows() const { return static_cast<int>(m_rowids.size()); }
    qint64 rowid(int row) const { return m_rowids[static_cast<std::size_t>(row)]; }

    // Below zero when row `a` of `left` sorts before row `b` of `right`,
    // zero when they are the same row, above zero when it sorts after.
    friend int CompareRows(const SortKeyBatch& left, int a, const SortKeyBatch& right, int b);

private:
    struct Value {
        SqlStatement::ValueType type = SqlStatement::ValueType::Null;
        qint64 integer = 0;
        double real = 0;
        std::size_t offset = 0;  // of text or bytes in m_bytes
        std::size_t length = 0;
    };
    int compareValues(const Value& x, const SortKeyBatch& other, const Value& y) const;
    const Value& value(int row, int key) const
    {
        return m_values[static_cast<std::size_t>(row) * static_cast<std::size_t>(m_keys)
                        + static_cast<std::size_t>(key)];
    }

    int m_keys;
    std::vector<Value> m_values;
    std::vector<qint64> m_rowids;
    std::string m_bytes;
};

}  // namespace k7
