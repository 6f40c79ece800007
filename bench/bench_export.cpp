// Exports a table of a million rows and six fields as File > Export ASCII
// does, and the same table with the sqlite3 program's -csv mode, in turns;
// prints the medians, their ratio, and the memory the process holds while
// exporting.

#include "ExportBenchTable.h"
#include "platform/UnattendedDialogs.h"
#include "store/Database.h"
#include "store/RecordSet.h"
#include "exports/TextExport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace exportbench;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 1000000;
    const int runs = 3;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.mdb"));
    QElapsedTimer timer;
    if (!makeTableSaying(path, rows))
        return 1;
    const QString sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));

    const k7::Model model = sixVariables();
    std::vector<double> ours;
    std::vector<double> theirs;
    long before = 0;
    long peak = 0;
    qint64 bytes = 0;
    for (int run = 0; run < runs; ++run) {
        k7::Database db;
        k7::RecordSet records;
        if (!db.open(path) || !records.openTable(db, QStringLiteral("Finds"))) {
            std::fprintf(stderr, "cannot open: %s\n", qPrintable(db.lastError() + records.lastError()));
            return 1;
        }
        const QString out = dir.filePath(QStringLiteral("k7.txt"));
        MeasuringDialogs dialogs;
        before = statusKb("VmRSS:");
        timer.restart();
        const k7::ExportResult result = k7::ExportToFile(model, records, out, true, dialogs);
        ours.push_back(timer.nsecsElapsed() / 1e9);
        if (result.outcome != k7::ExportOutcome::Written) {
            std::fprintf(stderr, "export failed: %s\n", qPrintable(result.error));
            return 1;
        }
        peak = std::max(peak, dialogs.peakKb);
        bytes = QFileInfo(out).size();
        records.close();
        db.close();

        if (sqlite3.isEmpty())
            continue;
        QProcess csv;
        csv.setStandardOutputFile(dir.filePath(QStringLiteral("sqlite3.csv")));
        timer.restart();
        csv.start(sqlite3, {QStringLiteral("-csv"), QStringLiteral("-header"), path,
                            QStringLiteral("SELECT * FROM Finds")});
        if (!csv.waitForFinished(600000) || csv.exitCode() != 0) {
            std::fprintf(stderr, "sqlite3 -csv failed\n");
            return 1;
        }
        theirs.push_back(timer.nsecsElapsed() / 1e9);
    }
    std::printf("export of %d rows (%lld bytes): median %.2f s (%d runs)\n", rows, static_cast<long long>(bytes),
                median(ours), runs);
    if (theirs.empty()) {
        std::printf("sqlite3 is not installed: no ratio\n");
    } else {
        std::printf("sqlite3 -csv on the same table: median %.2f s\n", median(theirs));
        std::printf("ratio: %.2f (target under 1.5)\n", median(ours) / median(theirs));
    }
    std::printf("memory while exporting: %ld kB before, %ld kB at most (+%ld kB)\n", before, peak, peak - before);
    return 0;
}
