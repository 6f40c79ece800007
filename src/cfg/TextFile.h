#pragma once
// Text files as lines. A file is read as UTF-8 when its bytes are valid UTF-8
// and as Windows-1252 otherwise; CR LF, LF and CR all end a line. Writing goes
// through a temporary file in the target's folder that replaces the target in
// one step, so the old file stays whole until the new one is complete. Lines
// are written with CR LF.

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>
#include <QStringList>

namespace k7 {

enum class TextEncoding { Utf8, Windows1252 };

// Larger files are refused rather than read into memory.
constexpr qint64 kMaxTextFileBytes = qint64(64) << 20;

// A file's text decoded whole, for readers that walk its lines (LineCursor)
// instead of keeping a list of them.
struct DecodedFile {
    QString text;
    TextEncoding encoding = TextEncoding::Utf8;
    QString error;  // as TextFile's

    bool ok() const { return error.isEmpty(); }

    // Reads and decodes `path`, refusing what TextFile::read refuses.
    static DecodedFile read(const QString& path);
};

struct TextFile {
    QStringList lines;
    TextEncoding encoding = TextEncoding::Utf8;
    // Empty when the file was read; otherwise why not (missing, a folder,
    // unreadable).
    QString error;

    bool ok() const { return error.isEmpty(); }

    // Reads `path`. A missing or unreadable file, a folder, a device and a file
    // over kMaxTextFileBytes give no lines and an error.
    static TextFile read(const QString& path);

    // Splits bytes as `read` does, detecting the encoding.
    static TextFile fromBytes(const QByteArray& bytes);
};

// Decodes bytes with the encoding rule above; `encoding` receives the one used.
QString DecodeText(const QByteArray& bytes, TextEncoding* encoding = nullptr);

// Decodes bytes as Windows-1252, whatever they are.
QString DecodeWindows1252(QByteArrayView bytes);

// Encodes text; characters Windows-1252 cannot hold become "?".
QByteArray EncodeText(const QString& text, TextEncoding encoding);

// The encoding `bytes` are read in: UTF-8 when they are valid UTF-8.
TextEncoding DetectEncoding(QByteArrayView bytes);

// True when every character of `text` has a byte in `encoding`.
bool CanEncode(const QString& text, TextEncoding encoding);

// The encoding to rewrite `path` in: the one its present content was read in
// (`fallback` for a new file), or UTF-8 when that cannot hold `lines` or when
// their Windows-1252 bytes would be read back as other text (bytes that happen
// to be valid UTF-8 are read as UTF-8).
TextEncoding EncodingForRewrite(const QString& path, const QStringList& lines,
                                TextEncoding fallback = TextEncoding::Utf8);

// Joins lines, each ended by CR LF, and encodes them.
QByteArray JoinLines(const QStringList& lines, TextEncoding encoding);

// Replaces `path` atomically with `lines` (each ended by CR LF), in UTF-8 when
// Windows-1252 cannot hold them or would read back otherwise. Returns false
// and leaves the old file untouched when any step fails; `error` then says why.
[[nodiscard]] bool WriteTextFile(const QString& path, const QStringList& lines, TextEncoding encoding,
                   QString* error = nullptr);

// Replaces `path` atomically with `bytes`.
[[nodiscard]] bool WriteFileBytes(const QString& path, const QByteArray& bytes, QString* error = nullptr);

}  // namespace k7
