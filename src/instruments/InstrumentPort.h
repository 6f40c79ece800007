#pragma once
// The serial line an instrument is attached to, as the receive handling sees
// it: open, closed, bytes waiting, and two events. The real port is
// SerialDevicePort; tests use a double that is fed by hand.

#include "instruments/SerialSettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace k7 {

class InstrumentPort : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~InstrumentPort() override = default;

    // Opens `device` with `settings`; on failure errorString() says why.
    [[nodiscard]] virtual bool open(const QString& device, const SerialSettings& settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual QString errorString() const = 0;

    // Takes up to `max` of the waiting bytes; empty when nothing waits.
    virtual QByteArray read(qint64 max) = 0;
    virtual qint64 bytesAvailable() const = 0;

signals:
    // Input is waiting.
    void received();
    // The device went away while open (unplugged, closed at the other end).
    // Emitted at most once per opening.
    void lost(const QString& reason);
};

}  // namespace k7
