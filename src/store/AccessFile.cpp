#include "store/AccessFile.h"

#include <QFile>

namespace k7 {

namespace {

// Page 0 starts with a 4-byte page type, the engine's name and, at 0x14,
// the file-format version.
constexpr int kNameOffset = 4;
constexpr int kVersionOffset = 0x14;
constexpr int kHeaderSize = kVersionOffset + 4;

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
