// The Excel writer's own parts: the zip it streams, read back by Python's
// zipfile with every CRC checked, in its classic and zip64 forms; the forms
// it gives cell text and numbers; and workbooks of awkward text, numbers a
// cell cannot hold and many columns, read back as Excel reads them.

#include "StatsReadBack.h"

#include "support/CaseTable.h"
#include "support/FileSizeLimit.h"

#include "exports/xlsx/CellXml.h"
#include "exports/xlsx/ZipWriter.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <cmath>
#include <limits>
#include <optional>

using namespace k7;
using namespace k7::test;

namespace {

struct ZipEntry {
    QByteArray name;
    QByteArray data;
};

// Text that deflates well and bytes that do not, in pieces of awkward sizes
// so that both cross the writer's buffers at odd places.
QByteArray mixedBytes(qsizetype size)
{
    QByteArray bytes;
    QRandomGenerator random(7);
    while (bytes.size() < size) {
        bytes += "<row r=\"" + QByteArray::number(bytes.size()) + "\"><c><v>1.5</v></c></row>";
        for (int i = 0; i < 40; ++i)
            bytes += static_cast<char>(random.bounded(256));
    }
    bytes.truncate(size);
    return bytes;
}

QList<ZipEntry> sampleEntries()
{
    return {{"[Content_Types].xml", "<?xml version=\"1.0\"?><Types/>"},
            {"empty", QByteArray()},
            {"xl/worksheets/sheet1.xml", mixedBytes(3 * 1024 * 1024 + 17)},
            {"after/\xC3\xA9t\xC3\xA9.xml", "<late/>"}};
}

// Writes `entries` to `path`, the large one in pieces of awkward sizes.
bool writeZip(const QString& path, const QList<ZipEntry>& entries, quint64 zip64From, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    ZipWriter zip(file, zip64From);
    bool written = true;
    for (const ZipEntry& entry : entries) {
        written = written && zip.startEntry(entry.name, ZipWriter::Effort::Fast);
        const qsizetype pieces[] = {1, 7, 4093, 65539, 1 << 20};
        for (qsizetype at = 0, p = 0; written && at < entry.data.size(); at += pieces[p++ % 5])
            written = zip.write(QByteArrayView(entry.data).sliced(at, std::min(pieces[p % 5], entry.data.size() - at)));
    }
    written = written && zip.finish();
    *error = zip.error();
    return written;
}

QByteArray sha256(const QByteArray& data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

// Skips the test when this K7 cannot write a workbook or python3 cannot read one back.
#define SKIP_WITHOUT_EXCEL()                            \
    do {                                                \
        SKIP_WITHOUT_WRITER(QStringLiteral("x.xlsx"));  \
        if (!hasPython())                               \
            QSKIP("python3 is not installed");          \
    } while (false)

}  // namespace

class TestXlsx : public QObject {
    Q_OBJECT
private slots:
    // The zip64 forms where a size or offset reaches `zip64From`: the big
    // entry's sizes (central record and data descriptor), the offset of the
    // entry after it (central record only), and the central directory's end.
    void zipReadsBack_data()
    {
        QTest::addColumn<quint64>("zip64From");
        QTest::addColumn<QString>("zip64");
        QTest::addColumn<QString>("descriptors");
        QTest::addColumn<bool>("zip64End");
        QTest::newRow("classic") << quint64(ZipWriter::kClassicLimit) << "0 0 0 0"
                                 << "classic classic classic classic" << false;
        QTest::newRow("zip64 from 1 MB") << quint64(1 << 20) << "0 0 1 1"
                                         << "classic classic zip64 classic" << true;
        QTest::newRow("zip64 throughout") << quint64(0) << "1 1 1 1"
                                          << "zip64 zip64 zip64 zip64" << true;
    }
    void zipReadsBack()
    {
        QFETCH(quint64, zip64From);
        QFETCH(QString, zip64);
        QFETCH(QString, descriptors);
        QFETCH(bool, zip64End);
        if (!hasPython())
            QSKIP("python3 is not installed");
        QTemporaryDir dir;
        const QString path = dir.filePath("test.zip");
        const QList<ZipEntry> entries = sampleEntries();
        QString error;
        QVERIFY2(writeZip(path, entries, zip64From, &error), qPrintable(error));

        const std::optional<QByteArray> json = runReader("python3", "read-zip.py", path);
        QVERIFY(json);
        const QJsonObject read = QJsonDocument::fromJson(*json).object();
        const QJsonArray readEntries = read.value("entries").toArray();
        QCOMPARE(readEntries.size(), entries.size());
        QStringList readZip64, readDescriptors;
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const QJsonObject entry = readEntries.at(i).toObject();
            QCOMPARE(entry.value("name").toString(), QString::fromUtf8(entries[i].name));
            QCOMPARE(entry.value("size").toInteger(), entries[i].data.size());
            QCOMPARE(entry.value("sha256").toString().toLatin1(), sha256(entries[i].data));
            readZip64 << (entry.value("zip64").toBool() ? "1" : "0");
            readDescriptors << entry.value("descriptor").toString();
        }
        QCOMPARE(readZip64.join(' '), zip64);
        QCOMPARE(readDescriptors.join(' '), descriptors);
        QCOMPARE(read.value("zip64 end").toBool(), zip64End);
    }

    // A write the disk refuses fails the writing, with the reason.
    void zipWriteFailureIsReported()
    {
        QTemporaryDir dir;
        QString error;
        bool written = true;
        {
            FileSizeLimit limit(64 * 1024);
            QVERIFY(limit.ok());
            written = writeZip(dir.filePath("full.zip"), sampleEntries(), ZipWriter::kClassicLimit, &error);
        }
        QVERIFY(!written);
        QVERIFY(!error.isEmpty());
    }

    void cellText_data() { addCaseRows("exports/cell-text.tsv"); }
    void cellText()
    {
        QFETCH(Case, c);
        const QByteArray text = c.bytes("text");
        std::string out = "<t>";
        AppendCellText(out, text);
        QCOMPARE(QByteArray::fromStdString(out), "<t>" + c.bytes("xml"));
        QCOMPARE(NeedsSpacePreserved(text), c.yes("preserved"));
    }

    // The shortest text that reads back as the same double; none for the
    // values a cell cannot hold.
    void cellNumber_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("zero") << 0.0 << QByteArray("0");
        QTest::newRow("negative zero") << -0.0 << QByteArray("0");
        QTest::newRow("whole") << -1234567.0 << QByteArray("-1234567");
        QTest::newRow("largest whole printed whole") << 999999999999999.0 << QByteArray("999999999999999");
        QTest::newRow("large") << 1e20 << QByteArray("1e+20");
        QTest::newRow("fraction") << -3.25 << QByteArray("-3.25");
        QTest::newRow("seventeen digits") << 0.1 + 0.2 << QByteArray("0.30000000000000004");
        QTest::newRow("small") << 1e-7 << QByteArray("1e-07");
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << QByteArray();
        QTest::newRow("NaN") << std::nan("") << QByteArray();
    }
    void cellNumber()
    {
        QFETCH(double, value);
        QFETCH(QByteArray, text);
        std::string out;
        QCOMPARE(AppendCellNumber(out, value), !text.isEmpty());
        QCOMPARE(QByteArray::fromStdString(out), text);
        if (!text.isEmpty())
            QCOMPARE(std::stod(out), value);
    }

    void columnLetters()
    {
        QStringList letters;
        for (int column : {0, 25, 26, 51, 701, 702, 16383})
            letters << QString::fromLatin1(ColumnLetters(column));
        QCOMPARE(letters, (QStringList{"A", "Z", "AA", "AZ", "ZZ", "AAA", "XFD"}));
    }

    // Text as Excel reads it back: control characters, CR LF, blanks at the
    // ends, text that looks like an escape, markup. Infinite numbers leave
    // their cells empty and are counted in the closing message.
    void awkwardValuesReadBack()
    {
        SKIP_WITHOUT_EXCEL();
        StoreRig rig;
        rig.add("Note", TypeText, 60);
        rig.add("Size", TypeNumeric);
        QVERIFY(openTable(rig,
                          {"CREATE TABLE T (Note VARCHAR(60), Size REAL)",
                           "INSERT INTO T VALUES ('a' || char(1) || 'b' || char(13) || char(10) || 'c', 1e999)",
                           "INSERT INTO T VALUES ('  both ends  ', -1e999)",
                           "INSERT INTO T VALUES ('_x0041_ <b>&amp;</b>', 2.5)",
                           "INSERT INTO T VALUES ('tab' || char(9) || 'end' || char(65535), 7)"}));
        const QString out = rig.path("awkward.xlsx");
        const ExportResult result = exportTable(rig, out);
        QCOMPARE(result.outcome, ExportOutcome::Written);
        QVERIFY2(result.notes.contains("2 number(s) too large for an Excel cell were left empty."),
                 qPrintable(result.notes.join('\n')));
        const std::optional<ReadBack> read = readWithPython(out);
        QVERIFY(read);
        QCOMPARE(read->names, (QStringList{"Note", "Size"}));
        const QList<QStringList> rows{{"a\x01"
                                       "b\r\nc"},
                                      {"  both ends  "},
                                      {"_x0041_ <b>&amp;</b>", "2.5"},
                                      {"tab\tend" + QString(QChar(0xFFFF)), "7"}};
        QCOMPARE(read->rows, rows);
        QCOMPARE(read->widths, (QStringList{"1=50.7109375", "2=10.7109375"}));
        QVERIFY(read->headerFrozen);
    }

    // A cell holds 32767 characters (not bytes): one more fails the export
    // with the reason, and the older file stays.
    void textLongerThanACellFails()
    {
        SKIP_WITHOUT_EXCEL();
        const QString longest = "replace(printf('%.*c', 32767, 'x'), 'x', char(233))";
        StoreRig rig;
        rig.add("Note", TypeText, 255);
        QVERIFY(openTable(rig,
                          {"CREATE TABLE T (Note VARCHAR(255))", "INSERT INTO T VALUES (" + longest + ")",
                           "INSERT INTO T VALUES (printf('%.*c', 32768, 'a'))"}));
        const QString out = rig.path("long.xlsx");
        QVERIFY(writeFile(out, "old"));
        const ExportResult result = exportTable(rig, out);
        QCOMPARE(result.outcome, ExportOutcome::Failed);
        QCOMPARE(result.error, QString("Note holds text of 32768 characters; an Excel cell holds at most 32767."));
        QCOMPARE(readFile(out), QByteArray("old"));

        StoreRig fits;
        fits.add("Note", TypeText, 255);
        QVERIFY(openTable(fits, {"CREATE TABLE T (Note VARCHAR(255))", "INSERT INTO T VALUES (" + longest + ")"}));
        QCOMPARE(exportTable(fits, out).outcome, ExportOutcome::Written);
        const std::optional<ReadBack> read = readWithPython(out);
        QVERIFY(read);
        QCOMPARE(read->rows, QList<QStringList>{{QString(32767, QChar(0xE9))}});
    }

    // Columns past Z are named AA, AB ...: each value under its own name.
    void wideTableReadsBack()
    {
        SKIP_WITHOUT_EXCEL();
        StoreRig rig;
        QStringList names, values;
        for (int c = 1; c <= 30; ++c) {
            names << "N" + QString::number(c);
            rig.add(names.last(), TypeNumeric);
            values << QString::number(c * 10);
        }
        QVERIFY(openTable(rig, {"CREATE TABLE T (" + names.join(" REAL, ") + " REAL)",
                                "INSERT INTO T VALUES (" + values.join(", ") + ")"}));
        const QString out = rig.path("wide.xlsx");
        QCOMPARE(exportTable(rig, out).outcome, ExportOutcome::Written);
        const std::optional<ReadBack> read = readWithPython(out);
        QVERIFY(read);
        QCOMPARE(read->names, names);
        QCOMPARE(read->rows, QList<QStringList>{values});
    }
};

QTEST_GUILESS_MAIN(TestXlsx)
#include "tst_xlsx.moc"
