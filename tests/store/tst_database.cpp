// The database engine: creating and opening files, read-only files and
// folders, table definitions with odd names and types declared by other tools.

#include "support/StoreRig.h"

#include "store/FoldedMatch.h"
#include "store/SqlStatement.h"

#include <QCoreApplication>
#include <QProcess>

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>

using namespace k7;
using namespace k7::test;

namespace {

bool makeDatabase(const QString& path)
{
    TableDef t;
    t.name = "Finds";
    t.addField("ID", FieldType::Text, 20);
    Database db;
    return db.create(path) && db.appendTable(t);
}

// As a user who may not write them: a read-only database file can be read
// but not opened for writing; in a read-only folder nothing can be changed or
// created. Returns the step that failed, 0 for none.
int checkReadOnly(const QString& root)
{
    const QString file = root + "/open/ro.mdb", inFolder = root + "/closed/site.mdb";
    Database db;
    int step = 0;
    const auto failed = [&] { return std::fprintf(stderr, "step %d: %s\n", step, qPrintable(db.lastError())), step; };
    if (++step,
        db.open(file) || db.lastError() != "The database " + file + " is read-only and cannot take new records.")
        return failed();
    if (++step, !db.open(file, Database::Access::ReadOnly) || db.tableCount() != 1)
        return failed();
    if (++step, db.open(inFolder)
                    || db.lastError() != "The folder of the database " + inFolder
                                             + " is read-only, so the database cannot be changed.")
        return failed();
    if (++step, db.create(root + "/closed/new.mdb") || !db.lastError().endsWith("is read-only."))
        return failed();
    return 0;
}

}  // namespace

class TestDatabase : public QObject {
    Q_OBJECT
private slots:
    void readOnlyFileAndFolder()
    {
        QTemporaryDir dir;
        const auto chmod = [&](const char* sub, QFile::Permissions p) {
            return QFile::setPermissions(dir.filePath(sub), p);
        };
        const QFile::Permissions r = QFile::ReadOwner | QFile::ReadOther, rx = r | QFile::ExeOwner | QFile::ExeOther;
        const QFile::Permissions w = QFile::WriteOwner | QFile::WriteOther;
        QVERIFY(QDir(dir.path()).mkdir("open") && QDir(dir.path()).mkdir("closed"));
        QVERIFY(makeDatabase(dir.filePath("open/ro.mdb")) && makeDatabase(dir.filePath("closed/site.mdb")));
        QVERIFY(chmod(".", rx | QFile::WriteOwner) && chmod("open", rx | w) && chmod("open/ro.mdb", r)
                && chmod("closed", rx) && chmod("closed/site.mdb", r | w));
        int failed = 0;
        QByteArray errors;
        if (geteuid() != 0) {
            failed = checkReadOnly(dir.path());
        } else {
            // Permissions do not bind root: check as nobody, in a child.
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("K7_STORE_CHILD_READONLY", dir.path());
            child.setProcessEnvironment(env);
            child.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(child.waitForFinished(20000));
            failed = child.exitCode();
            errors = child.readAllStandardError();
        }
        chmod("closed", rx | QFile::WriteOwner);  // so that the folder can be removed
        QVERIFY2(failed == 0, errors.constData());
    }

    void createOpenAndChangeTables()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("site.mdb");
        Database db;
        QVERIFY(!db.open(path));
        QCOMPARE(db.lastError(), "The database " + path + " does not exist.");
        QVERIFY(!QFile::exists(path));  // opening never creates
        QVERIFY(db.create(path));
        TableDef odd;
        odd.name = "O'Brien's \"finds\" [2024]";
        odd.addField("Site name", FieldType::Text, 30);
        odd.addField("Bag \"no\"", FieldType::Single);
        odd.addField("a]b", FieldType::Text, 5);
        QVERIFY2(db.appendTable(odd), qPrintable(db.lastError()));
        QVERIFY(db.appendField(odd.name, FieldDef{"Note's", FieldType::Text, 40, true}));
        QVERIFY(db.renameField(odd.name, "Site name", "Site"));
        QVERIFY(db.appendIndex(odd.name, IndexDef{odd.name + "_Bag \"no\"", "+Bag \"no\"", false, false, {}}));
        QVERIFY(!db.appendTable(odd));  // exists already
        // A schema change inside a transaction is undone by a rollback.
        QVERIFY(db.transaction() && db.deleteTable(odd.name) && db.rollback());

        // Read back from the file, found without regard to case.
        QVERIFY(db.refresh());
        const std::optional<TableDef> t = db.findTable("o'brien's \"FINDS\" [2024]");
        QVERIFY(t);
        QCOMPARE(fieldShapes(t->fields), (QStringList{"Site:10:30", "Bag \"no\":6:0", "a]b:10:5", "Note's:10:40"}));
        QCOMPARE(t->indexes.size(), 1);
        QCOMPARE(t->indexes[0].fields, QString("+Bag \"no\""));
        QVERIFY(!db.appendTable(TableDef{"Empty", {}, {}}));  // a table needs a field
        db.close();
        QVERIFY(!db.create(path));  // creating never replaces
        QVERIFY(db.open(path) && db.tableCount() == 1);

        // Types declared by other tools, read as the nearest kind.
        QVERIFY(db.execute("CREATE TABLE other (a bigint, b nvarchar ( 12 ), c TEXT, d DOUBLE PRECISION, e BOOLEAN, f)")
                && db.refresh());
        const std::optional<TableDef> other = db.findTable("OTHER");
        QCOMPARE(fieldShapes(other->fields), (QStringList{"a:4:0", "b:10:12", "c:10:255", "d:6:0", "e:1:0", "f:0:0"}));
        // A DOUBLE keeps its precision, and its declaration when a rebuild copies it.
        QVERIFY(other->fields[3].doublePrecision && !other->fields[1].doublePrecision);
        QCOMPARE(DeclarationOf(other->fields[3]), QString("DOUBLE"));
    }

    // A file deleted or moved while open refuses every write; the message
    // says so rather than "attempt to write a readonly database" (a record
    // set's prepared statements: the journal test).
    void fileMovedWhileOpen_data()
    {
        QTest::addColumn<bool>("deleted");
        QTest::newRow("deleted") << true;
        QTest::newRow("renamed") << false;
    }
    void fileMovedWhileOpen()
    {
        QFETCH(bool, deleted);
        QTemporaryDir dir;
        const QString path = dir.filePath("site.mdb");
        QVERIFY(makeDatabase(path));
        Database db;
        QVERIFY(db.open(path));
        QVERIFY(db.execute("INSERT INTO Finds VALUES (?)", {"A1"}));
        QVERIFY(!db.fileMoved());
        QVERIFY(deleted ? QFile::remove(path) : QFile::rename(path, dir.filePath("elsewhere.mdb")));
        QVERIFY(db.fileMoved());
        const QString moved = " was moved or deleted while it was open, so nothing more can be written to it.";

        QVERIFY(!db.execute("INSERT INTO Finds VALUES (?)", {"A2"}));
        QVERIFY2(db.lastError().endsWith("site.mdb" + moved), qPrintable(db.lastError()));
    }

    // The pieces of SQL the file's engine writes its own way pick the rows
    // they say they pick.
    void dialectPiecesPickWhatTheySay_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("expected");
        const SqliteDialect d;
        const QString v = "\"V\"";
        const QString all = "SELECT group_concat(quote(V), ' ') FROM (SELECT V FROM T WHERE %1 ORDER BY rowid)";
        QTest::newRow("stored as text") << all.arg(d.storedAsText(v)) << "'abc' ''";
        QTest::newRow("stored as number") << all.arg(d.storedAsNumber(v)) << "1 2.5 -2.5";
        QTest::newRow("whole part, cut toward zero")
            << "SELECT group_concat(" + d.wholePart(v) + ", ' ') FROM (SELECT V FROM T WHERE "
                   + d.storedAsNumber(v) + " ORDER BY rowid)"
            << "1 2 -2";
        QTest::newRow("caseless equals") << all.arg(d.caselessEquals(v, "'ABC'")) << "'abc'";
        QTest::newRow("read without the index")
            << "SELECT count(*) FROM " + d.tableScan("\"T\"") + " WHERE V = 'abc'" << "1";
        QTest::newRow("the row id first among its names")
            << "SELECT max(" + d.rowidNames().value(0) + ") = max(" + d.rowidNames().value(1) + ") AND max("
                   + d.rowidName() + ") = max(" + d.rowidNames().value(2) + ") FROM T"
            << "1";
    }
    void dialectPiecesPickWhatTheySay()
    {
        QFETCH(QString, query);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        Database db;
        QVERIFY(db.create(dir.filePath("site.mdb")));
        QVERIFY(db.execute("CREATE TABLE T (V)"));
        QVERIFY(db.execute("CREATE INDEX T_V ON T (V)"));
        QVERIFY(db.execute("INSERT INTO T VALUES (1), (2.5), ('abc'), (''), (NULL), (x'00ff'), (-2.5)"));
        const std::unique_ptr<SqlStatement> q = db.prepare(query);
        QVERIFY2(q && q->step(), qPrintable(db.lastError()));
        QCOMPARE(q->value(0).toString(), expected);
    }

    // The key function a text sort orders by gives the key Find compares,
    // whether the text is folded on the stack (short ASCII) or through
    // Unicode, and leaves numbers as they are.
    void foldKeyFunctionGivesFindsKey_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("expected");
        const QString longText = QString(" Ab").repeated(100) + "Z ";
        const QString atLimit = "Q" + QString("x").repeated(255);
        QTest::newRow("ascii, blanks at the ends") << QVariant(" \tSite North  ") << QVariant("site north");
        QTest::newRow("ascii, 256 bytes") << QVariant(atLimit) << QVariant(FoldKey(atLimit));
        QTest::newRow("ascii, longer than the stack key") << QVariant(longText) << QVariant(FoldKey(longText));
        QTest::newRow("beyond ascii") << QVariant(" STRASSE Ärger ") << QVariant(FoldKey(" STRASSE Ärger "));
        QTest::newRow("only blanks") << QVariant("   ") << QVariant("");
        QTest::newRow("a number") << QVariant(12.5) << QVariant(12.5);
    }
    void foldKeyFunctionGivesFindsKey()
    {
        QFETCH(QVariant, value);
        QFETCH(QVariant, expected);
        QTemporaryDir dir;
        Database db;
        QVERIFY(db.create(dir.filePath("site.mdb")));
        const std::unique_ptr<SqlStatement> q = db.prepare("SELECT " + FoldKeyOf("?"));
        QVERIFY(q && q->bind({value}) && q->step());
        QCOMPARE(q->value(0), expected);
    }

    // A Text field's new length in the file: the table made again with the
    // field's new declaration, rows in their place with their row ids,
    // longer text cut, indexes and triggers as they were; a failure leaves
    // the old rename rules off (what it says: tst_table_changes).
    void textFieldLengthRebuildsTheTable()
    {
        QTemporaryDir dir;
        Database db;
        QVERIFY(db.create(dir.filePath("site.mdb")));
        QVERIFY(db.execute("CREATE TABLE T (A VARCHAR(10), B INTEGER NOT NULL DEFAULT 4)"));
        QVERIFY(db.execute("CREATE INDEX T_A ON T (A)"));
        QVERIFY(db.execute("CREATE TRIGGER T_B AFTER INSERT ON T "
                           "BEGIN UPDATE T SET B = B * 10 WHERE rowid = new.rowid; END"));
        QVERIFY(db.execute("INSERT INTO T (rowid, A, B) VALUES (5, 'abc', 1), (9, 'x', 2), (12, 7, 3)"));
        QVERIFY(db.refresh());
        QVERIFY(db.transaction());
        QVERIFY2(db.setTextFieldLength("t", "a", 2), qPrintable(db.lastError()));
        QVERIFY(db.commit());
        const std::unique_ptr<SqlStatement> rows =
            db.prepare("SELECT group_concat(r, ' ') FROM (SELECT rowid || '=' || A AS r FROM T ORDER BY rowid)");
        QVERIFY(rows && rows->step());
        QCOMPARE(rows->value(0).toString(), "5=ab 9=x 12=7");
        QCOMPARE(db.findTable("T")->fields.value(0).size, 2);
        const std::unique_ptr<SqlStatement> schema =
            db.prepare("SELECT group_concat(name, ' ') FROM (SELECT name FROM sqlite_master ORDER BY name)");
        QVERIFY(schema && schema->step());
        QCOMPARE(schema->value(0).toString(), "T T_A T_B");
        // The other field's default and the trigger are still there.
        QVERIFY(db.execute("INSERT INTO T (A) VALUES ('zz')"));
        const std::unique_ptr<SqlStatement> added = db.prepare("SELECT A, B FROM T WHERE rowid = 13");
        QVERIFY(added && added->step());
        QCOMPARE(added->value(0).toString() + added->value(1).toString(), "zz40");

        QVERIFY(db.transaction());
        QVERIFY(!db.setTextFieldLength("T", "Missing", 4));
        QVERIFY(db.rollback());
        int on = -1;
        QCOMPARE(sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_LEGACY_ALTER_TABLE, -1, &on), SQLITE_OK);
        QCOMPARE(on, 0);
    }

    // Failures are told apart by SQLite's result code, which every failed
    // statement leaves behind and the next good one clears.
    void failuresCarryTheEnginesCode()
    {
        QTemporaryDir dir;
        const QString text = dir.filePath("notes.mdb"), path = dir.filePath("site.mdb");
        QVERIFY(writeFile(text, QByteArray(2000, 'x')));
        Database db;
        QVERIFY(!db.open(text));
        QCOMPARE(db.lastErrorCode(), SQLITE_NOTADB);
        QCOMPARE(db.lastError(), "The file " + text + " is not a database.");

        QVERIFY(makeDatabase(path));
        QVERIFY(db.open(path));
        QVERIFY(!db.execute("INSERT INTO Nowhere VALUES (1)"));
        QCOMPARE(db.lastErrorCode(), SQLITE_ERROR);
        sqlite3* other = nullptr;  // another program holding the write lock
        QCOMPARE(sqlite3_open(QFile::encodeName(path), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        const bool written = db.execute("INSERT INTO Finds VALUES (?)", {"A1"});
        const int code = db.lastErrorCode();
        sqlite3_close_v2(other);
        QVERIFY(!written);
        QCOMPARE(code, SQLITE_BUSY);
        QVERIFY(db.execute("INSERT INTO Finds VALUES (?)", {"A1"}));
        QCOMPARE(db.lastErrorCode(), 0);
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray folder = qgetenv("K7_STORE_CHILD_READONLY");
    if (!folder.isEmpty())
        return setgid(65534) == 0 && setuid(65534) == 0 ? checkReadOnly(QString::fromLocal8Bit(folder)) : 10;
    TestDatabase test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_database.moc"
