// The Stata, SPSS and Excel exports: every value, label and missing value of
// a table read back by another reader, names made valid for each format,
// and records changing during an export. Failures, File > Export and
// k7 --export: tst_export.

#include "StatsReadBack.h"

#include "support/CaseTable.h"

#include "exports/ColumnNames.h"

#include <QDir>

#include <optional>

using namespace k7;
using namespace k7::test;

namespace {

const QString kShape = QStringLiteral("ID VARCHAR(40), Count REAL, Kind VARCHAR(20), \"in\" VARCHAR(10), \"by\" REAL");

// The table of stats-roundtrip.tsv, with its variables.
bool prepareMixed(StoreRig& rig)
{
    rig.add("ID", TypeText, 40).varprompt = QStringLiteral("Find \"ID\" — é");
    rig.add("Count", TypeNumeric).varprompt = QStringLiteral("Count of finds");
    rig.addMenu("Kind", "Bone Stone").varprompt = QStringLiteral("Kind of find");
    rig.add("in", TypeText, 10).varprompt.clear();
    rig.add("by", TypeNumeric).varprompt = QStringLiteral("By whom");
    return openTable(rig, {"CREATE TABLE T (" + kShape + ")",
                          "INSERT INTO T VALUES ('Say \"hi\" à Zürich', -3.25, 'Bone', 'x', 1)",
                          "INSERT INTO T VALUES ('O''Brien', 0.5, 'Wood', NULL, NULL)",
                          "INSERT INTO T VALUES (NULL, NULL, NULL, '', -0.001)",
                          "INSERT INTO T VALUES ('plain', 1234.625, 'Stone', 'y', 2)",
                          "INSERT INTO T VALUES ('z', 2, 'Antler', 'w', 3)",
                          "INSERT INTO T VALUES ('last', 7, '', 'v', NULL)"});
}

std::optional<ReadBack> readBack(const QString& path)
{
    switch (ExportFormatForPath(path)) {
#ifdef K7_HAVE_READSTAT
    case ExportFileFormat::Stata:
        return readWithReadStat(path, false);
    case ExportFileFormat::Spss:
        return readWithReadStat(path, true);
#endif
    case ExportFileFormat::Excel:
        return readWithPython(path);
    default:
        return std::nullopt;
    }
}

// Whether this test program can read the format of `path` back.
QString readerMissing(const QString& path)
{
    if (ExportFormatForPath(path) == ExportFileFormat::Excel)
        return hasPython() ? QString() : QStringLiteral("python3 is not installed");
#ifdef K7_HAVE_READSTAT
    return QString();
#else
    return QStringLiteral("built without ReadStat");
#endif
}

NameRule ruleNamed(const QString& word)
{
    return word == "stata" ? NameRule::Stata : word == "spss" ? NameRule::Spss : NameRule::Free;
}

}  // namespace

class TestStatsExport : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data() { addCaseRows("exports/stats-roundtrip.tsv"); }
    void roundTrip()
    {
        QFETCH(Case, c);
        const QString file = c.text("file");
        SKIP_WITHOUT_WRITER(file);
        if (const QString missing = readerMissing(file); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        StoreRig rig;
        QVERIFY(prepareMixed(rig));
        rig.dialogs.cancelAfterSteps = 100;  // fails here instead of hanging
        const QString out = rig.path(file);
        const ExportResult result = exportTable(rig, out);
        QCOMPARE(result.error, QString());
        QCOMPARE(result.outcome, ExportOutcome::Written);

        const std::optional<ReadBack> read = readBack(out);
        QVERIFY(read);
        QCOMPARE(read->names, c.list("names"));
        QStringList rows;
        for (QStringList row : read->rows) {
            while (row.size() < read->names.size())
                row << ".";  // Excel leaves out the empty cells at a row's end
            rows << row.join(';');
        }
        QCOMPARE(rows, c.list("rows"));
        if (file.endsWith(".xlsx")) {
            QVERIFY(read->headerFrozen);
            QCOMPARE(read->codebook, c.list("codebook"));
        } else {
            QCOMPARE(read->labels, c.list("labels"));
            QCOMPARE(read->valueLabels, c.list("value labels"));
        }
        // The closing message names the changed names once and the values
        // outside the menu.
        const QStringList names{"ID", "Count", "Kind", "in", "by"};
        const QString renamed = c.list("names") == names ? QString() : "Names changed to suit the file: ";
        QCOMPARE(result.notes.filter("Names changed").size(), renamed.isEmpty() ? 0 : 1);
        QCOMPARE(result.notes.filter("values that are not menu items").size(), file.endsWith(".xlsx") ? 0 : 1);
        if (!file.endsWith(".xlsx"))
            QVERIFY(result.notes.contains("Kind: values that are not menu items, coded after the items: "
                                          "\"Antler\", \"Wood\"."));
    }

    // Optional: R's haven reads the Stata file with its labels. Skipped
    // where R or haven is not installed (the install script installs neither).
    void readByRHaven()
    {
        const QString rscript = QStandardPaths::findExecutable("Rscript");
        if (rscript.isEmpty())
            QSKIP("R is not installed");
        const QString out = "out.dta";
        SKIP_WITHOUT_WRITER(out);
        StoreRig rig;
        QVERIFY(prepareMixed(rig));
        QCOMPARE(ExportTableToFile(rig.model, rig.store.currentrs(), rig.path(out), ExportFileFormat::Stata,
                                   rig.dialogs)
                     .outcome,
                 ExportOutcome::Written);
        QProcess r;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("K7_DTA", rig.path(out));
        r.setProcessEnvironment(environment);
        r.start(rscript, {"-e", "if (!requireNamespace('haven', quietly = TRUE)) quit(status = 3); "
                                "d <- haven::read_dta(Sys.getenv('K7_DTA')); "
                                "k <- attr(d$Kind, 'labels'); "
                                "cat(names(d), sep = '|'); cat('\\n'); "
                                "cat(attr(d$ID, 'label'), attr(d$Kind, 'label'), sep = '|'); cat('\\n'); "
                                "cat(paste0(k, '=', names(k)), sep = '|'); cat('\\n'); "
                                "cat(d$ID[1], as.numeric(d$Kind), sep = '|'); cat('\\n')"});
        QVERIFY(r.waitForFinished(120000));
        if (r.exitCode() == 3)
            QSKIP("R's haven is not installed");
        QVERIFY2(r.exitCode() == 0, r.readAllStandardError().constData());
        const QStringList lines = QString::fromUtf8(r.readAllStandardOutput()).split('\n');
        QCOMPARE(lines.value(0), QString("ID|Count|Kind|in_|by"));
        QCOMPARE(lines.value(1), QString("Find \"ID\" — é|Kind of find"));
        QCOMPARE(lines.value(2), QString("1=Bone|2=Stone|3=Antler|4=Wood"));
        QCOMPARE(lines.value(3), QString("Say \"hi\" à Zürich|1|4|NA|2|3|NA"));
    }

    void validNames_data() { addCaseRows("exports/column-names.tsv"); }
    void validNames()
    {
        QFETCH(Case, c);
        QCOMPARE(ValidColumnNames(c.list("names"), ruleNamed(c.text("rule"))), c.list("valid"));
    }

    // A number field holding text that is no number, a BLOB and text that
    // is not UTF-8: nothing silently lost, each counted in the notes. (The
    // REAL field reads ' 2' as the number 2 when it is stored.)
    void oddValuesAreReported()
    {
        const QString out = "odd.dta";
        SKIP_WITHOUT_WRITER(out);
        StoreRig rig;
        rig.add("ID", TypeText, 10);
        rig.add("Count", TypeNumeric);
        QVERIFY(openTable(rig, {"CREATE TABLE T (ID VARCHAR(10), Count REAL)", "INSERT INTO T VALUES (X'01FF', 'many')",
                                "INSERT INTO T VALUES ('a', '')", "INSERT INTO T VALUES (CAST(X'E9' AS TEXT), ' 2')"}));
        const ExportResult result = exportTable(rig, rig.path(out));
        QCOMPARE(result.outcome, ExportOutcome::Written);
        QVERIFY2(result.notes.contains("Count: 1 value(s) that are not numbers were written as missing."),
                 qPrintable(result.notes.join('\n')));
        QCOMPARE(result.notes.filter(QRegularExpression("^2 value\\(s\\) were not UTF-8 text")).size(), 1);
#ifdef K7_HAVE_READSTAT
        const std::optional<ReadBack> read = readWithReadStat(rig.path(out), false);
        QVERIFY(read);
        QCOMPARE(read->rows, (QList<QStringList>{{"01FF", "."}, {"a", "."}, {"é", "2"}}));
#endif
    }

    // Stata holds labels of 80 bytes, SPSS value labels of 120: a longer
    // prompt or menu item is cut before a character, never inside one, and
    // the closing message names the variable.
    void longLabelsAreShortened_data() { addCaseRows("exports/label-limits.tsv"); }
    void longLabelsAreShortened()
    {
        QFETCH(Case, c);
        const QString file = c.text("file");
        SKIP_WITHOUT_WRITER(file);
        if (const QString missing = readerMissing(file); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        // "é" is two bytes: an odd start puts every limit inside one.
        const QString prompt = "x" + QString(150, QChar(0xE9));
        const QString item = "y" + QString(150, QChar(0xE9));
        StoreRig rig;
        rig.addMenu("Kind", item).varprompt = prompt;
        QVERIFY(openTable(rig, {"CREATE TABLE T (Kind VARCHAR(200))", "INSERT INTO T VALUES ('" + item + "')"}));
        const ExportResult result = exportTable(rig, rig.path(file));
        QCOMPARE(result.outcome, ExportOutcome::Written);
        QVERIFY2(result.notes.last().startsWith("Labels longer than a ") && result.notes.last().endsWith(": Kind."),
                 qPrintable(result.notes.join('\n')));
        const std::optional<ReadBack> read = readBack(rig.path(file));
        QVERIFY(read);
        const auto cut = [](const QString& text, int bytes) { return text.left((bytes - 1) / 2 + 1); };
        QCOMPARE(read->labels, QStringList{cut(prompt, c.number("prompt bytes"))});
        QCOMPARE(read->valueLabels, QStringList{"1=" + cut(item, c.number("item bytes"))});
    }

    // A Stata file holds text of 2045 bytes in a field; a longer value fails
    // the export with the reason, where SPSS writes it whole.
    void textTooLongForStata()
    {
        const QString out = "out.dta";
        SKIP_WITHOUT_WRITER(out);
        StoreRig rig;
        rig.add("Note", TypeText, 255);
        QVERIFY(openTable(rig, {"CREATE TABLE T (Note VARCHAR(255))",
                                "INSERT INTO T VALUES ('short'), (printf('%.*c', 2046, 'a'))"}));
        QVERIFY(writeFile(rig.path(out), "old"));
        ExportResult result = exportTable(rig, rig.path(out));
        QCOMPARE(result.outcome, ExportOutcome::Failed);
        QCOMPARE(result.error, QString("Note holds text of 2046 bytes; a Stata file holds at most 2045 in a field."));
        QCOMPARE(readFile(rig.path(out)), QByteArray("old"));
#ifdef K7_HAVE_READSTAT
        result = exportTable(rig, rig.path("out.sav"));
        QCOMPARE(result.outcome, ExportOutcome::Written);
        const std::optional<ReadBack> read = readWithReadStat(rig.path("out.sav"), true);
        QVERIFY(read);
        QCOMPARE(read->rows.value(1).value(0), QString(2046, 'a'));
#endif
    }

    // The survey counts the rows; rows deleted before the writing are a
    // failure, not a file whose header promises rows it lacks.
    void recordsChangingDuringTheExportFail()
    {
        const QString out = "out.dta";
        SKIP_WITHOUT_WRITER(out);
        StoreRig rig;
        QVERIFY(prepareMany(rig, 20000));
        QString unavailable;
        const auto writer = MakeTableWriter(ExportFileFormat::Stata, &unavailable);
        StatsExport work(rig.model, rig.store.currentrs(), *writer, rig.path(out));
        QVERIFY(work.step());  // the first slice of the survey
        while (work.done() < work.total() / 2)
            QVERIFY(work.step());
        QVERIFY(execSql(rig.dbPath(), {"DELETE FROM T WHERE rowid = 1"}));
        while (work.step()) {
        }
        QCOMPARE(work.error(), QString("The records changed while they were exported.  Export them again."));
    }
};

QTEST_GUILESS_MAIN(TestStatsExport)
#include "tst_stats_export.moc"
