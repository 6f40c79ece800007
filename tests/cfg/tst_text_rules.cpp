// Rules on text: conditions (normal form, AND/OR grouping), menu lists, path
// splitting, numbers, and text files (encodings, line ends, what cannot be read).
#include "CfgRig.h"
#include "cfg/Conditions.h"
#include "cfg/NumberText.h"
#include "cfg/PathParts.h"
#include "cfg/TextFile.h"

#include <QTest>

#include <limits>

using namespace k7;
using namespace k7::test;

class TestTextRules : public QObject {
    Q_OBJECT
private slots:
    void normalForm_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("normal");
        QTest::newRow("negated list with or") << "Var2 not ceramic lithic or" << "Var2 NOT ceramic,lithic OR";
        QTest::newRow("comma and blank give an empty item") << "V a, b" << "V a,,b";
        QTest::newRow("word ending in or is no operator") << "V color" << "V color";
        QTest::newRow("not alone is a value") << "V not" << "V not";
        QTest::newRow("no values") << "V" << "V ";
    }
    void normalForm()
    {
        QFETCH(QString, text);
        QFETCH(QString, normal);
        QCOMPARE(NormalizeCondition(text), normal);
        QCOMPARE(NormalizeCondition(normal), normal);  // stable
    }

    void eval_data()
    {
        QTest::addColumn<QStringList>("conditions");  // of a fifth variable E
        QTest::addColumn<QStringList>("values");      // of A, B, C, D
        QTest::addColumn<int>("result");
        const auto row = [](const char* name, const QStringList& conditions, const QStringList& values, int result) {
            QTest::newRow(name) << conditions << values << result;
        };
        const QStringList sample{"A Lithic AND", "B Tool"};
        row("sample, both hold, any case", sample, {"lithic", "TOOL", "", ""}, 1);
        row("sample, second fails", sample, {"Lithic", "Core", "", ""}, 2);
        row("whole values only", {"A xy z"}, {"x", "", "", ""}, 2);
        row("negated", {"A not x"}, {"z", "", "", ""}, 1);
        row("unknown variable negated", {"Q not x"}, {"", "", "", ""}, 2);
        row("skipped value, quotes listed", {"A \"\" x"}, {"", "", "", ""}, 1);
        row("skipped value, empty item", {"A x, y"}, {"", "", "", ""}, 1);
        row("skipped value, negated", {"A not x"}, {"", "", "", ""}, 1);
        row("blank inside a value never matches", {"A big pot"}, {"big pot", "", "", ""}, 2);
        const QStringList orAnd{"A x OR", "B x AND", "C x"};
        row("(A or B) and C: B, C", orAnd, {"", "x", "x", ""}, 1);
        row("(A or B) and C: A, B", orAnd, {"x", "x", "", ""}, 2);
        const QStringList andOr{"A x AND", "B x OR", "C x"};
        row("A and (B or C): A, C", andOr, {"x", "", "x", ""}, 1);
        row("A and (B or C): A", andOr, {"x", "", "", ""}, 2);
        const QStringList groups{"A x OR", "B x AND", "C x OR", "D x"};
        row("(A or B) and (C or D): B, D", groups, {"", "x", "", "x"}, 1);
        row("(A or B) and (C or D): A, B", groups, {"x", "x", "", ""}, 2);
        row("no operator between two", {"A x", "B x"}, {"x", "x", "", ""}, 2);
        // With its operator missing the middle condition has no effect.
        const QStringList middle{"A x AND", "B x", "C x"};
        row("middle without operator, B false", middle, {"x", "", "x", ""}, 1);
        row("middle without operator, C false", middle, {"x", "x", "", ""}, 2);
    }
    void eval()
    {
        QFETCH(QStringList, conditions);
        QFETCH(QStringList, values);
        QFETCH(int, result);
        Model model;
        model.varcount = 5;
        std::vector<QString> record{QString()};
        for (int v = 1; v <= 5; ++v) {
            model.var(v).varname = QString(QChar('A' + v - 1));
            record.push_back(values.value(v - 1));
        }
        model.var(5).condcount = static_cast<int>(conditions.size());
        for (int k = 1; k <= model.var(5).condcount; ++k)
            model.var(5).condtext[static_cast<size_t>(k)] = NormalizeCondition(conditions.at(k - 1));
        QCOMPARE(EvalConditions(model, 5, record), result);
    }

    void splitMenu_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("blanks") << "Ceramic Lithic Bone" << kMaxVariables << QStringList{"Ceramic", "Lithic", "Bone"};
        QTest::newRow("two blanks give an empty item") << "a  b" << kMaxVariables << QStringList{"a", "", "b"};
        QTest::newRow("empty") << "" << kMaxVariables << QStringList{};
        QTest::newRow("stops when the table is full") << "a b c d" << 2 << QStringList{"a", "b"};
    }
    void splitMenu()
    {
        QFETCH(QString, menu);
        QFETCH(int, limit);
        QFETCH(QStringList, items);
        Model model;
        model.var(1).varmenu = menu;
        QCOMPARE(SplitMenu(model, 1, limit), items);
    }

    void splitPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("parts");  // folder, name, extension
        // Fixed: a dot in a folder name cut the name there.
        QTest::newRow("dotted folder") << "/dig.2024/site.cfg" << QStringList{"/dig.2024/", "site", "cfg"};
        QTest::newRow("hidden folder, no extension") << "~/.local/k7" << QStringList{"~/.local/", "k7", ""};
        QTest::newRow("backslashes") << "C:\\data\\finds.cfg" << QStringList{"C:\\data\\", "finds", "cfg"};
        QTest::newRow("mixed, two dots") << "a\\b/c.d.e" << QStringList{"a\\b/", "c", "d.e"};
        QTest::newRow("folder only") << "/tmp/" << QStringList{"/tmp/", "", ""};
    }
    void splitPath()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, parts);
        const PathParts split = SplitPath(path);
        QCOMPARE((QStringList{split.directory, split.name, split.extension}), parts);
    }

    void valNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("blanks, sign, trailing text") << "  -12.5cm" << -12.5;
        QTest::newRow("exponent") << "1.5e2x" << 150.0;
        QTest::newRow("exponent without digits is not one") << "3e" << 3.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("comma is not a decimal point") << "3,5" << 3.0;
        QTest::newRow("too small") << "1e-999" << 0.0;
        QTest::newRow("too large stays finite") << "1e999" << std::numeric_limits<double>::max();
    }
    void valNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(ValNumber(text), value);
    }

    void textFromBytes()
    {
        QCOMPARE(TextFile::fromBytes("a\r\nb\nc\rd\r\n\r\ne").lines, (QStringList{"a", "b", "c", "d", "", "e"}));
        QCOMPARE(TextFile::fromBytes("x\r").lines, QStringList{"x"});
        QCOMPARE(TextFile::fromBytes("\xEF\xBB\xBF[K7]").lines, QStringList{"[K7]"});
        QCOMPARE(TextFile::fromBytes(QByteArray("a\0b", 3)).lines.value(0).size(), 3);
        const TextFile utf8 = TextFile::fromBytes("Caf\xC3\xA9");
        QCOMPARE(utf8.encoding, TextEncoding::Utf8);
        QCOMPARE(utf8.lines.value(0), QString::fromUtf8("Café"));
        // Every byte of an 8-bit file survives a read and a write.
        const TextFile old = TextFile::fromBytes("Caf\xE9 \x80 \x81");
        QCOMPARE(old.encoding, TextEncoding::Windows1252);
        QCOMPARE(old.lines.value(0), QString::fromUtf8("Café € \u0081"));
        QCOMPARE(EncodeText(old.lines.value(0), old.encoding), QByteArray("Caf\xE9 \x80 \x81"));
    }

    void rewriteTurnsUtf8OnlyWhenTheOldEncodingCannotHoldTheText()
    {
        QTemporaryDir dir;
        const QString path = writeBytes(dir, "old.txt", "Caf\xE9\r\n");
        QCOMPARE(EncodingForRewrite(path, {QString::fromUtf8("Café")}), TextEncoding::Windows1252);
        const QStringList greek{QString::fromUtf8("Ωmega")};
        QCOMPARE(EncodingForRewrite(path, greek), TextEncoding::Utf8);
        QVERIFY(WriteTextFile(path, greek, TextEncoding::Windows1252));
        QCOMPARE(readBytes(path), QByteArray("\xCE\xA9mega\r\n"));
    }

    void unreadableInput()
    {
        QTemporaryDir dir;
        QFile huge(dir.filePath("huge.txt"));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(kMaxTextFileBytes + 1));  // sparse
        huge.close();
        // A device would never end, a huge file would fill the memory.
        for (const QString& path : {dir.filePath("missing.txt"), dir.path(), QString("/dev/zero"), huge.fileName()}) {
            const TextFile file = TextFile::read(path);
            QVERIFY2(!file.ok() && file.lines.isEmpty(), qPrintable(path));
        }
    }
};

QTEST_GUILESS_MAIN(TestTextRules)
#include "tst_text_rules.moc"
