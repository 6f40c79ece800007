#include "cfg/CommandLine.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // --check, --help and --version run without any window.
    if (k7::IsCommandLineCall(argc, argv))
        return k7::RunCommandLine(argc, argv);

    // "k7" and "k7 FILE.cfg": the windows start here.
    QApplication app(argc, argv);
    return 0;
}
