// The database engine: opening and creating files, bad files, table
// definitions, fields and indexes.

#include "store/Database.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>

using namespace k7;

namespace {

bool runningAsRoot()
{
    return geteuid() == 0;
}

TableDef finds()
{
    TableDef t;
    t.name = QStringLiteral("Finds");
    t.addField(QStringLiteral("ID"), FieldType::Text, 20);
    t.addField(QStringLiteral("Weight"), FieldType::Single);
    return t;
}

// As an ordinary user, in a folder that user cannot write: the database can
// be read but not opened for writing, and nothing can be created there.
int childReadOnlyFolder(const QString& folder)
{
    if (setgid(65534) != 0 || setuid(65534) != 0)
        return 10;
    const QString path = folder + QStringLiteral("/site.mdb");
    Database db;
    if (db.open(path) || !db.lastError().contains(QLatin1String("folder"))) {
        std::fprintf(stderr, "open for writing: %s\n", qPrintable(db.lastError()));
        return 1;
    }
    if (db.create(folder + QStringLiteral("/new.mdb")) || !db.lastError().contains(QLatin1String("read-only"))) {
        std::fprintf(stderr, "create: %s\n", qPrintable(db.lastError()));
        return 2;
    }
    if (!db.open(path, Database::Access::ReadOnly) || db.tableCount() != 1) {
        std::fprintf(stderr, "open for reading: %s\n", qPrintable(db.lastError()));
        return 3;
    }
    return 0;
}

}  // namespace

class TestDatabase : public QObject {
    Q_OBJECT
private slots:
    void createThenOpen();
    void refusesWhatIsNotADatabase();
    void readOnlyFileAndFolder();
    void lockedByAnotherProgram();
    void tablesFieldsAndOddNames();
    void declaredTypesOfOtherTools_data();
    void declaredTypesOfOtherTools();
    void indexes();
    void transactionRollsBackSchemaChanges();
};

void TestDatabase::createThenOpen()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.mdb"));
    Database db;
    QVERIFY(!db.open(path));
    QVERIFY(db.lastError().contains(QLatin1String("does not exist")));
    QVERIFY(!QFile::exists(path));

    QVERIFY2(db.create(path), qPrintable(db.lastError()));
    QVERIFY(QFile::exists(path));
    QCOMPARE(db.tableCount(), 0);
    QVERIFY(db.appendTable(finds()));
    db.close();
    QVERIFY(!db.isOpen());

    Database again;
    QVERIFY(!again.create(path));  // never replaces an existing file
    QVERIFY2(again.open(path), qPrintable(again.lastError()));
    QCOMPARE(again.tableNames(), QStringList{QStringLiteral("Finds")});

    QVERIFY(!again.create(dir.filePath(QStringLiteral("no/such/folder/x.mdb"))));
    QVERIFY(again.lastError().contains(QLatin1String("does not exist")));
}

void TestDatabase::refusesWhatIsNotADatabase()
{
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("notes.mdb"));
    {
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly));
        for (int i = 0; i < 100; ++i)
            f.write("This is a text file and not a database at all.\r\n");
    }
    const QByteArray before = [&] {
        QFile f(text);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();

    Database db;
    QVERIFY(!db.open(text));
    QCOMPARE(db.lastError(), QStringLiteral("The file %1 is not a database.").arg(text));
    QVERIFY(!db.isOpen());
    QFile f(text);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);  // left exactly as it was

    QVERIFY(!db.open(dir.path()));
    QVERIFY(db.lastError().contains(QLatin1String("is not a file")));
}

void TestDatabase::readOnlyFileAndFolder()
{
    if (runningAsRoot()) {
        // Permissions do not bind root: check the folder case as an ordinary
        // user in a child process.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("site.mdb"));
        {
            Database db;
            QVERIFY(db.create(path));
            QVERIFY(db.appendTable(finds()));
        }
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                              | QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther
                                        | QFile::ReadGroup | QFile::WriteGroup);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("K7_STORE_CHILD_READONLY"), dir.path());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForFinished(20000));
        QVERIFY2(child.exitCode() == 0, child.readAllStandardError().constData());
        return;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.mdb"));
    {
        Database db;
        QVERIFY(db.create(path));
        QVERIFY(db.appendTable(finds()));
    }
    QFile::setPermissions(path, QFile::ReadOwner);
    Database db;
    QVERIFY(!db.open(path));
    QVERIFY(db.lastError().contains(QLatin1String("read-only")));
    // Reading it is still possible.
    QVERIFY2(db.open(path, Database::Access::ReadOnly), qPrintable(db.lastError()));
    QCOMPARE(db.tableCount(), 1);
    db.close();

    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    QVERIFY(!db.open(path));
    QVERIFY(db.lastError().contains(QLatin1String("folder")));
    QVERIFY(!db.create(dir.filePath(QStringLiteral("new.mdb"))));
    QVERIFY(db.lastError().contains(QLatin1String("read-only")));
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestDatabase::lockedByAnotherProgram()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.mdb"));
    {
        Database db;
        QVERIFY(db.create(path));
        QVERIFY(db.appendTable(finds()));
    }
    // Another program holds the write lock.
    sqlite3* other = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    Database db;
    QVERIFY(!db.open(path));
    QCOMPARE(db.lastError(), QStringLiteral("The database %1 is locked by another program.").arg(path));

    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    QVERIFY2(db.open(path), qPrintable(db.lastError()));
}

void TestDatabase::tablesFieldsAndOddNames()
{
    QTemporaryDir dir;
    Database db;
    QVERIFY(db.create(dir.filePath(QStringLiteral("site.mdb"))));

    TableDef odd;
    odd.name = QStringLiteral("O'Brien's \"finds\" [2024]");
    odd.addField(QStringLiteral("Site name"), FieldType::Text, 30);
    odd.addField(QStringLiteral("Bag \"no\""), FieldType::Single);
    odd.addField(QStringLiteral("a]b"), FieldType::Text, 5);
    QVERIFY2(db.appendTable(odd), qPrintable(db.lastError()));
    QVERIFY(db.appendTable(finds()));
    QVERIFY(!db.appendTable(finds()));  // exists already
    QVERIFY(!db.lastError().isEmpty());

    QCOMPARE(db.tableNames(), (QStringList{odd.name, QStringLiteral("Finds")}));
    const TableDef* t = db.findTable(QStringLiteral("o'brien's \"FINDS\" [2024]"));
    QVERIFY(t);
    QCOMPARE(t->fields.size(), 3);
    QCOMPARE(t->fields[0].name, QStringLiteral("Site name"));
    QCOMPARE(t->fields[0].type, FieldType::Text);
    QCOMPARE(t->fields[0].size, 30);
    QCOMPARE(t->fields[1].name, QStringLiteral("Bag \"no\""));
    QCOMPARE(t->fields[1].type, FieldType::Single);
    QCOMPARE(t->fields[2].size, 5);

    QVERIFY(db.appendField(odd.name, FieldDef{QStringLiteral("Note's"), FieldType::Text, 40, true}));
    QVERIFY(db.renameField(odd.name, QStringLiteral("Site name"), QStringLiteral("Site")));
    t = db.findTable(odd.name);
    QCOMPARE(t->fields.size(), 4);
    QCOMPARE(t->fields[0].name, QStringLiteral("Site"));
    QCOMPARE(t->fields[3].name, QStringLiteral("Note's"));
    QCOMPARE(t->fields[3].size, 40);

    QVERIFY(db.renameTable(odd.name, QStringLiteral("Old finds")));
    QVERIFY(!db.findTable(odd.name));
    QVERIFY(db.findTable(QStringLiteral("old FINDS")));
    QVERIFY(!db.renameTable(QStringLiteral("Old finds"), QStringLiteral("finds")));  // taken, any case
    QVERIFY(db.deleteTable(QStringLiteral("Old finds")));
    QCOMPARE(db.tableNames(), QStringList{QStringLiteral("Finds")});

    TableDef none;
    none.name = QStringLiteral("Empty");
    QVERIFY(!db.appendTable(none));
}

void TestDatabase::declaredTypesOfOtherTools_data()
{
    QTest::addColumn<QString>("declared");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");

    QTest::newRow("INTEGER") << "INTEGER" << int(FieldType::Long) << 0;
    QTest::newRow("bigint") << "bigint" << int(FieldType::Long) << 0;
    QTest::newRow("VARCHAR(30)") << "VARCHAR(30)" << int(FieldType::Text) << 30;
    QTest::newRow("nvarchar ( 12 )") << "nvarchar ( 12 )" << int(FieldType::Text) << 12;
    QTest::newRow("TEXT") << "TEXT" << int(FieldType::Text) << 255;
    QTest::newRow("CLOB") << "CLOB" << int(FieldType::Text) << 255;
    QTest::newRow("REAL") << "REAL" << int(FieldType::Single) << 0;
    QTest::newRow("DOUBLE PRECISION") << "DOUBLE PRECISION" << int(FieldType::Single) << 0;
    QTest::newRow("FLOAT") << "FLOAT" << int(FieldType::Single) << 0;
    QTest::newRow("BOOLEAN") << "BOOLEAN" << int(FieldType::YesNo) << 0;
    QTest::newRow("BLOB") << "BLOB" << int(FieldType::Other) << 0;
    QTest::newRow("NUMERIC") << "NUMERIC" << int(FieldType::Other) << 0;
    QTest::newRow("no type") << "" << int(FieldType::Other) << 0;
}

void TestDatabase::declaredTypesOfOtherTools()
{
    QFETCH(QString, declared);
    QFETCH(int, type);
    QFETCH(int, size);
    QTemporaryDir dir;
    Database db;
    QVERIFY(db.create(dir.filePath(QStringLiteral("other.db"))));
    QVERIFY(db.execute(QStringLiteral("CREATE TABLE t (x %1)").arg(declared)));
    QVERIFY(db.refresh());
    const TableDef* t = db.findTable(QStringLiteral("T"));
    QVERIFY(t);
    QCOMPARE(int(t->fields[0].type), type);
    QCOMPARE(t->fields[0].size, size);
}

void TestDatabase::indexes()
{
    QTemporaryDir dir;
    Database db;
    QVERIFY(db.create(dir.filePath(QStringLiteral("site.mdb"))));
    QVERIFY(db.appendTable(finds()));
    QVERIFY2(db.appendIndex(QStringLiteral("finds"), IndexDef{QStringLiteral("Finds_ID"), QStringLiteral("+ID")}),
             qPrintable(db.lastError()));
    QVERIFY(db.appendIndex(QStringLiteral("Finds"), IndexDef{QStringLiteral("two"), QStringLiteral("+[ID];+Weight")}));
    // Index names are shared by the whole file.
    QVERIFY(!db.appendIndex(QStringLiteral("Finds"), IndexDef{QStringLiteral("finds_id"), QStringLiteral("+Weight")}));
    QVERIFY(!db.appendIndex(QStringLiteral("Finds"), IndexDef{QStringLiteral("x"), QStringLiteral("+Nothing")}));
    QVERIFY(db.lastError().contains(QLatin1String("Nothing")));

    const TableDef* t = db.findTable(QStringLiteral("Finds"));
    QCOMPARE(t->indexes.size(), 2);
    QStringList lists;
    for (const auto& i : t->indexes)
        lists << i.name + QLatin1Char('=') + i.fields;
    lists.sort();
    QCOMPARE(lists, (QStringList{QStringLiteral("Finds_ID=+ID"), QStringLiteral("two=+ID;+Weight")}));
    QVERIFY(!t->indexes[0].unique);
    QVERIFY(!t->indexes[0].primary);
}

void TestDatabase::transactionRollsBackSchemaChanges()
{
    QTemporaryDir dir;
    Database db;
    QVERIFY(db.create(dir.filePath(QStringLiteral("site.mdb"))));
    QVERIFY(db.appendTable(finds()));
    QVERIFY(db.transaction());
    QVERIFY(db.renameTable(QStringLiteral("Finds"), QStringLiteral("Old")));
    QVERIFY(db.findTable(QStringLiteral("Old")));
    QVERIFY(db.rollback());
    QCOMPARE(db.tableNames(), QStringList{QStringLiteral("Finds")});
    QVERIFY(!db.inTransaction());
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray folder = qgetenv("K7_STORE_CHILD_READONLY");
    if (!folder.isEmpty())
        return childReadOnlyFolder(QString::fromLocal8Bit(folder));
    TestDatabase test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_database.moc"
