#pragma once
// Writing every row of a table to the audit trail before the table is
// emptied, a slice of rows per step, so that a table of a million rows shows
// its progress and can be stopped. It runs inside the caller's transaction:
// stopping it, or any failure, is undone by rolling that back.

#include "platform/SteppedWork.h"

#include <QString>

#include <optional>

namespace k7 {

class AuditTrail;
class Database;

class AuditedRows : public SteppedWork {
public:
    AuditedRows(Database& db, AuditTrail& audit, const QString& table, const QString& action);

    bool step() override;
    qint64 done() const override { return m_done; }
    qint64 total() const override { return m_total; }

    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }

private:
    bool fail(const QString& error);
    // The highest rowid of the slice that starts at m_from; none for the
    // last slice.
    std::optional<qint64> sliceEnd();

    Database& m_db;
    AuditTrail& m_audit;
    QString m_table;
    QString m_action;
    bool m_finished = false;
    qint64 m_from = 0;  // the lowest rowid not yet written
    qint64 m_done = 0;
    qint64 m_total = 0;
    QString m_error;
};

}  // namespace k7
