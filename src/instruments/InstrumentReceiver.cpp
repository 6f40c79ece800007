#include "instruments/InstrumentReceiver.h"

#include "instruments/InstrumentPort.h"
#include "platform/EntryView.h"

namespace k7 {

InstrumentReceiver::InstrumentReceiver(InstrumentPort& port, EntryView& view, bool& devicewait,
                                       std::function<void()> accept, QObject* parent)
    : QObject(parent), m_port(port), m_view(view), m_devicewait(devicewait),
      m_accept(std::move(accept))
{
    connect(&m_port, &InstrumentPort::received, this, &InstrumentReceiver::drain);
}

void InstrumentReceiver::setHeld(bool held)
{
    m_held = held;
    if (!m_held)
        drain();
}

void InstrumentReceiver::drain()
{
    // The accept action may show a message box whose event loop delivers
    // more input; the loop below already picks that up, so a nested call
    // only returns.
    if (m_draining)
        return;
    m_draining = true;
    // One character per read: a line feed accepts at once, and whatever came
    // behind it belongs to the next reading, which is worked off as soon as
    // the accept has presented the next variable. The port only signals new
    // input, so leaving it waiting would merge it with the reading after.
    while (!m_held && m_port.isOpen()) {
        const QByteArray one = m_port.read(1);
        if (one.isEmpty())
            break;
        // A reading belongs to an instrument variable. One that arrives while
        // another kind is presented is dropped: its line feed would otherwise
        // accept whatever that variable shows (a menu's highlighted item, a
        // half-typed text, an ImageJ value) and its digits would overwrite
        // the ImageJ box.
        if (m_view.kindTag() != QLatin1String("instrument"))
            continue;
        const char c = one.at(0);
        if (c == '\n') {
            if (m_accept)
                m_accept();
        } else {
            takeCharacter(c);
        }
    }
    m_draining = false;
}

void InstrumentReceiver::takeCharacter(char c)
{
    const auto code = static_cast<unsigned char>(c);
    if (code < 33 || code > 126)
        return;
    const QString ch(QChar::fromLatin1(c));
    if (m_devicewait) {
        m_view.setBoxText(Control::InstrumentBox, ch);
        m_devicewait = false;
    } else {
        m_view.setBoxText(Control::InstrumentBox, m_view.boxText(Control::InstrumentBox) + ch);
    }
}

}  // namespace k7
