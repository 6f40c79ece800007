// Changing one field of a data table that holds records: a new Text size, a
// new name, and the values a menu is built from.
// Every table here was made by hand in another field order, with a field the
// CFG does not define, so that anything done by position shows.

#include "support/CaseTable.h"
#include "support/StoreRig.h"

#include "workflows/FieldChanges.h"

#include <sqlite3.h>

using namespace k7;
using namespace k7::test;

namespace {

const QStringList kRows{"('abcdef', 7, 'A1', 1.5)", "('O''Brien', NULL, 'A2', NULL)", "(NULL, -3, 'A3', 2.25)",
                        "('', 0, 'A4', 0)"};

struct Rig : StoreRig {
    // Table "site": Note, Extra (not in the CFG), ID, Weight; ID indexed.
    bool openTable(const QStringList& extraSql = {})
    {
        add("ID", TypeText, 20).varunique = 1;
        add("Note", TypeText, 10);
        add("Weight", TypeNumeric);
        const QStringList sql{"CREATE TABLE site (\"Note\" VARCHAR(10), \"Extra\" INTEGER, \"ID\" VARCHAR(20), \"Weight\" REAL)",
                              "CREATE INDEX site_ID ON site (\"ID\" COLLATE NOCASE)",
                              "INSERT INTO site VALUES " + kRows.join(',')};
        return execSql(dbPath(), sql + extraSql) && open();
    }
    QStringList shapes() { return fieldShapes(store.currentdb().findTable("site")->fields); }
    QStringList indexSql() const
    {
        return firstColumn(dbPath(), "SELECT sql FROM sqlite_master WHERE type = 'index' ORDER BY name");
    }
    bool tempLeft() const { return rowCount(dbPath(), kRebuildTableName) >= 0; }
    QList<QStringList> audit() const
    {
        const QString sql = "SELECT row_id, ident, field, before, after, action FROM k7_audit ORDER BY id";
        return querySeparately(dbPath(), sql).value_or(QList<QStringList>{});
    }
};

// Refuses every statement that would turn the old rename rules off, as a
// setting that cannot be written would; and, when *data is set, every rename.
int refuseRulesOff(void* data, int action, const char* name, const char* value, const char*, const char*)
{
    const bool rulesOff = action == SQLITE_PRAGMA && qstricmp(name, "legacy_alter_table") == 0 && value
                          && (qstricmp(value, "OFF") == 0 || qstrcmp(value, "0") == 0);
    const bool rename = action == SQLITE_ALTER_TABLE && *static_cast<bool*>(data);
    return rulesOff || rename ? SQLITE_DENY : SQLITE_OK;
}

bool oldRenameRulesOn(Database& db)
{
    int on = -1;
    return sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_LEGACY_ALTER_TABLE, -1, &on) != SQLITE_OK || on != 0;
}

}  // namespace

class TestFieldChanges : public QObject {
    Q_OBJECT

private slots:
    void lengthChangeKeepsEveryFieldInItsColumn_data() { addCaseRows("workflows/length-changes.tsv"); }
    void lengthChangeKeepsEveryFieldInItsColumn()
    {
        QFETCH(Case, c);
        const QString field = c.text("field");
        const int length = c.number("length");
        const QStringList notes = c.list("notes");
        Rig rig;
        QVERIFY(rig.openTable({"CREATE VIEW heavy AS SELECT \"ID\" FROM site WHERE \"Weight\" > 1"}));
        const QList<QStringList> before = rig.rows();
        const QStringList indexes = rig.indexSql();

        QString error;
        QVERIFY2(ChangeFieldLength(rig.store, rig.shell, field, length, &error), qPrintable(error));

        QList<QStringList> expected = before;
        for (int r = 0; r < before.size(); ++r) {
            expected[r][0] = notes[r];
            if (field == "ID")
                expected[r][2] = expected[r][2].left(length);
        }
        QCOMPARE(rig.rows(), expected);
        QCOMPARE(rig.shapes().value(0), c.text("shape"));
        QCOMPARE(rig.shapes().value(1), "Extra:4:0");
        QCOMPARE(rig.indexSql(), indexes);
        QVERIFY(!rig.tempLeft());
        // The view still reads the table, and the grid has it again.
        QCOMPARE(rowCount(rig.dbPath(), "heavy"), 2);
        QCOMPARE(rig.shell.dataSource, &rig.store.currentrs());
        QCOMPARE(rig.store.currentrs().recordCount(), 4);
    }

    // A step that fails (here the unique index of another tool, which the
    // cut values would break) leaves the old table whole and no rebuild table.
    void failedLengthChangeLeavesTheTableWhole()
    {
        Rig rig;
        QVERIFY(rig.openTable({"INSERT INTO site VALUES ('abcxyz', 1, 'A5', 1)",
                               "CREATE UNIQUE INDEX site_note ON site (\"Note\")"}));
        const QList<QStringList> before = rig.rows();
        QString error;
        QVERIFY(!ChangeFieldLength(rig.store, rig.shell, "Note", 3, &error));
        QVERIFY(error.contains("UNIQUE"));
        QCOMPARE(rig.rows(), before);
        QCOMPARE(rig.shapes().value(0), "Note:10:10");
        QVERIFY(!rig.tempLeft());
        QVERIFY(rig.store.currentrs().isOpen());
        QVERIFY(!rig.store.currentdb().inTransaction());
        QVERIFY(!ChangeFieldLength(rig.store, rig.shell, "Missing", 5, &error));
        QCOMPARE(rig.rows(), before);
        QVERIFY(rig.audit().isEmpty());

        // The same change without the other tool's index: each cut value is in
        // the trail with the row's identifier, then the new size.
        QVERIFY(execSql(rig.dbPath(), {"DROP INDEX site_note"}));
        QVERIFY2(ChangeFieldLength(rig.store, rig.shell, "Note", 3, &error), qPrintable(error));
        QCOMPARE(rig.audit(), (QList<QStringList>{{"1", "A1", "Note", "abcdef", "abc", "length change"},
                                                  {"2", "A2", "Note", "O'Brien", "O'B", "length change"},
                                                  {"5", "A5", "Note", "abcxyz", "abc", "length change"},
                                                  {"0", "<null>", "Note", "10", "3", "length change"}}));
    }

    // The old rename rules a length change needs are off again when it ends,
    // whether it succeeded or failed after turning them on, even where the
    // setting cannot be changed by a statement.
    void oldRenameRulesNeverOutlastALengthChange_data() { addCaseRows("workflows/rename-rules.tsv"); }
    void oldRenameRulesNeverOutlastALengthChange()
    {
        QFETCH(Case, c);
        bool renameRefused = c.yes("rename refused");
        Rig rig;
        QVERIFY(rig.openTable({"CREATE VIEW heavy AS SELECT \"ID\" FROM site WHERE \"Weight\" > 1"}));
        const QList<QStringList> before = rig.rows();
        QCOMPARE(sqlite3_set_authorizer(rig.store.currentdb().handle(), refuseRulesOff, &renameRefused), SQLITE_OK);
        QString error;
        QCOMPARE(ChangeFieldLength(rig.store, rig.shell, "Note", 3, &error), !renameRefused);
        QVERIFY(!oldRenameRulesOn(rig.store.currentdb()));
        QCOMPARE(rig.rows() == before, renameRefused);
        QCOMPARE(rowCount(rig.dbPath(), "heavy"), 2);
    }

    void renameWorksByNameAndKeepsValues()
    {
        Rig rig;
        QVERIFY(rig.openTable());
        const QList<QStringList> before = rig.rows();
        QString error;
        QVERIFY2(RenameDataField(rig.store, rig.shell, "id", "Find \"no\"", &error), qPrintable(error));
        QCOMPARE(rig.rows(), before);
        QCOMPARE(rig.shapes(), (QStringList{"Note:10:10", "Extra:4:0", "Find \"no\":10:20", "Weight:6:0"}));
        QCOMPARE(rig.shell.dataSource, &rig.store.currentrs());
        // A name the table already has is refused and changes nothing.
        QVERIFY(!RenameDataField(rig.store, rig.shell, "Note", "extra", &error));
        QCOMPARE(rig.shapes().value(0), "Note:10:10");
        QVERIFY(rig.store.currentrs().isOpen());
        QCOMPARE(rig.audit(), (QList<QStringList>{{"0", "<null>", "ID", "ID", "Find \"no\"", "rename"}}));
    }

    void distinctValuesQuoteTheNames()
    {
        Rig rig;
        rig.add("Kind of \"find\"", TypeText, 20);
        QVERIFY(rig.open());
        QVERIFY(execSql(rig.dbPath(), {"INSERT INTO site VALUES ('b'), ('a'), ('b'), (NULL), ('x''); DROP TABLE site; --')"}));
        QString error;
        const auto values = DistinctFieldValues(rig.store.currentdb(), "site", "Kind of \"find\"", &error);
        QVERIFY2(values, qPrintable(error));
        QCOMPARE(*values, (QStringList{"", "a", "b", "x'); DROP TABLE site; --"}));
        QCOMPARE(rowCount(rig.dbPath(), "site"), 5);
    }
};

QTEST_GUILESS_MAIN(TestFieldChanges)
#include "tst_field_changes.moc"
