#include "instruments/SerialReader.h"

#include <QFileInfo>
#include <QMutexLocker>
#include <QTimer>

namespace k7 {

SerialReader::SerialReader(QObject* parent) : QObject(parent), m_port(this)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialReader::readAll);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialReader::onError);
}

QString SerialReader::open(const QString& device, const SerialSettings& settings)
{
    close();
    {
        const QMutexLocker lock(&m_mutex);
        m_buffer.clear();
    }
    m_lost = false;
    ++m_opening;
    m_port.setPortName(device);
    if (!m_port.open(QIODevice::ReadOnly))
        return m_port.errorString();
    // Settings go on after opening: QSerialPort applies them to the open
    // descriptor and says which one the device refuses.
    const bool ok = m_port.setBaudRate(settings.baud) && m_port.setParity(settings.parity)
        && m_port.setDataBits(settings.dataBits) && m_port.setStopBits(settings.stopBits)
        && m_port.setFlowControl(QSerialPort::NoFlowControl);
    // A pseudo-terminal (the simulator, a test) has no line to set: it
    // refuses parity and data bits but carries every byte all the same.
    if (!ok && !QFileInfo(device).canonicalFilePath().startsWith(QStringLiteral("/dev/pts/"))) {
        const QString reason = QStringLiteral("The device refuses the settings: %1").arg(m_port.errorString());
        m_port.close();
        return reason;
    }
    // Whatever the instrument sent before this opening belongs to no record
    // of the CFG being opened.
    m_port.clear(QSerialPort::Input);
    return {};
}

void SerialReader::close()
{
    if (m_port.isOpen())
        m_port.close();
}

QByteArray SerialReader::take(qint64 max)
{
    const QMutexLocker lock(&m_mutex);
    const QByteArray out = m_buffer.left(max);
    m_buffer.remove(0, out.size());
    return out;
}

qint64 SerialReader::waiting() const
{
    const QMutexLocker lock(&m_mutex);
    return m_buffer.size();
}

void SerialReader::readAll()
{
    const QByteArray bytes = m_port.readAll();
    if (bytes.isEmpty())
        return;
    {
        const QMutexLocker lock(&m_mutex);
        m_buffer += bytes;
    }
    emit arrived();
}

void SerialReader::onError(QSerialPort::SerialPortError error)
{
    // A vanished device shows up as a resource error (or a read error on
    // some drivers); both leave the descriptor useless.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    if (!m_port.isOpen() || m_lost)
        return;
    m_lost = true;
    readAll();
    const quint64 opening = m_opening;
    emit lost(m_port.errorString(), opening);
    // Closing from inside the port's own error signal is not safe; by the
    // time the close runs the program may have opened the port again.
    QTimer::singleShot(0, this, [this, opening] {
        if (opening == m_opening)
            close();
    });
}

}  // namespace k7
