#pragma once
// InstrumentPort on a real serial device (or a pseudo-terminal) through
// QSerialPort.

#include "instruments/InstrumentPort.h"

#include <QSerialPort>

namespace k7 {

class SerialDevicePort final : public InstrumentPort {
    Q_OBJECT
public:
    explicit SerialDevicePort(QObject* parent = nullptr);

    bool open(const QString& device, const SerialSettings& settings) override;
    void close() override;
    bool isOpen() const override;
    QString errorString() const override;
    QByteArray read(qint64 max) override;
    qint64 bytesAvailable() const override;

private:
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    QString m_error;
    bool m_lostReported = false;
};

}  // namespace k7
