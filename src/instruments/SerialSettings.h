#pragma once
// The settings string of the Com option ("9600,N,8,1": rate, parity letter,
// data bits, stop bits, and optionally "CR") in the form the serial port takes.

#include <QSerialPort>
#include <QString>

#include <optional>

namespace k7 {

struct SerialSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    // A fifth part "CR": a carriage return alone ends a reading, for devices
    // that send no line feed. CR LF still ends one reading.
    bool carriageReturnEnds = false;

    bool operator==(const SerialSettings&) const = default;
};

// Parses "rate,parity,data,stop[,CR]" (letters in any case, blanks around the
// parts allowed). On failure returns nothing and, when `reason` is given,
// says what is wrong in words the operator can act on.
[[nodiscard]] std::optional<SerialSettings> ParseSerialSettings(const QString& text, QString* reason = nullptr);

}  // namespace k7
