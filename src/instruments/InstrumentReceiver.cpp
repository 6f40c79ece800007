#include "instruments/InstrumentReceiver.h"

#include "instruments/InstrumentPort.h"
#include "instruments/ReadingLine.h"
#include "platform/EntryView.h"

namespace k7 {

namespace {

constexpr qsizetype kAllWaiting = qsizetype(1) << 30;

// A reading as a note names it: a long one is cut short.
QString named(const QString& line)
{
    constexpr qsizetype kShown = 40;
    return line.size() <= kShown ? line : line.left(kShown) + QStringLiteral("...");
}

}  // namespace

InstrumentReceiver::InstrumentReceiver(InstrumentPort& port, EntryView& view, bool& devicewait,
                                       std::function<void()> accept,
                                       std::function<void(const QString&)> cue, QObject* parent)
    : QObject(parent), m_port(port), m_view(view), m_devicewait(devicewait),
      m_accept(std::move(accept)), m_cue(std::move(cue))
{
    connect(&m_port, &InstrumentPort::received, this, &InstrumentReceiver::drain);
}

void InstrumentReceiver::setHeld(bool held)
{
    m_held = held;
    if (!m_held)
        drain();
}

int InstrumentReceiver::discard()
{
    takeWaiting();
    int readings = 0;
    for (qsizetype i = m_next; i < m_pending.size(); ++i) {
        const char c = m_pending.at(i);
        readings += c == '\n' || (m_crEnds && c == '\r');
    }
    m_pending.clear();
    m_next = 0;
    m_reading = false;
    m_line.clear();
    m_shown.clear();
    return readings;
}

void InstrumentReceiver::takeWaiting()
{
    if (m_port.isOpen() || m_port.bytesAvailable() > 0)
        m_pending += m_port.read(kAllWaiting);
}

void InstrumentReceiver::drain()
{
    // Whatever the device has sent is taken at once, also while held or
    // while an accept is in progress further up the stack.
    takeWaiting();
    // The accept action may show a message box whose event loop delivers
    // more input; the loop below picks that up, so a nested call only takes.
    if (m_draining)
        return;
    m_draining = true;
    while (!m_held && m_next < m_pending.size()) {
        const char c = m_pending.at(m_next++);
        if (c == '\n' || (m_crEnds && c == '\r')) {
            endReading();
            takeWaiting();
        } else {
            takeCharacter(c);
        }
    }
    showReading();
    m_pending.remove(0, m_next);
    m_next = 0;
    m_draining = false;
}

bool InstrumentReceiver::instrumentPresented() const
{
    return m_view.kindTag() == QLatin1String("instrument");
}

void InstrumentReceiver::beginReading()
{
    m_reading = true;
    m_line.clear();
    m_overlong = false;
    // A reading belongs to an instrument variable. One that arrives while
    // another kind is presented never touches the box: its digits would
    // overwrite an ImageJ value, its line feed accept a menu's highlighted
    // item or a half-typed text.
    m_forBox = instrumentPresented();
    if (!m_forBox)
        return;
    m_boxBefore = m_view.boxText(Control::InstrumentBox);
    m_waitBefore = m_devicewait;
    m_shown = m_devicewait ? QString() : m_boxBefore;
    m_devicewait = false;
}

void InstrumentReceiver::takeCharacter(char c)
{
    const auto code = static_cast<unsigned char>(c);
    const bool blank = c == ' ';
    if (!blank && (code < 33 || code > 126))
        return;
    if (!m_reading) {
        if (blank)
            return;
        beginReading();
    }
    if (m_line.size() >= kMaxReading) {
        m_overlong = true;
        return;
    }
    m_line += QChar::fromLatin1(c);
    if (!blank && m_forBox) {
        m_shown += QChar::fromLatin1(c);
        m_boxStale = true;
    }
}

void InstrumentReceiver::showReading()
{
    // The box is set once per batch of characters, not once per character.
    if (m_boxStale && m_reading && m_forBox && instrumentPresented())
        m_view.setBoxText(Control::InstrumentBox, m_shown);
    m_boxStale = false;
}

void InstrumentReceiver::endReading()
{
    if (!m_reading)
        return;  // a line end with no reading before it
    showReading();
    m_reading = false;
    const QString line = m_line.trimmed();
    if (!m_forBox || !instrumentPresented()) {
        if (m_cue)
            m_cue(QStringLiteral("Reading %1 dropped: no instrument variable is presented.").arg(named(line)));
        return;
    }
    ReadingVerdict verdict = JudgeReadingLine(m_line, m_refuseUnstable);
    if (m_overlong)
        verdict = {ReadingVerdict::Kind::Refused,
                   QStringLiteral("longer than %1 characters").arg(kMaxReading)};
    switch (verdict.kind) {
    case ReadingVerdict::Kind::Refused:
        // The variable stays presented as it was before the reading.
        m_view.setBoxText(Control::InstrumentBox, m_boxBefore);
        m_devicewait = m_waitBefore;
        if (m_cue)
            m_cue(QStringLiteral("Reading %1 refused: %2.").arg(named(line), verdict.text));
        return;
    case ReadingVerdict::Kind::Number:
        m_view.setBoxText(Control::InstrumentBox, verdict.text);
        break;
    case ReadingVerdict::Kind::AsShown:
        break;
    }
    if (m_accept)
        m_accept();
}

}  // namespace k7
