#pragma once
// One table's rows read in the order of their folded key (FoldedMatch.h:
// blanks at either end dropped, case folded), as uniqueness compares keys,
// so that two tables can be merged on the key in one pass each. The rows
// come from one query, one at a time; each is copied out of the statement,
// so the row in hand stays valid while the reader moves on.

#include "store/SqlStatement.h"
#include "store/TableDef.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <string>
#include <vector>

namespace k7 {

class Database;

// A value as the engine gave it, before it is shown.
struct RawValue {
    SqlStatement::ValueType type = SqlStatement::ValueType::Null;
    qint64 integer = 0;
    double real = 0;
    std::string bytes;  // Text (UTF-8) and Blob

    bool operator==(const RawValue& other) const;
    QVariant toVariant() const;
};

struct KeyedRow {
    RawValue key;  // the folded key
    std::vector<RawValue> values;  // the fields asked for, in that order
};

// The order the query sorts keys in: Null, numbers, text by its bytes (code
// point order), bytes.
int CompareKeys(const RawValue& a, const RawValue& b);

class KeyedRows {
public:
    // Reads `fields` (names as the table spells them) of `table`, ordered by
    // the folded key of `keyField` (a Text field) or by its value.
    [[nodiscard]] bool open(Database& db, const QString& table, const QString& keyField, bool keyIsText,
                            const QStringList& fields);
    // Moves to the next row; false on an error, or when the rows come out of
    // key order (a key the engine sorted otherwise than this reader compares).
    [[nodiscard]] bool next();

    bool atEnd() const { return m_atEnd; }
    const KeyedRow& row() const { return m_row; }
    // Hands the current row over in place of `into`'s, without copying.
    void takeRow(KeyedRow& into) { std::swap(into, m_row); }
    qint64 rowsRead() const { return m_read; }
    QString error() const { return m_error; }

private:
    void copyRow();

    std::unique_ptr<SqlStatement> m_query;
    KeyedRow m_row;
    RawValue m_lastKey;
    size_t m_fieldCount = 0;
    bool m_atEnd = true;
    qint64 m_read = 0;
    QString m_error;
};

}  // namespace k7
