// Changing a table's shape through the store, whatever engine the database
// lives in: fields added and renamed, tables renamed and dropped, indexes
// made, a Text field's length changed. Names are given in another case than
// the table was made with, as a CFG may write them. Run on both engines
// (TestEngine.h).

#include "support/CaseTable.h"
#include "support/SeparateConnection.h"
#include "support/StoreRig.h"
#include "support/TestEngine.h"

using namespace k7;
using namespace k7::test;

class TestTableChanges : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    Database m_db;  // a new database with the table Finds: ID Text 10, Count Long, rows A1 abc, B2 x

private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_TEST_ENGINE();
    }
    void init()
    {
        m_path = NewDatabase(m_dir, "changes.mdb");
        QVERIFY(m_db.create(m_path));
        TableDef t{"Finds", {}, {}};
        t.addField("ID", FieldType::Text, 10);
        t.addField("Count", FieldType::Long);
        QVERIFY(m_db.appendTable(t));
        QVERIFY(m_db.execute(QStringLiteral("INSERT INTO \"Finds\" (\"ID\", \"Count\") VALUES ('A1abc', 1), "
                                            "('B2', 2)")));
    }
    void cleanup()
    {
        m_db.close();
        if (!OnServer())
            QFile::remove(m_path);
    }

    void fieldsAddedAndRenamedByAnyCase()
    {
        FieldDef site{"Site"};
        site.size = 20;
        QVERIFY2(m_db.appendField("finds", site), qPrintable(m_db.lastError()));
        QVERIFY2(m_db.renameField("FINDS", "count", "Pieces"), qPrintable(m_db.lastError()));
        QCOMPARE(fieldShapes(m_db.findTable("Finds")->fields), QStringList({"ID:10:10", "Pieces:4:0", "Site:10:20"}));
        QCOMPARE(readRows(m_path, "Finds"), QList<QStringList>({{"A1abc", "1", "<null>"}, {"B2", "2", "<null>"}}));
        QVERIFY(!m_db.renameField("Finds", "Gone", "Here"));
    }

    void tablesRenamedAndDroppedByAnyCase()
    {
        QVERIFY2(m_db.renameTable("FINDS", "Objects"), qPrintable(m_db.lastError()));
        QCOMPARE(m_db.tableNames(), QStringList{"Objects"});
        QCOMPARE(rowCount(m_path, "Objects"), 2);
        QVERIFY2(m_db.deleteTable("objects"), qPrintable(m_db.lastError()));
        QVERIFY(m_db.tableNames().isEmpty());
        QVERIFY(!m_db.deleteTable("Objects"));
    }

    // A unique index compares text as the look-ups do: a value that differs
    // only in case is a duplicate.
    void indexesOnFieldsNamedInAnyCase()
    {
        IndexDef unique;
        unique.name = "Finds_id";
        unique.fields = "+id";
        unique.unique = true;
        QVERIFY2(m_db.appendIndex("finds", unique), qPrintable(m_db.lastError()));
        QCOMPARE(indexLists(m_db, "Finds").size(), 1);
        QVERIFY(indexLists(m_db, "Finds").value(0).startsWith("Finds_id="));
        QVERIFY(!m_db.execute("INSERT INTO \"Finds\" (\"ID\") VALUES ('a1ABC')"));
        QVERIFY(m_db.execute("INSERT INTO \"Finds\" (\"ID\") VALUES ('C3')"));

        IndexDef missing;
        missing.name = "Finds_gone";
        missing.fields = "+Gone";
        QVERIFY(!m_db.appendIndex("Finds", missing));
        QCOMPARE(m_db.lastError(), "The table Finds has no field Gone.");
    }

    // Longer text is cut, a number becomes its text, rows stay in their
    // order and an index on the field stays.
    void textFieldLengthChanged_data() { addCaseRows("store/text-field-lengths.tsv"); }
    void textFieldLengthChanged()
    {
        QFETCH(Case, c);
        IndexDef byId;
        byId.name = "Finds_ID";
        byId.fields = "+ID";
        QVERIFY(m_db.appendIndex("Finds", byId));
        QVERIFY(m_db.transaction());
        QVERIFY2(m_db.setTextFieldLength("finds", c.text("field"), c.number("length")), qPrintable(m_db.lastError()));
        QVERIFY(m_db.commit());
        QCOMPARE(fieldShapes(m_db.findTable("Finds")->fields), c.list("shapes"));
        QList<QStringList> rows;
        for (const QString& row : c.list("rows"))
            rows << row.split(',');
        QCOMPARE(readRows(m_path, "Finds"), rows);
        QCOMPARE(indexLists(m_db, "Finds").size(), 1);
    }

    void textFieldLengthRefusals()
    {
        QVERIFY(!m_db.setTextFieldLength("Finds", "Missing", 4));
        QCOMPARE(m_db.lastError(), "The table Finds has no field Missing.");
        QVERIFY(!m_db.setTextFieldLength("Nowhere", "ID", 4));
        QCOMPARE(m_db.lastError(), "The table Nowhere does not exist.");
        Database closed;
        QVERIFY(!closed.setTextFieldLength("Finds", "ID", 4));
        QCOMPARE(closed.lastError(), "The database is not open.");
    }
};

QTEST_GUILESS_MAIN(TestTableChanges)
#include "tst_table_changes.moc"
