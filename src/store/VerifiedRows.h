#pragma once
// The rows of a data table that were typed a second time in verify mode:
// one row in k7_verified per verification (the row's identity, when, at which
// station, and the fields checked and corrected), written in the transaction
// that writes the corrections. Re-verifying a row adds another.

#include "store/K7Tables.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace k7 {

class Database;

// A table is named as the catalogue spells it (a record set's tableName())
// in a verification and in isVerified; countVerified and tally look it up.
struct Verification {
    QString table;
    qint64 rowId = 0;
    QStringList checked;    // field names
    QStringList corrected;  // field names, a part of `checked`
};

// Values verified and corrected, per field and for the whole table.
struct VerifiedTally {
    qint64 records = 0;  // verifications, a row verified twice counting twice
    QMap<QString, qint64> checked;
    QMap<QString, qint64> corrected;
    qint64 valuesChecked() const;
    qint64 valuesCorrected() const;
};

class VerifiedRows {
public:
    explicit VerifiedRows(Database& db) : m_db(db) {}

    // Makes k7_verified when the database lacks it.
    [[nodiscard]] bool ensureTable();
    // Adds a verification. Call it inside the transaction of the corrections.
    [[nodiscard]] bool record(const Verification& verification);
    // Whether the row was verified before; nothing when the query failed.
    [[nodiscard]] std::optional<bool> isVerified(const QString& table, qint64 rowId);
    // The rows of `table` that still exist and were verified at least once;
    // 0 when nothing was ever verified, nothing when the query failed.
    [[nodiscard]] std::optional<qint64> countVerified(const QString& table);
    [[nodiscard]] std::optional<VerifiedTally> tally(const QString& table);
    QString lastError() const { return m_error; }

private:
    [[nodiscard]] bool exists();

    Database& m_db;
    QString m_error;
    OwnTableState m_table;
};

// The condition (with one "?" for the table's name) that keeps the rows of
// the (quoted) table that were never verified; `rowidName` is the dialect's.
QString NotVerifiedCondition(const QString& quotedTable, const QString& rowidName);

}  // namespace k7
