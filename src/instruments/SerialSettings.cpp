#include "instruments/SerialSettings.h"

#include <QStringList>

namespace k7 {

namespace {

std::optional<QSerialPort::Parity> parityFromLetter(const QString& p)
{
    const QString u = p.toUpper();
    if (u == u"N") return QSerialPort::NoParity;
    if (u == u"E") return QSerialPort::EvenParity;
    if (u == u"O") return QSerialPort::OddParity;
    if (u == u"M") return QSerialPort::MarkParity;
    if (u == u"S") return QSerialPort::SpaceParity;
    return std::nullopt;
}

std::optional<QSerialPort::StopBits> stopBitsFromText(const QString& s)
{
    if (s == u"1") return QSerialPort::OneStop;
    if (s == u"1.5") return QSerialPort::OneAndHalfStop;
    if (s == u"2") return QSerialPort::TwoStop;
    return std::nullopt;
}

bool fail(QString* reason, const QString& why)
{
    if (reason)
        *reason = why;
    return false;
}

}  // namespace

std::optional<SerialSettings> ParseSerialSettings(const QString& text, QString* reason)
{
    QStringList parts = text.split(u',');
    for (auto& p : parts)
        p = p.trimmed();
    const bool crEnds = parts.size() == 5 && parts.at(4).compare(u"CR", Qt::CaseInsensitive) == 0;
    if (crEnds)
        parts.removeLast();
    if (parts.size() != 4) {
        if (parts.size() > 4)
            fail(reason, QStringLiteral("Unknown port option \"%1\" in settings \"%2\".")
                             .arg(parts.at(4), text));
        else
            fail(reason, QStringLiteral("Settings \"%1\" are not rate,parity,data bits,stop bits.")
                             .arg(text));
        return std::nullopt;
    }

    SerialSettings s;
    s.carriageReturnEnds = crEnds;
    bool ok = false;
    const int baud = parts.at(0).toInt(&ok);
    if (!ok || baud <= 0) {
        fail(reason, QStringLiteral("\"%1\" is not a baud rate.").arg(parts.at(0)));
        return std::nullopt;
    }
    s.baud = baud;

    const auto parity = parityFromLetter(parts.at(1));
    if (!parity) {
        fail(reason, QStringLiteral("\"%1\" is not a parity (N, E, O, M or S).").arg(parts.at(1)));
        return std::nullopt;
    }
    s.parity = *parity;

    const int data = parts.at(2).toInt(&ok);
    if (!ok || data < 5 || data > 8) {
        fail(reason, QStringLiteral("\"%1\" is not a number of data bits (5 to 8).").arg(parts.at(2)));
        return std::nullopt;
    }
    s.dataBits = static_cast<QSerialPort::DataBits>(data);

    const auto stop = stopBitsFromText(parts.at(3));
    if (!stop) {
        fail(reason, QStringLiteral("\"%1\" is not a number of stop bits (1, 1.5 or 2).").arg(parts.at(3)));
        return std::nullopt;
    }
    s.stopBits = *stop;
    return s;
}

}  // namespace k7
