#include "windows/TextOnly.h"

#include <QFile>
#include <QStringDecoder>

namespace k7 {

bool LooksLikeText(const QByteArray& bytes)
{
    if (bytes.contains('\0'))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(bytes);
    Q_UNUSED(decoded);
    if (!utf8.hasError())
        return true;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D)
            return false;
    }
    return true;
}

bool IsNonTextFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Enough to tell a database or an image from text; a text file is
    // never more than the editor takes.
    constexpr qint64 kLook = qint64(4) << 20;
    return !LooksLikeText(file.read(kLook));
}

}  // namespace k7
