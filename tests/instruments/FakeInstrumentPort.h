#pragma once
// An InstrumentPort fed by the test: arrive() queues bytes and raises the
// receive event, vanish() makes the device go away.

#include "instruments/InstrumentPort.h"

#include <QStringList>

namespace k7::test {

class FakeInstrumentPort final : public InstrumentPort {
public:
    // Devices whose opening fails.
    QStringList refused;
    QString openedDevice;
    SerialSettings openedSettings;
    int openings = 0;
    int closings = 0;

    void arrive(const QByteArray& bytes)
    {
        m_waiting += bytes;
        emit received();
    }
    void vanish(const QString& reason) { emit lost(reason); }

    bool open(const QString& device, const SerialSettings& settings) override
    {
        if (refused.contains(device)) {
            m_error = QStringLiteral("No such file or directory");
            return false;
        }
        ++openings;
        m_open = true;
        openedDevice = device;
        openedSettings = settings;
        return true;
    }
    void close() override
    {
        if (m_open)
            ++closings;
        m_open = false;
    }
    bool isOpen() const override { return m_open; }
    QString errorString() const override { return m_error; }
    QByteArray read(qint64 max) override
    {
        const QByteArray out = m_waiting.left(max);
        m_waiting.remove(0, out.size());
        return out;
    }
    qint64 bytesAvailable() const override { return m_waiting.size(); }

private:
    QByteArray m_waiting;
    QString m_error;
    bool m_open = false;
};

}  // namespace k7::test
