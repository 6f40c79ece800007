// Reading CFG files in the current and the predecessor format: values and
// warnings, errors with their line numbers, the conversion with its questions
// and backup, and input that is not a CFG at all. Then the rules on text:
// conditions (normal form, AND/OR grouping), menu lists, path splitting,
// numbers, server URIs as database names, and text files (encodings, line
// ends, what cannot be read).
#include "CfgRig.h"
#include "support/CaseTable.h"
#include "cfg/CfgConversion.h"
#include "cfg/CfgWriter.h"
#include "cfg/Conditions.h"
#include "cfg/ModelPreparation.h"
#include "cfg/NumberText.h"
#include "cfg/OptionKeys.h"
#include "cfg/PathParts.h"
#include "cfg/ServerUri.h"
#include "cfg/TextFile.h"

#include <QElapsedTimer>
#include <QFileInfo>

using namespace k7;
using namespace k7::test;

namespace {

enum Rule { Condition, Menu, Path, Number, Single, Server, Shown };

QStringList variables(int count)
{
    QStringList lines{"[K7]"};
    for (int v = 1; v <= count; ++v)
        lines << QString("[V%1]").arg(v);
    return lines;
}

// Finds in the predecessor's format, with continued lines, a menu list and a
// prompt longer than the 60 characters kept.
const QByteArray kOldCfg = readFile(K7_TEST_DATA "/cfg/old-finds.cfg");

const QString kConvert = QStringLiteral(
    "This configuration file is an older format compatible with Keyset Six (the DOS version of "
    "this program).  Would you like to convert it to the new K7 format (all comment lines after "
    "the first active line of your CFG will be lost - a backup will be made of your current "
    "configuration file) ?");

}  // namespace

class TestCfgReader : public QObject {
    Q_OBJECT
private slots:
    void values()
    {
        QTemporaryDir dir;
        for (const char* name : {"look up.mdb", "help.txt", "in.wav", "README"})
            writeFile(dir, name, "x");
        const QString results = writeFile(dir, "Results.txt", "1\t2\n");
        CfgRead r;
        // "@" is the CFG's folder. Files named elsewhere are found beside the CFG
        // (README too, without an extension); B's Condition3 is not read
        // without a Condition2.
        const QByteArray cfg = readFile(K7_TEST_DATA "/cfg/values.in").replace('@', dir.path().toUtf8());
        readCfg(r, writeFile(dir, "test.cfg", cfg));
        QCOMPARE(r.error.text, QString(" ERROR: TRUE is an unrecognized variable TYPE. "));
        QCOMPARE(r.model.options[OptCom], QString("COM1:9600,N,8,1"));
        QCOMPARE(r.model.imagejstamp.value_or(QDateTime()), QFileInfo(results).lastModified());
        const Variable& a = r.model.var(1);
        QCOMPARE((QList<double>{double(a.vartype), double(a.varcarry), double(a.varskip), a.varlength}),
                 (QList<double>{TypeText, 1, 0, 255}));
        QCOMPARE((QStringList{a.varname, a.varlookup, a.varinfo, a.varwavein}),
                 (QStringList{" Site A ", dir.filePath("look up.mdb") + " Finds", "help.txt", "in.wav"}));
        QCOMPARE(r.dialogs.shown(), (QStringList{"Warning: Could not find Info File nohelp.txt for field B [64]",
                                                 "Warning: Could not find Sound In file none.wav for field B [64]",
                                                 "Warning: Could not find Sound Out file gone.wav for field B [64]"}));
        QCOMPARE(r.model.var(2).condcount, 1);  // naming itself
        const Variable& c = r.model.var(3);
        // Sqid's own length; a Length key overrides it; a negative length is no length.
        QCOMPARE((QList<double>{r.model.var(2).varlength, c.varlength, c.varimagej, r.model.var(5).varlength}),
                 (QList<double>{11, 0, 3.5, 0}));
        QCOMPARE((QStringList{c.varprompt, c.varmenu, c.varinfo}),
                 (QStringList{QString("one") + QChar(1) + "two", "Finds", "README"}));
        QCOMPARE(r.model.var(4).vartype, int(TypeImageJ));
    }

    void predecessorNamesAndFiles()
    {
        // A variable named like a file-wide command never gets its statements;
        // files found beside the CFG are stored with its folder.
        QTemporaryDir dir;
        writeFile(dir, "Help.txt", "x");
        Model model;
        model.cfgpath = writeFile(dir, "f.cfg", crlf({"FIELD: COM", "COM: PROMPT x", "FIELD: A", "A: INFO Help.txt"}));
        ScriptedDialogs dialogs;  // no question when only checking
        QCOMPARE(ReadCfg(model, dialogs, CfgReadMode::Check).text, QString());
        QCOMPARE(model.options[OptCom], QString("PROMPT X"));
        QVERIFY(model.var(1).varprompt.isEmpty());
        QCOMPARE(model.var(2).varinfo, dir.filePath("Help.txt"));
        QVERIFY(dialogs.messages().isEmpty());
    }

    void errors_data()
    {
        addCaseRows("cfg/read-errors.tsv");
        // Limits, on CFGs too long for a table.
        const auto row = [](const char* name, const QStringList& lines, const QString& text, int line) {
            QTest::newRow(name) << Case(name, {{"lines", lines.join('|')}, {"text", text}, {"line", QString::number(line)}});
        };
        row("B 501st variable", variables(501), "ERROR: Too many FIELD definitions.  Limit is  500.", 502);
        row("A tested before B", variables(500) << "[v7]", "ERROR: Duplicate FIELD definition for v7 ", 502);
    }
    void errors()
    {
        QFETCH(Case, c);
        const QStringList lines = c.list("lines");
        QTemporaryDir dir;
        CfgRead r;
        readCfg(r, writeFile(dir, "e.cfg", crlf(lines)));  // no question may be asked
        QCOMPARE(r.error.text, c.text("text"));
        QCOMPARE(r.error.line, c.number("line"));
        QVERIFY(r.dialogs.messages().isEmpty());
        QCOMPARE(readFile(r.model.cfgpath), crlf(lines));
    }

    void conversion_data() { addCaseRows("cfg/conversion.tsv"); }
    void conversion()
    {
        QFETCH(Case, c);
        const QString inTheWay = c.text("in the way");
        QTemporaryDir dir;
        const QString backup = dir.filePath("k6_site.bak");  // the name ends at its first "."
        if (inTheWay == "file")
            writeFile(dir, "k6_site.bak", "older backup");
        if (inTheWay == "folder")
            QVERIFY(QDir(dir.path()).mkdir("k6_site.bak"));
        CfgRead r;
        r.dialogs.queueAnswers(c.list("answers"));
        QVERIFY2(readCfg(r, writeFile(dir, "site.old.cfg", kOldCfg)), qPrintable(r.error.text));
        const QString notWritten = "New configuration file will not be written.";
        const QHash<QString, QString> named{{"ask", kConvert + " [36]"},
                                            {"replace", "Ok to replace existing file" + backup + " [292]"},
                                            {"kept", notWritten + " [64]"},
                                            {"no backup", "Error.  Could not make the backup " + backup + ".  " + notWritten + " [16]"}};
        QStringList shown;
        for (const QString& key : c.list("shown"))
            shown << named.value(key);
        QCOMPARE(r.dialogs.shown(), shown);

        const bool converted = c.yes("converted");
        QCOMPARE(r.model.cfgunconverted, !converted);
        QVERIFY(NormalizeModel(r.model, r.dialogs));
        const Model& m = r.model;  // as read from the old file, and prepared
        // A path keeps its case; a prompt keeps its first 60 characters; no INPUT is text.
        QCOMPARE((QStringList{m.options[OptFilename], m.options[OptInstrument], m.var(1).varprompt, m.var(2).varmenu,
                              m.var(3).condtext[1], m.var(4).varprompt}),
                 (QStringList{"Finds.mdb", "KEYBOARD", "ENTER THE  ARTIFACT  NUMBER", "BONE,SHELL", "KIND BONE",
                              QString("123456789 ").repeated(6).trimmed()}));
        QCOMPARE(m.var(2).varlength, 60.0);
        QCOMPARE(m.var(4).vartype, int(TypeText));
        if (!converted) {  // declining leaves the old file and any older backup alone
            QCOMPARE(readFile(m.cfgpath), kOldCfg);
            QCOMPARE(readFile(backup), QByteArray(inTheWay == "file" ? "older backup" : ""));
            QCOMPARE(QFileInfo(backup).isDir(), inTheWay == "folder");
            return;
        }
        QCOMPARE(readFile(backup), kOldCfg);
        // The converted file reads as a current-format CFG with the same
        // variables; the Output value was once lost on the way.
        CfgRead again;
        QVERIFY2(readCfg(again, m.cfgpath), qPrintable(again.error.text));
        QCOMPARE(CfgLines(again.model), CfgLines(m));
        QCOMPARE(again.model.var(1).varoutput, QString("F8.2"));
        // Opening the converted file again changes nothing: no BackColor
        // appears and the cut prompt keeps its text.
        const QByteArray prepared = readFile(m.cfgpath);
        QVERIFY(NormalizeModel(again.model, again.dialogs));
        QCOMPARE(readFile(m.cfgpath), prepared);
    }

    // Fixed: these converted to files that the next opening refused or read
    // with a variable missing. Nothing is asked, written or backed up; the
    // model read from the old file is used.
    void unconvertible_data() { addCaseRows("cfg/unconvertible.tsv"); }
    void unconvertible()
    {
        QFETCH(Case, c);
        const QString why = c.text("why");  // the box is an exclamation
        QTemporaryDir dir;
        const QByteArray old = readFile(K7_TEST_DATA "/cfg/" + c.text("file"));
        CfgRead r;
        // No answer queued: a question fails.
        QVERIFY2(readCfg(r, writeFile(dir, "site.cfg", old)), qPrintable(r.error.text));
        QCOMPARE(r.dialogs.shown(), QStringList{"This configuration file cannot be converted to the new K7 format, "
                                                "because field " + why + "  The file is left unchanged and used as it is. [48]"});
        QVERIFY(r.model.cfgunconverted && r.model.varcount > 0);
        QVERIFY(NormalizeModel(r.model, r.dialogs));
        QCOMPARE(readFile(r.model.cfgpath), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"site.cfg"});  // no backup
    }

    // An old SOUND statement with any text after its colon, blanks
    // included, turns the sound on, and the converted file keeps it on
    // (mended: blanks were written as nothing, which reads as off).
    void soundSurvivesConversion_data() { addCaseRows("cfg/old-sound.tsv"); }
    void soundSurvivesConversion()
    {
        QFETCH(Case, c);
        const bool on = c.yes("on");
        QTemporaryDir dir;
        CfgRead r;
        const QString path = writeFile(dir, "site.cfg", crlf(c.list("lines")));
        QVERIFY2(readCfg(r, path, {Answer::Yes}), qPrintable(r.error.text));
        QCOMPARE(r.dialogs.shown(), QStringList{kConvert + " [36]"});
        QVERIFY(!r.model.cfgunconverted);
        QCOMPARE(r.model.options.on(OptSound), on);
        CfgRead again;
        QVERIFY2(readCfg(again, r.model.cfgpath), qPrintable(again.error.text));
        QCOMPARE(again.model.options.on(OptSound), on);
    }

    // The check before a conversion compares the options as well as the
    // variables: an option that would read back otherwise stops it.
    void conversionComparesOptions_data() { addCaseRows("cfg/conversion-options.tsv"); }
    void conversionComparesOptions()
    {
        QFETCH(Case, c);
        const QString option = c.text("option");
        QTemporaryDir dir;
        Model m;
        m.cfgpath = dir.filePath("site.cfg");
        m.varcount = 1;
        m.var(1).varname = "A";
        m.var(1).vartype = TypeText;
        m.options[OptBackColor] = kWhiteColorNumber;
        const auto key = std::find_if(std::begin(kOptionKeys), std::end(kOptionKeys),
                                      [&](const OptionKey& k) { return option == k.key; });
        QVERIFY(key != std::end(kOptionKeys));
        m.options[key->slot] = c.text("value");
        const QString expected = !c.yes("changed") ? QString()
            : "This configuration file cannot be converted to the new K7 format, because its option " + option
                  + " would read back changed.  The file is left unchanged and used as it is.";
        QCOMPARE(ConversionObstacle(m), expected);
    }

    void badInput_data()
    {
        addCaseRows("cfg/bad-input.tsv");
        // Too large for a table (plain ASCII: the cell is taken as it is).
        const auto row = [](const char* name, const QByteArray& bytes, int count) {
            QTest::newRow(name) << Case(name, {{"bytes", QString::fromLatin1(bytes)}, {"line", "-1"},
                                               {"count", QString::number(count)}});
        };
        const QByteArray comment = "'a comment line that is repeated to make a large file\r\n";
        row("1 MB line", "[K7]\r\n[V]\r\nPrompt=" + QByteArray(1 << 20, 'x'), 1);
        row("10 MB", "[K7]\r\n[V]\r\n" + comment.repeated(10 * 1024 * 1024 / comment.size() + 1), 1);
        row("500 variables", crlf(variables(500)), 500);
    }
    void badInput()
    {
        QFETCH(Case, c);
        const QByteArray bytes = c.bytes("bytes");
        const int line = c.number("line");  // of the error; -1 when the file reads
        QTemporaryDir dir;
        CfgRead r;
        QElapsedTimer timer;
        timer.start();
        readCfg(r, writeFile(dir, "bad.cfg", bytes));
        QVERIFY(timer.elapsed() < 10000);
        QCOMPARE(readFile(r.model.cfgpath), bytes);
        QCOMPARE(r.error.failed(), line >= 0);
        if (line >= 0)
            QCOMPARE(r.error.line, line);
        QCOMPARE(r.model.varcount, c.number("count"));
        QVERIFY(r.dialogs.messages().isEmpty());  // no conversion offered
    }

    // The conditions of a fifth variable E against the values of A, B, C, D.
    void eval_data() { addCaseRows("cfg/conditions.tsv"); }
    void eval()
    {
        QFETCH(Case, c);
        const QStringList conditions = c.list("conditions"), values = c.list("values");
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
        QCOMPARE(EvalConditions(model, 5, record), c.number("result"));
    }

    // Text in, text out: condition normal forms, menu items, path parts, and
    // numbers read from the start of a text and written in their shortest form.
    void rules_data() { addCaseRows("cfg/text-rules.tsv"); }
    void rules()
    {
        QFETCH(Case, c);
        const QString text = c.text("text"), result = c.text("result");
        const int rule = int(QStringList{"condition", "menu", "path", "number", "single", "server", "shown"}.indexOf(
            c.text("rule")));
        QVERIFY2(rule >= 0, c.name());
        Model model;
        model.var(1).varmenu = text;
        const PathParts path = SplitPath(text);
        const QString got = rule == Condition ? NormalizeCondition(text)
                            : rule == Menu    ? SplitMenu(model, 1).join('|')
                            : rule == Path    ? path.directory + '|' + path.name + '|' + path.extension
                            : rule == Number  ? ShortestNumber(ValNumber(text))
                            : rule == Single  ? ShortestSingle(ValNumber(text))
                            : rule == Server  ? QString(IsServerUri(text) ? "yes" : "no")
                                              : DatabaseNameForDisplay(text);
        QCOMPARE(got, result);
        if (rule == Condition)
            QCOMPARE(NormalizeCondition(result), result);  // stable
    }

    void textFromBytes_data()
    {
        addCaseRows("cfg/text-bytes.tsv");
        // The encoding is found a piece at a time: no piece may cut a character.
        const QString mib(1 << 20, 'a');
        QTest::newRow("character across the first MiB")
            << Case("", {{"bytes", mib.chopped(1) + "\\xC3\\xA9"}, {"lines", mib.chopped(1) + u'\u00E9'}, {"8-bit", "no"}});
        QTest::newRow("8-bit byte after the first MiB")
            << Case("", {{"bytes", mib + "\\xE9"}, {"lines", mib + u'\u00E9'}, {"8-bit", "yes"}});
    }
    void textFromBytes()
    {
        QFETCH(Case, c);
        const QByteArray bytes = c.bytes("bytes");
        const bool eightBit = c.yes("8-bit");
        const TextFile file = TextFile::fromBytes(bytes);
        QCOMPARE(file.lines.join('|'), c.text("lines"));
        QCOMPARE(file.encoding, eightBit ? TextEncoding::Windows1252 : TextEncoding::Utf8);
        if (eightBit && file.lines.size() == 1)
            QCOMPARE(EncodeText(file.lines.at(0), file.encoding), bytes);
    }

    // A rewrite keeps the file's 8-bit encoding only when its bytes read back
    // as the same text.
    void rewriteEncoding_data() { addCaseRows("cfg/rewrite-encoding.tsv"); }
    void rewriteEncoding()
    {
        QFETCH(Case, c);
        const QString line = c.text("line");
        QTemporaryDir dir;
        const QString path = writeFile(dir, "old.txt", "Caf\xE9\r\n");
        QVERIFY(WriteTextFile(path, {line}, TextEncoding::Windows1252));
        QCOMPARE(readFile(path), c.bytes("written"));
        QCOMPARE(TextFile::read(path).lines, QStringList{line});
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

QTEST_GUILESS_MAIN(TestCfgReader)
#include "tst_cfg_reader.moc"
