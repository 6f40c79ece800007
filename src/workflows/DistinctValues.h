#pragma once
// The distinct values of one field as the grid shows them (Null as ""),
// grouped as the filter compares them (FoldedMatch.h) and in the order the
// engine's GROUP BY gives. A table of millions of rows is grouped a slice
// of rows at a time into a sorted list, so the values found so far can be
// shown long before the last slice is read; once every slice is in, the
// list holds the same values in the same order as one GROUP BY over the
// whole table. A group shows the value of its first row in table order.

#include "store/TableDef.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace k7 {

class Database;
class SqlStatement;

class DistinctValues {
public:
    // Starts the list of `field`'s values in `table`; false, with the reason
    // in lastError(), when the field cannot be read.
    [[nodiscard]] bool open(Database& db, const QString& table, const QString& field);
    // Groups the next slice of rows into the list. Returns, for each value
    // listed before, where it stands now (values only move down as others
    // join). After the last slice, or a failure (lastError()), atEnd().
    std::vector<int> readSlice();
    bool atEnd() const { return m_db == nullptr; }
    QString lastError() const { return m_error; }

    // The values found so far, in the list's order.
    int count() const { return static_cast<int>(m_groups.size()); }
    const QString& shown(int i) const { return m_groups[static_cast<size_t>(i)].shown; }
    QStringList values() const;

    // A group's key: the field's value folded as the filter compares it.
    // Ordered as the engine orders values: Null, numbers, text, bytes.
    struct Key {
        int kind = 0;  // 0 Null, 1 number, 2 text, 3 bytes
        bool integral = true;
        qint64 integer = 0;
        double real = 0;
        QByteArray bytes;  // text as UTF-8, or the bytes
    };

    // The rows grouped together in the first slice, and in the longest.
    static constexpr int kSliceRows = 100000;
    static constexpr int kMaxSliceRows = 400000;

private:
    struct Group {
        Key key;
        QVariant value;  // as read, until the group joins the list
        QString shown;
    };
    [[nodiscard]] bool sliceEnd(qint64* end, bool* last);
    [[nodiscard]] bool groupSlice(qint64 end, bool last, std::vector<Group>& groups);
    // Ends a statement's read; false (and the list stopped with the reason) when it failed.
    [[nodiscard]] bool endRead(SqlStatement* stmt);
    std::vector<int> merge(std::vector<Group> found);
    void stop(const QString& error);

    Database* m_db = nullptr;
    FieldType m_type = FieldType::Text;
    QString m_endSql;
    QString m_groupSql;
    QString m_lastGroupSql;
    qint64 m_after = 0;  // the slices so far end at this rowid
    int m_sliceRows = kSliceRows;
    QString m_error;
    std::vector<Group> m_groups;
};

}  // namespace k7
