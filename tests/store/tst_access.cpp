// Importing Microsoft Access files: detection, every value of the small test
// tables, the wide table, the original left untouched, refusals that change
// nothing, the command line, and a CFG opened on an imported table.

#include "StoreRig.h"

#include "cfg/CfgCheck.h"
#include "cfg/CfgWriter.h"
#include "store/AccessFile.h"
#include "store/AccessImport.h"
#include "store/AccessImportCommand.h"
#include "store/AccessOffer.h"

#include <QDir>
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

const QString kFixtures = QStringLiteral(K7_TEST_DATA "/access/");

// A writable copy of a fixture in `folder`; its path.
QString copyFixture(const QString& name, const QString& folder, const QString& as = QString())
{
    const QString target = folder + QLatin1Char('/') + (as.isEmpty() ? name : as);
    QFile::copy(kFixtures + name, target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

// Each row of `table` as its values in SQL literal form, joined by "|".
QStringList quotedRows(const QString& db, const QString& table)
{
    QStringList fields;
    for (const QStringList& f : querySeparately(db, QStringLiteral("SELECT name FROM pragma_table_info('%1')")
                                                        .arg(table))
                                    .value_or(QList<QStringList>{}))
        fields << QStringLiteral("quote(%1)").arg(QuoteName(f.at(0)));
    QStringList out;
    const auto rows = querySeparately(db, QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid")
                                              .arg(fields.join(QStringLiteral("||'|'||")), QuoteName(table)));
    for (const QStringList& row : rows.value_or(QList<QStringList>{}))
        out << row.at(0);
    return out;
}

QStringList declarations(const QString& db, const QString& table)
{
    QStringList out;
    const auto rows = querySeparately(db, QStringLiteral("SELECT name, type FROM pragma_table_info('%1')").arg(table));
    for (const QStringList& row : rows.value_or(QList<QStringList>{}))
        out << row.at(0) + QLatin1Char(' ') + row.at(1);
    return out;
}

QStringList tableList(const AccessImport& result)
{
    QStringList out;
    for (const ImportedTable& t : result.tables)
        out << QStringLiteral("%1:%2").arg(t.name).arg(t.rows);
    return out;
}

#define REQUIRE_READER() \
    if (!AccessSource::available()) \
        QSKIP("built without libmdb")

}  // namespace

class TestAccess : public QObject {
    Q_OBJECT
private slots:
    void detection_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("format");
        QTest::newRow("jet 3") << "jet3-types.mdb" << int(AccessFormat::Jet3);
        QTest::newRow("jet 4") << "jet4-users.mdb" << int(AccessFormat::Jet4);
        QTest::newRow("ace") << "ace12-small.accdb" << int(AccessFormat::Ace);
        QTest::newRow("a text file") << "README.md" << int(AccessFormat::None);
        QTest::newRow("missing") << "none.mdb" << int(AccessFormat::None);
    }
    void detection()
    {
        QFETCH(QString, file);
        QFETCH(int, format);
        QCOMPARE(int(DetectAccessFormat(kFixtures + file)), format);
    }

    void sqliteAndShortFilesAreNotAccess()
    {
        StoreRig rig;
        rig.add("a", TypeText);
        QVERIFY(rig.open());
        QCOMPARE(DetectAccessFormat(rig.dbPath()), AccessFormat::None);
        const QByteArray head = readFile(kFixtures + "jet4-users.mdb").left(16);
        QCOMPARE(DetectAccessFormat(writeFile(rig.dir, "short.mdb", head)), AccessFormat::None);
    }

    void everyValueOfTheSmallTables_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("tables");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("jet 3, every type")
            << "jet3-types.mdb" << QStringList{"Table1:2", "Table2:0", "Table3:0", "Table4:0"} << "Table1"
            << QStringList{"A VARCHAR(50)", "B VARCHAR(100)", "C INTEGER", "D INTEGER", "E INTEGER", "F DOUBLE",
                           "G VARCHAR(19)", "H DOUBLE", "I BOOLEAN"}
            << QStringList{"'a'|'b'|0|0|0|0.0|'1981-12-12 00:00:00'|0.0|0",
                           "'abcdefg'|'hijklmnop'|2|222|333333333|444.555|'1974-09-21 00:00:00'|3.5|1"};
        QTest::newRow("jet 4")
            << "jet4-users.mdb" << QStringList{"users:2"} << "users"
            << QStringList{"i_user_id INTEGER", "c_user_login VARCHAR(32)", "c_user_pwd VARCHAR(32)",
                           "c_user_session VARCHAR(40)", "c_user_name VARCHAR(200)", "i_user_flags INTEGER",
                           "i_user_type INTEGER", "i_user_merch INTEGER", "c_flag_ VARCHAR(1)",
                           "d_stamp_ VARCHAR(19)"}
            << QStringList{"1|'CORE USER'|' '|'-1'|'Core User'|1|16408|-1|'N'|'2009-11-05 23:41:28'",
                           "2|'admin'|'X03MO1qnZdYdgyfeuILPmQ=='|'-1'|'Admin User'|1|81928|120|'N'|"
                           "'2009-10-22 03:57:13'"};
        QTest::newRow("ace, engine table skipped")
            << "ace12-small.accdb" << QStringList{"Table:2"} << "Table"
            << QStringList{"a VARCHAR(50)", "b VARCHAR(50)"} << QStringList{"'z'|'y'", "'v'|'u'"};
    }
    void everyValueOfTheSmallTables()
    {
        REQUIRE_READER();
        QFETCH(QString, file);
        QFETCH(QStringList, tables);
        QFETCH(QString, table);
        QFETCH(QStringList, fields);
        QFETCH(QStringList, rows);
        QTemporaryDir dir;
        const QString out = dir.filePath("out.mdb");
        const AccessImport result = ImportAccessFile(kFixtures + file, out);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(tableList(result), tables);
        QCOMPARE(declarations(out, table), fields);
        QCOMPARE(quotedRows(out, table), rows);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.mdb"});
    }

    void wideTable()
    {
        REQUIRE_READER();
        QTemporaryDir dir;
        const QString out = dir.filePath("wide.mdb");
        const AccessImport result = ImportAccessFile(kFixtures + "jet4-wide.mdb", out);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(tableList(result), QStringList{"MSP_PROJECTS:1"});
        const QStringList fields = declarations(out, "MSP_PROJECTS");
        QCOMPARE(fields.size(), 74);
        QCOMPARE(fields.first(), QString("PROJ_ID INTEGER"));
        QCOMPARE(fields.last(), QString("RESERVED_BINARY_DATA BLOB"));
        const auto values = querySeparately(
            out, "SELECT PROJ_NAME, length(PROJ_PROP_AUTHOR), PROJ_OPT_CURRENCY_SYMBOL, PROJ_INFO_STATUS_DATE, "
                 "PROJ_LAST_SAVED, typeof(RESERVED_BINARY_DATA), typeof(PROJ_PROP_CATEGORY) FROM MSP_PROJECTS");
        QVERIFY(values);
        // A memo longer than any text field, a pound sign, a Null date, a
        // date with its time, a binary value and a Null text.
        QCOMPARE(values->value(0), (QStringList{"Project1", "348", "£", "<null>", "2006-02-03 22:11:00", "blob",
                                                "null"}));
    }

    void convertedInPlaceWithTheOriginalKept()
    {
        REQUIRE_READER();
        QTemporaryDir dir;
        const QString path = copyFixture("jet4-users.mdb", dir.path(), "site.mdb");
        const QString taken = writeFile(dir, "site.access.mdb", "someone else's");
        const AccessImport result = ConvertAccessInPlace(path);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.keptAs, dir.filePath("site.access2.mdb"));
        QCOMPARE(readFile(result.keptAs), readFile(kFixtures + "jet4-users.mdb"));
        QCOMPARE(readFile(taken), QByteArray("someone else's"));
        QCOMPARE(DetectAccessFormat(path), AccessFormat::None);
        QCOMPARE(quotedRows(path, "users").size(), 2);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 3);
    }

    void refusedWithNothingChanged_data()
    {
        QTest::addColumn<int>("keep");
        QTest::addColumn<QString>("reason");
        QTest::newRow("first page only") << 4096 << "damaged";
        QTest::newRow("half the file") << 135168 / 2 << "damaged";
    }
    void refusedWithNothingChanged()
    {
        REQUIRE_READER();
        QFETCH(int, keep);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QByteArray cut = readFile(kFixtures + "jet4-users.mdb").left(keep);
        const QString path = writeFile(dir, "cut.mdb", cut);
        for (const bool inPlace : {true, false}) {
            const AccessImport result = inPlace ? ConvertAccessInPlace(path) : ImportAccessFile(path, dir.filePath("o.mdb"));
            QVERIFY(!result.ok);
            QVERIFY2(result.error.contains(reason), qPrintable(result.error));
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"cut.mdb"});
            QCOMPARE(readFile(path), cut);
        }
    }

    void targetsThatCannotBeWritten()
    {
        QTemporaryDir dir;
        const QString existing = writeFile(dir, "there.mdb", "keep");
        AccessImport result = ImportAccessFile(kFixtures + "jet3-types.mdb", existing);
        QVERIFY(!result.ok && result.error.contains("already exists"));
        QCOMPARE(readFile(existing), QByteArray("keep"));
        result = ImportAccessFile(kFixtures + "jet3-types.mdb", dir.filePath("no/such/folder/x.mdb"));
        QVERIFY(!result.ok && result.error.contains("missing or read-only"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList{"there.mdb"});
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
        const QString path = copyFixture("jet3-types.mdb", rig.dir.path(), "site.mdb");
        QVERIFY(!OpenDataTable(rig.model, rig.store, rig.dialogs, rig.shell, path));
        QVERIFY(rig.allClosed());
        QCOMPARE(rig.dialogs.texts().size(), 1);
        QVERIFY(rig.dialogs.texts().at(0).contains("cannot import Access files"));
        QCOMPARE(QDir(rig.dir.path()).entryList(QDir::Files), QStringList{"site.mdb"});
    }

    void commandLine()
    {
        REQUIRE_READER();
        QTemporaryDir dir;
        const QString path = copyFixture("jet3-types.mdb", dir.path());
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        QCOMPARE(RunAccessImportCommand({path}, outStream, errStream), 0);
        outStream.flush();
        QCOMPARE(out, QString("Table1: 2 rows\nTable2: 0 rows\nTable3: 0 rows\nTable4: 0 rows\n"));
        // Now a K7 database: importing it again is refused and changes nothing.
        const QByteArray converted = readFile(path);
        QCOMPARE(RunAccessImportCommand({path, dir.filePath("again.mdb")}, outStream, errStream), 1);
        errStream.flush();
        QVERIFY(err.contains("not a Microsoft Access database"));
        QCOMPARE(readFile(path), converted);
        QVERIFY(!QFileInfo::exists(dir.filePath("again.mdb")));
    }

    void checkWarnsAboutAnAccessDatabase()
    {
        QTemporaryDir dir;
        const QString cfg = copySampleCfg(dir.path());
        const auto check = [&] {
            QString out;
            QString err;
            QTextStream outStream(&out);
            QTextStream errStream(&err);
            const int status = RunCfgCheck(cfg, outStream, errStream, AccessCheckWarnings);
            errStream.flush();
            return status == 0 ? err : QStringLiteral("status %1").arg(status);
        };
        QCOMPARE(check(), QString());
        copyFixture("jet4-users.mdb", dir.path(), "finds.mdb");
        const QString warning = check();
        QVERIFY2(warning.startsWith(cfg + ": " + dir.filePath("finds.mdb") + " is a Microsoft Access database"),
                 qPrintable(warning));
        QVERIFY(warning.contains("k7 --import-access"));
    }

    void openingDeclinedChangesNothing()
    {
        REQUIRE_READER();
        StoreRig rig;
        rig.add("a", TypeText, 50);
        const QString path = copyFixture("ace12-small.accdb", rig.dir.path(), "site.mdb");
        rig.dialogs.queueAnswer(Answer::No);
        QVERIFY(!OpenDataTable(rig.model, rig.store, rig.dialogs, rig.shell, path));
        QVERIFY(rig.allClosed());
        QCOMPARE(rig.dialogs.texts().size(), 1);
        QVERIFY(rig.dialogs.texts().at(0).contains("The original is kept, unchanged, as " + rig.path("site.access.mdb")));
        QCOMPARE(readFile(path), readFile(kFixtures + "ace12-small.accdb"));
        QCOMPARE(QDir(rig.dir.path()).entryList(QDir::Files), QStringList{"site.mdb"});
    }

    void cfgOpensOnTheImportedTableAndAppends()
    {
        REQUIRE_READER();
        StoreRig rig;
        rig.add("A", TypeText, 50);
        rig.add("B", TypeText, 100);
        rig.add("E", TypeNumeric);
        rig.add("G", TypeText, 19);
        rig.model.options[OptFilename] = "types.mdb";
        rig.model.options[OptTable] = "Table1";
        const QString cfg = rig.path("types.cfg");
        QVERIFY(WriteCfg(rig.model, cfg, rig.dialogs));
        copyFixture("jet3-types.mdb", rig.dir.path(), "types.mdb");

        rig.dialogs.queueAnswer(Answer::Yes);
        QVERIFY(rig.openCfg(cfg));
        QCOMPARE(rig.dialogs.texts().size(), 1);  // the import question, and no other
        QCOMPARE(rig.shell.dataSource, &rig.store.currentrs);
        QCOMPARE(rig.store.currentrs.recordCount(), 2);
        QCOMPARE(readFile(rig.path("types.access.mdb")), readFile(kFixtures + "jet3-types.mdb"));

        rig.enter({"c", "d", "7", "2024-05-01 10:00:00"});
        QCOMPARE(quotedRows(rig.store.dbname, "Table1"),
                 (QStringList{"'a'|'b'|0|0|0|0.0|'1981-12-12 00:00:00'|0.0|0",
                              "'abcdefg'|'hijklmnop'|2|222|333333333|444.555|'1974-09-21 00:00:00'|3.5|1",
                              "'c'|'d'|NULL|NULL|7|NULL|'2024-05-01 10:00:00'|NULL|NULL"}));
    }

    void datesBeforeAndAfterTheEpoch_data()
    {
        QTest::addColumn<double>("days");
        QTest::addColumn<QString>("text");
        QTest::newRow("epoch") << 0.0 << "1899-12-30 00:00:00";
        QTest::newRow("noon") << 1.5 << "1899-12-31 12:00:00";
        QTest::newRow("before, with a time") << -1.25 << "1899-12-29 06:00:00";
        QTest::newRow("rounds up to midnight") << 2.9999999 << "1900-01-02 00:00:00";
    }
    void datesBeforeAndAfterTheEpoch()
    {
        QFETCH(double, days);
        QFETCH(QString, text);
        QCOMPARE(AccessDateText(days), text);
    }
};

QTEST_GUILESS_MAIN(TestAccess)
#include "tst_access.moc"
