#include "instruments/SteadyClock.h"

#include <QTimer>

#include <algorithm>
#include <limits>

namespace k7 {

SteadyClock::SteadyClock()
{
    m_timer.start();
}

qint64 SteadyClock::monotonicMs() const
{
    return m_timer.elapsed();
}

void SteadyClock::callAfter(qint64 ms, QObject* context, std::function<void()> fn)
{
    // Longer waits come back early and are re-armed by the caller, which
    // compares against its deadline.
    const qint64 wait = std::clamp<qint64>(ms, 0, std::numeric_limits<int>::max());
    QTimer::singleShot(std::chrono::milliseconds(wait), Qt::PreciseTimer, context, std::move(fn));
}

}  // namespace k7
