#include "instruments/SerialInstrument.h"

#include "instruments/InstrumentPort.h"
#include "instruments/SerialSettings.h"
#include "platform/Dialogs.h"

#include <QTimer>

namespace k7 {

SerialInstrument::SerialInstrument(InstrumentPort& port, Dialogs& dialogs, IniLookup ini,
                                   QObject* parent)
    : QObject(parent), m_port(port), m_dialogs(dialogs), m_ini(std::move(ini))
{
    connect(&m_port, &InstrumentPort::lost, this, &SerialInstrument::onLost);
}

bool SerialInstrument::OpenPort(const QString& com)
{
    // A CFG without a port must not go on receiving from the last CFG's
    // instrument, so the old port is closed whatever the new option says.
    close();
    m_com = ParseComOption(com);
    if (!m_com)
        return false;

    QString reason;
    const auto settings = ParseSerialSettings(m_com->settings, &reason);
    if (!settings) {
        reportOpenFailure(reason);
        return false;
    }
    const QString device = DeviceForPort(*m_com, m_ini);
    if (device.isEmpty()) {
        reportOpenFailure(QStringLiteral("There is no device for this port."));
        return false;
    }
    if (!m_port.open(device, *settings)) {
        reportOpenFailure(m_port.errorString());
        return false;
    }
    return true;
}

void SerialInstrument::close()
{
    ++m_opening;
    if (m_port.isOpen())
        m_port.close();
}

bool SerialInstrument::isOpen() const
{
    return m_port.isOpen();
}

void SerialInstrument::reportOpenFailure(const QString& reason)
{
    QString text = QStringLiteral("Error: Could not open port ") + m_com->label();
    if (!reason.isEmpty())
        text += u'\n' + reason;
    m_dialogs.message(text, Style::OkOnly);
}

void SerialInstrument::onLost(const QString& reason)
{
    // Closing from inside the port's own error signal is not safe, and the
    // message box must not run its event loop there either: both wait for
    // the event loop. Input still buffered is worked off before that.
    const quint64 opening = m_opening;
    const QString label = m_com ? m_com->label() : QString();
    QTimer::singleShot(0, this, [this, opening, label, reason] {
        if (opening != m_opening)
            return;
        close();
        QString text = QStringLiteral("Error: Lost connection to port ") + label + u'.';
        if (!reason.isEmpty())
            text += u'\n' + reason;
        m_dialogs.message(text, Style::OkOnly);
    });
}

}  // namespace k7
