// Record sets: positions, changes as another program sees them, values as a
// field stores them, bound look-ups, sorted sets, queries and requery.

#include "StoreRig.h"

#include "cfg/NumberText.h"
#include "store/Database.h"
#include "store/RecordSet.h"

using namespace k7;
using namespace k7::test;

namespace {

bool addRow(RecordSet& rs, const QString& id, const QString& site, const QVariant& weight)
{
    return rs.addNew() && rs.setField(QStringLiteral("ID"), id) && rs.setField(QStringLiteral("Site"), site)
           && rs.setField(QStringLiteral("Weight"), weight) && rs.update();
}

}  // namespace

class TestRecordSet : public QObject {
    Q_OBJECT

    QTemporaryDir* m_dir = nullptr;
    QString m_path;
    Database m_db;

    QStringList rowsSeenByAnotherProgram() const
    {
        return querySeparately(m_path, QStringLiteral("SELECT ID, Site, Weight FROM Finds ORDER BY rowid"))
            .value_or(QStringList{QStringLiteral("cannot read")});
    }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        m_path = m_dir->filePath(QStringLiteral("site.mdb"));
        TableDef t;
        t.name = QStringLiteral("Finds");
        t.addField(QStringLiteral("ID"), FieldType::Text, 8);
        t.addField(QStringLiteral("Site"), FieldType::Text, 20);
        t.addField(QStringLiteral("Weight"), FieldType::Single);
        QVERIFY(m_db.create(m_path));
        QVERIFY(m_db.appendTable(t));
    }
    void cleanup()
    {
        m_db.close();
        delete m_dir;
    }

    void positionsAndBookmarks()
    {
        RecordSet rs;
        QVERIFY(rs.openTable(m_db, QStringLiteral("finds")));
        QVERIFY(rs.bof() && rs.eof());
        QCOMPARE(rs.absolutePosition(), -1);
        QCOMPARE(rs.bookmark(), qint64(-1));
        rs.moveLast();
        QVERIFY(rs.bof() && rs.eof());
        QVERIFY(!rs.value(0).isValid());
        QVERIFY(!rs.edit());

        for (const char* id : {"A", "B", "C"})
            QVERIFY2(addRow(rs, QLatin1String(id), QStringLiteral("S"), 1), qPrintable(rs.lastError()));
        QCOMPARE(rs.recordCount(), 3);
        rs.moveFirst();
        QCOMPARE(rs.value(QStringLiteral("id")).toString(), QStringLiteral("A"));
        const qint64 first = rs.bookmark();
        rs.moveNext();
        rs.moveNext();
        QCOMPARE(rs.absolutePosition(), 2);
        rs.moveNext();
        rs.moveNext();  // stays at the end
        QVERIFY(rs.eof() && !rs.bof());
        rs.moveFirst();
        rs.movePrevious();
        QVERIFY(rs.bof() && !rs.eof());

        QVERIFY(rs.setBookmark(first));
        QCOMPARE(rs.value(0).toString(), QStringLiteral("A"));
        QVERIFY(!rs.setBookmark(first + 1000));
        QVERIFY(rs.setAbsolutePosition(1));
        QCOMPARE(rs.value(0).toString(), QStringLiteral("B"));
        QVERIFY(!rs.setAbsolutePosition(3));
        QCOMPARE(rs.row(2).value(0).toString(), QStringLiteral("C"));
        QCOMPARE(rs.value(0).toString(), QStringLiteral("B"));  // row() does not move
        QVERIFY(rs.row(3).isEmpty());

        // Closing the database closes its sets; using one then is refused, not a crash.
        m_db.close();
        QVERIFY(!rs.isOpen());
        QVERIFY(!rs.addNew());
        QVERIFY(!rs.requery());
        QVERIFY(!rs.value(0).isValid());
    }

    void changesSeenByAnotherProgram()
    {
        RecordSet rs;
        QVERIFY(rs.openTable(m_db, QStringLiteral("Finds")));
        QVERIFY(addRow(rs, QStringLiteral("A"), QStringLiteral("North"), 2.5));
        QVERIFY(addRow(rs, QStringLiteral("B"), QStringLiteral("South"), QVariant()));
        QVERIFY(addRow(rs, QStringLiteral("C"), QString(), 0));
        // Committed on update: another connection sees every row at once.
        QCOMPARE(rowsSeenByAnotherProgram(), (QStringList{"A|North|2.5", "B|South|NULL", "C||0.0"}));

        QVERIFY(rs.setAbsolutePosition(1));
        QVERIFY(rs.edit() && rs.setField(QStringLiteral("Site"), QStringLiteral("East")));
        rs.cancelUpdate();
        QCOMPARE(rs.value(QStringLiteral("Site")).toString(), QStringLiteral("South"));
        QVERIFY(rs.edit() && rs.setField(QStringLiteral("Site"), QStringLiteral("West")) && rs.update());
        // Moving away discards an unfinished edit.
        QVERIFY(rs.edit() && rs.setField(QStringLiteral("Site"), QStringLiteral("Lost")));
        rs.moveFirst();
        QVERIFY(!rs.update());
        QCOMPARE(rowsSeenByAnotherProgram().at(1), QStringLiteral("B|West|NULL"));

        QVERIFY(rs.setAbsolutePosition(1));
        QVERIFY(rs.deleteCurrent());
        QCOMPARE(rs.absolutePosition(), -1);  // on the deleted row
        QVERIFY(!rs.deleteCurrent());
        rs.moveNext();
        QCOMPARE(rs.value(0).toString(), QStringLiteral("C"));
        QVERIFY(rs.deleteCurrent());
        rs.moveNext();
        QVERIFY(rs.eof());
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(rowsSeenByAnotherProgram(), QStringList{"A|North|2.5"});
    }

    void valuesAsTheFieldStoresThem_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("input");
        QTest::addColumn<QString>("readBack");  // "" when the value is refused
        QTest::newRow("single rounded to float") << "Weight" << QVariant(12.57) << "12.57";
        QTest::newRow("single from text") << "Weight" << QVariant(QStringLiteral(" 3.25 ")) << "3.25";
        QTest::newRow("single not a number") << "Weight" << QVariant(QStringLiteral("abc")) << "";
        QTest::newRow("single too large") << "Weight" << QVariant(1e39) << "";
        QTest::newRow("empty text to single is Null") << "Weight" << QVariant(QString()) << "NULL";
        QTest::newRow("text cut to the field size") << "ID" << QVariant(QStringLiteral("ABCDEFGHIJ")) << "ABCDEFGH";
        QTest::newRow("quotes kept") << "ID" << QVariant(QStringLiteral("O'B\"x")) << "O'B\"x";
        QTest::newRow("long in range") << "Count" << QVariant(2147483647.0) << "2147483647";
        QTest::newRow("long overflow") << "Count" << QVariant(2147483648.0) << "";
        QTest::newRow("yes/no") << "Done" << QVariant(true) << "true";
    }
    void valuesAsTheFieldStoresThem()
    {
        QFETCH(QString, field);
        QFETCH(QVariant, input);
        QFETCH(QString, readBack);
        QVERIFY(m_db.execute(QStringLiteral("ALTER TABLE Finds ADD COLUMN Count INTEGER")));
        QVERIFY(m_db.execute(QStringLiteral("ALTER TABLE Finds ADD COLUMN Done BOOLEAN")));
        QVERIFY(m_db.refresh());
        RecordSet rs;
        QVERIFY(rs.openTable(m_db, QStringLiteral("Finds")));
        QVERIFY(rs.addNew());
        QCOMPARE(rs.setField(field, input), !readBack.isEmpty());
        if (readBack.isEmpty()) {
            QVERIFY(!rs.lastError().isEmpty());
            return;
        }
        QVERIFY(rs.update());
        RecordSet again;
        QVERIFY(again.openTable(m_db, QStringLiteral("Finds")));
        const QVariant v = again.value(field);
        const bool single = again.field(again.fieldIndex(field)).type == FieldType::Single;
        QCOMPARE(v.isNull() ? QStringLiteral("NULL") : single ? ShortestSingle(v.toDouble()) : v.toString(), readBack);
        if (field == QLatin1String("Done"))
            QCOMPARE(v.typeId(), QMetaType::Bool);
    }

    void lookUpsBindTheirValues()
    {
        RecordSet rs;
        QVERIFY(rs.openTable(m_db, QStringLiteral("Finds")));
        QVERIFY(addRow(rs, QStringLiteral("O'Brien"), QStringLiteral("North"), 1));
        QVERIFY(addRow(rs, QStringLiteral("B"), QStringLiteral("South"), 2));
        QVERIFY(addRow(rs, QStringLiteral("o'brien"), QStringLiteral("East"), 3));

        RecordSet found;
        QVERIFY2(found.openWhere(m_db, QStringLiteral("Finds"), QStringLiteral("ID"), QStringLiteral("O'Brien")),
                 qPrintable(found.lastError()));
        QCOMPARE(found.recordCount(), 2);  // text compared without regard to case
        QCOMPARE(found.value(QStringLiteral("Site")).toString(), QStringLiteral("North"));
        RecordSet exact;
        QVERIFY(exact.openWhere(m_db, QStringLiteral("Finds"), QStringLiteral("ID"), QStringLiteral("o'brien"),
                                Qt::CaseSensitive, {QStringLiteral("ID")}));
        QCOMPARE(exact.recordCount(), 1);
        QCOMPARE(exact.fieldCount(), 1);
        QCOMPARE(exact.value(0).toString(), QStringLiteral("o'brien"));
        RecordSet injected;
        QVERIFY(injected.openWhere(m_db, QStringLiteral("Finds"), QStringLiteral("ID"), QStringLiteral("x' OR '1'='1")));
        QVERIFY(injected.bof() && injected.eof());

        // A found row is completed through the set that found it.
        QVERIFY(found.edit() && found.setField(QStringLiteral("Weight"), 9) && found.update());
        QCOMPARE(rowsSeenByAnotherProgram().at(0), QStringLiteral("O'Brien|North|9.0"));

        RecordSet bad;
        QVERIFY(!bad.openWhere(m_db, QStringLiteral("Finds"), QStringLiteral("Nope"), QStringLiteral("x")));
        QVERIFY(bad.lastError().contains(QLatin1String("Nope")));
        QVERIFY(!bad.isOpen());
        QVERIFY(!bad.openTable(m_db, QStringLiteral("Nothing")));
    }

    void sortedSetsQueriesAndRequery()
    {
        RecordSet table;
        QVERIFY(table.openTable(m_db, QStringLiteral("Finds")));
        QVERIFY(addRow(table, QStringLiteral("1"), QStringLiteral("North"), 3));
        QVERIFY(addRow(table, QStringLiteral("2"), QStringLiteral("East"), 2));
        QVERIFY(addRow(table, QStringLiteral("3"), QStringLiteral("North"), 1));

        RecordSet sorted;
        QVERIFY(sorted.openSorted(m_db, QStringLiteral("Finds"), {QStringLiteral("Site"), QStringLiteral("Weight")}));
        QCOMPARE(sorted.name(), QStringLiteral("SELECT [Finds].* FROM [Finds] ORDER BY [Finds].[Site],[Finds].[Weight]"));
        QStringList order;
        for (sorted.moveFirst(); !sorted.eof(); sorted.moveNext())
            order << sorted.value(0).toString();
        QCOMPARE(order, (QStringList{"2", "3", "1"}));
        // The first match in the set's own order, text without regard to case.
        QVERIFY(sorted.findFirst(QStringLiteral("site"), QStringLiteral("NORTH")));
        QCOMPARE(sorted.value(0).toString(), QStringLiteral("3"));
        QVERIFY(table.findFirst(QStringLiteral("Weight"), QStringLiteral("2")));
        QCOMPARE(table.value(0).toString(), QStringLiteral("2"));
        QVERIFY(!table.findFirst(QStringLiteral("Site"), QStringLiteral("South")));
        QVERIFY(table.lastError().isEmpty());
        QCOMPARE(table.value(0).toString(), QStringLiteral("2"));  // no match: position kept
        QVERIFY(!table.findFirst(QStringLiteral("Nope"), QStringLiteral("x")));
        QVERIFY(!table.lastError().isEmpty());

        RecordSet groups;
        QVERIFY2(groups.openQuery(m_db, QStringLiteral("SELECT [Site] From [Finds] GROUP BY [Site];")),
                 qPrintable(groups.lastError()));
        QCOMPARE(groups.recordCount(), 2);
        QCOMPARE(groups.field(0).type, FieldType::Text);
        QVERIFY(!groups.addNew());  // a snapshot
        RecordSet bound;
        QVERIFY(bound.openQuery(m_db, QStringLiteral("SELECT count(*) FROM Finds WHERE Site = ?"), {QStringLiteral("North")}));
        QCOMPARE(bound.value(0).toInt(), 2);

        // Rows added elsewhere appear on requery, in both kinds of set.
        QVERIFY(addRow(table, QStringLiteral("4"), QStringLiteral("Admin"), 0));
        QCOMPARE(sorted.recordCount(), 3);
        QVERIFY(sorted.requery() && groups.requery());
        QCOMPARE(sorted.recordCount(), 4);
        QCOMPARE(sorted.value(0).toString(), QStringLiteral("4"));
        QCOMPARE(groups.recordCount(), 3);

        // Mended: a misspelt name is an error, not a text constant.
        RecordSet misspelt;
        QVERIFY(!misspelt.openSorted(m_db, QStringLiteral("Finds"), {QStringLiteral("Sight")}));
        QVERIFY(misspelt.lastError().contains(QLatin1String("Sight")));
        QVERIFY(!misspelt.openQuery(m_db, QStringLiteral("SELECT * FROM Finds WHERE \"Sight\" = 'North'")));
        QVERIFY(misspelt.lastError().contains(QLatin1String("Sight")));
        QVERIFY(!misspelt.openQuery(m_db, QStringLiteral("Select * From [Finds] WHERE [ID]='O'Brien';")));
        QVERIFY(!misspelt.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_recordset.moc"
