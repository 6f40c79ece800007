#include "instruments/SerialInstrument.h"

#include "instruments/InstrumentPort.h"
#include "platform/Dialogs.h"

#include <QFileInfo>

namespace k7 {

SerialInstrument::SerialInstrument(InstrumentPort& port, Dialogs& dialogs, IniLookup ini,
                                   QObject* parent)
    : QObject(parent), m_port(port), m_dialogs(dialogs), m_ini(std::move(ini))
{
    connect(&m_port, &InstrumentPort::lost, this, &SerialInstrument::onLost);
    m_watch.setInterval(kWatchMs);
    connect(&m_watch, &QTimer::timeout, this, &SerialInstrument::watchForDevice);
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
        m_com.reset();
        return false;
    }
    m_settings = *settings;
    m_device = DeviceForPort(*m_com, m_ini);
    if (m_device.isEmpty()) {
        reportOpenFailure(QStringLiteral("There is no device for this port."));
        m_com.reset();
        return false;
    }
    return openDevice();
}

bool SerialInstrument::openDevice()
{
    ++m_opening;
    if (!m_port.open(m_device, m_settings)) {
        reportOpenFailure(m_port.errorString());
        return false;
    }
    return true;
}

void SerialInstrument::close()
{
    ++m_opening;
    m_watch.stop();
    m_com.reset();
    if (m_port.isOpen())
        m_port.close();
}

bool SerialInstrument::reconnect()
{
    if (!m_com || m_port.isOpen())
        return m_port.isOpen();
    m_watch.stop();
    if (!openDevice())
        return false;
    emit reconnected();
    return true;
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
    // A COMn port names a device the operator may not know of, and the key
    // that chooses another.
    if (!m_com->isDevicePath() && !m_device.isEmpty())
        text += QStringLiteral("\nThe device tried was %1; the key COM%2= in k7.ini names another.")
                    .arg(m_device)
                    .arg(m_com->portNumber);
    m_dialogs.message(text, Style::OkOnly);
}

void SerialInstrument::onLost(const QString& reason)
{
    // Closing from inside the port's own signal is not safe, and the message
    // box must not run its event loop there either: both wait for the event
    // loop. Input still buffered is worked off before that.
    const quint64 opening = m_opening;
    QTimer::singleShot(0, this, [this, opening, reason] {
        if (opening != m_opening || !m_com)
            return;
        ++m_opening;
        m_port.close();
        m_watch.start();
        QString text = QStringLiteral("Error: Lost connection to port ") + m_com->label() + u'.';
        if (!reason.isEmpty())
            text += u'\n' + reason;
        text += QStringLiteral("\nTo take readings again, plug the instrument back in: K7 offers to reconnect "
                               "when it is there again. File > Reconnect instrument or reopening the CFG "
                               "does the same.");
        m_dialogs.message(text, Style::OkOnly);
    });
}

void SerialInstrument::watchForDevice()
{
    if (!m_com || m_port.isOpen()) {
        m_watch.stop();
        return;
    }
    if (!QFileInfo::exists(m_device))
        return;
    m_watch.stop();
    const int answer = m_dialogs.message(
        QStringLiteral("The instrument on port %1 is back.  Reconnect?").arg(m_com->label()),
        Style::YesNo + Style::Question);
    if (answer == Answer::Yes)
        static_cast<void>(reconnect());  // a failure is reported by reconnect itself
}

}  // namespace k7
