#pragma once
// Time for pauses that must not depend on the time of day: the ImageJ link
// waits Delaytime seconds between showing a value and accepting it, and that
// wait has to end on time even when the wall clock jumps (midnight, a clock
// adjustment). The real clock is steady; tests drive a manual one.

#include <QObject>

#include <functional>

namespace k7 {

class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds on a clock that only moves forward; the origin is arbitrary.
    virtual qint64 monotonicMs() const = 0;

    // Runs `fn` once from the event loop after about `ms` milliseconds. Nothing
    // runs when `context` is destroyed first. The call may come early or late:
    // callers compare monotonicMs() with their deadline.
    virtual void callAfter(qint64 ms, QObject* context, std::function<void()> fn) = 0;
};

}  // namespace k7
