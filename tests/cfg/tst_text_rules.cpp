// Rules on text: conditions (normal form, AND/OR grouping), menu lists, path
// splitting, numbers, and text files (encodings, line ends, what cannot be read).
#include "CfgRig.h"
#include "cfg/Conditions.h"
#include "cfg/NumberText.h"
#include "cfg/PathParts.h"
#include "cfg/TextFile.h"

#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {
enum Rule { Condition, Menu, Path, Number, Single };
}  // namespace

class TestTextRules : public QObject {
    Q_OBJECT
private slots:
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

    // Text in, text out: condition normal forms, menu items, path parts, and
    // numbers read from the start of a text and written in their shortest form.
    void rules_data()
    {
        QTest::addColumn<int>("rule");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");
        const auto row = [](const char* name, Rule rule, const QString& text, const QString& result) {
            QTest::newRow(name) << int(rule) << text << result;
        };
        row("condition: negated list with or", Condition, "Var2 not ceramic lithic or", "Var2 NOT ceramic,lithic OR");
        row("condition: comma and blank give an empty item", Condition, "V a, b", "V a,,b");
        row("condition: word ending in or is no operator", Condition, "V color", "V color");
        row("condition: not alone is a value", Condition, "V not", "V not");
        row("condition: no values", Condition, "V", "V ");
        row("menu: blanks", Menu, "Ceramic Lithic Bone", "Ceramic|Lithic|Bone");
        row("menu: two blanks give an empty item", Menu, "a  b", "a||b");
        row("menu: commas and blanks", Menu, " a , b ,c ", "a|b|c");
        // Fixed: a dot in a folder name cut the name there.
        row("path: dotted folder", Path, "/dig.2024/site.cfg", "/dig.2024/|site|cfg");
        row("path: hidden folder, no extension", Path, "~/.local/k7", "~/.local/|k7|");
        row("path: backslashes", Path, "C:\\data\\finds.cfg", "C:\\data\\|finds|cfg");
        row("path: mixed, two dots", Path, "a\\b/c.d.e", "a\\b/|c|d.e");
        row("path: folder only", Path, "/tmp/", "/tmp/||");
        row("number: blanks, sign, trailing text", Number, "  -12.5cm", "-12.5");
        row("number: exponent", Number, "1.5e2x", "150");
        row("number: exponent without digits is not one", Number, "3e", "3");
        row("number: none", Number, "abc", "0");
        row("number: comma is not a decimal point", Number, "3,5", "3");
        row("number: too small", Number, "1e-999", "0");
        row("number: too large stays finite", Number, "1e999", "1.7976931348623157e+308");
        row("number: shortest form that reads back", Number, "0.33333333333333331", "0.3333333333333333");
        row("number: shortest single form", Single, "0.33333333333333331", "0.33333334");
    }
    void rules()
    {
        QFETCH(int, rule);
        QFETCH(QString, text);
        QFETCH(QString, result);
        Model model;
        model.var(1).varmenu = text;
        const PathParts path = SplitPath(text);
        const QString got = rule == Condition ? NormalizeCondition(text)
                            : rule == Menu    ? SplitMenu(model, 1).join('|')
                            : rule == Path    ? path.directory + '|' + path.name + '|' + path.extension
                            : rule == Number  ? ShortestNumber(ValNumber(text))
                                              : ShortestSingle(ValNumber(text));
        QCOMPARE(got, result);
        if (rule == Condition)
            QCOMPARE(NormalizeCondition(result), result);  // stable
    }

    void textFromBytes()
    {
        QCOMPARE(TextFile::fromBytes("a\r\nb\nc\rd\r\n\r\ne").lines, (QStringList{"a", "b", "c", "d", "", "e"}));
        QCOMPARE(TextFile::fromBytes("x\r").lines, QStringList{"x"});
        QCOMPARE(TextFile::fromBytes("\xEF\xBB\xBF[K7]").lines, QStringList{"[K7]"});
        QCOMPARE(TextFile::fromBytes("Caf\xC3\xA9").encoding, TextEncoding::Utf8);
        // Every byte of an 8-bit file survives a read and a write.
        const TextFile old = TextFile::fromBytes("Caf\xE9 \x80 \x81");
        QCOMPARE(old.encoding, TextEncoding::Windows1252);
        QCOMPARE(old.lines.value(0), QString::fromUtf8("Café € \u0081"));
        QCOMPARE(EncodeText(old.lines.value(0), old.encoding), QByteArray("Caf\xE9 \x80 \x81"));
    }

    void rewriteTurnsUtf8WhenTheOldEncodingCannotHoldTheText()
    {
        QTemporaryDir dir;
        const QString path = writeFile(dir, "old.txt", "Caf\xE9\r\n");
        QVERIFY(WriteTextFile(path, {QString::fromUtf8("Ωmega")}, TextEncoding::Windows1252));
        QCOMPARE(readFile(path), QByteArray("\xCE\xA9mega\r\n"));
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
