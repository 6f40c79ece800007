// Accepting a value with the record journal on: the time from accepting a
// value that is not the record's last to the next variable being presented
// (the journal is written behind it, by a worker); against the same engine
// with the journal off, records alternating between the two so both see the
// same disk. Also the save of the last value, which ends the journal in its
// transaction and first waits for a journal write under way.
//
// usage: bench_journal [rows] [accepts]   (default 1000000 and 10000 each)

#include "BenchEngine.h"
#include "entry/RecordState.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

using namespace k7;
using namespace k7::bench;

namespace {

struct Timings {
    std::vector<double> accepts;
    std::vector<double> saves;
};

double timedAccept(EntryEngine& engine)
{
    QElapsedTimer timer;
    timer.start();
    engine.AcceptValue();
    return timer.nsecsElapsed() / 1e6;
}

// A record of ID (Unique), N and four texts: five accepts, then the save.
void enterRecord(EntryEngine& engine, SilentView& view, int n, Timings& t)
{
    view.setBoxText(Control::TextBox, QStringLiteral("NEW-%1").arg(n));
    t.accepts.push_back(timedAccept(engine));
    view.setBoxText(Control::NumericBox, QString::number(n % 1000));
    t.accepts.push_back(timedAccept(engine));
    for (int k = 1; k <= 3; ++k) {
        view.setBoxText(Control::TextBox, QStringLiteral("t%1-%2").arg(k).arg(n % 10000));
        t.accepts.push_back(timedAccept(engine));
    }
    view.setBoxText(Control::TextBox, QStringLiteral("t4-%1").arg(n % 10000));
    t.saves.push_back(timedAccept(engine));
}

void print(const char* what, const Timings& t)
{
    const Stats a = stats(t.accepts);
    const Stats s = stats(t.saves);
    std::printf("%s: accept median %.3f ms, p99 %.3f ms, max %.3f ms (%zu accepts); save median %.3f ms, "
                "p99 %.3f ms\n",
                what, a.median, a.p99, t.accepts.empty() ? 0 : *std::max_element(t.accepts.begin(), t.accepts.end()),
                t.accepts.size(), s.median, s.p99);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int accepts = argc > 2 ? std::atoi(argv[2]) : 10000;

    EngineRig rig;
    if (!rig.open("[K7]\r\n[ID]\r\nType=Text\r\nUnique=Yes\r\nLength=20\r\n[N]\r\nType=Numeric\r\n"
                  "[T1]\r\nType=Text\r\n[T2]\r\nType=Text\r\n[T3]\r\nType=Text\r\n[T4]\r\nType=Text\r\n"))
        return 2;
    DataStore& store = rig.store;
    EntryEngine& engine = rig.engine;
    CountingDialogs& dialogs = rig.dialogs;
    const QString db = store.dbname();
    store.close();
    if (!fill(db, rows))
        return 3;
    if (!rig.reopen())
        return 4;
    std::printf("table of %d rows\n", store.currentrs().recordCount());

    Timings on;
    Timings off;
    const auto more = [&](const Timings& t) { return t.accepts.size() < static_cast<size_t>(accepts); };
    for (int n = 0; (more(on) || more(off)) && dialogs.messages == 0; ++n) {
        const bool journal = n % 2 == 0;
        engine.setJournalOn(journal);
        enterRecord(engine, rig.view, n, journal ? on : off);
    }
    const int saved = store.currentrs().recordCount() - rows;
    const int expected = static_cast<int>(on.saves.size() + off.saves.size());
    store.close();

    std::printf("records saved: %d of %d, messages: %d\n", saved, expected, dialogs.messages);
    print("journal on ", on);
    print("journal off", off);
    const Stats a = stats(on.accepts);
    const Stats b = stats(off.accepts);
    std::printf("ratio on/off: median %.2f, p99 %.2f; p99 on - off: %.3f ms (target: under 1 ms)\n",
                b.median > 0 ? a.median / b.median : 0, b.p99 > 0 ? a.p99 / b.p99 : 0, a.p99 - b.p99);
    return saved == expected && dialogs.messages == 0 ? 0 : 5;
}
