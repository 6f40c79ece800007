#include "instruments/SerialDevicePort.h"

#include "instruments/SerialReader.h"

namespace k7 {

SerialDevicePort::SerialDevicePort(QObject* parent) : InstrumentPort(parent), m_reader(new SerialReader)
{
    m_thread.setObjectName(QStringLiteral("k7-serial"));
    m_reader->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_reader, &QObject::deleteLater);
    // Queued: the reader's signals arrive on this thread in the order sent,
    // so the bytes of a burst are announced before the loss that ends it.
    // A loss names the opening it ends (onLost).
    connect(m_reader, &SerialReader::arrived, this, [this] {
        if (m_open)
            emit received();
    });
    connect(m_reader, &SerialReader::lost, this, &SerialDevicePort::onLost);
    m_thread.start();
}

SerialDevicePort::~SerialDevicePort()
{
    close();
    m_thread.quit();
    m_thread.wait();
}

bool SerialDevicePort::open(const QString& device, const SerialSettings& settings)
{
    close();
    m_lostReported = false;
    QString reason;
    QMetaObject::invokeMethod(
        m_reader,
        [&] {
            reason = m_reader->open(device, settings);
            m_opening = m_reader->opening();
        },
        Qt::BlockingQueuedConnection);
    m_error = reason;
    m_open = reason.isEmpty();
    return m_open;
}

void SerialDevicePort::close()
{
    if (!m_open)
        return;
    m_open = false;
    QMetaObject::invokeMethod(m_reader, [this] { m_reader->close(); }, Qt::BlockingQueuedConnection);
    m_reader->take(std::numeric_limits<qint64>::max());
}

bool SerialDevicePort::isOpen() const
{
    return m_open;
}

QString SerialDevicePort::errorString() const
{
    return m_error;
}

QByteArray SerialDevicePort::read(qint64 max)
{
    return m_reader->take(max);
}

qint64 SerialDevicePort::bytesAvailable() const
{
    return m_reader->waiting();
}

void SerialDevicePort::onLost(const QString& reason, quint64 opening)
{
    // Closing one port and opening another (reopening a CFG) does not pass
    // through the event loop, so the loss of the old one can arrive now.
    if (!m_open || m_lostReported || opening != m_opening)
        return;
    m_lostReported = true;
    m_error = reason;
    emit lost(reason);
}

}  // namespace k7
