// Changing one field of a data table that holds records, on either engine
// (TestEngine.h): a new Text size that cuts what is longer and puts each cut
// in the audit trail, a new name, the distinct values of a field, with
// field names written in another case than the table spells them.

#include "support/StoreRig.h"

#include "workflows/FieldChanges.h"

using namespace k7;
using namespace k7::test;

namespace {

// The rig's table site: ID Text 20, Note Text 10, Weight Single, with four
// records (a Null and a zero-length Note among them).
bool openFilled(StoreRig& rig)
{
    rig.add("ID", TypeText, 20);
    rig.add("Note", TypeText, 10);
    rig.add("Weight", TypeNumeric);
    if (!rig.open())
        return false;
    const QList<QVariantList> rows{{"A1", "abcdef", 1.5}, {"A2", QVariant(), 2.0}, {"A3", "", -3.0}, {"A4", "ab", {}}};
    RecordSet& rs = rig.store.currentrs();
    for (const QVariantList& row : rows) {
        if (!rs.addNew() || !rs.setField("ID", row[0]) || !rs.setField("Note", row[1]) || !rs.setField("Weight", row[2])
            || !rs.update())
            return false;
    }
    return true;
}

// The first column of `sql`, read on a connection of its own.
QStringList column(StoreRig& rig, QString sql)
{
    return firstColumn(rig.dbPath(), sql.replace("%rowid", rig.store.currentdb().dialect().rowidName()));
}

}  // namespace

class TestFieldChangesAnyEngine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_TEST_ENGINE();
    }

    void lengthChangeCutsAndAuditsEachCut()
    {
        StoreRig rig;
        QVERIFY(openFilled(rig));
        Database& db = rig.store.currentdb();
        QString error;
        QCOMPARE(CountLongerValues(db, "SITE", "note", 3, &error), std::optional<qint64>(1));
        // A number field holds no text to cut, and asking is no failure.
        QCOMPARE(CountLongerValues(db, "site", "WEIGHT", 3, &error), std::optional<qint64>(0));
        QVERIFY2(ChangeFieldLength(rig.store, rig.shell, "NOTE", 3, &error), qPrintable(error));
        QCOMPARE(column(rig, "SELECT \"Note\" FROM \"site\" ORDER BY %rowid"),
                 QStringList({"abc", "<null>", "", "ab"}));
        QCOMPARE(fieldShapes(db.findTable("site")->fields).value(1), "Note:10:3");
        QCOMPARE(column(rig, "SELECT before || '>' || after FROM k7_audit WHERE field = 'Note' ORDER BY id"),
                 QStringList({"abcdef>abc", "10>3"}));
        QCOMPARE(rig.store.currentrs().recordCount(), 4);
        QCOMPARE(rig.shell.dataSource, &rig.store.currentrs());
    }

    void renameAndDistinctValues()
    {
        StoreRig rig;
        QVERIFY(openFilled(rig));
        QString error;
        QVERIFY2(RenameDataField(rig.store, rig.shell, "note", "Remark", &error), qPrintable(error));
        Database& db = rig.store.currentdb();
        QCOMPARE(fieldShapes(db.findTable("site")->fields).value(1), "Remark:10:10");
        // Null first, then in order, as a file's GROUP BY lists them.
        QCOMPARE(DistinctFieldValues(db, "Site", "REMARK", &error),
                 std::optional<QStringList>({"", "", "ab", "abcdef"}));
        QVERIFY(!DistinctFieldValues(db, "site", "Gone", &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFieldChangesAnyEngine)
#include "tst_field_changes_any_engine.moc"
