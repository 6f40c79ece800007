// Verify mode's step from one value to the next (the value compared with the
// stored row, the journal handed its new state, the next variable presented)
// against entry's step on the same table, in the same run. The keys and the
// saves are left out: they are the uniqueness query, the look-up of the row
// and the commit, measured by bench_entry_save.
//
// usage: bench_verify_step [rows] [records]   (default 100000 and 500)

#include "BenchEngine.h"
#include "BenchSupport.h"
#include "RawSqlite.h"
#include "store/VerifiedRows.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <sqlite3.h>

using namespace k7;
using namespace k7::bench;

namespace {

const QByteArray kCfg = "[K7]\r\n[ID]\r\nType=Text\r\nUnique=Yes\r\nLength=20\r\n[N]\r\nType=Numeric\r\n"
                        "[A]\r\nType=Text\r\nLength=20\r\n[B]\r\nType=Text\r\nLength=20\r\n"
                        "[W]\r\nType=Numeric\r\n[C]\r\nType=Text\r\nLength=20\r\n";

// The stored record i, as typed.
QStringList recordValues(int i)
{
    return {QStringLiteral("OLD-%1").arg(i), QString::number(i % 1000), QStringLiteral("Area %1").arg(i % 37),
            QStringLiteral("Layer %1").arg(i % 11), QString::number((i % 400) * 0.25), QStringLiteral("bone")};
}

bool fillTable(const QString& path, int rows)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        return false;
    bool ok = exec(db, "BEGIN");
    sqlite3_stmt* insert = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "INSERT INTO bench (ID, N, A, B, W, C) VALUES (?, ?, ?, ?, ?, ?)", -1,
                                  &insert, nullptr) == SQLITE_OK;
    for (int i = 0; ok && i < rows; ++i) {
        const QStringList values = recordValues(i);
        for (int f = 0; f < values.size(); ++f) {
            const QByteArray text = values[f].toUtf8();
            if (f == 1 || f == 4)
                sqlite3_bind_double(insert, f + 1, values[f].toDouble());
            else
                sqlite3_bind_text(insert, f + 1, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        }
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ok = ok && exec(db, "COMMIT");
    sqlite3_close(db);
    return ok;
}

// Types a record: the key and the last value untimed, each step between
// them timed into `steps`.
void typeRecord(EngineRig& rig, const QStringList& values, std::vector<double>& steps)
{
    for (int v = 0; v < values.size(); ++v) {
        const Control box = rig.view.kindTag() == QLatin1String("numeric") ? Control::NumericBox : Control::TextBox;
        rig.view.setBoxText(box, values[v]);
        QElapsedTimer timer;
        timer.start();
        rig.engine.AcceptValue();
        if (v > 0 && v + 1 < values.size())
            steps.push_back(timer.nsecsElapsed() / 1e6);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const BenchArgs args = readArgs(argc, argv);
    const int rows = args.count(0, 100000);
    const int records = args.count(1, 500);

    EngineRig rig;
    if (!rig.open(kCfg))
        return 2;
    const QString db = rig.store.dbname();
    rig.store.close();
    if (!fillTable(db, rows) || !rig.reopen())
        return 3;

    // Entry and verify records alternate, so both see the same disk and caches.
    std::vector<double> entry;
    std::vector<double> verify;
    for (int r = 0; r < records; ++r) {
        QStringList typed = recordValues(rows + r);
        typed[0] = QStringLiteral("NEW-%1").arg(r);
        typeRecord(rig, typed, entry);
        if (!rig.engine.startVerify())
            return 4;
        // Rows spread through the table, none twice (7919 is prime): a row
        // verified before would ask whether to verify it again.
        typeRecord(rig, recordValues(static_cast<int>((static_cast<qint64>(r) * 7919) % rows)), verify);
        rig.engine.endVerify();
    }
    // Every record verified, and nothing corrected: each value matched.
    const std::optional<VerifiedTally> tally = VerifiedRows(rig.store.currentdb()).tally(QStringLiteral("bench"));
    const bool matched = tally && tally->records == records && tally->valuesCorrected() == 0;
    rig.store.close();

    const Stats e = stats(entry);
    const Stats v = stats(verify);
    const double ratio = e.median > 0 ? v.median / e.median : 0;
    std::printf("table of %d rows, %d records each way, %zu and %zu steps, messages: %d\n", rows, records,
                entry.size(), verify.size(), rig.dialogs.messages);
    std::printf("entry step to the next value: median %.4f ms, p99 %.4f ms\n", e.median, e.p99);
    std::printf("verify step to the next value: median %.4f ms, p99 %.4f ms\n", v.median, v.p99);
    std::printf("ratio of medians: %.2f (target < 1.5)\n", ratio);
    figure("entry step (ms)", e.median);
    figure("verify step (ms)", v.median);
    figure("verify step, ratio to entry", ratio);
    if (!matched)
        std::fprintf(stderr, "the verified records are not all there, or some were corrected\n");
    return rig.dialogs.messages == 0 && matched ? 0 : 5;
}
