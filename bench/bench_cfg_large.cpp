// Measures `k7 --check` on files at the size limit that once took seconds and
// gigabytes: one Menu of 500 items in a 20 MB file (and the same bytes as a
// Prompt), 64 MiB of empty lines, and a 16 MiB value of the character 1.
// Each check runs in a child process, so that its peak memory is its own;
// prints the median time and peak memory of a few runs.
#include "cfg/CfgCheck.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 5;

struct Measure {
    double ms = -1;
    double peakMb = 0;
};

// 500 items of 40,000 characters, as a Menu list or as a Prompt.
QByteArray bigList(bool menu)
{
    QByteArray text = menu ? "[K7]\r\n[V]\r\nType=Menu\r\nMenu=" : "[K7]\r\n[V]\r\nPrompt=";
    for (int item = 1; item <= 500; ++item) {
        const QByteArray number = QByteArray::number(item);
        text += QByteArray(40000 - number.size(), 'x') + number + (item < 500 ? " " : "\r\n");
    }
    return text;
}

QByteArray emptyLines()
{
    const QByteArray head = "[K7]\r\n[V]\r\n";
    return head + QByteArray((qsizetype(64) << 20) - head.size(), '\n');
}

QByteArray separators()
{
    return "[K7]\r\n[V]\r\nPrompt=" + QByteArray(qsizetype(16) << 20, '\x01') + "\r\n";
}

Measure checkInChild(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0) {
        QFile sink(QStringLiteral("/dev/null"));
        sink.open(QIODevice::WriteOnly);
        QString errors;
        QTextStream out(&sink);
        QTextStream err(&errors);
        _exit(k7::RunCfgCheck(path, out, err));
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status)
        || WEXITSTATUS(status) != 0)
        return {};
    return {static_cast<double>(timer.nsecsElapsed()) / 1e6, usage.ru_maxrss / 1024.0};
}

// The median time and median peak of kRuns checks; negative time on failure.
Measure median(const QString& path)
{
    std::vector<double> times;
    std::vector<double> peaks;
    for (int run = 0; run < kRuns; ++run) {
        const Measure m = checkInChild(path);
        if (m.ms < 0)
            return {};
        times.push_back(m.ms);
        peaks.push_back(m.peakMb);
    }
    std::sort(times.begin(), times.end());
    std::sort(peaks.begin(), peaks.end());
    return {times[kRuns / 2], peaks[kRuns / 2]};
}

}  // namespace

int main()
{
    QTemporaryDir dir;
    struct Case {
        const char* name;
        QByteArray (*make)();
        Measure measure;
    } cases[] = {
        {"Menu of 500 items, 20 MB", [] { return bigList(true); }, {}},
        {"the same bytes as a Prompt", [] { return bigList(false); }, {}},
        {"64 MiB of empty lines", emptyLines, {}},
        {"16 MiB value of the character 1", separators, {}},
    };
    for (Case& c : cases) {
        const QString path = dir.filePath(QStringLiteral("large.cfg"));
        qsizetype size = 0;
        {
            // Gone before the children are started, which would count it as theirs.
            const QByteArray bytes = c.make();
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                return 1;
            size = bytes.size();
        }
        c.measure = median(path);
        if (c.measure.ms < 0) {
            std::fprintf(stderr, "check failed: %s\n", c.name);
            return 1;
        }
        std::printf("--check, %-34s %6.1f MB file: median %8.1f ms, peak memory %7.1f MB "
                    "(%d runs)\n",
                    c.name, size / 1e6, c.measure.ms, c.measure.peakMb, kRuns);
    }
    std::printf("Menu vs Prompt of the same bytes: time ratio %.2f (1.0 = the list costs nothing)\n",
                cases[0].measure.ms / cases[1].measure.ms);
    return 0;
}
