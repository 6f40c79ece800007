// Path splitting, numbers in text, and text files (encodings, line ends,
// atomic rewrite).
#include "CfgTestFiles.h"
#include "cfg/NumberText.h"
#include "cfg/PathParts.h"
#include "cfg/TextFile.h"

#include <QFileInfo>
#include <QTest>

#include <limits>

using namespace k7;
using namespace k7::test;

class TestTextRules : public QObject {
    Q_OBJECT
private slots:
    void splitPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extension");
        QTest::newRow("plain") << "/home/a/finds.cfg" << "/home/a/" << "finds" << "cfg";
        QTest::newRow("dotted folder") << "/dig.2024/site.cfg" << "/dig.2024/" << "site" << "cfg";
        QTest::newRow("hidden folder, no extension") << "~/.local/k7" << "~/.local/" << "k7" << "";
        QTest::newRow("backslashes") << "C:\\data\\finds.cfg" << "C:\\data\\" << "finds" << "cfg";
        QTest::newRow("mixed separators") << "a\\b/c.d.e" << "a\\b/" << "c" << "d.e";
        QTest::newRow("bare name") << "finds.cfg" << "" << "finds" << "cfg";
        QTest::newRow("folder only") << "/tmp/" << "/tmp/" << "" << "";
        QTest::newRow("empty") << "" << "" << "" << "";
    }
    void splitPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, directory);
        QFETCH(QString, name);
        QFETCH(QString, extension);
        const PathParts parts = SplitPath(path);
        QCOMPARE(parts.directory, directory);
        QCOMPARE(parts.name, name);
        QCOMPARE(parts.extension, extension);
    }

    void valNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("digits") << "20" << 20.0;
        QTest::newRow("blanks, sign, trailing text") << "  -12.5cm" << -12.5;
        QTest::newRow("plus sign") << "+7" << 7.0;
        QTest::newRow("exponent") << "1.5e2x" << 150.0;
        QTest::newRow("exponent without digits is not one") << "3e" << 3.0;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("trailing point") << "4." << 4.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("comma is not a decimal point") << "3,5" << 3.0;
        QTest::newRow("too small") << "1e-999" << 0.0;
    }
    void valNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(ValNumber(text), value);
    }
    void valNumberStaysFiniteWhenTooLarge()
    {
        QCOMPARE(ValNumber("1e999"), std::numeric_limits<double>::max());
        QCOMPARE(ValNumber("-1e999"), -std::numeric_limits<double>::max());
    }

    void shortestForms_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("single");
        QTest::newRow("integer") << 20.0 << "20" << "20";
        QTest::newRow("fraction") << 12.57 << "12.57" << "12.57";
        QTest::newRow("third") << 1.0 / 3 << "0.3333333333333333" << "0.33333334";
        QTest::newRow("negative zero") << -0.0 << "0" << "0";
        QTest::newRow("large") << 1e21 << "1e+21" << "1e+21";
    }
    void shortestForms()
    {
        QFETCH(double, value);
        QFETCH(QString, number);
        QFETCH(QString, single);
        QCOMPARE(ShortestNumber(value), number);
        QCOMPARE(ShortestSingle(value), single);
        QCOMPARE(ValNumber(ShortestNumber(value)), value == 0 ? 0.0 : value);
    }

    void lineEnds()
    {
        const TextFile file = TextFile::fromBytes("a\r\nb\nc\rd\r\n\r\ne");
        QCOMPARE(file.lines, (QStringList{"a", "b", "c", "d", "", "e"}));
        QCOMPARE(TextFile::fromBytes("").lines, QStringList{});
        QCOMPARE(TextFile::fromBytes("\r\n").lines, QStringList{""});
        QCOMPARE(TextFile::fromBytes("x\r").lines, QStringList{"x"});
    }

    void encodings()
    {
        const TextFile utf8 = TextFile::fromBytes("Caf\xC3\xA9");
        QCOMPARE(utf8.encoding, TextEncoding::Utf8);
        QCOMPARE(utf8.lines.value(0), QString::fromUtf8("Café"));

        const TextFile old = TextFile::fromBytes("Caf\xE9 \x80 \x81");
        QCOMPARE(old.encoding, TextEncoding::Windows1252);
        QCOMPARE(old.lines.value(0), QString::fromUtf8("Café € \u0081"));
        // Every byte survives a read and a write in the same encoding.
        QCOMPARE(EncodeText(old.lines.value(0), old.encoding), QByteArray("Caf\xE9 \x80 \x81"));

        const TextFile marked = TextFile::fromBytes("\xEF\xBB\xBF[K7]");
        QCOMPARE(marked.lines.value(0), QString("[K7]"));

        const TextFile nul = TextFile::fromBytes(QByteArray("a\0b", 3));
        QCOMPARE(nul.lines.value(0).size(), 3);
    }

    void rewriteKeepsEncodingUnlessItCannotHoldTheText()
    {
        QTemporaryDir dir;
        const QString path = writeBytes(dir, "old.txt", "Caf\xE9\r\n");
        const QStringList latin{QString::fromUtf8("Café")};
        QCOMPARE(EncodingForRewrite(path, latin), TextEncoding::Windows1252);
        QVERIFY(WriteTextFile(path, latin, TextEncoding::Windows1252));
        QCOMPARE(readBytes(path), QByteArray("Caf\xE9\r\n"));

        const QStringList greek{QString::fromUtf8("Ωmega")};
        QCOMPARE(EncodingForRewrite(path, greek), TextEncoding::Utf8);
        QVERIFY(WriteTextFile(path, greek, TextEncoding::Windows1252));
        QCOMPARE(readBytes(path), QByteArray("\xCE\xA9mega\r\n"));
    }

    void unreadableInput()
    {
        QTemporaryDir dir;
        QVERIFY(!TextFile::read(dir.filePath("missing.txt")).ok());
        QVERIFY(!TextFile::read(dir.path()).ok());
        QVERIFY(TextFile::read(dir.path()).lines.isEmpty());
        QVERIFY(!TextFile::read("/dev/zero").ok());  // would never end
        const QString huge = dir.filePath("huge.txt");
        QFile file(huge);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(kMaxTextFileBytes + 1));  // sparse: no disk used
        file.close();
        QVERIFY(!TextFile::read(huge).ok());
    }

    void failedWriteLeavesOldFileWhole()
    {
        QTemporaryDir dir;
        const QString blocker = writeBytes(dir, "notafolder", "x");
        QString error;
        QVERIFY(!WriteTextFile(blocker + "/inside.txt", {"a"}, TextEncoding::Utf8, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!WriteTextFile(dir.path(), {"a"}, TextEncoding::Utf8));
        QVERIFY(QFileInfo(dir.path()).isDir());

        // A folder that may not be written to; root is not held back by it.
        const QString path = writeBytes(dir, "kept.txt", "old\r\n");
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        const bool written = WriteTextFile(path, {"new"}, TextEncoding::Utf8);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (written)
            QSKIP("running with rights that ignore a read-only folder");
        QCOMPARE(readBytes(path), QByteArray("old\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);  // no temporary left
    }
};

QTEST_GUILESS_MAIN(TestTextRules)
#include "tst_text_rules.moc"
