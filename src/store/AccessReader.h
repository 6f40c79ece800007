#pragma once
// Reading an Access file happens in a child process: the library that reads
// it can loop or crash on a damaged file, and only a process can be stopped
// whatever it is doing. This names that child and its limits.

#include <QString>

namespace k7 {

struct AccessReader {
    // The k7 program that reads the file; empty for the one beside the
    // running program.
    QString program;
    // A reader that reports no progress for this long is taken to be stuck
    // on a damaged file and is stopped.
    int stallMilliseconds = 8000;
    // The most address space the reader may take; a file that makes the
    // library allocate without end ends the reader instead of the machine.
    qint64 memoryBytes = qint64(1) << 30;

    // `program`, or the k7 program beside the running one.
    QString resolvedProgram() const;
};

}  // namespace k7
