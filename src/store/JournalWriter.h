#pragma once
// Writes the journal of the record in progress on a worker thread with a
// connection of its own, so that accepting a value never waits for the disk.
// It keeps one pending slot: when the operator types faster than the disk,
// only the newest state of the record is written. The connection is opened
// for each run of writes and closed when nothing is pending, so none lingers
// on a database that was closed, moved or replaced meanwhile.

#include "store/RecordJournal.h"

#include <QObject>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace k7 {

// The newest state of a journal row: the entry to keep, or none (removed).
struct JournalState {
    bool remove = false;
    JournalEntry entry;
};

// What the writes finished since the last look came to.
struct JournalOutcome {
    int failures = 0;
    QString error;           // the reason of the newest failure
    bool lastOk = false;     // the newest finished write succeeded
};

class JournalWriter : public QObject {
    Q_OBJECT
public:
    // The rows go into the database at `dbPath`, which must exist; with
    // `besideServer`, into the local file that keeps a server database's
    // journal, made when it is missing.
    JournalWriter(const QString& dbPath, const QString& cfg, const QString& table, bool besideServer = false);
    // Writes what is pending, then ends the worker.
    ~JournalWriter() override;

    // Replaces whatever is pending with `state`; returns at once.
    void post(JournalState state);
    // Drops what is pending and waits for a write under way to end, so that
    // the caller can change the journal row itself without a write of an
    // older state landing after it. Returns what was dropped: the caller
    // posts it again when its own change does not happen.
    std::optional<JournalState> settle();
    // Drops what is pending without waiting for a write under way; for a
    // journal whose row may outlive the change the caller makes.
    std::optional<JournalState> dropPending();
    // Waits until everything posted is written (or has failed).
    void flush();
    // The results since the last call; finished() says when there are new ones.
    JournalOutcome takeOutcome();
    // Whether the newest finished write failed.
    bool lastFailed() const;

signals:
    // A write ended (delivered in the thread that made the writer).
    void finished();

private:
    void run();

    const QString m_dbPath;
    const QString m_cfg;
    const QString m_table;
    const bool m_besideServer;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<JournalState> m_pending;
    bool m_busy = false;
    bool m_stopping = false;
    bool m_lastFailed = false;
    JournalOutcome m_outcome;
    std::thread m_worker;
};

}  // namespace k7
