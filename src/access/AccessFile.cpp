#include "access/AccessFile.h"

#include <QFile>
#include <QList>
#include <QtEndian>

#include <array>
#include <cmath>
#include <limits>
#include <optional>

namespace k7 {

namespace {

// Page 0 starts with a 4-byte page type, the engine's name and, at 0x14,
// the file-format version.
constexpr int kNameOffset = 4;
constexpr int kVersionOffset = 0x14;
constexpr int kHeaderSize = kVersionOffset + 4;

// From 0x18 on, page 0 is stored XORed with the RC4 key stream of the fixed
// key 0x6b39dac7. Inside that area the database password sits at 0x42: 20
// bytes in Jet 3; 40 (UTF-16) in Jet 4, further XORed with the whole days of
// the creation date (a double at 0x72) as a little-endian 32-bit integer,
// repeated. No password decodes to zeros.
constexpr int kCodedOffset = 0x18;
constexpr int kPasswordOffset = 0x42;
constexpr int kCreatedOffset = 0x72;
constexpr int kCodedSize = kCreatedOffset + 8 - kCodedOffset;

QByteArray headerKeyStream()
{
    const std::array<quint8, 4> key{0xc7, 0xda, 0x39, 0x6b};
    std::array<quint8, 256> s{};
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<quint8>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) & 0xff;
        std::swap(s[i], s[j]);
    }
    QByteArray stream(kCodedSize, Qt::Uninitialized);
    for (int n = 0, i = 0, j = 0; n < kCodedSize; ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        stream[n] = static_cast<char>(s[(s[i] + s[j]) & 0xff]);
    }
    return stream;
}

// The Jet 4 password mask: the creation date's whole days, or nothing when
// the stored date is not a number of days at all (a damaged header).
std::optional<std::array<quint8, 4>> creationMask(const QByteArray& decoded)
{
    const double days = qFromLittleEndian<double>(decoded.constData() + (kCreatedOffset - kCodedOffset));
    if (!std::isfinite(days) || std::fabs(days) > std::numeric_limits<qint32>::max())
        return std::nullopt;
    std::array<quint8, 4> mask{};
    qToLittleEndian<qint32>(static_cast<qint32>(days), mask.data());
    return mask;
}

// A password is a run of printable characters padded with zeros; anything
// else in its field means that the coded header itself is damaged.
AccessPassword classifyPassword(const QByteArray& field, AccessFormat format)
{
    QList<char16_t> units;
    if (format == AccessFormat::Jet3) {
        for (const char c : field)
            units.append(static_cast<quint8>(c));
    } else {
        for (int i = 0; i + 1 < field.size(); i += 2)
            units.append(qFromLittleEndian<quint16>(field.constData() + i));
    }
    while (!units.isEmpty() && units.last() == 0)
        units.removeLast();
    if (units.isEmpty())
        return AccessPassword::None;
    for (const char16_t unit : units) {
        const QChar c(unit);
        const bool printable = format == AccessFormat::Jet3 ? unit >= 0x20 && unit != 0x7f
                                                            : c.isPrint() || c.isSurrogate();
        if (!printable)
            return AccessPassword::DamagedHeader;
    }
    return AccessPassword::Set;
}

}  // namespace

AccessFormat DetectAccessFormat(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return AccessFormat::None;
    const QByteArray head = file.read(kHeaderSize);
    if (head.size() < kHeaderSize || head.at(0) != 0)
        return AccessFormat::None;
    const QByteArray name = head.mid(kNameOffset, 15);
    const auto version = static_cast<unsigned char>(head.at(kVersionOffset));
    if (name == "Standard ACE DB")
        return AccessFormat::Ace;
    if (name != "Standard Jet DB")
        return AccessFormat::None;
    return version == 0 ? AccessFormat::Jet3 : AccessFormat::Jet4;
}

AccessPassword DatabasePassword(const QString& path)
{
    const AccessFormat format = DetectAccessFormat(path);
    if (format != AccessFormat::Jet3 && format != AccessFormat::Jet4)
        return AccessPassword::None;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(kCodedOffset))
        return AccessPassword::None;
    QByteArray decoded = file.read(kCodedSize);
    if (decoded.size() < kCodedSize)
        return AccessPassword::None;
    const QByteArray stream = headerKeyStream();
    for (int i = 0; i < kCodedSize; ++i)
        decoded[i] = static_cast<char>(decoded[i] ^ stream[i]);

    std::array<quint8, 4> mask{};
    if (format == AccessFormat::Jet4) {
        const auto created = creationMask(decoded);
        if (!created)
            return AccessPassword::None;
        mask = *created;
    }
    const int length = format == AccessFormat::Jet3 ? 20 : 40;
    const int start = kPasswordOffset - kCodedOffset;
    QByteArray field(length, Qt::Uninitialized);
    for (int i = 0; i < length; ++i)
        field[i] = static_cast<char>(static_cast<quint8>(decoded[start + i]) ^ mask[i % 4]);
    return classifyPassword(field, format);
}

QString AccessFormatName(AccessFormat format)
{
    switch (format) {
    case AccessFormat::Jet3:
        return QStringLiteral("Jet 3, Access 97");
    case AccessFormat::Jet4:
        return QStringLiteral("Jet 4, Access 2000-2003");
    case AccessFormat::Ace:
        return QStringLiteral("ACE, Access 2007 or later");
    case AccessFormat::None:
        break;
    }
    return QString();
}

}  // namespace k7
