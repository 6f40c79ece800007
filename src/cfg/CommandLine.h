#pragma once
// The options of the k7 program that run without a window (--check, --help,
// --version).

#include "cfg/CfgCheck.h"

namespace k7 {

// True when the arguments ask for one of those options (anything starting
// with "--"); the windows are then never made.
bool IsCommandLineCall(int argc, char* argv[]);

// Runs that option and returns the exit status.
int RunCommandLine(int argc, char* argv[], const CheckWarnings& checkWarnings = {});

}  // namespace k7
