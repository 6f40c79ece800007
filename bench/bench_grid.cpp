// Opens the grid on a table of a million rows, jumps to its last row, then
// scrolls from end to end, printing how long the opening and the jump take
// and how much memory the process holds while scrolling.
//
// usage: bench_grid [rows] [--db PATH]   (default 1000000; --db keeps the table at PATH)

#include "BenchSupport.h"
#include "grid/DataControl.h"
#include "grid/DataGrid.h"
#include "grid/RecordSetModel.h"
#include "store/Database.h"
#include "store/RecordSet.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace k7::bench;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Finds (Site, Kind, Weight) with `rows` rows.
bool makeTable(const QString& path, int rows)
{
    k7::Database db;
    k7::TableDef def;
    def.name = QStringLiteral("Finds");
    def.addField(QStringLiteral("Site"), k7::FieldType::Text, 20);
    def.addField(QStringLiteral("Kind"), k7::FieldType::Text, 20);
    def.addField(QStringLiteral("Weight"), k7::FieldType::Single);
    if (!db.create(path) || !db.appendTable(def) || !db.transaction()) {
        std::fprintf(stderr, "cannot create the table: %s\n", qPrintable(db.lastError()));
        return false;
    }
    QSqlQuery insert(db.connection());
    insert.prepare(QStringLiteral("INSERT INTO \"Finds\" VALUES (?, ?, ?)"));
    for (int i = 0; i < rows; ++i) {
        insert.bindValue(0, QStringLiteral("S%1").arg(i));
        insert.bindValue(1, i % 3 == 0 ? QStringLiteral("Ceramic") : QStringLiteral("Lithic"));
        insert.bindValue(2, 0.5 * (i % 1000));
        insert.exec();
    }
    if (!db.commit()) {
        std::fprintf(stderr, "the table could not be written: %s\n", qPrintable(db.lastError()));
        return false;
    }
    return true;
}

// A copy of the table at `path` with every 100,000th row deleted, as a
// table edited for years has gaps in its rowids; made once beside it.
bool makeGappedCopy(const QString& path, const QString& copy)
{
    if (QFile::exists(copy))
        return true;
    const QString part = copy + QStringLiteral(".part");
    QFile::remove(part);
    k7::Database db;
    if (!QFile::copy(path, part) || !db.open(part)
        || !db.execute(QStringLiteral("DELETE FROM \"Finds\" WHERE rowid % 100000 = 50000"))) {
        std::fprintf(stderr, "cannot make the table with gaps: %s\n", qPrintable(db.lastError()));
        return false;
    }
    db.close();
    return QFile::rename(part, copy);
}

// The grid and its record counter in a window of their own, shown.
struct GridWindow {
    QWidget window;
    k7::DataGrid* grid = new k7::DataGrid(&window);
    k7::DataControl* counter = new k7::DataControl(grid, &window);

    GridWindow()
    {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(grid);
        layout->addWidget(counter);
        window.resize(1000, 600);
        window.show();
        QApplication::processEvents();
    }
};

// Median milliseconds to open the grid on the table at `path` and jump to
// its last row, which must be row `rows`.
double openAndJump(const QString& path, int rows)
{
    std::vector<double> ms;
    for (int run = 0; run < 5; ++run) {
        k7::Database db;
        k7::RecordSet rs;
        GridWindow shown;
        k7::DataGrid* grid = shown.grid;
        k7::DataControl* counter = shown.counter;
        QElapsedTimer timer;
        timer.start();
        if (!db.open(path) || !rs.openTable(db, QStringLiteral("Finds")))
            return -1;
        grid->recordModel()->setRecordSet(&rs);
        grid->goToRow(0);
        grid->repaint();
        grid->goToRow(-1);
        grid->repaint();
        ms.push_back(timer.nsecsElapsed() / 1e6);
        if (counter->caption() != QStringLiteral("Record %1 of %1").arg(rows)) {
            std::fprintf(stderr, "unexpected counter: %s\n", qPrintable(counter->caption()));
            return -1;
        }
        grid->recordModel()->setRecordSet(nullptr);
    }
    return median(ms);
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
    const bool kept = args.tableKept();
    QElapsedTimer timer;
    timer.start();
    if (kept ? !keptTableFits(path, "Finds", rows) : !makeKept(path, rows, makeTable))
        return 1;
    if (!kept)
        std::printf("table of %d rows made in %.2f s\n", rows, timer.elapsed() / 1000.0);
    std::printf("memory before opening: %ld kB\n", residentKb());

    std::vector<double> openMs;
    std::vector<double> jumpMs;
    long scrollPeak = 0;
    long scrollStart = 0;
    for (int run = 0; run < 5; ++run) {
        k7::Database db;
        k7::RecordSet rs;
        GridWindow shown;
        k7::DataGrid* grid = shown.grid;
        k7::DataControl* counter = shown.counter;

        timer.restart();
        if (!db.open(path) || !rs.openTable(db, QStringLiteral("Finds"))) {
            std::fprintf(stderr, "cannot open: %s\n", qPrintable(db.lastError() + rs.lastError()));
            return 1;
        }
        grid->recordModel()->setRecordSet(&rs);
        grid->goToRow(0);
        grid->repaint();
        openMs.push_back(timer.nsecsElapsed() / 1e6);

        timer.restart();
        grid->goToRow(-1);
        grid->repaint();
        jumpMs.push_back(timer.nsecsElapsed() / 1e6);
        if (counter->caption() != QStringLiteral("Record %1 of %1").arg(rows)) {
            std::fprintf(stderr, "unexpected counter: %s\n", qPrintable(counter->caption()));
            return 1;
        }

        if (run == 0) {
            // End to end: from the top to the bottom in 2,000 steps, each
            // a jump the grid's window follows, and within each window a
            // scroll to its end, which moves it on.
            QScrollBar* bar = grid->verticalScrollBar();
            const int steps = 2000;
            scrollStart = residentKb();
            for (int s = 0; s <= steps; ++s) {
                grid->goToRow(static_cast<int>(static_cast<qint64>(rows - 1) * s / steps));
                bar->setValue(s % 2 == 0 ? bar->maximum() : bar->minimum());
                grid->repaint();
                if (s % 200 == 0) {
                    const long kb = residentKb();
                    scrollPeak = std::max(scrollPeak, kb);
                    std::printf("  scrolled %3d %%: %ld kB, %d rows cached\n", s * 100 / steps, kb,
                                grid->recordModel()->cachedRows());
                }
            }
        }
        grid->recordModel()->setRecordSet(nullptr);
        rs.close();
        db.close();
    }
    std::printf("open grid on %d rows: median %.1f ms (5 runs)\n", rows, median(openMs));
    std::printf("jump to last row: median %.1f ms\n", median(jumpMs));
    std::printf("open + jump: %.1f ms (target under 500 ms)\n", median(openMs) + median(jumpMs));
    std::printf("memory while scrolling end to end: start %ld kB, peak %ld kB (+%ld kB)\n", scrollStart, scrollPeak,
                scrollPeak - scrollStart);
    figure("grid open (ms)", median(openMs));
    figure("grid jump to end (ms)", median(jumpMs));
    figure("grid open + jump (ms)", median(openMs) + median(jumpMs));
    figure("grid memory while scrolling (MB)", scrollPeak / 1024.0);

    // The same on a table whose rowids have gaps: no single run of rowids.
    const QString gapped = args.keepsTable() ? path + QStringLiteral(".gaps.mdb") : dir.filePath(QStringLiteral("gaps.mdb"));
    const int left = rows - (rows + 50000) / 100000;
    const double gappedMs = makeGappedCopy(path, gapped) ? openAndJump(gapped, left) : -1;
    if (gappedMs < 0)
        return 1;
    std::printf("open + jump with gaps in the rowids: %.1f ms\n", gappedMs);
    figure("grid open + jump, rowids with gaps (ms)", gappedMs);
    return 0;
}
