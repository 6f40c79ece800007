// Saving a record on a table of a million rows: the uniqueness query on the
// indexed text field, the insert and the commit, through the store and
// through the SQLite C API with the same settings, and the time to open the
// CFG on that table. Prints its figures; the database lives in a temporary
// folder that is removed at the end.

#include "cfg/Model.h"
#include "platform/Dialogs.h"
#include "platform/ShellHooks.h"
#include "store/DataStore.h"
#include "store/DataTable.h"
#include "store/OpenCfg.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace k7;

namespace {

constexpr int kTableRows = 1000000;
constexpr int kRecords = 1000;
constexpr int kOpenings = 7;

// Any question would stop the measurement: answer the way a fresh open needs.
class SilentDialogs : public Dialogs {
public:
    int message(const QString& text, int) override
    {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
        return Answer::Ok;
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QString> inputText(const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> chooseTable(const QStringList&) override { return std::nullopt; }
    std::optional<long> chooseColor(long) override { return std::nullopt; }
    void timedMessage(const QString&, int) override {}
    void setBusy(bool) override {}
};

class SilentShell : public ShellHooks {
public:
    bool loadCfgInEditor(const QString&) override { return false; }
    void showEditorAtLine(int) override {}
    void addRecentFile(const QString&) override {}
    void openInstrumentPort() override {}
    void setDataSource(RecordSet*) override {}
    void setVariableList(const QStringList&) override {}
};

struct Figures {
    double median = 0;
    double p99 = 0;
};

Figures summarize(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    Figures f;
    f.median = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    f.p99 = ms[std::min(n - 1, static_cast<size_t>(0.99 * static_cast<double>(n)))];
    return f;
}

bool exec(sqlite3* db, const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, error);
        sqlite3_free(error);
        return false;
    }
    return true;
}

// Fills the table in one transaction through a prepared insert.
bool fill(Database& db, const QString& table)
{
    sqlite3* h = db.handle();
    if (!exec(h, "BEGIN"))
        return false;
    sqlite3_stmt* stmt = nullptr;
    const QByteArray sql = QStringLiteral("INSERT INTO \"%1\" (ID, Site, Weight) VALUES (?, ?, ?)").arg(table).toUtf8();
    if (sqlite3_prepare_v2(h, sql.constData(), -1, &stmt, nullptr) != SQLITE_OK)
        return false;
    char id[32];
    for (int i = 0; i < kTableRows; ++i) {
        const int n = std::snprintf(id, sizeof id, "F%07d", i);
        sqlite3_bind_text(stmt, 1, id, n, SQLITE_STATIC);
        sqlite3_bind_text(stmt, 2, "North", 5, SQLITE_STATIC);
        sqlite3_bind_double(stmt, 3, static_cast<float>(i % 1000) / 10.0f);
        if (sqlite3_step(stmt) != SQLITE_DONE)
            return false;
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    return exec(h, "COMMIT");
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString cfg = dir.filePath(QStringLiteral("bench.cfg"));
    const QString dbPath = dir.filePath(QStringLiteral("bench.mdb"));
    {
        QFile f(cfg);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write("[K7]\r\nTable=bench\r\n\r\n[ID]\r\nType=Text\r\nLength=20\r\nUnique=Yes\r\n\r\n"
                "[Site]\r\nType=Text\r\nLength=10\r\n\r\n[Weight]\r\nType=Numeric\r\n");
    }

    Model model;
    DataStore store;
    SilentDialogs dialogs;
    SilentShell shell;
    model.cfgpath = cfg;

    // The first opening creates the database, the table and its index.
    QElapsedTimer t;
    if (OpenCfg(model, store, dialogs, shell) != OpenResult::Opened)
        return 1;
    t.start();
    if (!fill(store.currentdb, store.tablename))
        return 1;
    std::printf("filled %d rows in one transaction: %.0f ms\n", kTableRows, static_cast<double>(t.elapsed()));

    // Opening the CFG on the full table, as start-up does.
    std::vector<double> opens;
    std::vector<double> tableOpens;
    for (int i = 0; i < kOpenings; ++i) {
        t.start();
        if (OpenCfg(model, store, dialogs, shell) != OpenResult::Opened)
            return 1;
        opens.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        store.currentrs.close();
        store.currentdb.close();
        t.start();
        if (!OpenDataTable(model, store, dialogs, shell, dbPath))
            return 1;
        tableOpens.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    if (store.currentrs.recordCount() != kTableRows) {
        std::fprintf(stderr, "record count %d\n", store.currentrs.recordCount());
        return 1;
    }

    // A second connection for the C API, with the same settings.
    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(dbPath).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return 1;
    sqlite3_busy_timeout(raw, 1000);
    exec(raw, "PRAGMA synchronous = FULL");
    sqlite3_stmt* query = nullptr;
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(raw, "SELECT ID FROM bench WHERE ID = ? COLLATE NOCASE ORDER BY rowid", -1, &query, nullptr);
    sqlite3_prepare_v2(raw, "INSERT INTO bench (ID, Site, Weight) VALUES (?, ?, ?)", -1, &insert, nullptr);
    if (!query || !insert)
        return 1;

    std::vector<double> engine;
    std::vector<double> capi;
    RecordSet found;
    // Alternate the two so both see the same file and cache state.
    for (int i = 0; i < kRecords; ++i) {
        const QString id = QStringLiteral("E%07d").arg(i);
        t.start();
        if (!found.openWhere(store.currentdb, store.tablename, QStringLiteral("ID"), id, Qt::CaseInsensitive,
                             {QStringLiteral("ID")}))
            return 1;
        if (!(found.bof() && found.eof()))
            return 1;
        RecordSet& rs = store.currentrs;
        if (!rs.addNew() || !rs.setField(QStringLiteral("ID"), id) || !rs.setField(QStringLiteral("Site"), QStringLiteral("South"))
            || !rs.setField(QStringLiteral("Weight"), 12.5) || !rs.update())
            return 1;
        rs.moveLast();
        engine.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);

        const QByteArray rid = QStringLiteral("R%07d").arg(i).toUtf8();
        t.start();
        sqlite3_bind_text(query, 1, rid.constData(), static_cast<int>(rid.size()), SQLITE_STATIC);
        const bool exists = sqlite3_step(query) == SQLITE_ROW;
        sqlite3_reset(query);
        if (exists)
            return 1;
        sqlite3_bind_text(insert, 1, rid.constData(), static_cast<int>(rid.size()), SQLITE_STATIC);
        sqlite3_bind_text(insert, 2, "South", 5, SQLITE_STATIC);
        sqlite3_bind_double(insert, 3, 12.5);
        if (sqlite3_step(insert) != SQLITE_DONE)
            return 1;
        sqlite3_reset(insert);
        capi.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    sqlite3_finalize(query);
    sqlite3_finalize(insert);
    sqlite3_close(raw);

    const Figures e = summarize(engine);
    const Figures c = summarize(capi);
    const Figures o = summarize(opens);
    const Figures d = summarize(tableOpens);
    std::printf("save a record (uniqueness query, insert, commit), %d records on %d rows:\n", kRecords, kTableRows);
    std::printf("  store:      median %.3f ms, 99th percentile %.3f ms\n", e.median, e.p99);
    std::printf("  SQLite API: median %.3f ms, 99th percentile %.3f ms\n", c.median, c.p99);
    std::printf("  ratio store / API: median %.2f, 99th percentile %.2f (target under 1.5)\n", e.median / c.median,
                e.p99 / c.p99);
    std::printf("open the CFG on the table (median of %d): %.1f ms (target under 300 ms)\n", kOpenings, o.median);
    std::printf("  of which opening the database and table: %.1f ms\n", d.median);
    store.closeAll();
    return 0;
}
