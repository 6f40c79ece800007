#pragma once
// The device end of SerialDevicePort. It lives on a thread of its own whose
// only work is to take bytes off the device the moment they arrive: the
// kernel throws away what is still waiting in a terminal's input queue when
// the line hangs up, so bytes must not wait there while the program is busy
// saving a record. What it takes is kept until the program's thread asks.

#include "instruments/SerialSettings.h"

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QSerialPort>

namespace k7 {

class SerialReader : public QObject {
    Q_OBJECT
public:
    explicit SerialReader(QObject* parent = nullptr);

    // Run on the reader's thread. open() returns the reason on failure, an
    // empty text on success.
    QString open(const QString& device, const SerialSettings& settings);
    void close();
    // Counts the openings; each loss names the one it ends. Read it on the
    // reader's thread (right after open()).
    quint64 opening() const { return m_opening; }

    // Safe from any thread.
    QByteArray take(qint64 max);
    qint64 waiting() const;

signals:
    // New bytes wait to be taken.
    void arrived();
    // The device of opening `opening` went away; everything read before it
    // is already waiting. The notice may arrive after a newer opening.
    void lost(const QString& reason, quint64 opening);

private:
    void readAll();
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    mutable QMutex m_mutex;
    QByteArray m_buffer;
    bool m_lost = false;
    quint64 m_opening = 0;
};

}  // namespace k7
