// Record sets: positions, changes, bound look-ups, sorting, snapshots and
// durability of a saved row.

#include "cfg/NumberText.h"
#include "store/Database.h"
#include "store/RecordSet.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sqlite3.h>

#include <cstdio>

using namespace k7;

namespace {

TableDef findsTable()
{
    TableDef t;
    t.name = QStringLiteral("Finds");
    t.addField(QStringLiteral("ID"), FieldType::Text, 8);
    t.addField(QStringLiteral("Site"), FieldType::Text, 20);
    t.addField(QStringLiteral("Weight"), FieldType::Single);
    return t;
}

bool addRow(RecordSet& rs, const QString& id, const QString& site, const QVariant& weight)
{
    return rs.addNew() && rs.setField(QStringLiteral("ID"), id) && rs.setField(QStringLiteral("Site"), site)
           && rs.setField(QStringLiteral("Weight"), weight) && rs.update();
}

// The rows of a table as "ID|Site|Weight" lines, read through a connection
// of its own, as another program would see them.
QStringList rowsSeenByAnotherProgram(const QString& path, const QString& table = QStringLiteral("Finds"))
{
    sqlite3* db = nullptr;
    QStringList rows;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return {QStringLiteral("cannot open")};
    sqlite3_stmt* stmt = nullptr;
    const QByteArray sql = QStringLiteral("SELECT ID, Site, Weight FROM \"%1\" ORDER BY rowid").arg(table).toUtf8();
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            QStringList cells;
            for (int i = 0; i < 3; ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
                cells << (text ? QString::fromUtf8(text) : QStringLiteral("NULL"));
            }
            rows << cells.join(QLatin1Char('|'));
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

int childSave(const QString& path)
{
    Database db;
    RecordSet rs;
    if (!db.open(path) || !rs.openTable(db, QStringLiteral("Finds")))
        return 2;
    if (!addRow(rs, QStringLiteral("K-1"), QStringLiteral("Saved"), 1.5))
        return 3;
    std::printf("saved\n");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(10);
}

}  // namespace

class TestRecordSet : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void positionsOnEmptyAndFilledSets();
    void addEditDeleteSeenByAnotherProgram();
    void valuesAsTheFieldStoresThem_data();
    void valuesAsTheFieldStoresThem();
    void lookUpsBindTheirValues();
    void sortedSetsFindAndRequery();
    void snapshotOfAnySelect();
    void closingTheDatabaseClosesItsSets();
    void savedRowSurvivesAKilledProcess();

private:
    QTemporaryDir* m_dir = nullptr;
    QString m_path;
    Database m_db;
};

void TestRecordSet::init()
{
    m_dir = new QTemporaryDir;
    m_path = m_dir->filePath(QStringLiteral("site.mdb"));
    QVERIFY(m_db.create(m_path));
    QVERIFY(m_db.appendTable(findsTable()));
}

void TestRecordSet::cleanup()
{
    m_db.close();
    delete m_dir;
}

void TestRecordSet::positionsOnEmptyAndFilledSets()
{
    RecordSet rs;
    QVERIFY(rs.openTable(m_db, QStringLiteral("finds")));
    QCOMPARE(rs.name(), QStringLiteral("finds"));
    QVERIFY(rs.bof() && rs.eof());
    QCOMPARE(rs.recordCount(), 0);
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
    QVERIFY(!rs.bof() && !rs.eof());
    QCOMPARE(rs.value(QStringLiteral("id")).toString(), QStringLiteral("A"));
    const qint64 first = rs.bookmark();
    rs.moveNext();
    rs.moveNext();
    QCOMPARE(rs.value(0).toString(), QStringLiteral("C"));
    QCOMPARE(rs.absolutePosition(), 2);
    rs.moveNext();
    QVERIFY(rs.eof() && !rs.bof());
    rs.moveNext();  // stays at the end
    QVERIFY(rs.eof());
    rs.moveLast();
    QCOMPARE(rs.value(0).toString(), QStringLiteral("C"));
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
    QCOMPARE(rs.fieldIndex(QStringLiteral("WEIGHT")), 2);
    QCOMPARE(rs.fieldIndex(QStringLiteral("nothing")), -1);
}

void TestRecordSet::addEditDeleteSeenByAnotherProgram()
{
    RecordSet rs;
    QVERIFY(rs.openTable(m_db, QStringLiteral("Finds")));
    QVERIFY(addRow(rs, QStringLiteral("A"), QStringLiteral("North"), 2.5));
    QVERIFY(addRow(rs, QStringLiteral("B"), QStringLiteral("South"), QVariant()));
    QVERIFY(addRow(rs, QStringLiteral("C"), QString(), 0));
    // Committed on update: another connection sees every row at once.
    QCOMPARE(rowsSeenByAnotherProgram(m_path),
             (QStringList{QStringLiteral("A|North|2.5"), QStringLiteral("B|South|NULL"), QStringLiteral("C||0.0")}));

    QVERIFY(rs.setAbsolutePosition(1));
    QVERIFY(rs.edit());
    QVERIFY(rs.setField(QStringLiteral("Site"), QStringLiteral("East")));
    QCOMPARE(rs.value(QStringLiteral("Site")).toString(), QStringLiteral("East"));  // the edit buffer
    rs.cancelUpdate();
    QCOMPARE(rs.value(QStringLiteral("Site")).toString(), QStringLiteral("South"));
    QVERIFY(rs.edit());
    QVERIFY(rs.setField(QStringLiteral("Site"), QStringLiteral("West")));
    QVERIFY(rs.update());
    QCOMPARE(rs.value(QStringLiteral("Site")).toString(), QStringLiteral("West"));
    QCOMPARE(rowsSeenByAnotherProgram(m_path).at(1), QStringLiteral("B|West|NULL"));

    // Moving away discards an unfinished edit.
    QVERIFY(rs.edit());
    QVERIFY(rs.setField(QStringLiteral("Site"), QStringLiteral("Lost")));
    rs.moveFirst();
    QVERIFY(!rs.update());
    QCOMPARE(rowsSeenByAnotherProgram(m_path).at(1), QStringLiteral("B|West|NULL"));

    QVERIFY(rs.setAbsolutePosition(1));
    QVERIFY(rs.deleteCurrent());
    QCOMPARE(rs.recordCount(), 2);
    QCOMPARE(rs.absolutePosition(), -1);  // on the deleted row
    QVERIFY(!rs.deleteCurrent());
    rs.moveNext();
    QCOMPARE(rs.value(0).toString(), QStringLiteral("C"));
    QCOMPARE(rowsSeenByAnotherProgram(m_path), (QStringList{QStringLiteral("A|North|2.5"), QStringLiteral("C||0.0")}));

    // Deleting the last row leaves the set at its end.
    rs.moveLast();
    QVERIFY(rs.deleteCurrent());
    rs.moveNext();
    QVERIFY(rs.eof());
}

void TestRecordSet::valuesAsTheFieldStoresThem_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("input");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("single rounded to float") << "Weight" << QVariant(12.57) << true << "12.57";
    QTest::newRow("single from text") << "Weight" << QVariant(QStringLiteral(" 3.25 ")) << true << "3.25";
    QTest::newRow("single not a number") << "Weight" << QVariant(QStringLiteral("abc")) << false << "";
    QTest::newRow("single too large") << "Weight" << QVariant(1e39) << false << "";
    QTest::newRow("empty text to single is Null") << "Weight" << QVariant(QString()) << true << "NULL";
    QTest::newRow("text cut to the field size") << "ID" << QVariant(QStringLiteral("ABCDEFGHIJ")) << true << "ABCDEFGH";
    QTest::newRow("quotes kept") << "ID" << QVariant(QStringLiteral("O'B\"x")) << true << "O'B\"x";
    QTest::newRow("null text") << "ID" << QVariant() << true << "NULL";
    QTest::newRow("long in range") << "Count" << QVariant(2147483647.0) << true << "2147483647";
    QTest::newRow("long overflow") << "Count" << QVariant(2147483648.0) << false << "";
    QTest::newRow("yes/no") << "Done" << QVariant(true) << true << "true";
}

void TestRecordSet::valuesAsTheFieldStoresThem()
{
    QFETCH(QString, field);
    QFETCH(QVariant, input);
    QFETCH(bool, accepted);
    QFETCH(QString, readBack);

    QVERIFY(m_db.execute(QStringLiteral("ALTER TABLE Finds ADD COLUMN Count INTEGER")));
    QVERIFY(m_db.execute(QStringLiteral("ALTER TABLE Finds ADD COLUMN Done BOOLEAN")));
    QVERIFY(m_db.refresh());
    RecordSet rs;
    QVERIFY(rs.openTable(m_db, QStringLiteral("Finds")));
    QVERIFY(rs.addNew());
    QCOMPARE(rs.setField(field, input), accepted);
    if (!accepted) {
        QVERIFY(!rs.lastError().isEmpty());
        return;
    }
    QVERIFY(rs.update());
    RecordSet again;
    QVERIFY(again.openTable(m_db, QStringLiteral("Finds")));
    const QVariant v = again.value(field);
    QString shown;
    if (v.isNull())
        shown = QStringLiteral("NULL");
    else if (again.field(again.fieldIndex(field)).type == FieldType::Single)
        shown = ShortestSingle(v.toDouble());
    else
        shown = v.toString();
    QCOMPARE(shown, readBack);
    if (field == QLatin1String("Done"))
        QCOMPARE(v.typeId(), QMetaType::Bool);
}

void TestRecordSet::lookUpsBindTheirValues()
{
    {
        RecordSet rs;
        QVERIFY(rs.openTable(m_db, QStringLiteral("Finds")));
        QVERIFY(addRow(rs, QStringLiteral("O'Brien"), QStringLiteral("North"), 1));
        QVERIFY(addRow(rs, QStringLiteral("B"), QStringLiteral("South"), 2));
        QVERIFY(addRow(rs, QStringLiteral("o'brien"), QStringLiteral("East"), 3));
    }
    RecordSet found;
    QVERIFY2(found.openWhere(m_db, QStringLiteral("Finds"), QStringLiteral("ID"), QStringLiteral("O'Brien")),
             qPrintable(found.lastError()));
    QCOMPARE(found.recordCount(), 2);  // text compared without regard to case
    QCOMPARE(found.value(QStringLiteral("Site")).toString(), QStringLiteral("North"));
    QVERIFY(found.name() != QLatin1String("Finds"));

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
    QVERIFY(found.edit());
    QVERIFY(found.setField(QStringLiteral("Weight"), 9));
    QVERIFY(found.update());
    QCOMPARE(rowsSeenByAnotherProgram(m_path).at(0), QStringLiteral("O'Brien|North|9.0"));

    RecordSet bad;
    QVERIFY(!bad.openWhere(m_db, QStringLiteral("Finds"), QStringLiteral("Nope"), QStringLiteral("x")));
    QVERIFY(bad.lastError().contains(QLatin1String("Nope")));
    QVERIFY(!bad.isOpen());
    QVERIFY(!bad.openTable(m_db, QStringLiteral("Nothing")));
}

void TestRecordSet::sortedSetsFindAndRequery()
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
    QCOMPARE(order, (QStringList{QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("1")}));

    // The first match in the set's own order, text without regard to case.
    QVERIFY(sorted.findFirst(QStringLiteral("site"), QStringLiteral("NORTH")));
    QCOMPARE(sorted.value(0).toString(), QStringLiteral("3"));
    QVERIFY(table.findFirst(QStringLiteral("Site"), QStringLiteral("north")));
    QCOMPARE(table.value(0).toString(), QStringLiteral("1"));
    QVERIFY(table.findFirst(QStringLiteral("Weight"), QStringLiteral("2")));
    QCOMPARE(table.value(0).toString(), QStringLiteral("2"));
    QVERIFY(!table.findFirst(QStringLiteral("Site"), QStringLiteral("South")));
    QVERIFY(table.lastError().isEmpty());
    QCOMPARE(table.value(0).toString(), QStringLiteral("2"));  // no match: position kept
    QVERIFY(!table.findFirst(QStringLiteral("Nope"), QStringLiteral("x")));
    QVERIFY(!table.lastError().isEmpty());

    RecordSet misspelt;
    QVERIFY(!misspelt.openSorted(m_db, QStringLiteral("Finds"), {QStringLiteral("Sight")}));
    QVERIFY(misspelt.lastError().contains(QLatin1String("Sight")));

    // Rows added elsewhere appear on requery.
    QVERIFY(addRow(table, QStringLiteral("4"), QStringLiteral("Admin"), 0));
    QCOMPARE(sorted.recordCount(), 3);
    QVERIFY(sorted.requery());
    QCOMPARE(sorted.recordCount(), 4);
    QCOMPARE(sorted.value(0).toString(), QStringLiteral("4"));
}

void TestRecordSet::snapshotOfAnySelect()
{
    RecordSet table;
    QVERIFY(table.openTable(m_db, QStringLiteral("Finds")));
    for (const char* site : {"North", "East", "North"})
        QVERIFY(addRow(table, QStringLiteral("x"), QLatin1String(site), 1));

    RecordSet groups;
    QVERIFY2(groups.openQuery(m_db, QStringLiteral("SELECT [Site] From [Finds] GROUP BY [Site];")),
             qPrintable(groups.lastError()));
    QCOMPARE(groups.recordCount(), 2);
    QCOMPARE(groups.field(0).name, QStringLiteral("Site"));
    QCOMPARE(groups.field(0).type, FieldType::Text);
    QCOMPARE(groups.value(0).toString(), QStringLiteral("East"));
    QVERIFY(!groups.addNew());
    QVERIFY(groups.findFirst(QStringLiteral("Site"), QStringLiteral("north")));
    QCOMPARE(groups.absolutePosition(), 1);

    QVERIFY(addRow(table, QStringLiteral("x"), QStringLiteral("Admin"), 1));
    QVERIFY(groups.requery());
    QCOMPARE(groups.recordCount(), 3);

    RecordSet bound;
    QVERIFY(bound.openQuery(m_db, QStringLiteral("SELECT count(*) AS n FROM Finds WHERE Site = ?"),
                            {QStringLiteral("North")}));
    QCOMPARE(bound.value(0).toInt(), 2);

    // A misspelt name in double quotes is an error, not a text constant.
    RecordSet constant;
    QVERIFY(!constant.openQuery(m_db, QStringLiteral("SELECT * FROM Finds WHERE \"Sight\" = 'North'")));
    QVERIFY(constant.lastError().contains(QLatin1String("Sight")));

    RecordSet broken;
    QVERIFY(!broken.openQuery(m_db, QStringLiteral("Select * From [Finds] WHERE [ID]='O'Brien';")));
    QVERIFY(!broken.lastError().isEmpty());
    QVERIFY(!broken.isOpen());
}

void TestRecordSet::closingTheDatabaseClosesItsSets()
{
    RecordSet rs;
    QVERIFY(rs.openTable(m_db, QStringLiteral("Finds")));
    QVERIFY(addRow(rs, QStringLiteral("A"), QStringLiteral("S"), 1));
    m_db.close();
    QVERIFY(!rs.isOpen());
    QVERIFY(!rs.addNew());
    QVERIFY(!rs.requery());
    QVERIFY(!rs.value(0).isValid());
    QVERIFY(m_db.open(m_path));  // for cleanup
}

void TestRecordSet::savedRowSurvivesAKilledProcess()
{
    m_db.close();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("K7_STORE_CHILD_SAVE"), m_path);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    QVERIFY(child.waitForReadyRead(20000));
    QCOMPARE(child.readLine().trimmed(), QByteArray("saved"));
    child.kill();
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    QCOMPARE(rowsSeenByAnotherProgram(m_path), QStringList{QStringLiteral("K-1|Saved|1.5")});
    QVERIFY(m_db.open(m_path));  // no journal left to roll back: the file opens for writing
}

int main(int argc, char** argv)
{
    const QByteArray childPath = qgetenv("K7_STORE_CHILD_SAVE");
    if (!childPath.isEmpty()) {
        QCoreApplication app(argc, argv);
        return childSave(QString::fromLocal8Bit(childPath));
    }
    QCoreApplication app(argc, argv);
    TestRecordSet test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recordset.moc"
