#pragma once
// The ImageJ link: while an ImageJ variable is presented the window's poll
// timer calls Poll() every 500 ms. A results file with a new modification
// time is read, the chosen column is shown in the instrument box, and after
// Delaytime seconds the value is accepted. A save whose newest row cannot be
// read as a whole is refused with a cue instead.
//
// The pause is a state, not a busy wait: "paused until T" on a monotonic
// clock. The window keeps painting (the value is visible) but ignores input
// while paused() is true; pauseChanged() tells it when that starts and ends.

#include <QObject>

#include <functional>

namespace k7 {

struct Model;
class Clock;
class EntryView;

class ImageJLink : public QObject {
    Q_OBJECT
public:
    // `presented` gives the number of the presented variable; `accept` runs
    // AcceptValue; `cue` beeps and tells the operator about a save not taken.
    ImageJLink(Model& model, EntryView& view, Clock& clock, std::function<int()> presented,
               std::function<void()> accept, std::function<void(const QString&)> cue,
               QObject* parent = nullptr);

    // Why a value cannot be that of the presented variable (its field's
    // range, its Length), empty when it can; judged as a serial reading is.
    void setValueCheck(std::function<QString(const QString& value)> check) { m_valueCheck = std::move(check); }

    // One tick of the poll timer.
    void Poll();

    bool paused() const { return m_paused; }

    // Ends a pause without accepting (the CFG is being replaced).
    void cancelPause();

    // Delaytime of the options in milliseconds: the leading number of the
    // text in seconds, 0 when empty, non-numeric or negative.
    static qint64 delayMs(const Model& model);

signals:
    void pauseChanged(bool paused);

private:
    void armPause();
    // Calls checkPause after `ms`, unless the pause is cancelled or re-armed meanwhile.
    void scheduleCheck(qint64 ms);
    void checkPause();

    Model& m_model;  // edited: imagejstamp, the results file last taken
    EntryView& m_view;
    Clock& m_clock;
    std::function<int()> m_presented;
    std::function<void()> m_accept;
    std::function<void(const QString&)> m_cue;
    std::function<QString(const QString&)> m_valueCheck;
    bool m_paused = false;
    qint64 m_deadline = 0;
    // Tells a timer of a cancelled pause from the current one.
    quint64 m_generation = 0;
};

}  // namespace k7
