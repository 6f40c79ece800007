// Changing a table's shape through the store, whatever engine the database
// lives in: fields added and renamed, tables renamed and dropped, indexes
// made, a Text field's length changed. Names are given in another case than
// the table was made with, as a CFG may write them. Run on both engines
// (TestEngine.h).

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
        m_path = NewDatabase(m_dir, QStringLiteral("changes.mdb"));
        QVERIFY(m_db.create(m_path));
        TableDef t{QStringLiteral("Finds"), {}, {}};
        t.addField(QStringLiteral("ID"), FieldType::Text, 10);
        t.addField(QStringLiteral("Count"), FieldType::Long);
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
        FieldDef site{QStringLiteral("Site")};
        site.size = 20;
        QVERIFY2(m_db.appendField(QStringLiteral("finds"), site), qPrintable(m_db.lastError()));
        QVERIFY2(m_db.renameField(QStringLiteral("FINDS"), QStringLiteral("count"), QStringLiteral("Pieces")),
                 qPrintable(m_db.lastError()));
        QCOMPARE(fieldShapes(m_db.findTable(QStringLiteral("Finds"))->fields),
                 QStringList({"ID:10:10", "Pieces:4:0", "Site:10:20"}));
        QCOMPARE(readRows(m_path, QStringLiteral("Finds")),
                 QList<QStringList>({{"A1abc", "1", "<null>"}, {"B2", "2", "<null>"}}));
        QVERIFY(!m_db.renameField(QStringLiteral("Finds"), QStringLiteral("Gone"), QStringLiteral("Here")));
    }

    void tablesRenamedAndDroppedByAnyCase()
    {
        QVERIFY2(m_db.renameTable(QStringLiteral("FINDS"), QStringLiteral("Objects")), qPrintable(m_db.lastError()));
        QCOMPARE(m_db.tableNames(), QStringList{QStringLiteral("Objects")});
        QCOMPARE(rowCount(m_path, QStringLiteral("Objects")), 2);
        QVERIFY2(m_db.deleteTable(QStringLiteral("objects")), qPrintable(m_db.lastError()));
        QVERIFY(m_db.tableNames().isEmpty());
        QVERIFY(!m_db.deleteTable(QStringLiteral("Objects")));
    }

    // A unique index compares text as the look-ups do: a value that differs
    // only in case is a duplicate.
    void indexesOnFieldsNamedInAnyCase()
    {
        IndexDef unique;
        unique.name = QStringLiteral("Finds_id");
        unique.fields = QStringLiteral("+id");
        unique.unique = true;
        QVERIFY2(m_db.appendIndex(QStringLiteral("finds"), unique), qPrintable(m_db.lastError()));
        QCOMPARE(indexLists(m_db, QStringLiteral("Finds")).size(), 1);
        QVERIFY(indexLists(m_db, QStringLiteral("Finds")).value(0).startsWith(QStringLiteral("Finds_id=")));
        QVERIFY(!m_db.execute(QStringLiteral("INSERT INTO \"Finds\" (\"ID\") VALUES ('a1ABC')")));
        QVERIFY(m_db.execute(QStringLiteral("INSERT INTO \"Finds\" (\"ID\") VALUES ('C3')")));

        IndexDef missing;
        missing.name = QStringLiteral("Finds_gone");
        missing.fields = QStringLiteral("+Gone");
        QVERIFY(!m_db.appendIndex(QStringLiteral("Finds"), missing));
        QCOMPARE(m_db.lastError(), QStringLiteral("The table Finds has no field Gone."));
    }

    // Longer text is cut, a number becomes its text, rows stay in their
    // order and an index on the field stays.
    void textFieldLengthChanged_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("length");
        QTest::addColumn<QStringList>("shapes");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::newRow("shorter, text cut")
            << "id" << 3 << QStringList({"ID:10:3", "Count:4:0"}) << QList<QStringList>({{"A1a", "1"}, {"B2", "2"}});
        QTest::newRow("longer") << "ID" << 40 << QStringList({"ID:10:40", "Count:4:0"})
                                << QList<QStringList>({{"A1abc", "1"}, {"B2", "2"}});
        QTest::newRow("a number field") << "COUNT" << 5 << QStringList({"ID:10:10", "Count:10:5"})
                                        << QList<QStringList>({{"A1abc", "1"}, {"B2", "2"}});
    }
    void textFieldLengthChanged()
    {
        QFETCH(QString, field);
        QFETCH(int, length);
        IndexDef byId;
        byId.name = QStringLiteral("Finds_ID");
        byId.fields = QStringLiteral("+ID");
        QVERIFY(m_db.appendIndex(QStringLiteral("Finds"), byId));
        QVERIFY(m_db.transaction());
        QVERIFY2(m_db.setTextFieldLength(QStringLiteral("finds"), field, length), qPrintable(m_db.lastError()));
        QVERIFY(m_db.commit());
        QTEST(fieldShapes(m_db.findTable(QStringLiteral("Finds"))->fields), "shapes");
        QTEST(readRows(m_path, QStringLiteral("Finds")), "rows");
        QCOMPARE(indexLists(m_db, QStringLiteral("Finds")).size(), 1);
    }

    void textFieldLengthRefusals()
    {
        QVERIFY(!m_db.setTextFieldLength(QStringLiteral("Finds"), QStringLiteral("Missing"), 4));
        QCOMPARE(m_db.lastError(), QStringLiteral("The table Finds has no field Missing."));
        QVERIFY(!m_db.setTextFieldLength(QStringLiteral("Nowhere"), QStringLiteral("ID"), 4));
        QCOMPARE(m_db.lastError(), QStringLiteral("The table Nowhere does not exist."));
        Database closed;
        QVERIFY(!closed.setTextFieldLength(QStringLiteral("Finds"), QStringLiteral("ID"), 4));
        QCOMPARE(closed.lastError(), QStringLiteral("The database is not open."));
    }
};

QTEST_GUILESS_MAIN(TestTableChanges)
#include "tst_table_changes.moc"
