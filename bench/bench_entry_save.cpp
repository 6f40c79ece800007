// Saving a record on a large table: the time from accepting the last value
// of a record (a Unique text) to the next record being presented, which
// covers the uniqueness query, the insert and its commit; compared with the
// same indexed query, insert and commit made directly with the SQLite C API
// on the same file. Also the time to open the CFG on that table.
//
// usage: bench_entry_save [rows] [records] [--db PATH]   (default 1000000 and 1000)
// With --db the table is kept at PATH and the rows a run adds are taken out
// again at its end, so the next run finds the same table.

#include "BenchEngine.h"
#include "BenchSupport.h"
#include "RawSqlite.h"
#include "entry/RecordState.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

using namespace k7;
using namespace k7::bench;

namespace {

// The same uniqueness query, insert and commit, straight through SQLite, on
// a connection of its own to the same file.
class RawSaver {
public:
    explicit RawSaver(const QString& path)
    {
        if (sqlite3_open(QFile::encodeName(path).constData(), &m_db) != SQLITE_OK)
            return;
        exec(m_db, "PRAGMA synchronous = FULL");
        sqlite3_prepare_v2(m_db, "SELECT rowid FROM bench WHERE ID = ? COLLATE NOCASE", -1,
                           &m_find, nullptr);
        sqlite3_prepare_v2(m_db, "INSERT INTO bench (N, ID) VALUES (?, ?)", -1, &m_insert,
                           nullptr);
    }
    ~RawSaver()
    {
        sqlite3_finalize(m_find);
        sqlite3_finalize(m_insert);
        sqlite3_close(m_db);
    }
    // Milliseconds for one save; counts the rows really inserted.
    double save(const QByteArray& id)
    {
        QElapsedTimer timer;
        timer.start();
        sqlite3_bind_text(m_find, 1, id.constData(), static_cast<int>(id.size()), SQLITE_TRANSIENT);
        const bool exists = sqlite3_step(m_find) == SQLITE_ROW;
        sqlite3_reset(m_find);
        if (!exists) {
            sqlite3_bind_double(m_insert, 1, 7);
            sqlite3_bind_text(m_insert, 2, id.constData(), static_cast<int>(id.size()),
                              SQLITE_TRANSIENT);
            if (sqlite3_step(m_insert) == SQLITE_DONE)
                ++inserted;
            else
                std::fprintf(stderr, "raw insert: %s\n", sqlite3_errmsg(m_db));
            sqlite3_reset(m_insert);
        }
        return timer.nsecsElapsed() / 1e6;
    }
    int inserted = 0;

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_find = nullptr;
    sqlite3_stmt* m_insert = nullptr;
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const BenchArgs args = readArgs(argc, argv);
    const int rows = args.count(0, 1000000);
    const int records = args.count(1, 1000);

    // A run stopped half way leaves rows of its own behind.
    if (args.tableKept() && !dropRowsAfter(args.db, rows))
        return 3;
    EngineRig rig;
    const QByteArray where = args.keepsTable()
                                 ? "Filename=" + QFile::encodeName(args.db) + "\r\nTable=bench\r\n"
                                 : QByteArray();
    if (!rig.open("[K7]\r\n" + where + "[N]\r\nType=Numeric\r\n[ID]\r\nType=Text\r\nUnique=Yes\r\nLength=20\r\n"))
        return 2;
    DataStore& store = rig.store;
    SilentView& view = rig.view;
    EntryEngine& engine = rig.engine;
    CountingDialogs& dialogs = rig.dialogs;
    const QString db = store.dbname();
    store.close();
    // A kept table stopped half way through its filling is empty.
    if (lastRowid(db, "bench") > 0) {
        if (!keptTableFits(db, "bench", rows))
            return 3;
        std::printf("table of %d rows kept at %s\n", rows, qPrintable(db));
    } else {
        QElapsedTimer fillTimer;
        fillTimer.start();
        if (!fill(db, rows))
            return 3;
        std::printf("table of %d rows filled in %.0f ms\n", rows, fillTimer.nsecsElapsed() / 1e6);
    }

    std::vector<double> opens;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!rig.reopen())
            return 4;
        opens.push_back(timer.nsecsElapsed() / 1e6);
    }

    // Engine and direct saves alternate, so both see the same disk.
    std::vector<double> saves;
    std::vector<double> raw;
    RawSaver direct(db);
    QElapsedTimer timer;
    for (int i = 0; i < records; ++i) {
        view.setBoxText(Control::NumericBox, QString::number(i));
        engine.AcceptValue();
        view.setBoxText(Control::TextBox, QStringLiteral("NEW-%1").arg(i));
        timer.start();
        engine.AcceptValue();  // the last value: query, insert, commit, next record
        saves.push_back(timer.nsecsElapsed() / 1e6);
        raw.push_back(direct.save("RAW-" + QByteArray::number(i)));
    }
    const int saved = store.currentrs().recordCount() - rows;
    const int rawInserted = direct.inserted;
    store.close();
    if (args.keepsTable() && !dropRowsAfter(db, rows))
        return 3;

    const Stats k7 = stats(saves);
    const Stats directStats = stats(raw);
    const Stats open = stats(opens);
    std::printf("records saved by the engine: %d of %d, messages: %d\n", saved, records,
                dialogs.messages);
    std::printf("engine save to next record: median %.3f ms, p99 %.3f ms\n", k7.median, k7.p99);
    std::printf("records saved directly: %d of %d\n", rawInserted, records);
    std::printf("raw SQLite query+insert+commit: median %.3f ms, p99 %.3f ms\n", directStats.median,
                directStats.p99);
    std::printf("ratio of medians: %.2f (target < 1.5), of p99: %.2f\n",
                directStats.median > 0 ? k7.median / directStats.median : 0,
                directStats.p99 > 0 ? k7.p99 / directStats.p99 : 0);
    std::printf("open CFG on the table (open sequence + first record): median %.1f ms, max %.1f "
                "ms (target < 300)\n",
                open.median, *std::max_element(opens.begin(), opens.end()));
    figure("save to next record (ms)", k7.median);
    figure("save, raw SQLite (ms)", directStats.median);
    figure("save, ratio to raw SQLite", directStats.median > 0 ? k7.median / directStats.median : 0);
    figure("save p99 (ms)", k7.p99);
    figure("open CFG on the table (ms)", open.median);
    return saved == records && dialogs.messages == 0 ? 0 : 5;
}
