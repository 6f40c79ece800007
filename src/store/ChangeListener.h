#pragma once
// Hears about rows that other stations add, change or delete in the open
// data table, and hands them on in batches.
//
// On a server every write to a table K7 opened is announced by the server
// (postgres/PgRowNotices.h); the listener watches the connection's socket and
// hears it as soon as it arrives. A file has no announcements: the listener
// asks SQLite once a second whether another connection committed
// (PRAGMA data_version, which reads one counter and touches no table), which
// lets two copies of K7 on one file, on a share say, see each other's records.
//
// Announcements that come within a few milliseconds of each other (another
// station saving a burst, a bulk import) reach the handler as one call. The
// handler may decline a batch (a grid cell is being edited); it is then
// offered again shortly, with whatever arrived meanwhile merged in.

#include "store/RowChanges.h"

#include <QSocketNotifier>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

namespace k7 {

class Database;

class ChangeListener {
public:
    // Returns false to have the changes offered again later.
    using Handler = std::function<bool(const RowChanges&)>;

    static constexpr int kBatchMs = 15;
    static constexpr int kRetryMs = 200;
    static constexpr int kServerPollMs = 250;
    static constexpr int kFilePollMs = 1000;

    explicit ChangeListener(Handler handler);
    ~ChangeListener();
    ChangeListener(const ChangeListener&) = delete;
    ChangeListener& operator=(const ChangeListener&) = delete;

    // Listens for changes to `table` of `db` from now on, instead of what it
    // listened to before. False, with lastError(), when the table cannot be
    // found or the server refuses to listen; nothing is listened to then.
    [[nodiscard]] bool listen(Database& db, const QString& table);
    void stop();
    bool listening() const { return m_db != nullptr; }
    QString table() const { return m_table; }
    QString lastError() const { return m_error; }

private:
    [[nodiscard]] bool startServer();
    void watchSocket(int socket);
    void readServer();
    void poll();
    void pollFile();
    [[nodiscard]] bool readDataVersion(qint64* version) const;
    void gather(const RowChanges& changes);
    void deliver();

    Handler m_handler;
    Database* m_db = nullptr;
    QString m_table;
    QString m_error;
    std::unique_ptr<QSocketNotifier> m_socket;
    QTimer m_poll;
    QTimer m_batch;
    RowChanges m_pending;
    qint64 m_dataVersion = -1;
    int m_session = 0;  // the server process that listens for this station
};

}  // namespace k7
