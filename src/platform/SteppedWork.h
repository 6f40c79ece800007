#pragma once
// Work that can take longer than a second, done in slices so that the window
// keeps painting between them and the operator can stop it. Whoever runs it
// (Dialogs::runWithProgress) calls step() until it returns false.

#include <QtGlobal>

namespace k7 {

class SteppedWork {
public:
    virtual ~SteppedWork() = default;

    // Does one slice of a few milliseconds; false when nothing is left to do
    // (finished or failed: the work itself tells which).
    virtual bool step() = 0;
    // How far the work has come, in units of its own, out of total().
    virtual qint64 done() const = 0;
    virtual qint64 total() const = 0;
};

}  // namespace k7
