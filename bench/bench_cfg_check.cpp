// Measures reading and preparing a CFG as `k7 --check` does (read, prepare,
// render the normal form), for 50 and 500 variables with 5 conditions each,
// and prints medians and the per-variable cost ratio.
#include "cfg/CfgCheck.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QByteArray makeCfg(int variables)
{
    QByteArray text = "'generated for measuring\r\n[K7]\r\nCom=COM1:9600,N,8,1\r\nTable=Finds\r\n";
    for (int v = 1; v <= variables; ++v) {
        text += QByteArray("\r\n[Variable") + QByteArray::number(v) + "]\r\n";
        text += (v % 2) ? "Type=Menu\r\nMenu=Ceramic Lithic Bone Shell  Glass\r\n" : "Type=Numeric\r\n";
        text += "Prompt=Enter the value of variable " + QByteArray::number(v) + " :\r\n";
        text += "Carry=Yes\r\n'a comment inside the section\r\n";
        const QByteArray earlier = "Variable" + QByteArray::number(std::max(1, v - 1));
        text += "Condition1=" + earlier + " not a b c or\r\n";
        text += "Condition2=Variable1 Ceramic Bone AND\r\n";
        text += "Condition3=" + earlier + " \"\" x or\r\n";
        text += "Condition4=Variable1 Lithic and\r\n";
        text += "Condition5=" + earlier + " 1 2 3\r\n";
    }
    return text;
}

// One timed run of the check; negative when it failed.
double checkMs(const QString& path)
{
    QBuffer outBuffer;
    outBuffer.open(QIODevice::WriteOnly);
    QString errText;
    QTextStream out(&outBuffer);
    QTextStream err(&errText);
    QElapsedTimer timer;
    timer.start();
    const int status = k7::RunCfgCheck(path, out, err);
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    if (status != 0 || outBuffer.data().isEmpty()) {
        std::fprintf(stderr, "check failed (%d): %s\n", status, qPrintable(errText));
        return -1;
    }
    return ms;
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main()
{
    QTemporaryDir dir;
    constexpr int kRuns = 101;
    constexpr int kSizes[2] = {50, 500};
    QString paths[2];
    for (int i = 0; i < 2; ++i) {
        paths[i] = dir.filePath(QStringLiteral("bench%1.cfg").arg(kSizes[i]));
        QFile file(paths[i]);
        if (!file.open(QIODevice::WriteOnly) || file.write(makeCfg(kSizes[i])) < 0)
            return 1;
    }
    // Each size runs as a block, as repeated checks of one file would; the
    // first runs of a block warm the caches and are not counted.
    std::vector<double> times[2];
    for (int i = 0; i < 2; ++i) {
        for (int run = 0; run < kRuns + 5; ++run) {
            const double ms = checkMs(paths[i]);
            if (ms < 0)
                return 1;
            if (run >= 5)
                times[i].push_back(ms);
        }
    }
    double perVariable[2];
    for (int i = 0; i < 2; ++i) {
        const double ms = median(times[i]);
        perVariable[i] = ms / kSizes[i];
        std::printf("read+prepare (--check) %3d variables x 5 conditions: median %.3f ms "
                    "(%d runs), %.2f us per variable\n",
                    kSizes[i], ms, kRuns, perVariable[i] * 1000);
    }
    std::printf("per-variable cost ratio 500 vs 50: %.2f (1.0 = flat)\n",
                perVariable[1] / perVariable[0]);
    std::printf("target: under 20 ms for 500 variables\n");
    return 0;
}
