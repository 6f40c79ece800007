#include "instruments/SerialDevicePort.h"

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
    if (!ok) {
        m_error = m_port.errorString();
        m_port.close();
        return false;
    }
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
