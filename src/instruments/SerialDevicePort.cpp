#include "instruments/SerialDevicePort.h"

#include <QFileInfo>

namespace k7 {

SerialDevicePort::SerialDevicePort(QObject* parent) : InstrumentPort(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &InstrumentPort::received);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialDevicePort::onError);
}

bool SerialDevicePort::open(const QString& device, const SerialSettings& settings)
{
    close();
    m_error.clear();
    m_lostReported = false;
    m_port.setPortName(device);
    if (!m_port.open(QIODevice::ReadOnly)) {
        m_error = m_port.errorString();
        return false;
    }
    // Settings go on after opening: QSerialPort applies them to the open
    // descriptor and says which one the device refuses.
    const bool ok = m_port.setBaudRate(settings.baud) && m_port.setParity(settings.parity)
        && m_port.setDataBits(settings.dataBits) && m_port.setStopBits(settings.stopBits)
        && m_port.setFlowControl(QSerialPort::NoFlowControl);
    // A pseudo-terminal (the simulator, a test) has no line to set: it
    // refuses parity and data bits but carries every byte all the same.
    if (!ok && !QFileInfo(device).canonicalFilePath().startsWith(QStringLiteral("/dev/pts/"))) {
        m_error = QStringLiteral("The device refuses the settings: %1").arg(m_port.errorString());
        m_port.close();
        return false;
    }
    // Whatever the instrument sent before this opening belongs to no record
    // of the CFG being opened.
    m_port.clear(QSerialPort::Input);
    return true;
}

void SerialDevicePort::close()
{
    if (m_port.isOpen())
        m_port.close();
}

bool SerialDevicePort::isOpen() const
{
    return m_port.isOpen();
}

QString SerialDevicePort::errorString() const
{
    return m_error;
}

QByteArray SerialDevicePort::read(qint64 max)
{
    return m_port.isOpen() ? m_port.read(max) : QByteArray();
}

qint64 SerialDevicePort::bytesAvailable() const
{
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

void SerialDevicePort::onError(QSerialPort::SerialPortError error)
{
    // A vanished device shows up as a resource error (or a read error on
    // some drivers); both leave the descriptor useless.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    if (!m_port.isOpen() || m_lostReported)
        return;
    m_lostReported = true;
    m_error = m_port.errorString();
    emit lost(m_error);
}

}  // namespace k7
