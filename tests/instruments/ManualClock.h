#pragma once
// A Clock the test moves by hand. Waits run when advance() passes their time;
// fireEarly() runs them at once, as a timer that comes back early would.

#include "platform/Clock.h"

#include <QList>
#include <QPointer>

namespace k7::test {

class ManualClock final : public Clock {
public:
    qint64 monotonicMs() const override { return m_now; }
    void callAfter(qint64 ms, QObject* context, std::function<void()> fn) override
    {
        m_waits.append({m_now + ms, QPointer<QObject>(context), std::move(fn)});
    }

    void advance(qint64 ms)
    {
        m_now += ms;
        runDue(false);
    }
    void fireEarly() { runDue(true); }
    int pendingWaits() const { return m_waits.size(); }

private:
    struct Wait {
        qint64 at;
        QPointer<QObject> context;
        std::function<void()> fn;
    };

    void runDue(bool all)
    {
        // A wait may add new waits; only those already due run now.
        const QList<Wait> waits = std::exchange(m_waits, {});
        for (const Wait& w : waits) {
            if (!all && w.at > m_now) {
                m_waits.append(w);
                continue;
            }
            if (w.context)
                w.fn();
        }
    }

    qint64 m_now = 1'000'000;
    QList<Wait> m_waits;
};

}  // namespace k7::test
