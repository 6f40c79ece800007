#pragma once
// The audit trail: every change to a saved row and every deletion, written to
// k7_audit in the same transaction as the change itself, so that a change
// that is rolled back leaves no trace and one that is committed always does.
// New records are not listed one by one; each session keeps one row with the
// number of records it added.

#include "store/K7Tables.h"
#include "store/SqlStep.h"

#include <QString>
#include <QVariant>

namespace k7 {

class Database;
class RecordSet;
struct Model;

// The field whose value names a row in the trail: the first Unique variable's,
// or none.
QString AuditIdentField(const Model& model);

// What changed a saved row. The texts are stored and shown as they stand.
namespace AuditAction {
inline constexpr const char* GridEdit = "grid edit";
inline constexpr const char* ReEdit = "re-edit";
inline constexpr const char* DeleteLast = "delete last";
inline constexpr const char* DeleteSelected = "delete selected";
inline constexpr const char* DeleteAll = "delete all";
inline constexpr const char* EmptyAfterExport = "empty after export";
inline constexpr const char* LengthChange = "length change";
inline constexpr const char* Rename = "rename";
inline constexpr const char* RecordsAdded = "records added";
inline constexpr const char* Verify = "verify";
}  // namespace AuditAction

struct AuditChange {
    QString table;
    qint64 rowId = 0;
    QString ident;  // the row's first Unique value, when the CFG has one
    QString field;
    QVariant before;
    QVariant after;
    QString action;
};

class AuditTrail {
public:
    explicit AuditTrail(Database& db);

    // Adds one row. Call it inside the transaction of the change it records.
    [[nodiscard]] bool record(const AuditChange& change);
    // One row per row of `table` that `where` (SQL with "?" marks bound to
    // `values`) selects, holding the whole row as JSON in `before`. Call it
    // inside the deleting transaction, before the rows go.
    [[nodiscard]] bool recordDeletion(const QString& table, const QString& where, const QVariantList& values,
                        const QString& identField, const QString& action);
    // One row per stored text value of `field` longer than `length`, before
    // and after the cut. Call it inside the changing transaction, before the cut.
    [[nodiscard]] bool recordCut(const QString& table, const QString& field, int length, const QString& action);
    // Counts a record added to `table` in this session's row (made on the first).
    [[nodiscard]] bool countAdded(const QString& table);
    // The same as a step for the caller to send with its transaction's
    // COMMIT, where the engine counts in one statement; elsewhere counted at
    // once, adding no step. The step answers into this trail, which reads
    // the answer at the next count.
    [[nodiscard]] bool countAddedSteps(const QString& table, QList<SqlStep>* steps);

    QString lastError() const { return m_error; }
    // The field recordDeletion and recordCut name rows by (see AuditIdentField).
    void setIdentField(const QString& field) { m_identField = field; }
    const QString& identField() const { return m_identField; }
    // The identField value of the current row of `rs` (null when none).
    QString identOf(const RecordSet& rs) const;
    // "host/user" of this station.
    static QString station();
    static QString now();

private:
    [[nodiscard]] bool ensureTable();
    // Forgets what it knew of the last database when another one is open.
    void followDatabase();

    Database& m_db;
    QString m_error;
    QString m_identField;
    OwnTableState m_table;
    // Where the counting step puts the session row it had to make, and for which table.
    void takeMadeSessionRow();
    QList<QVariantList> m_madeRow;
    QString m_madeFor;

    qint64 m_sessionRow = 0;
    QString m_sessionTable;
    QString m_dbPath;  // the database m_table and the session row belong to
};

}  // namespace k7
