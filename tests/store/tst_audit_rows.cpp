// Reading the audit trail back for its window: newest first, narrowed by
// field and action, and a trail that cannot be read told apart from one
// that holds nothing.

#include "support/StoreRig.h"

#include "store/AuditQuery.h"
#include "store/AuditTrail.h"

using namespace k7;
using namespace k7::test;

namespace {

// Three changes, oldest first: Depth by grid edit, Weight by grid edit,
// Depth by re-edit.
bool recordThree(Database& db)
{
    AuditTrail audit(db);
    return audit.record({"Finds", 1, "A1", "Depth", 10, 12, QLatin1String(AuditAction::GridEdit)})
           && audit.record({"Finds", 2, "A2", "Weight", 1.5, QVariant(), QLatin1String(AuditAction::GridEdit)})
           && audit.record({"Finds", 1, "A1", "Depth", 12, 13, QLatin1String(AuditAction::ReEdit)});
}

// Each row as "field:before>after:action".
QStringList briefly(const std::vector<QVariantList>& rows)
{
    QStringList out;
    for (const QVariantList& row : rows)
        out << row.value(5).toString() + ':' + row.value(6).toString() + '>' + row.value(7).toString() + ':'
                   + row.value(8).toString();
    return out;
}

}  // namespace

class TestAuditRows : public QObject {
    Q_OBJECT
private slots:
    void newestFirstNarrowedByFieldAndAction_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("all") << "" << ""
                             << QStringList{"Depth:12>13:re-edit", "Weight:1.5>:grid edit", "Depth:10>12:grid edit"};
        QTest::newRow("one field") << "Depth" << "" << QStringList{"Depth:12>13:re-edit", "Depth:10>12:grid edit"};
        QTest::newRow("one action") << "" << "grid edit"
                                    << QStringList{"Weight:1.5>:grid edit", "Depth:10>12:grid edit"};
        QTest::newRow("both") << "Depth" << "re-edit" << QStringList{"Depth:12>13:re-edit"};
        QTest::newRow("a value bound, not written") << "x' OR '1'='1" << "" << QStringList{};
    }
    void newestFirstNarrowedByFieldAndAction()
    {
        QFETCH(QString, field);
        QFETCH(QString, action);
        QFETCH(QStringList, rows);
        QTemporaryDir dir;
        Database db;
        QVERIFY(db.create(dir.filePath("site.mdb")));
        QVERIFY(recordThree(db));
        QString error;
        const auto read = AuditRows(db, {field, action}, &error);
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(briefly(*read), rows);
        for (const QVariantList& row : *read) {
            QCOMPARE(row.size(), AuditColumns().size());
            QCOMPARE(row.value(2).toString(), "Finds");
            QVERIFY(!row.value(0).toString().isEmpty());  // when
        }
        QCOMPARE(AuditValues(db, "field"), (QStringList{"Depth", "Weight"}));
        QCOMPARE(AuditValues(db, "action"), (QStringList{"grid edit", "re-edit"}));
    }

    // No trail yet is no rows; a table of that name that is no trail, or a
    // closed database, is told as it is.
    void aTrailThatCannotBeReadIsNotAnEmptyOne()
    {
        QTemporaryDir dir;
        Database db;
        QString error;
        auto read = AuditRows(db, {}, &error);
        QVERIFY(read && read->empty());
        QVERIFY(db.create(dir.filePath("site.mdb")));
        read = AuditRows(db, {}, &error);
        QVERIFY(read && read->empty());
        QVERIFY(AuditValues(db, "field").isEmpty());
        QVERIFY(db.execute("CREATE TABLE k7_audit (id INTEGER PRIMARY KEY, note TEXT)"));
        QVERIFY(!AuditRows(db, {}, &error));
        QVERIFY2(error.contains("no such column"), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestAuditRows)
#include "tst_audit_rows.moc"
