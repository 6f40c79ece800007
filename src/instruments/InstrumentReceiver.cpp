#include "instruments/InstrumentReceiver.h"

#include "instruments/InstrumentPort.h"
#include "instruments/ReadingLine.h"
#include "platform/EntryView.h"

#include <QStringDecoder>

namespace k7 {

namespace {

constexpr qsizetype kAllWaiting = qsizetype(1) << 30;

// A reading as a note names it: control characters made visible, a long one
// cut short.
QString named(const QString& line)
{
    constexpr qsizetype kShown = 40;
    const QString shown = PrintableReading(line);
    return shown.size() <= kShown ? shown : shown.left(kShown) + QStringLiteral("...");
}

// The bytes of a line as text: UTF-8 when they are valid UTF-8 (a minus sign
// U+2212, a unit), else one character per byte.
QString decodeLine(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

}  // namespace

InstrumentReceiver::InstrumentReceiver(InstrumentPort& port, EntryView& view, DeviceWait devicewait,
                                       std::function<void()> accept,
                                       std::function<void(const QString&)> cue, QObject* parent)
    : QObject(parent), m_port(port), m_view(view), m_devicewait(std::move(devicewait)),
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
    m_waitBefore = m_devicewait.take();
    m_shown = m_waitBefore ? QString() : m_boxBefore;
}

void InstrumentReceiver::takeCharacter(char c)
{
    const auto code = static_cast<unsigned char>(c);
    if (!m_reading) {
        // Blanks and a carriage return alone begin no reading.
        if (c == ' ' || c == '\t' || c == '\r')
            return;
        beginReading();
    }
    if (m_line.size() >= kMaxReading) {
        m_overlong = true;
        return;
    }
    m_line += c;
    if (code >= 33 && code <= 126 && m_forBox) {
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

bool InstrumentReceiver::endReadingOnItsWay()
{
    if (!m_reading || !m_forBox || m_draining || m_held)
        return false;
    showReading();
    // Until a printable character arrives the box keeps what it showed.
    const QString fromDevice = m_shown.isEmpty() ? m_boxBefore : m_shown;
    if (m_view.boxText(Control::InstrumentBox) != fromDevice) {
        m_reading = false;
        return false;
    }
    endReading();
    return true;
}

void InstrumentReceiver::endReading()
{
    if (!m_reading)
        return;  // a line end with no reading before it
    showReading();
    m_reading = false;
    const QString line = decodeLine(m_line);
    if (!m_forBox || !instrumentPresented()) {
        if (m_cue)
            m_cue(QStringLiteral("Reading %1 dropped: no instrument variable is presented.").arg(named(line)));
        return;
    }
    if (m_overlong) {
        refuse(line, QStringLiteral("longer than %1 characters.").arg(kMaxReading));
        return;
    }
    const ReadingVerdict verdict = JudgeReadingLine(line, m_refuseUnstable);
    if (verdict.kind == ReadingVerdict::Kind::Refused) {
        QString why = verdict.text + u'.';
        if (verdict.carriageReturnInside && !m_crEnds)
            why += QStringLiteral(" The device seems to end its readings with CR: add ,CR to the settings of the "
                                  "Com option (as in COM1:9600,N,8,1,CR).");
        refuse(line, why);
        return;
    }
    if (const QString misfit = m_valueCheck ? m_valueCheck(verdict.text) : QString(); !misfit.isEmpty()) {
        refuse(line, misfit + u'.');
        return;
    }
    if (verdict.kind == ReadingVerdict::Kind::Number)
        m_view.setBoxText(Control::InstrumentBox, verdict.text);
    if (m_accept)
        m_accept();
}

// The variable stays presented as it was before the reading.
void InstrumentReceiver::refuse(const QString& line, const QString& why)
{
    m_view.setBoxText(Control::InstrumentBox, m_boxBefore);
    m_devicewait.restore(m_waitBefore);
    if (m_cue)
        m_cue(QStringLiteral("Reading %1 refused: %2").arg(named(line), why));
}

}  // namespace k7
