#pragma once
// The record in progress, kept while it is typed: one row per CFG and data
// table in k7_journal, rewritten after every accepted value (by
// JournalWriter, behind the keys). A crash, a power cut or a killed process
// therefore loses at most the value being typed and those accepted while the
// newest write was still on its way to the disk.
//
// A file database keeps the journal in itself, and the row goes in the same
// transaction that saves the record. A server database keeps it in a local
// SQLite file beside the CFG (JournalFileBeside), so that it outlives a
// crash while the server is away. The row cannot go in the server's
// transaction, so each record gets a token that its journal rows carry, and
// the saving transaction notes that token in the server's k7_saved; after
// COMMIT the row is removed. A row found after a crash, or a save whose
// COMMIT was not answered, is settled by asking the server for its token:
// noted means the record is saved and the row is dropped, so nothing is
// saved twice. None of this makes the save wait for the local disk.

#include "store/K7Tables.h"
#include "store/SqlStep.h"

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>
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
    // Beside a server: the token the saving transaction notes on the server.
    QString saveToken;
};

// The local file that keeps the journal of a CFG whose database is on a
// server: the CFG's path with its extension (everything after the first "."
// of its name) replaced by ".k7journal".
QString JournalFileBeside(const QString& cfgpath);

// What the server says became of the save of a record.
enum class SaveOutcome { Committed, NotCommitted, Unknown };

// The variable names of a CFG in order, as one text: a journal written for
// another shape holds values by names that may have moved or gone.
QString JournalShape(const QStringList& names);

// The journal's table and the statements that keep its row, for a writer on
// a connection of its own (JournalWriter). Values are bound in the order of
// JournalRowValues and JournalKeyValues.
namespace JournalSql {
QString createTable(bool besideServer = false);
QString writeRow(bool besideServer = false);
QString clearRow();
}  // namespace JournalSql
QVariantList JournalKeyValues(const QString& cfg, const QString& table);
QVariantList JournalRowValues(const QString& cfg, const QString& table, const JournalEntry& entry,
                              bool besideServer = false);

// How the end of a journal inside the saving transaction went.
enum class JournalEnd {
    Ended,
    SavedBefore,  // beside a server: the record's token is noted already
    Failed,
};

class RecordJournal {
public:
    // The journal kept in the file database `db` itself.
    RecordJournal(Database& db, const QString& cfgpath, const QString& table);
    // The journal of the server database `db`, kept in the local file
    // `localPath` (made when first written).
    RecordJournal(Database& db, const QString& localPath, const QString& cfgpath, const QString& table);
    ~RecordJournal();
    RecordJournal(const RecordJournal&) = delete;
    RecordJournal& operator=(const RecordJournal&) = delete;

    // Where the rows are kept: the database's path, or the local file.
    QString rowsPath() const;
    bool besideServer() const { return !m_localPath.isEmpty(); }

    // Replaces the journal row. Outside a transaction the write is committed
    // (durably) before this returns.
    [[nodiscard]] bool write(const JournalEntry& entry);
    // The journal row, if there is one.
    std::optional<JournalEntry> read();
    // Beside a server: the token of the record in progress, for its journal
    // rows; a journal row left from before (a crash) lends its own.
    QString saveToken();
    // The statements that end the journal inside the saving transaction, to
    // run with its COMMIT: in a file the row's removal; beside a server the
    // note of the record's token (the row goes in committed()). False with
    // the reason when they cannot be had.
    [[nodiscard]] bool endSteps(QList<SqlStep>* steps);
    // Whether those statements failing with the store's `code` means that a
    // save of this record committed already, unanswered: this one is rolled
    // back and the record counts as saved.
    bool savedBefore(int code) const;
    // Runs endSteps() at once, inside the caller's transaction.
    [[nodiscard]] JournalEnd clear();
    // The saving transaction committed: beside a server, the next record
    // gets a token of its own, and the caller removes the row (through its
    // writer, so that it follows any write under way).
    void committed();
    // The token of a save whose COMMIT was sent but not answered as far as
    // this journal knows; empty when there is none.
    QString unsettledSave() const { return m_savingToken; }
    // The saving transaction failed for certain (it was rolled back).
    void forgetSave() { m_savingToken.clear(); }
    // Whether the server has noted the save of the record with `token`.
    SaveOutcome outcomeOf(const QString& token);
    QString lastError() const { return m_error; }

private:
    Database& rows();
    [[nodiscard]] bool ensureTable();
    [[nodiscard]] bool ensureTokenTable();
    [[nodiscard]] bool noteSavedSteps(QList<SqlStep>* steps);

    Database& m_db;
    QString m_localPath;
    std::unique_ptr<Database> m_local;
    QString m_cfg;
    QString m_table;
    QString m_error;
    QString m_token;
    QString m_settledToken;  // the last token whose save is known committed
    QString m_savingToken;
    bool m_swept = false;  // tokens noted long ago have gone in a committed save
    OwnTableState m_journalTable;
    OwnTableState m_tokenTable;
};

}  // namespace k7
