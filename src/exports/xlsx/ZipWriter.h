#pragma once
// A zip archive written front to back onto a device, one entry at a time,
// each deflated as it streams in: no entry is held in memory and the device
// is never seeked. Each entry's CRC and sizes follow its data (a data
// descriptor) and are repeated in the central directory that finish()
// writes. Sizes, offsets and entry counts too large for the classic fields
// take the zip64 forms, and only those; smaller archives are plain zip,
// which every spreadsheet program reads.

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>

class QIODevice;

namespace k7 {

class ZipWriter {
public:
    // How hard an entry is deflated: zlib's level 1 for bulk data, where the
    // time counts, or its default for the small parts.
    enum class Effort { Fast, Default };

    // Writes to `out`, which is open for writing. `zip64From` is the first
    // size or offset written in the zip64 form; anything below the classic
    // limit is for tests of that form.
    explicit ZipWriter(QIODevice& out, quint64 zip64From = kClassicLimit);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Starts an entry named `name` (a path with "/"); the one open before is
    // finished first.
    [[nodiscard]] bool startEntry(const QByteArray& name, Effort effort = Effort::Default);
    [[nodiscard]] bool write(QByteArrayView data);
    // Finishes the open entry, then writes the central directory.
    [[nodiscard]] bool finish();

    // A whole entry at once.
    [[nodiscard]] bool addEntry(const QByteArray& name, QByteArrayView data);

    QString error() const { return m_error; }

    static constexpr quint64 kClassicLimit = 0xFFFFFFFFu;

private:
    struct Entry {
        QByteArray name;
        quint32 crc = 0;
        quint64 compressed = 0;
        quint64 size = 0;
        quint64 offset = 0;
    };
    struct Deflater;

    [[nodiscard]] bool finishEntry();
    [[nodiscard]] bool deflate(QByteArrayView data, bool last);
    [[nodiscard]] bool flushOut();
    [[nodiscard]] bool put(QByteArrayView bytes);
    QByteArray localHeader(const Entry& entry) const;
    QByteArray dataDescriptor(const Entry& entry) const;
    QByteArray centralHeader(const Entry& entry) const;
    QByteArray directoryEnd(quint64 start, quint64 size) const;
    bool fail(const QString& error);

    QIODevice& m_out;
    const quint64 m_zip64From;
    const quint16 m_dosTime;
    const quint16 m_dosDate;
    std::unique_ptr<Deflater> m_deflater;
    QList<Entry> m_entries;
    bool m_entryOpen = false;
    QByteArray m_buffer;  // bytes for m_out, written out when full
    qsizetype m_filled = 0;
    quint64 m_written = 0;  // bytes written to m_out or waiting in m_buffer
    QString m_error;
};

}  // namespace k7
