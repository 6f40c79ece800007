#include "cfg/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <array>

namespace k7 {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five bytes it
// leaves undefined keep their Latin-1 (control character) meaning so that they
// survive a read and a write unchanged.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString decode1252(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = (b >= 0x80 && b <= 0x9F) ? QChar(kHighControls[b - 0x80]) : QChar(b);
    }
    return text;
}

// The Windows-1252 byte of `c`, or -1 when it has none.
int encode1252(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == u)
            return static_cast<int>(0x80 + i);
    }
    return -1;
}

QStringList splitLines(const QString& text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            lines.append(text.mid(start, i - start));
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

// Text that the old 8-bit code page cannot hold is written as UTF-8 rather
// than losing characters to "?".
TextEncoding encodingThatHolds(const QStringList& lines, TextEncoding encoding)
{
    for (const QString& line : lines) {
        if (!CanEncode(line, encoding))
            return TextEncoding::Utf8;
    }
    return encoding;
}

}  // namespace

QString DecodeText(const QByteArray& bytes, TextEncoding* encoding)
{
    QByteArray body = bytes;
    // A byte-order mark is not part of the first line: without this a header
    // written by an editor that adds one would not be recognised.
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(body);
    if (!utf8.hasError()) {
        if (encoding)
            *encoding = TextEncoding::Utf8;
        return text;
    }
    if (encoding)
        *encoding = TextEncoding::Windows1252;
    // Without its mark too: a file an editor marked as UTF-8 may still hold
    // 8-bit text, and its first line must stay recognisable as a header.
    return decode1252(body);
}

bool CanEncode(const QString& text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return true;
    for (const QChar c : text) {
        if (encode1252(c) < 0)
            return false;
    }
    return true;
}

QByteArray EncodeText(const QString& text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return text.toUtf8();
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (const QChar c : text) {
        const int b = encode1252(c);
        *out++ = static_cast<char>(b < 0 ? '?' : b);
    }
    return bytes;
}

QByteArray JoinLines(const QStringList& lines, TextEncoding encoding)
{
    qsizetype size = 0;
    for (const QString& line : lines)
        size += line.size() + 2;
    QString text;
    text.reserve(size);
    for (const QString& line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return EncodeText(text, encoding);
}

TextFile TextFile::fromBytes(const QByteArray& bytes)
{
    TextFile file;
    file.lines = splitLines(DecodeText(bytes, &file.encoding));
    return file;
}

TextFile TextFile::read(const QString& path)
{
    const auto refused = [](const QString& why) {
        TextFile file;
        file.error = why;
        return file;
    };
    const QFileInfo info(path);
    if (!info.exists())
        return refused(QStringLiteral("the file does not exist"));
    if (info.isDir())
        return refused(QStringLiteral("it is a folder, not a file"));
    // A device or a pipe could be read for ever; a text file is a plain file
    // of sensible size.
    if (!info.isFile())
        return refused(QStringLiteral("it is not a plain file"));
    if (info.size() > kMaxTextFileBytes)
        return refused(QStringLiteral("it is larger than %1 MB").arg(kMaxTextFileBytes >> 20));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refused(file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return refused(file.errorString());
    return fromBytes(bytes);
}

TextEncoding EncodingForRewrite(const QString& path, const QStringList& lines,
                                TextEncoding fallback)
{
    TextEncoding encoding = fallback;
    QFile file(path);
    if (QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly))
        DecodeText(file.readAll(), &encoding);
    return encodingThatHolds(lines, encoding);
}

bool WriteFileBytes(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool WriteTextFile(const QString& path, const QStringList& lines, TextEncoding encoding,
                   QString* error)
{
    return WriteFileBytes(path, JoinLines(lines, encodingThatHolds(lines, encoding)), error);
}

}  // namespace k7
