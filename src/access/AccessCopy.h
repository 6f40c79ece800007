#pragma once
// Copying the tables of a Microsoft Access file into a new SQLite database, a
// slice at a time (a table's definition, then batches of its rows), so that
// the reader process can report its progress between slices. Everything goes
// in one transaction; a copy that does not reach its end removes the database
// it was building. A table that gives more rows than it records, or fewer,
// fails the copy.

#include "access/AccessSource.h"
#include "platform/SteppedWork.h"
#include "store/Database.h"
#include "store/Transaction.h"

#include <QList>
#include <QString>

#include <memory>

namespace k7 {

class SqlStatement;

struct ImportedTable {
    QString name;
    qint64 rows = 0;
};

// The SQL declaration each Access type is created with, chosen so that the
// table's fields read back as the CFG's own types.
QString ImportedDeclaration(const AccessColumn& column);

// Removes a database the import was building, with its journal.
void RemoveImportedDatabase(const QString& path);

class AccessCopy : public SteppedWork {
public:
    // Opens `source` and starts the database at `target`, which must not
    // exist; a failure shows in error() and the first step() ends the work.
    AccessCopy(const QString& source, const QString& target);
    ~AccessCopy() override;
    AccessCopy(const AccessCopy&) = delete;
    AccessCopy& operator=(const AccessCopy&) = delete;

    bool step() override;
    qint64 done() const override { return m_rowsDone; }
    qint64 total() const override { return m_rowsTotal; }

    // Committed and closed: the database at the target is the caller's now.
    bool finished() const { return m_finished; }
    QString error() const { return m_error; }
    const QList<ImportedTable>& tables() const { return m_copied; }

private:
    [[nodiscard]] bool startTable();
    [[nodiscard]] bool copyRows();
    [[nodiscard]] bool endTable();
    [[nodiscard]] bool commit();
    bool fail(const QString& text);

    QString m_target;
    std::unique_ptr<AccessSource> m_source;
    QList<AccessTable> m_tables;
    Database m_db;
    std::unique_ptr<Transaction> m_transaction;  // the whole copy, until committed
    SqlStatement* m_insert = nullptr;  // of the table being copied
    qsizetype m_table = 0;                // index of the table being copied
    qint64 m_tableRows = 0;
    qint64 m_rowsDone = 0;
    qint64 m_rowsTotal = 0;
    QList<ImportedTable> m_copied;
    QString m_error;
    bool m_finished = false;
};

}  // namespace k7
