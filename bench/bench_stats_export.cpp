// Exports a table of a million rows and six fields (the row count is the
// first argument) as a text file, a Stata, an SPSS and an Excel file, in
// turns; prints each format's median, its ratio to the text export of the
// same run, and the most memory the process held while exporting it. Further
// arguments (dta, sav, xlsx) limit the formats; the text export always runs.
// Last, the codebook of the same table.

#include "ExportBenchTable.h"
#include "platform/UnattendedDialogs.h"
#include "store/Database.h"
#include "store/RecordSet.h"
#include "exports/CodebookExport.h"
#include "exports/StatsExport.h"
#include "exports/TextExport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

using namespace exportbench;

namespace {

struct Measure {
    std::vector<double> seconds;
    long peakKb = 0;
    qint64 bytes = 0;
};

// One export of the table at `path` to `out`; false when it failed.
bool exportOnce(const k7::Model& model, const QString& path, const QString& out, Measure& measure)
{
    k7::Database db;
    k7::RecordSet records;
    if (!db.open(path) || !records.openTable(db, QStringLiteral("Finds"))) {
        std::fprintf(stderr, "cannot open: %s\n", qPrintable(db.lastError() + records.lastError()));
        return false;
    }
    MeasuringDialogs dialogs;
    const k7::ExportFileFormat format = k7::ExportFormatForPath(out);
    QElapsedTimer timer;
    timer.start();
    const k7::ExportResult result = format == k7::ExportFileFormat::Text
                                        ? k7::ExportToFile(model, records, out, true, dialogs)
                                        : k7::ExportTableToFile(model, records, out, format, dialogs);
    measure.seconds.push_back(timer.nsecsElapsed() / 1e9);
    if (result.outcome != k7::ExportOutcome::Written) {
        std::fprintf(stderr, "export to %s failed: %s\n", qPrintable(out), qPrintable(result.error));
        return false;
    }
    measure.peakKb = std::max(measure.peakKb, dialogs.peakKb);
    measure.bytes = QFileInfo(out).size();
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 1000000;
    const int runs = 3;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.mdb"));
    if (!makeTableSaying(path, rows))
        return 1;
    const k7::Model model = sixVariables();
    std::vector<QString> files{QStringLiteral("out.txt")};
    const QStringList chosen = argc > 2 ? app.arguments().mid(2) : QStringList{"dta", "sav", "xlsx"};
    for (const QString& suffix : chosen)
        files.push_back(QStringLiteral("out.") + suffix);
    std::map<QString, Measure> measures;
    const long before = statusKb("VmRSS:");
    for (int run = 0; run < runs; ++run) {
        for (const QString& file : files) {
            QString unavailable;
            if (file != files.front() && !k7::MakeTableWriter(k7::ExportFormatForPath(file), &unavailable))
                continue;
            if (!exportOnce(model, path, dir.filePath(file), measures[file]))
                return 1;
        }
    }
    const double text = median(measures[files.front()].seconds);
    std::printf("resident before the exports: %ld kB\n", before);
    for (const QString& file : files) {
        const auto found = measures.find(file);
        if (found == measures.end()) {
            std::printf("%-9s not available in this build\n", qPrintable(file));
            continue;
        }
        const Measure& m = found->second;
        std::printf("%-9s median %6.2f s  ratio to text %5.2f  %11lld bytes  peak resident %ld kB (%d runs)\n",
                    qPrintable(file), median(m.seconds), median(m.seconds) / text, static_cast<long long>(m.bytes),
                    m.peakKb, runs);
    }
    std::vector<double> codebook;
    for (int run = 0; run < runs; ++run) {
        k7::Database db;
        if (!db.open(path)) {
            std::fprintf(stderr, "cannot open: %s\n", qPrintable(db.lastError()));
            return 1;
        }
        QElapsedTimer timer;
        timer.start();
        const k7::CodebookResult result =
            k7::ExportCodebook(model, db, QStringLiteral("Finds"), dir.filePath(QStringLiteral("codebook.html")));
        codebook.push_back(timer.nsecsElapsed() / 1e9);
        if (!result.written) {
            std::fprintf(stderr, "codebook failed: %s\n", qPrintable(result.error));
            return 1;
        }
    }
    std::printf("codebook  median %6.2f s (%d runs)\n", median(codebook), runs);
    return 0;
}
