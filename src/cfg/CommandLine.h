#pragma once
// The options of the k7 program that run without a window (--check,
// --export, --help, --version).

#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>

namespace k7 {

// An option whose work lies outside this library, handed in by the program:
// its name, how many arguments follow it, and what runs it (returning the
// exit status).
struct CommandLineOption {
    QString name;
    int minArgs = 0;
    int maxArgs = 0;
    std::function<int(const QStringList& args, QTextStream& out, QTextStream& err)> run;
};

// True when the arguments ask for one of those options (anything starting
// with "--"); the windows are then never made.
bool IsCommandLineCall(int argc, char* argv[]);

// Runs that option and returns the exit status.
int RunCommandLine(int argc, char* argv[], const QList<CommandLineOption>& more = {});

}  // namespace k7
