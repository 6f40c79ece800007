#pragma once
// The program-wide state of the data store: one database and one data table
// open at a time, kept in step by the store's own commands. The database's
// path is set only while that file is open, and a table name only once the
// record set has been opened on that table; close() empties both. Owned by
// the application; the Database and the RecordSet are reached by reference
// for the operations on them.

#include "store/AuditTrail.h"
#include "store/Database.h"
#include "store/RecordSet.h"

#include <QString>

#include <functional>

namespace k7 {

struct RecordView;
class SteppedWork;

// Runs stepped work to its end; false when the operator cancelled it.
using WorkRunner = std::function<bool(SteppedWork&)>;

class DataStore {
public:
    DataStore() = default;
    DataStore(const DataStore&) = delete;
    DataStore& operator=(const DataStore&) = delete;

    // Opens the database at `path`, or creates it when there is no such
    // file; whatever was open is closed first. On failure nothing is open
    // and the reason is in currentdb().lastError().
    [[nodiscard]] bool open(const QString& path);
    // The same for a database on a server that asked for a password
    // (currentdb().lastErrorCode() SQLITE_AUTH after open()).
    [[nodiscard]] bool openWithPassword(const QString& uri, const QString& password);
    // Opens the record set on table `name` of the open database, which
    // becomes the open table. On failure no table is open and the reason is
    // in currentrs().lastError().
    [[nodiscard]] bool switchTable(const QString& name);
    // For a change to the open table's structure: the record set lets go of
    // the table, which stays the open one, until reopenTable() opens the
    // record set on it again (a failure leaves it closed, the reason in
    // currentrs().lastError()).
    void releaseTable();
    [[nodiscard]] bool reopenTable();
    // The record set shows `view` of the open table (sorted, filtered);
    // a failure leaves it as it was, the reason in currentrs().lastError().
    // A view that must list its rows in its own order lists them on another
    // thread while `run` (Dialogs::runWithProgress, say) steps the waiting;
    // when `run` returns false the read is abandoned and the set is left as
    // it was, with no error. Without `run` the set reads them itself.
    [[nodiscard]] bool showView(const RecordView& view, const WorkRunner& run = {});
    // Closes the record set and the database and empties both names.
    void close();

    // Path of the open database file; empty when none is open.
    const QString& dbname() const { return m_dbname; }
    // Name of the open data table; empty when none is open.
    const QString& tablename() const { return m_tablename; }
    Database& currentdb() { return m_currentdb; }
    const Database& currentdb() const { return m_currentdb; }
    // The dynaset on the data table; the grid shows it.
    RecordSet& currentrs() { return m_currentrs; }
    const RecordSet& currentrs() const { return m_currentrs; }
    // Changes to saved rows, kept in the same database.
    AuditTrail& audit() { return m_audit; }

private:
    QString m_dbname;
    QString m_tablename;
    Database m_currentdb;
    RecordSet m_currentrs;
    AuditTrail m_audit{m_currentdb};
};

}  // namespace k7
