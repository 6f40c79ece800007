#include "instruments/ImageJLink.h"

#include "cfg/Model.h"
#include "cfg/NumberText.h"
#include "instruments/ResultsFile.h"
#include "platform/Clock.h"
#include "platform/EntryView.h"

#include <cmath>

namespace k7 {

namespace {

// A day is far beyond any sensible pause; the cap keeps the arithmetic sane
// for a mistyped Delaytime.
constexpr double kMaxDelaySeconds = 86400;

}  // namespace

ImageJLink::ImageJLink(Model& model, EntryView& view, Clock& clock,
                       std::function<int()> presented, std::function<void()> accept,
                       std::function<void(const QString&)> cue, QObject* parent)
    : QObject(parent), m_model(model), m_view(view), m_clock(clock),
      m_presented(std::move(presented)), m_accept(std::move(accept)), m_cue(std::move(cue))
{
}

qint64 ImageJLink::delayMs(const Model& model)
{
    const double seconds = ValNumber(model.options[OptDelaytime]);
    if (!(seconds > 0))
        return 0;
    return static_cast<qint64>(std::ceil(std::min(seconds, kMaxDelaySeconds) * 1000.0));
}

void ImageJLink::Poll()
{
    if (m_paused)
        return;
    const QString path = m_model.options[OptImageJFile];
    const auto stamp = ResultsFileStamp(path);
    if (!stamp || SameStamp(stamp, m_model.imagejstamp))
        return;
    // An unreadable file is treated like a missing one: the stamp stays, so
    // the file is tried again on the next tick.
    const auto line = ReadResultsLine(path);
    if (!line)
        return;
    m_model.imagejstamp = stamp;
    // Only the end of an overlong row was read: whatever column it gives is
    // not the measurement. The save is consumed, so the cue comes once.
    if (line->cut) {
        if (m_cue)
            m_cue(QStringLiteral("Reading from %1 refused: no number; its last line is longer than %2 bytes.")
                      .arg(path)
                      .arg(kResultsTailBytes));
        return;
    }

    const int v = m_presented ? m_presented() : 0;
    const double column = (v >= 1 && v <= kMaxVariables) ? m_model.var(v).varimagej : 0;
    const QString value = ChooseColumn(SplitFields(line->text), column);
    // A value the record cannot hold is refused now, not stopped at the save.
    if (const QString misfit = m_valueCheck ? m_valueCheck(value) : QString(); !misfit.isEmpty()) {
        if (m_cue)
            m_cue(QStringLiteral("Reading %1 from %2 refused: %3.").arg(value, path, misfit));
        return;
    }
    m_view.setBoxText(Control::InstrumentBox, value);
    armPause();
}

void ImageJLink::armPause()
{
    const qint64 delay = delayMs(m_model);
    m_deadline = m_clock.monotonicMs() + delay;
    m_paused = true;
    ++m_generation;
    emit pauseChanged(true);
    // Even without a delay the accept waits for the event loop, so the value
    // is painted before the next variable replaces it.
    scheduleCheck(delay);
}

void ImageJLink::scheduleCheck(qint64 ms)
{
    const quint64 generation = m_generation;
    m_clock.callAfter(ms, this, [this, generation] {
        if (generation == m_generation)
            checkPause();
    });
}

void ImageJLink::checkPause()
{
    if (!m_paused)
        return;
    const qint64 remaining = m_deadline - m_clock.monotonicMs();
    if (remaining > 0) {
        scheduleCheck(remaining);
        return;
    }
    // Input that waited for the pause (a serial reading) comes after the
    // accept, so it cannot overwrite the value being taken.
    m_paused = false;
    if (m_accept)
        m_accept();
    if (!m_paused)  // the accept may already have begun the next pause
        emit pauseChanged(false);
}

void ImageJLink::cancelPause()
{
    if (!m_paused)
        return;
    m_paused = false;
    ++m_generation;
    emit pauseChanged(false);
}

}  // namespace k7
