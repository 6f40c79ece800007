#pragma once
// The record in progress, kept in the database while it is typed: one row per
// CFG and data table in k7_journal, rewritten after every accepted value (by
// JournalWriter, behind the keys) and removed in the same transaction that
// saves the record. A crash, a power cut or a killed process therefore loses
// at most the value being typed and those accepted while the newest write was
// still on its way to the disk.

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

namespace k7 {

class Database;

struct JournalEntry {
    QDateTime savedAt;  // UTC
    int curvar = 0;     // the variable to present on resuming
    QString shape;      // the CFG's variable names when it was written (see JournalShape)
    // The values of the record by variable name, in the CFG's order; only
    // those that hold something.
    QList<QPair<QString, QString>> values;
};

// The variable names of a CFG in order, as one text: a journal written for
// another shape holds values by names that may have moved or gone.
QString JournalShape(const QStringList& names);

// The journal's table and the statements that keep its row, for a writer on
// a connection of its own (JournalWriter). Values are bound in the order of
// JournalRowValues and JournalKeyValues.
namespace JournalSql {
QString createTable();
QString writeRow();
QString clearRow();
}  // namespace JournalSql
QVariantList JournalKeyValues(const QString& cfg, const QString& table);
QVariantList JournalRowValues(const QString& cfg, const QString& table, const JournalEntry& entry);

class RecordJournal {
public:
    RecordJournal(Database& db, const QString& cfgpath, const QString& table);

    // Replaces the journal row. Outside a transaction the write is committed
    // (durably) before this returns.
    [[nodiscard]] bool write(const JournalEntry& entry);
    // The journal row, if there is one.
    std::optional<JournalEntry> read();
    // Removes the journal row; called inside the transaction that saves the record.
    [[nodiscard]] bool clear();
    QString lastError() const { return m_error; }

private:
    [[nodiscard]] bool ensureTable();

    Database& m_db;
    QString m_cfg;
    QString m_table;
    QString m_error;
    bool m_tableReady = false;
};

}  // namespace k7
