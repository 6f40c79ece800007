#pragma once
// InstrumentPort on a real serial device (or a pseudo-terminal) through
// QSerialPort. The device is read on a thread of its own (SerialReader), so
// a burst of readings followed by the device going away loses nothing while
// the program is busy with the readings before; the program's thread works
// them off from what was taken.

#include "instruments/InstrumentPort.h"

#include <QThread>

namespace k7 {

class SerialReader;

class SerialDevicePort final : public InstrumentPort {
    Q_OBJECT
public:
    explicit SerialDevicePort(QObject* parent = nullptr);
    ~SerialDevicePort() override;

    [[nodiscard]] bool open(const QString& device, const SerialSettings& settings) override;
    void close() override;
    bool isOpen() const override;
    QString errorString() const override;
    QByteArray read(qint64 max) override;
    qint64 bytesAvailable() const override;

private:
    void onLost(const QString& reason, quint64 opening);

    QThread m_thread;
    SerialReader* m_reader = nullptr;  // lives on m_thread
    QString m_error;
    bool m_open = false;
    bool m_lostReported = false;
    // The reader's opening this port stands for: a loss of an earlier one,
    // delivered late, is not this opening's.
    quint64 m_opening = 0;
};

}  // namespace k7
