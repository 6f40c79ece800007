// The filter's value list grouped a slice of rows at a time: once every
// slice is in, the same values in the same order as one GROUP BY over the
// whole table (Null as "", each group showing its first row's value), and
// after each slice every value found before is where the list says it went.
// Run on both engines (TestEngine.h).

#include "store/Database.h"
#include "store/FoldedMatch.h"
#include "store/ShownText.h"
#include "store/SqlStatement.h"
#include "workflows/DistinctValues.h"

#include "support/TestEngine.h"

#include <QTemporaryDir>

Q_DECLARE_METATYPE(k7::FieldType)
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

// A first slice, a longer one and what is left.
constexpr int kRows = 3 * DistinctValues::kSliceRows + 12345;

// Table T with field V of `type`, the row numbered i (1..kRows) holding
// `value` at row id `rowid` (SQL in i).
bool makeTable(Database& db, const QTemporaryDir& dir, FieldType type, const QString& value, const QString& rowid)
{
    TableDef t{QStringLiteral("T"), {}, {}};
    t.addField(QStringLiteral("V"), type, type == FieldType::Text ? 20 : 0);
    const QString overriding = OnServer() ? QStringLiteral("OVERRIDING SYSTEM VALUE ") : QString();
    return db.create(NewDatabase(dir, QStringLiteral("a.db"))) && db.appendTable(t)
        && db.execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                     "INSERT INTO \"T\" (%2, \"V\") %3SELECT %4, %5 FROM n")
                          .arg(kRows)
                          .arg(db.dialect().rowidName(), overriding, rowid, value))
        && db.refresh();
}

// The list as one GROUP BY over the whole table gives it, Null first.
QStringList groupedAtOnce(Database& db)
{
    const FieldType type = db.findTable("T")->fields.at(0).type;
    const SqlDialect& d = db.dialect();
    const QString grouping = d.foldedOrder("\"V\"", type == FieldType::Text);
    const std::unique_ptr<SqlStatement> stmt =
        db.prepare(QStringLiteral("SELECT %1 FROM \"T\" GROUP BY %2 ORDER BY %3")
                       .arg(d.firstOfGroup("\"V\"", d.rowidName()), grouping, d.nullsFirst(grouping)));
    QStringList values;
    while (stmt && stmt->step())
        values << ShownText(stmt->value(0), type);
    return values;
}

}  // namespace

class TestDistinctSlices : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_TEST_ENGINE();
    }

    void theFullListIsOneGroupingsList_data()
    {
        QTest::addColumn<FieldType>("type");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("rowid");
        // Spellings of one group first met in different slices.
        QTest::newRow("text, case and blanks")
            << FieldType::Text
            << "CASE WHEN i % 5 = 0 THEN 'Ab' || (i % 37) WHEN i % 5 = 1 THEN ' ab' || (i % 41) "
               "WHEN i % 5 = 2 THEN NULL WHEN i % 5 = 3 THEN '' WHEN i > 150000 THEN 'ÄÖ' || (i % 7) "
               "ELSE 'äö' || (i % 5) END"
            << "i";
        // A server keeps numbers only in a number field.
        if (!OnServer())
            QTest::newRow("numbers and text in a number field")
                << FieldType::Single
                << "CASE i % 5 WHEN 0 THEN i % 50 WHEN 1 THEN (i % 50) + 0.5 WHEN 2 THEN 'x' || (i % 3) "
                   "WHEN 3 THEN 'X' || (i % 4) ELSE NULL END"
                << "i";
        QTest::newRow("rowids with gaps, below zero and at the top")
            << FieldType::Text << "'v' || (i % 997)"
            << "CASE i WHEN 1 THEN 9223372036854775807 WHEN 2 THEN -9223372036854775807 - 1 ELSE i * 7 - 500000 END";
    }
    void theFullListIsOneGroupingsList()
    {
        QFETCH(FieldType, type);
        QFETCH(QString, value);
        QFETCH(QString, rowid);
        QTemporaryDir dir;
        Database db;
        QVERIFY(makeTable(db, dir, type, value, rowid));
        DistinctValues values;
        QVERIFY(values.open(db, "T", "V"));
        int slices = 0;
        while (!values.atEnd()) {
            const QStringList before = values.values();
            const std::vector<int> moved = values.readSlice();
            QCOMPARE(int(moved.size()), int(before.size()));
            for (int i = 0; i < before.size(); ++i)
                QCOMPARE(values.shown(moved[i]), before[i]);
            ++slices;
        }
        QVERIFY(values.lastError().isEmpty());
        QCOMPARE(slices, 3);
        QCOMPARE(values.values(), groupedAtOnce(db));
    }

    // A table of another tool with fields named as the row ids are is read
    // by the next name they go by, in slices all the same.
    void fieldsNamedAsTheRowIds()
    {
        if (OnServer())
            QSKIP("A server's tables have no rowid of their own for a field to hide.");
        QTemporaryDir dir;
        Database db;
        QVERIFY(db.create(dir.filePath("a.db")));
        QVERIFY(db.execute("CREATE TABLE T (rowid INTEGER, _rowid_ TEXT, V VARCHAR(20))"));
        QVERIFY(db.execute(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                           "INSERT INTO T SELECT 0, 'same', 'v' || (i % 13) FROM n")
                .arg(kRows)));
        QVERIFY(db.refresh());
        DistinctValues values;
        QVERIFY2(values.open(db, "T", "V"), qPrintable(values.lastError()));
        for (int slices = 0; !values.atEnd() && slices < 10; ++slices)
            values.readSlice();
        QVERIFY(values.atEnd());
        QVERIFY(values.lastError().isEmpty());
        QCOMPARE(values.count(), 13);
    }

    void aFailingSliceEndsTheList()
    {
        QTemporaryDir dir;
        Database db;
        QVERIFY(makeTable(db, dir, FieldType::Text, "'v' || (i % 10)", "i"));
        DistinctValues values;
        QVERIFY(values.open(db, "T", "V"));
        values.readSlice();
        QCOMPARE(values.count(), 10);
        QVERIFY(db.execute("DROP TABLE \"T\""));
        values.readSlice();
        QVERIFY(values.atEnd());
        QVERIFY(!values.lastError().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDistinctSlices)
#include "tst_distinct_slices.moc"
