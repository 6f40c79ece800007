// Importing Microsoft Access files: detection, every value of the small test
// tables, the wide table, refusals that change nothing, the command line and
// the check. Opening one through a CFG or File > Open: tests/app.

#include "support/CaseTable.h"
#include "support/StoreRig.h"

#include "cfg/CfgCheck.h"
#include "access/AccessFile.h"
#include "access/AccessImport.h"
#include "workflows/AccessImportCommand.h"
#include "workflows/AccessOffer.h"

#include <QDir>
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

const QString kFixtures = K7_TEST_DATA "/access/";
const AccessReader kReader{K7_BINARY};

// Each row as its values in SQL literal form (so types show), joined by ",".
QStringList quotedRows(const QString& db, const QString& table)
{
    const QStringList quoted = firstColumn(
        db, QString("SELECT 'quote(\"' || name || '\")' FROM pragma_table_info('%1')").arg(table));
    return firstColumn(db, QString("SELECT %1 FROM \"%2\" ORDER BY rowid").arg(quoted.join("||','||"), table));
}

QStringList tableList(const AccessImport& result)
{
    QStringList out;
    for (const ImportedTable& t : result.tables)
        out << QString("%1:%2").arg(t.name).arg(t.rows);
    return out;
}

struct Streams {
    QString out, err;
    QTextStream outStream{&out}, errStream{&err};
};

#define REQUIRE_READER() \
    if (!AccessSource::available()) \
        QSKIP("the Access import is not available: built without libmdb")

}  // namespace

class TestAccess : public QObject {
    Q_OBJECT
private slots:
    void everyValueOfTheSmallTables_data() { addCaseRows("access/small-tables.tsv"); }
    void everyValueOfTheSmallTables()
    {
        QFETCH(Case, c);
        const QString file = kFixtures + c.text("file"), table = c.text("table");
        const QStringList formats{"none", "jet 3", "jet 4", "ace"};
        QCOMPARE(formats.value(int(DetectAccessFormat(file))), c.text("format"));
        REQUIRE_READER();
        QTemporaryDir dir;
        const QString out = dir.filePath("out.mdb");
        const AccessImport result = ImportAccessFile(file, out, kReader);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(tableList(result), c.list("tables"));
        QCOMPARE(declarations(out, table), c.list("fields"));
        QCOMPARE(quotedRows(out, table), c.list("rows"));
        QCOMPARE(filesIn(dir.path()), QStringList{"out.mdb"});
    }

    void wideTable()
    {
        REQUIRE_READER();
        QTemporaryDir dir;
        const QString out = dir.filePath("wide.mdb");
        const AccessImport result = ImportAccessFile(kFixtures + "jet4-wide.mdb", out, kReader);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(tableList(result), QStringList{"MSP_PROJECTS:1"});
        const QStringList fields = declarations(out, "MSP_PROJECTS");
        QCOMPARE(fields.size(), 74);
        QCOMPARE(fields.first() + ", " + fields.last(), QString("PROJ_ID INTEGER, RESERVED_BINARY_DATA BLOB"));
        // A memo longer than any text field, a pound sign, a Null date, a
        // date with its time, a binary value and a Null text.
        QCOMPARE(querySeparately(out, "SELECT PROJ_NAME, length(PROJ_PROP_AUTHOR), PROJ_OPT_CURRENCY_SYMBOL, "
                                      "PROJ_INFO_STATUS_DATE, PROJ_LAST_SAVED, typeof(RESERVED_BINARY_DATA), "
                                      "typeof(PROJ_PROP_CATEGORY) FROM MSP_PROJECTS")
                     .value_or(QList<QStringList>{})
                     .value(0),
                 (QStringList{"Project1", "348", "£", "<null>", "2006-02-03 22:11:00", "blob", "null"}));
    }

    void targetsThatCannotBeWritten()
    {
        QTemporaryDir dir;
        const QString existing = writeFile(dir, "there.mdb", "keep");
        AccessImport result = ImportAccessFile(kFixtures + "jet3-types.mdb", existing);
        QVERIFY(!result.ok && result.error.contains("already exists"));
        result = ImportAccessFile(kFixtures + "jet3-types.mdb", dir.filePath("no/such/folder/x.mdb"));
        QVERIFY(!result.ok && result.error.contains("missing or read-only"));
        QCOMPARE(readFile(existing), QByteArray("keep"));
        // Neither a text file nor a missing one is taken for an Access database.
        QCOMPARE(DetectAccessFormat(existing), AccessFormat::None);
        QCOMPARE(DetectAccessFormat(dir.filePath("none.mdb")), AccessFormat::None);
        QCOMPARE(entriesIn(dir.path()), QStringList{"there.mdb"});
    }

    void withoutTheReaderTheImportSaysSo()
    {
        if (AccessSource::available())
            QSKIP("this build has libmdb");
        StoreRig rig;
        rig.add("a", TypeText, 50);
        const AccessImport result = ImportAccessFile(kFixtures + "jet3-types.mdb", rig.path("x.mdb"));
        QVERIFY(!result.ok && result.error.contains("without the Access reader"));
        // Opening says so at once, without a question it could not act on.
        const QString path = copyAccessFixture("jet3-types.mdb", rig.path("site.mdb"));
        QVERIFY(!OpenDataTable(rig.model, rig.store, rig.dialogs, rig.shell, path));
        QVERIFY(rig.allClosed());
        QCOMPARE(rig.dialogs.texts().size(), 1);
        QVERIFY(rig.dialogs.texts().at(0).contains("cannot import Access files"));
        QCOMPARE(filesIn(rig.dir.path()), QStringList{"site.mdb"});
    }

    void commandLineConvertsInPlaceKeepingTheOriginal()
    {
        REQUIRE_READER();
        QTemporaryDir dir;
        const QString path = copyAccessFixture("jet3-types.mdb", dir.filePath("site.mdb"));
        writeFile(dir, "site.access.mdb", "taken");
        Streams s;
        QCOMPARE(RunAccessImportCommand({path}, s.outStream, s.errStream, kReader), 0);
        s.outStream.flush();
        QCOMPARE(s.out, QString("Table1: 2 rows\nTable2: 0 rows\nTable3: 0 rows\nTable4: 0 rows\n"));
        QCOMPARE(readFile(dir.filePath("site.access2.mdb")), readFile(kFixtures + "jet3-types.mdb"));
        QCOMPARE(readFile(dir.filePath("site.access.mdb")), QByteArray("taken"));
        QCOMPARE(quotedRows(path, "Table1").size(), 2);
        // Now a K7 database: importing it again is refused and changes nothing.
        const QByteArray converted = readFile(path);
        QCOMPARE(RunAccessImportCommand({path, dir.filePath("again.mdb")}, s.outStream, s.errStream, kReader), 1);
        s.errStream.flush();
        QVERIFY(s.err.contains("not a Microsoft Access database"));
        QCOMPARE(readFile(path), converted);
        QCOMPARE(filesIn(dir.path()).size(), 3);
    }

    void checkWarnsAboutAnAccessDatabase()
    {
        QTemporaryDir dir;
        const QString cfg = copySampleCfg(dir.path());
        const auto check = [&] {
            Streams s;
            const int status = RunCfgCheck(cfg, s.outStream, s.errStream, AccessCheckWarnings);
            s.errStream.flush();
            return status == 0 ? s.err : QString("status %1").arg(status);
        };
        QCOMPARE(check(), QString());
        copyAccessFixture("jet4-users.mdb", dir.filePath("finds.mdb"));
        const QString warning = check();
        QVERIFY2(warning.startsWith(cfg + ": " + dir.filePath("finds.mdb") + " is a Microsoft Access database"),
                 qPrintable(warning));
        QVERIFY(warning.contains("k7 --import-access"));
    }

    // The epoch, a day before it with a time, and a time that rounds up to midnight.
    void datesBeforeAndAfterTheEpoch()
    {
        QCOMPARE((QStringList{AccessDateText(0.0), AccessDateText(-1.25), AccessDateText(2.9999999)}),
                 (QStringList{"1899-12-30 00:00:00", "1899-12-29 06:00:00", "1900-01-02 00:00:00"}));
    }
};

QTEST_GUILESS_MAIN(TestAccess)
#include "tst_access.moc"
