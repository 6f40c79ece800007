// Two operators' tables of one CFG compared, on either engine (TestEngine.h):
// exactly the records missing, the keys doubled and the values changed are
// listed, values compared as the grid shows them; and k7 --compare's reports
// and exit status.

#include "exports/TableComparison.h"
#include "store/Database.h"

#include "support/TestEngine.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

using Row = QVariantList;  // ID, Name, Weight

Model findsModel()
{
    Model model;
    const std::pair<const char*, int> vars[] = {{"ID", TypeText}, {"Name", TypeText}, {"Weight", TypeNumeric}};
    for (const auto& [name, type] : vars) {
        Variable& v = model.var(++model.varcount);
        v.varname = QString::fromLatin1(name);
        v.vartype = type;
    }
    model.var(1).varunique = true;
    return model;
}

// A new database with the table Finds holding `rows`; its name.
QString makeDatabase(const QTemporaryDir& dir, const QString& file, const QList<Row>& rows)
{
    const QString name = NewDatabase(dir, file);
    Database db;
    TableDef finds{QStringLiteral("Finds"), {}, {}};
    finds.addField(QStringLiteral("ID"), FieldType::Text, 12);
    finds.addField(QStringLiteral("Name"), FieldType::Text, 30);
    finds.addField(QStringLiteral("Weight"), FieldType::Single);
    if (!db.create(name) || !db.appendTable(finds))
        return QString();
    for (const Row& row : rows) {
        if (!db.execute(QStringLiteral("INSERT INTO \"Finds\" (\"ID\", \"Name\", \"Weight\") VALUES (?, ?, ?)"), row))
            return QString();
    }
    return name;
}

const QVariant kNull;

// The first operator's records, and the second's with a record missing (A3),
// a key doubled (A4) and an accent lost (A5). A Null against an empty text
// and a weight typed 12.50 and read back as a float are no differences.
const QList<Row> kFirst = {{"A1", "Flint", 12.5},
                           {"A2", kNull, 3.0},
                           {"A3", "Bone", kNull},
                           {"A4", "Sherd", 1.25},
                           {"A5", "José", 12.57}};
const QList<Row> kSecond = {{"A5", "Jose", double(float(12.57))},
                            {"A4", "Sherd", 1.25},
                            {"A1", "Flint", 12.50},
                            {"A2", "", 3.0},
                            {"A4", "Sherd", 1.25}};

ComparisonFacts compare(const QString& first, const QString& second, const Model& model = findsModel())
{
    Database a;
    Database b;
    if (!a.open(first, Database::Access::ReadOnly) || !b.open(second, Database::Access::ReadOnly))
        return {};
    TableComparison comparison(model, {&a, "Finds", "one"}, {&b, "FINDS", "two"});
    if (!comparison.open())
        return {};
    while (comparison.step()) {
    }
    return comparison.finished() ? comparison.facts() : ComparisonFacts{};
}

// What a comparison found, a line a finding, the differences sorted (each
// engine orders keys its own way).
QStringList findings(const ComparisonFacts& facts)
{
    QStringList out{QStringLiteral("key %1, %2 and %3 records, %4 matched")
                        .arg(facts.keyVariable).arg(facts.firstRecords).arg(facts.secondRecords).arg(facts.matched)};
    for (const QString& key : facts.onlyInFirst)
        out << "only in first " + key;
    for (const QString& key : facts.onlyInSecond)
        out << "only in second " + key;
    for (const DoubledKey& d : facts.doubled)
        out << QStringLiteral("doubled %1 %2/%3").arg(d.key).arg(d.first).arg(d.second);
    QStringList differences;
    for (const ValueDifference& d : facts.differences)
        differences << "differs " + QStringList{d.key, d.variable, d.first, d.second}.join(QLatin1Char('|'));
    differences.sort();
    return out + differences;
}

}  // namespace

class TestCompare : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { SKIP_WITHOUT_TEST_ENGINE(); }

    void listsExactlyTheKnownDifferences()
    {
        const ComparisonFacts facts = compare(makeDatabase(m_dir, "one.mdb", kFirst),
                                              makeDatabase(m_dir, "two.mdb", kSecond));
        QCOMPARE(findings(facts), (QStringList{"key ID, 5 and 5 records, 3 matched", "only in first A3",
                                               "doubled A4 1/2", "differs A5|Name|José|Jose"}));
    }

    // Keys match as uniqueness folds them (case over all of Unicode, blanks
    // at the ends), in whatever order each engine sorts them; a key typed
    // differently is still a value that differs.
    void keysMatchFolded()
    {
        const QList<Row> first = {{"Émile", "x", 1.0}, {"zed", "x", 1.0}, {"b7", "x", 1.0}, {"ΣΟΦΙΑ", "x", 1.0}};
        const QList<Row> second = {{" émile", "x", 1.0}, {"ZED", "x", 1.0}, {"b7", "x", 1.0}, {"σοφια", "x", 1.0}};
        const ComparisonFacts facts = compare(makeDatabase(m_dir, "f1.mdb", first),
                                              makeDatabase(m_dir, "f2.mdb", second));
        QCOMPARE(findings(facts), (QStringList{"key ID, 4 and 4 records, 4 matched", "differs zed|ID|zed|ZED",
                                               "differs Émile|ID|Émile| émile", "differs ΣΟΦΙΑ|ID|ΣΟΦΙΑ|σοφια"}));
    }

    void commandLineReportsAndStatus()
    {
        const QString one = makeDatabase(m_dir, "c1.mdb", kFirst);
        const QString two = makeDatabase(m_dir, "c2.mdb", kSecond);
        const QString same = makeDatabase(m_dir, "c3.mdb", kFirst);
        const QString cfg = writeFile(m_dir, "c.cfg", crlf({"[K7]", "Filename=" + one, "Table=Finds", "[ID]",
                                                           "Type=Text", "Unique=Yes", "[Name]", "Type=Text",
                                                           "[Weight]", "Type=Numeric"}));
        QCOMPARE(runK7({"--compare", cfg, same}).status, 0);

        const QString csv = m_dir.filePath("diff.csv");
        K7Run run = runK7({"--compare", cfg, two, csv});
        QVERIFY2(run.status == 1, run.err.constData());
        QCOMPARE(QString::fromUtf8(readFile(csv)),
                 QStringLiteral("\"kind\",\"key\",\"variable\",\"first\",\"second\"\r\n"
                                "\"only in first\",\"A3\",\"\",\"\",\"\"\r\n"
                                "\"doubled key\",\"A4\",\"\",\"1\",\"2\"\r\n"
                                "\"differs\",\"A5\",\"Name\",\"José\",\"Jose\"\r\n"));
        const QString html = m_dir.filePath("diff.html");
        QCOMPARE(runK7({"--compare", cfg, two, html}).status, 1);
        const QString page = QString::fromUtf8(readFile(html));
        QVERIFY(page.startsWith("<!DOCTYPE html>"));
        QVERIFY(page.contains("<h2>Doubled keys (1)</h2>"));
        QVERIFY(page.contains("<td>A5</td><td>Name</td><td>José</td><td>Jose</td>"));

        QCOMPARE(runK7({"--compare", cfg, m_dir.filePath("none.mdb")}).status, 2);
        if (!OnServer()) {  // the report never takes the place of a database it reads
            const QByteArray before = readFile(two);
            QCOMPARE(runK7({"--compare", cfg, two, two}).status, 2);
            QCOMPARE(readFile(two), before);
        }
        const QString keyless = writeFile(m_dir, "k.cfg", crlf({"[K7]", "Filename=" + one, "Table=Finds", "[ID]",
                                                               "Type=Text"}));
        run = runK7({"--compare", keyless, two});
        QCOMPARE(run.status, 2);
        QVERIFY(run.err.contains("Unique"));
    }
};

QTEST_GUILESS_MAIN(TestCompare)
#include "tst_compare.moc"
