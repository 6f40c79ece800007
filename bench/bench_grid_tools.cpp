// Find, sort and filter on a table of a million rows: a Find whose match is
// at row 900,000, a Find that runs off the end, a sort by a text field until
// the grid shows its first row, and the filter's value list on a field with
// 100,000 distinct values. Prints medians of five runs and the memory held.
//
// usage: bench_grid_tools [rows] [sort] [--db PATH]   (default 1000000; --db keeps the table at PATH)
// With "sort", only the sort's key read: in parts and whole, taking turns,
// so that both meet the same load on a busy machine.

#include "BenchSupport.h"
#include "grid/DataGrid.h"
#include "grid/DistinctValuesModel.h"
#include "grid/RecordSetModel.h"
#include "platform/UnattendedDialogs.h"
#include "store/BackgroundKeyRead.h"
#include "store/DataStore.h"
#include "store/Database.h"
#include "workflows/GridFind.h"
#include "store/RecordSet.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

using namespace k7::bench;

namespace {

constexpr int kRuns = 5;
constexpr int kDistinct = 100000;

class SilentDialogs : public k7::UnattendedDialogs {
public:
    int message(const QString&, int) override { return 1; }
};

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Median milliseconds of kRuns calls of `work`, each after `prepare`: the
// time on the clock, and the processor time, which other programs on a busy
// machine do not inflate.
struct Timing {
    double wall = 0;
    double cpu = 0;
};

Timing medianMs(const std::function<void()>& prepare, const std::function<void()>& work)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int run = 0; run < kRuns; ++run) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = cpuMs();
        work();
        cpu.push_back(cpuMs() - cpuStart);
        wall.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

void print(const char* what, const Timing& t, const char* target = "")
{
    std::printf("%s: median %.1f ms (processor %.1f ms)%s\n", what, t.wall, t.cpu, target);
}

// Site: text in no particular order; Kind: 100,000 distinct values; the
// text "needle" only in the Note of row 900,000.
bool makeTable(const QString& path, int rows)
{
    k7::Database db;
    k7::TableDef def;
    def.name = QStringLiteral("Finds");
    def.addField(QStringLiteral("Site"), k7::FieldType::Text, 20);
    def.addField(QStringLiteral("Kind"), k7::FieldType::Text, 20);
    def.addField(QStringLiteral("Weight"), k7::FieldType::Single);
    def.addField(QStringLiteral("Note"), k7::FieldType::Text, 40);
    if (!db.create(path) || !db.appendTable(def) || !db.transaction())
        return false;
    QSqlQuery insert(db.connection());
    insert.prepare(QStringLiteral("INSERT INTO \"Finds\" VALUES (?, ?, ?, ?)"));
    for (int i = 0; i < rows; ++i) {
        const quint32 scrambled = static_cast<quint32>(i) * 2654435761u;
        insert.bindValue(0, QStringLiteral("S%1").arg(scrambled % 10000000u, 7, 10, QLatin1Char('0')));
        insert.bindValue(1, QStringLiteral("K%1").arg((scrambled >> 3) % kDistinct));
        insert.bindValue(2, 0.1 * (i % 1000));
        insert.bindValue(3, i == rows * 9 / 10 ? QStringLiteral("the needle") : QStringLiteral("plain"));
        insert.exec();
    }
    return db.commit();
}

// The sort's key read alone, split as the store splits it and whole, in
// turns; the medians of each.
void compareKeyReads(k7::Database& db, const k7::RecordView& view)
{
    QString error;
    const std::optional<k7::ViewKeyQuery> query = k7::RecordSet::viewKeyQuery(db, QStringLiteral("Finds"), view, &error);
    if (!query) {
        std::fprintf(stderr, "no key query: %s\n", qPrintable(error));
        return;
    }
    const k7::KeyReadSplit split;
    std::vector<double> times[2];
    std::vector<double> cpu[2];
    k7::Keyset keys[2];  // of the last run, which must agree
    for (int run = 0; run < kRuns; ++run) {
        for (int whole = 0; whole < 2; ++whole) {
            QElapsedTimer timer;
            timer.start();
            const double cpuStart = cpuMs();
            k7::BackgroundKeyRead read;
            if (!read.start(db, *query, whole ? k7::KeyReadSplit{split.minRows, 1} : split))
                return;
            while (read.step()) {
            }
            if (!read.finish())
                std::fprintf(stderr, "key read failed: %s\n", qPrintable(read.error()));
            times[whole].push_back(timer.nsecsElapsed() / 1e6);
            cpu[whole].push_back(cpuMs() - cpuStart);
            keys[whole] = read.takeKeys();
        }
    }
    for (int whole = 0; whole < 2; ++whole) {
        std::sort(times[whole].begin(), times[whole].end());
        std::sort(cpu[whole].begin(), cpu[whole].end());
    }
    // The processor time is that of every thread together.
    std::printf("sort key read in %d parts: median %.1f ms (processor %.1f ms); whole: median %.1f ms "
                "(processor %.1f ms)\n",
                split.parts, times[0][kRuns / 2], cpu[0][kRuns / 2], times[1][kRuns / 2], cpu[1][kRuns / 2]);
    bool same = keys[0].size() == keys[1].size();
    for (int p = 0; same && p < keys[0].size(); ++p)
        same = keys[0].at(p) == keys[1].at(p);
    std::printf("the two reads list the same %d rows in the same order: %s\n", keys[1].size(), same ? "yes" : "NO");
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const BenchArgs args = readArgs(argc, argv);
    const int rows = args.count(0, 1000000);
    QTemporaryDir dir;
    const QString path = args.keepsTable() ? args.db : dir.filePath(QStringLiteral("bench.mdb"));
    if (args.tableKept() ? !keptTableFits(path, "Finds", rows) : !makeKept(path, rows, makeTable))
        return 1;
    k7::Database db;
    k7::RecordSet rs;
    SilentDialogs dialogs;
    k7::DataGrid grid;
    grid.resize(1000, 600);
    grid.show();
    if (!db.open(path) || !rs.openTable(db, QStringLiteral("Finds"))) {
        std::fprintf(stderr, "cannot open: %s\n", qPrintable(db.lastError() + rs.lastError()));
        return 1;
    }
    if (args.counts.value(1) == QStringLiteral("sort")) {
        compareKeyReads(db, k7::RecordView{{QStringLiteral("Site")}, {}, {}});
        return 0;
    }
    grid.recordModel()->setRecordSet(&rs);
    const long openKb = residentKb();
    std::printf("%d rows; memory with the grid open: %ld kB\n", rows, openKb);
    figure("memory with the grid open (MB)", openKb / 1024.0);

    int found = -1;
    auto fromTop = [&] { rs.moveFirst(); };
    const Timing findAll = medianMs(fromTop, [&] {
        found = k7::FindNext(rs, {QStringLiteral("NEEDLE"), false, {}}, 0, dialogs) >= 0 ? rs.absolutePosition() : -1;
    });
    std::printf("match at row %d\n", found + 1);
    print("find all fields, match at row 900,000", findAll, " (target under 1000 ms)");
    figure("find, match at 90 % of the rows (ms)", findAll.wall);
    const Timing findField = medianMs(fromTop, [&] {
        found = k7::FindNext(rs, {QStringLiteral("needle"), true, QStringLiteral("Note")}, 0, dialogs) >= 0
                    ? rs.absolutePosition() : -1;
    });
    print("find a field, match at row 900,000", findField);
    const Timing offEnd = medianMs(fromTop, [&] { k7::FindNext(rs, {QStringLiteral("nowhere"), false, {}}, 0, dialogs); });
    print("find running off the end", offEnd, " (target under 1000 ms)");
    figure("find off the end (ms)", offEnd.wall);

    // The sort as the grid's Sort command runs it: the rows listed on a
    // thread of their own while the progress dialog waits, then shown.
    k7::DataStore store;
    if (!store.open(path) || !store.switchTable(QStringLiteral("Finds"))) {
        std::fprintf(stderr, "cannot open the store: %s\n", qPrintable(store.currentrs().lastError()));
        return 1;
    }
    const k7::RecordView bySite{{QStringLiteral("Site")}, {}, {}};
    long sortPeak = 0;
    const Timing sortMs = medianMs([] {}, [&] {
        const bool shown = store.showView(bySite, [&](k7::SteppedWork& work) {
            return dialogs.runWithProgress(QStringLiteral("Sorting the records"), work);
        });
        if (!shown)
            std::fprintf(stderr, "sort refused: %s\n", qPrintable(store.currentrs().lastError()));
        grid.recordModel()->setRecordSet(&store.currentrs());
        grid.goToRow(0);
        grid.repaint();
        sortPeak = std::max(sortPeak, residentKb());
    });
    std::printf("first row after sorting: %s\n", qPrintable(grid.recordModel()->cellText(0, 0)));
    print("sort by Site until the grid shows its first row", sortMs, " (target under 3000 ms, with progress)");
    figure("sort to first row shown (ms)", sortMs.wall);
    const Timing sortHere = medianMs([] {}, [&] {
        if (!rs.openView(db, QStringLiteral("Finds"), bySite))
            std::fprintf(stderr, "sort refused: %s\n", qPrintable(rs.lastError()));
        grid.recordModel()->setRecordSet(&rs);
        grid.goToRow(0);
        grid.repaint();
    });
    print("the same sort read on the grid's own connection", sortHere);
    std::printf("memory after sorting: peak %ld kB (+%ld kB over the open grid)\n", sortPeak, sortPeak - openKb);
    print("find in the sorted grid", medianMs(fromTop, [&] {
        k7::FindNext(rs, {QStringLiteral("needle"), false, {}}, 0, dialogs);
    }));
    print("find off the end of the sorted grid", medianMs(fromTop, [&] {
        k7::FindNext(rs, {QStringLiteral("nowhere"), false, {}}, 0, dialogs);
    }));

    k7::DistinctValuesModel values;
    QListView list;
    list.setUniformItemSizes(true);
    list.setModel(&values);
    list.resize(300, 400);
    list.show();
    int listed = 0;
    const Timing valuesMs = medianMs([] {}, [&] {
        QString error;
        if (!values.load(db, QStringLiteral("Finds"), QStringLiteral("Kind"), &error))
            std::fprintf(stderr, "values refused: %s\n", qPrintable(error));
        list.repaint();
        listed = values.rowCount();
    });
    std::printf("filter value list of Kind (%d distinct values), first %d listed and painted\n", kDistinct, listed);
    print("value list usable", valuesMs, " (target under 1000 ms)");
    figure("filter value list first page (ms)", valuesMs.wall);
    QElapsedTimer timer;
    timer.start();
    while (values.canFetchMore({}))
        values.fetchMore({});
    std::printf("  scrolling through all %d values: %.1f ms more\n", values.rowCount(), timer.nsecsElapsed() / 1e6);
    return 0;
}
