// Measures the receive handling on a line that never ends (a device that
// ends lines with CR alone, or a wrong baud rate) delivered in 64-byte pieces
// into the real window's instrument box: 8,000 and 32,000 characters, and
// prints medians and the per-character cost ratio (1.0 = constant cost).
// Then the check of whole lines: 4,000 lines as balances and calipers send
// them, each judged on its line end, and prints the median per line.
#include "app/MainWindow.h"
#include "instruments/InstrumentPort.h"
#include "instruments/InstrumentReceiver.h"
#include "shell/QtDialogs.h"
#include "shell/QtSoundPlayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <iterator>
#include <cstdio>
#include <vector>

namespace {

// A port fed by the benchmark.
class FedPort final : public k7::InstrumentPort {
public:
    void arrive(const QByteArray& bytes)
    {
        m_waiting += bytes;
        emit received();
    }
    bool open(const QString&, const k7::SerialSettings&) override { return true; }
    void close() override {}
    bool isOpen() const override { return true; }
    QString errorString() const override { return {}; }
    QByteArray read(qint64 max) override
    {
        const QByteArray out = m_waiting.left(max);
        m_waiting.remove(0, out.size());
        return out;
    }
    qint64 bytesAvailable() const override { return m_waiting.size(); }

private:
    QByteArray m_waiting;
};

double feedMs(k7::MainWindow& window, int characters)
{
    FedPort port;
    bool devicewait = true;
    k7::InstrumentReceiver receiver(port, window, k7::DeviceWait::of(devicewait), nullptr, nullptr);
    window.setEntryButtons(QStringLiteral("Previous"), QStringLiteral("Next"), QStringLiteral("instrument"));
    const QByteArray piece(64, '7');
    QElapsedTimer timer;
    timer.start();
    for (int sent = 0; sent < characters; sent += static_cast<int>(piece.size()))
        port.arrive(piece);
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Lines of the kinds real devices send, judged one by one (nothing is
// accepted: the check alone is measured).
double linesMs(k7::MainWindow& window, int lines)
{
    static const QByteArray kLines[] = {"  12.57\r\n", "ST,+001234.5  g\r\n", "S S     100.00 g\r\n",
                                        "+   123.5[6] g  \r\n", "01A+0000.123\r\n", "     192.21 g\r\n"};
    QByteArray all;
    for (int i = 0; i < lines; ++i)
        all += kLines[i % std::size(kLines)];
    FedPort port;
    bool devicewait = true;
    k7::InstrumentReceiver receiver(port, window, k7::DeviceWait::of(devicewait), nullptr, nullptr);
    window.setEntryButtons(QStringLiteral("Previous"), QStringLiteral("Next"), QStringLiteral("instrument"));
    QElapsedTimer timer;
    timer.start();
    for (qsizetype at = 0; at < all.size(); at += 64)
        port.arrive(all.mid(at, 64));
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    k7::QtDialogs dialogs;
    k7::QtSoundPlayer sound;
    k7::MainWindow window(dialogs, sound, dir.filePath(QStringLiteral("k7.ini")));

    constexpr int kRuns = 21;
    constexpr int kSizes[2] = {8000, 32000};
    double perChar[2];
    for (int i = 0; i < 2; ++i) {
        std::vector<double> times;
        for (int run = 0; run < kRuns; ++run)
            times.push_back(feedMs(window, kSizes[i]));
        const double ms = median(times);
        perChar[i] = ms / kSizes[i];
        std::printf("line without a line end, %5d characters: median %.3f ms (%d runs), %.3f us per character\n",
                    kSizes[i], ms, kRuns, perChar[i] * 1000);
    }
    std::printf("per-character cost ratio 32,000 vs 8,000: %.2f (1.0 = constant)\n", perChar[1] / perChar[0]);

    constexpr int kLineCount = 4000;
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run)
        times.push_back(linesMs(window, kLineCount));
    const double ms = median(times);
    std::printf("whole device lines, %d lines: median %.3f ms (%d runs), %.3f us per line\n", kLineCount, ms, kRuns,
                ms * 1000 / kLineCount);
    return 0;
}
