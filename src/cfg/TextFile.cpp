#include "cfg/TextFile.h"

#include "cfg/LineCursor.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
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

QString decode1252(QByteArrayView bytes)
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

QString joinedText(const QStringList& lines)
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
    return text;
}

QStringList splitLines(const QString& text)
{
    QStringList lines;
    LineCursor cursor(text);
    while (!cursor.atEnd())
        lines.append(cursor.next().toString());
    return lines;
}

// Text that the old 8-bit code page cannot hold is written as UTF-8 rather
// than losing characters to "?"; so is text whose 8-bit bytes would be taken
// for UTF-8 when read again (the comment that made a file 8-bit is gone after a
// rewrite, and "\xC3\xA9" would then read as one character, not two).
TextEncoding encodingThatKeeps(const QStringList& lines, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return encoding;
    const QString text = joinedText(lines);
    return DecodeText(EncodeText(text, encoding)) == text ? encoding : TextEncoding::Utf8;
}

// Reads a plain file of sensible size whole; `error` says why not.
QByteArray readBytes(const QString& path, QString& error)
{
    const QFileInfo info(path);
    if (!info.exists())
        error = QStringLiteral("the file does not exist");
    else if (info.isDir())
        error = QStringLiteral("it is a folder, not a file");
    // A device or a pipe could be read for ever; a text file is a plain file
    // of sensible size.
    else if (!info.isFile())
        error = QStringLiteral("it is not a plain file");
    else if (info.size() > kMaxTextFileBytes)
        error = QStringLiteral("it is larger than %1 MB").arg(kMaxTextFileBytes >> 20);
    if (!error.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return {};
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return {};
    }
    return bytes;
}

}  // namespace

QString DecodeWindows1252(QByteArrayView bytes)
{
    return decode1252(bytes);
}

TextEncoding DetectEncoding(QByteArrayView bytes)
{
    // Checked a piece at a time, so that a large file is never held twice. A
    // piece ends before a byte that starts a character, and an incomplete
    // character at a piece's end counts as invalid, so valid text is never cut.
    constexpr qsizetype kPiece = qsizetype(1) << 20;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = std::min(start + kPiece, bytes.size());
        while (end < bytes.size() && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80)
            ++end;
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        [[maybe_unused]] const QString piece = utf8.decode(bytes.sliced(start, end - start));
        if (utf8.hasError())
            return TextEncoding::Windows1252;
        start = end;
    }
    return TextEncoding::Utf8;
}

QString DecodeText(const QByteArray& bytes, TextEncoding* encoding)
{
    QByteArrayView body = bytes;
    // A byte-order mark is not part of the first line: without this a header
    // written by an editor that adds one would not be recognised. It goes in
    // 8-bit text too: a file an editor marked as UTF-8 may still hold 8-bit
    // text, and its first line must stay recognisable as a header.
    if (body.startsWith("\xEF\xBB\xBF"))
        body = body.sliced(3);
    const TextEncoding found = DetectEncoding(body);
    if (encoding)
        *encoding = found;
    return found == TextEncoding::Utf8 ? QString::fromUtf8(body) : decode1252(body);
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
    return EncodeText(joinedText(lines), encoding);
}

TextFile TextFile::fromBytes(const QByteArray& bytes)
{
    TextFile file;
    file.lines = splitLines(DecodeText(bytes, &file.encoding));
    return file;
}

DecodedFile DecodedFile::read(const QString& path)
{
    DecodedFile file;
    const QByteArray bytes = readBytes(path, file.error);
    if (file.ok())
        file.text = DecodeText(bytes, &file.encoding);
    return file;
}

TextFile TextFile::read(const QString& path)
{
    const DecodedFile decoded = DecodedFile::read(path);
    TextFile file;
    file.error = decoded.error;
    file.encoding = decoded.encoding;
    file.lines = splitLines(decoded.text);
    return file;
}

TextEncoding EncodingForRewrite(const QString& path, const QStringList& lines,
                                TextEncoding fallback)
{
    TextEncoding encoding = fallback;
    QFile file(path);
    if (QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly))
        encoding = DetectEncoding(file.readAll());
    return encodingThatKeeps(lines, encoding);
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
    return WriteFileBytes(path, JoinLines(lines, encodingThatKeeps(lines, encoding)), error);
}

}  // namespace k7
