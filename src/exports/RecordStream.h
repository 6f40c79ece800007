#pragma once
// Reads the rows of a record set in the set's order, a slice at a time, for
// the exports. Only the fields asked for are read, and never more than one
// slice's statement is open: no read lock outlives a slice, so records saved
// meanwhile are committed, and a table of any size is read in the same
// memory. Rows deleted after the set was read are passed over.

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace k7 {

class RecordSet;
class SqlStatement;

class RecordStream {
public:
    // Called for each row; result column i + 1 holds field i of those asked for.
    using RowReader = std::function<void(const SqlStatement& row)>;

    explicit RecordStream(RecordSet& records);
    ~RecordStream();

    // Prepares the reading of `fields` (names of the set's table).
    [[nodiscard]] bool open(const QStringList& fields);
    // Reads up to `rows` rows of the set into `reader`; false on an error.
    [[nodiscard]] bool readSlice(int rows, const RowReader& reader);

    bool atEnd() const { return m_position >= m_total; }
    qint64 position() const { return m_position; }
    // The records the set held when the stream was made.
    qint64 total() const { return m_total; }
    QString error() const { return m_error; }

private:
    // Walks the table in rowid order (for a set in table order) or looks
    // each row up (any other order).
    [[nodiscard]] bool scanSlice(int rows, const RowReader& reader);
    [[nodiscard]] bool lookUpSlice(int rows, const RowReader& reader);
    bool fail(const QString& error);

    RecordSet& m_records;
    bool m_inRowidOrder = false;
    std::unique_ptr<SqlStatement> m_rows;
    qint64 m_position = 0;  // the next record of the set to read
    qint64 m_total = 0;
    QString m_error;
};

}  // namespace k7
