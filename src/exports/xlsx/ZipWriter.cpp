#include "exports/xlsx/ZipWriter.h"

#include <QIODevice>

#include <zlib.h>

#include <algorithm>

namespace k7 {

namespace {

constexpr qsizetype kBufferBytes = 1 << 20;
// zlib counts in 32 bits: larger pieces go in several calls.
constexpr qsizetype kZlibPiece = 1 << 30;
constexpr quint16 kDataDescriptorFlag = 0x0008;
constexpr quint16 kUtf8NameFlag = 0x0800;
constexpr quint16 kDeflated = 8;
constexpr quint16 kClassicVersion = 20;
constexpr quint16 kZip64Version = 45;
constexpr quint32 kClassicMaxEntries = 0xFFFF;

void le16(QByteArray& out, quint16 v)
{
    out.append(static_cast<char>(v & 0xFF)).append(static_cast<char>(v >> 8));
}

void le32(QByteArray& out, quint32 v)
{
    le16(out, static_cast<quint16>(v & 0xFFFF));
    le16(out, static_cast<quint16>(v >> 16));
}

void le64(QByteArray& out, quint64 v)
{
    le32(out, static_cast<quint32>(v & 0xFFFFFFFFu));
    le32(out, static_cast<quint32>(v >> 32));
}

quint16 dosTime(const QTime& t)
{
    return static_cast<quint16>((t.hour() << 11) | (t.minute() << 5) | (t.second() / 2));
}

quint16 dosDate(const QDate& d)
{
    // DOS dates start in 1980.
    const int year = std::clamp(d.year(), 1980, 2107) - 1980;
    return static_cast<quint16>((year << 9) | (d.month() << 5) | d.day());
}

quint16 nameFlags(const QByteArray& name)
{
    const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<uchar>(c) < 0x80; });
    return ascii ? kDataDescriptorFlag : kDataDescriptorFlag | kUtf8NameFlag;
}

}  // namespace

struct ZipWriter::Deflater {
    z_stream stream{};
    bool open = false;

    ~Deflater() { end(); }
    void end()
    {
        if (open)
            deflateEnd(&stream);
        open = false;
    }
};

ZipWriter::ZipWriter(QIODevice& out, quint64 zip64From)
    : m_out(out), m_zip64From(zip64From), m_dosTime(dosTime(QTime::currentTime())),
      m_dosDate(dosDate(QDate::currentDate())), m_deflater(std::make_unique<Deflater>())
{
    m_buffer.resize(kBufferBytes);
}

ZipWriter::~ZipWriter() = default;

bool ZipWriter::fail(const QString& error)
{
    if (m_error.isEmpty())
        m_error = error;
    return false;
}

bool ZipWriter::flushOut()
{
    if (m_filled == 0)
        return true;
    const qint64 written = m_out.write(m_buffer.constData(), m_filled);
    if (written != m_filled)
        return fail(m_out.errorString());
    m_filled = 0;
    return true;
}

bool ZipWriter::put(QByteArrayView bytes)
{
    m_written += static_cast<quint64>(bytes.size());
    if (m_filled + bytes.size() > m_buffer.size() && !flushOut())
        return false;
    if (bytes.size() > m_buffer.size())
        return m_out.write(bytes.data(), bytes.size()) == bytes.size() || fail(m_out.errorString());
    std::copy(bytes.begin(), bytes.end(), m_buffer.data() + m_filled);
    m_filled += bytes.size();
    return true;
}

bool ZipWriter::startEntry(const QByteArray& name, Effort effort)
{
    if (!m_error.isEmpty() || (m_entryOpen && !finishEntry()))
        return false;
    Entry entry;
    entry.name = name;
    entry.offset = m_written;
    const int level = effort == Effort::Fast ? 1 : Z_DEFAULT_COMPRESSION;
    // A raw deflate stream (negative window bits): the zip headers stand in
    // for zlib's own.
    m_deflater->stream = z_stream{};
    if (deflateInit2(&m_deflater->stream, level, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return fail(QStringLiteral("The compressor could not be started."));
    m_deflater->open = true;
    m_entries << entry;
    m_entryOpen = true;
    return put(localHeader(entry));
}

bool ZipWriter::write(QByteArrayView data)
{
    if (!m_entryOpen || !m_error.isEmpty())
        return false;
    Entry& entry = m_entries.last();
    for (qsizetype at = 0; at < data.size(); at += kZlibPiece) {
        const QByteArrayView piece = data.sliced(at, std::min(kZlibPiece, data.size() - at));
        entry.crc = static_cast<quint32>(
            crc32(entry.crc, reinterpret_cast<const Bytef*>(piece.data()), static_cast<uInt>(piece.size())));
        if (!deflate(piece, false))
            return false;
    }
    entry.size += static_cast<quint64>(data.size());
    return true;
}

bool ZipWriter::deflate(QByteArrayView data, bool last)
{
    z_stream& stream = m_deflater->stream;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    const quint64 before = m_written;
    int status = Z_OK;
    do {
        if (m_filled == m_buffer.size() && !flushOut())
            return false;
        stream.next_out = reinterpret_cast<Bytef*>(m_buffer.data() + m_filled);
        stream.avail_out = static_cast<uInt>(m_buffer.size() - m_filled);
        status = ::deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
        if (status == Z_STREAM_ERROR)
            return fail(QStringLiteral("The compressor failed."));
        const qsizetype produced = (m_buffer.size() - m_filled) - static_cast<qsizetype>(stream.avail_out);
        m_filled += produced;
        m_written += static_cast<quint64>(produced);
    } while (stream.avail_in > 0 || stream.avail_out == 0 || (last && status != Z_STREAM_END));
    m_entries.last().compressed += m_written - before;
    return true;
}

bool ZipWriter::finishEntry()
{
    m_entryOpen = false;
    const bool deflated = deflate({}, true);
    m_deflater->end();
    return deflated && put(dataDescriptor(m_entries.last()));
}

bool ZipWriter::addEntry(const QByteArray& name, QByteArrayView data)
{
    return startEntry(name) && write(data);
}

bool ZipWriter::finish()
{
    if (!m_error.isEmpty() || (m_entryOpen && !finishEntry()))
        return false;
    const quint64 start = m_written;
    for (const Entry& entry : std::as_const(m_entries)) {
        if (!put(centralHeader(entry)))
            return false;
    }
    return put(directoryEnd(start, m_written - start)) && flushOut();
}

QByteArray ZipWriter::localHeader(const Entry& entry) const
{
    // The CRC and sizes are not known yet: they follow the data.
    QByteArray header;
    le32(header, 0x04034b50);
    le16(header, kClassicVersion);
    le16(header, nameFlags(entry.name));
    le16(header, kDeflated);
    le16(header, m_dosTime);
    le16(header, m_dosDate);
    le32(header, 0);
    le32(header, 0);
    le32(header, 0);
    le16(header, static_cast<quint16>(entry.name.size()));
    le16(header, 0);
    return header + entry.name;
}

QByteArray ZipWriter::dataDescriptor(const Entry& entry) const
{
    QByteArray descriptor;
    le32(descriptor, 0x08074b50);
    le32(descriptor, entry.crc);
    if (entry.size >= m_zip64From || entry.compressed >= m_zip64From) {
        le64(descriptor, entry.compressed);
        le64(descriptor, entry.size);
    } else {
        le32(descriptor, static_cast<quint32>(entry.compressed));
        le32(descriptor, static_cast<quint32>(entry.size));
    }
    return descriptor;
}

QByteArray ZipWriter::centralHeader(const Entry& entry) const
{
    // Each value too large for its field reads 0xFFFFFFFF there and is given
    // in the zip64 extra field, in this order.
    QByteArray large;
    const auto field = [&](quint64 value) -> quint32 {
        if (value < m_zip64From)
            return static_cast<quint32>(value);
        le64(large, value);
        return 0xFFFFFFFFu;
    };
    const quint32 size = field(entry.size);
    const quint32 compressed = field(entry.compressed);
    const quint32 offset = field(entry.offset);
    QByteArray extra;
    if (!large.isEmpty()) {
        le16(extra, 0x0001);
        le16(extra, static_cast<quint16>(large.size()));
        extra += large;
    }
    const quint16 version = extra.isEmpty() ? kClassicVersion : kZip64Version;
    QByteArray header;
    le32(header, 0x02014b50);
    le16(header, version);  // made by: MS-DOS attributes, this version
    le16(header, version);
    le16(header, nameFlags(entry.name));
    le16(header, kDeflated);
    le16(header, m_dosTime);
    le16(header, m_dosDate);
    le32(header, entry.crc);
    le32(header, compressed);
    le32(header, size);
    le16(header, static_cast<quint16>(entry.name.size()));
    le16(header, static_cast<quint16>(extra.size()));
    le16(header, 0);  // comment
    le16(header, 0);  // disk
    le16(header, 0);  // internal attributes
    le32(header, 0);  // external attributes
    le32(header, offset);
    return header + entry.name + extra;
}

QByteArray ZipWriter::directoryEnd(quint64 start, quint64 size) const
{
    const auto count = static_cast<quint64>(m_entries.size());
    const bool zip64 = count >= kClassicMaxEntries || start >= m_zip64From || size >= m_zip64From;
    QByteArray end;
    if (zip64) {
        const quint64 recordAt = start + size;
        le32(end, 0x06064b50);
        le64(end, 44);  // the bytes of this record after this field
        le16(end, kZip64Version);
        le16(end, kZip64Version);
        le32(end, 0);
        le32(end, 0);
        le64(end, count);
        le64(end, count);
        le64(end, size);
        le64(end, start);
        le32(end, 0x07064b50);
        le32(end, 0);
        le64(end, recordAt);
        le32(end, 1);  // disks
    }
    // The classic record repeats what fits; the rest reads "see zip64".
    const quint64 entries = std::min<quint64>(count, kClassicMaxEntries);
    le32(end, 0x06054b50);
    le16(end, 0);
    le16(end, 0);
    le16(end, static_cast<quint16>(entries));
    le16(end, static_cast<quint16>(entries));
    le32(end, static_cast<quint32>(size < m_zip64From ? size : 0xFFFFFFFFu));
    le32(end, static_cast<quint32>(start < m_zip64From ? start : 0xFFFFFFFFu));
    le16(end, 0);  // comment
    return end;
}

}  // namespace k7
