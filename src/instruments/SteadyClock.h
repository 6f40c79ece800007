#pragma once
// The program's Clock: a monotonic timer and Qt's single-shot timers.

#include "platform/Clock.h"

#include <QElapsedTimer>

namespace k7 {

class SteadyClock final : public Clock {
public:
    SteadyClock();

    qint64 monotonicMs() const override;
    void callAfter(qint64 ms, QObject* context, std::function<void()> fn) override;

private:
    QElapsedTimer m_timer;
};

}  // namespace k7
