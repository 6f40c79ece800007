#pragma once
// Reading an Access file happens in a child process: the library that reads
// it can loop or crash on a damaged file, and only a process can be stopped
// whatever it is doing. This names that child and its limits.

#include <QString>

namespace k7 {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif

struct AccessReader {
    // The k7 program that reads the file; empty for the one beside the
    // running program.
    QString program;
    // A reader that reports no progress for this long is taken to be stuck
    // on a damaged file and is stopped.
    int stallMilliseconds = 8000;
    // The most address space the reader may take; a file that makes the
    // library allocate without end ends the reader instead of the machine.
    // A build under AddressSanitizer reserves terabytes of address space
    // for its shadow memory, so there the limit is left off.
    qint64 memoryBytes = kAddressSanitizer ? 0 : qint64(1) << 30;

    // `program`, or the k7 program beside the running one.
    QString resolvedProgram() const;
};

}  // namespace k7
