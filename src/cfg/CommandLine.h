#pragma once
// The options of the k7 program that run without a window (--check, --help,
// --version, and those the layers above hand in).

#include "cfg/CfgCheck.h"

#include <QMap>
#include <QStringList>
#include <QTextStream>

#include <functional>

namespace k7 {

// An option made by the layers above the CFG reader: handed the words after
// it and the two streams, it returns the exit status.
using CommandLineOption = std::function<int(const QStringList& args, QTextStream& out, QTextStream& err)>;

struct CommandLineHooks {
    CheckWarnings checkWarnings;                // more warnings for --check
    QMap<QString, CommandLineOption> options;  // by name, "--import-access"
};

// True when the arguments ask for one of those options (anything starting
// with "--"); the windows are then never made.
bool IsCommandLineCall(int argc, char* argv[]);

// Runs that option and returns the exit status.
int RunCommandLine(int argc, char* argv[], const CommandLineHooks& hooks = {});

}  // namespace k7
