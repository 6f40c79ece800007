// The database engine: creating and opening files, read-only files and
// folders, table definitions with odd names, declared types and indexes.

#include "store/Database.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <cstdio>

using namespace k7;

namespace {

TableDef finds()
{
    TableDef t;
    t.name = QStringLiteral("Finds");
    t.addField(QStringLiteral("ID"), FieldType::Text, 20);
    t.addField(QStringLiteral("Weight"), FieldType::Single);
    return t;
}

bool makeDatabase(const QString& path)
{
    Database db;
    return db.create(path) && db.appendTable(finds());
}

// Opening a database for writing in a folder that cannot be written fails, as
// does creating one there; reading it still works. Run as an ordinary user.
int checkReadOnlyFolder(const QString& folder)
{
    const QString path = folder + QStringLiteral("/site.mdb");
    Database db;
    if (db.open(path) || !db.lastError().contains(QLatin1String("folder")))
        return std::fprintf(stderr, "open for writing: %s\n", qPrintable(db.lastError())), 1;
    if (db.create(folder + QStringLiteral("/new.mdb")) || !db.lastError().contains(QLatin1String("read-only")))
        return std::fprintf(stderr, "create: %s\n", qPrintable(db.lastError())), 2;
    if (!db.open(path, Database::Access::ReadOnly) || db.tableCount() != 1)
        return std::fprintf(stderr, "open for reading: %s\n", qPrintable(db.lastError())), 3;
    return 0;
}

}  // namespace

class TestDatabase : public QObject {
    Q_OBJECT
private slots:
    void createThenOpen()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("site.mdb"));
        Database db;
        QVERIFY(!db.open(path));
        QVERIFY(db.lastError().contains(QLatin1String("does not exist")));
        QVERIFY(!QFile::exists(path));  // opening never creates

        QVERIFY2(db.create(path), qPrintable(db.lastError()));
        QVERIFY(db.appendTable(finds()));
        QVERIFY(!db.appendTable(finds()));
        db.close();
        QVERIFY(!db.create(path));  // never replaces an existing file
        QVERIFY2(db.open(path), qPrintable(db.lastError()));
        QCOMPARE(db.tableNames(), QStringList{QStringLiteral("Finds")});
        QVERIFY(!db.create(dir.filePath(QStringLiteral("no/such/folder/x.mdb"))));
        QVERIFY(db.lastError().contains(QLatin1String("does not exist")));
    }

    void readOnlyFileAndFolder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("site.mdb"));
        QVERIFY(makeDatabase(path));
        if (geteuid() == 0) {
            // Permissions do not bind root: the folder case runs as nobody in a child.
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                  | QFile::ReadOther | QFile::ExeOther);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther);
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("K7_STORE_CHILD_READONLY"), dir.path());
            child.setProcessEnvironment(env);
            child.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(child.waitForFinished(20000));
            QVERIFY2(child.exitCode() == 0, child.readAllStandardError().constData());
            return;
        }
        QFile::setPermissions(path, QFile::ReadOwner);
        Database db;
        QVERIFY(!db.open(path));
        QVERIFY(db.lastError().contains(QLatin1String("read-only")));
        QVERIFY2(db.open(path, Database::Access::ReadOnly), qPrintable(db.lastError()));
        QCOMPARE(db.tableCount(), 1);
        db.close();
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        const int failed = checkReadOnlyFolder(dir.path());
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(failed, 0);
    }

    void schemaChangesWithOddNames()
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
        QVERIFY(db.appendField(odd.name, FieldDef{QStringLiteral("Note's"), FieldType::Text, 40, true}));
        QVERIFY(db.renameField(odd.name, QStringLiteral("Site name"), QStringLiteral("Site")));

        // Read back from the file, found without regard to case.
        QVERIFY(db.refresh());
        const TableDef* t = db.findTable(QStringLiteral("o'brien's \"FINDS\" [2024]"));
        QVERIFY(t);
        QStringList shapes;
        for (const auto& f : t->fields)
            shapes << QStringLiteral("%1:%2:%3").arg(f.name).arg(int(f.type)).arg(f.size);
        QCOMPARE(shapes, (QStringList{"Site:10:30", "Bag \"no\":6:0", "a]b:10:5", "Note's:10:40"}));

        QVERIFY(db.renameTable(odd.name, QStringLiteral("Old finds")));
        QVERIFY(!db.renameTable(QStringLiteral("Old finds"), QStringLiteral("finds")));  // taken, in any case
        // A schema change inside a transaction is undone by a rollback.
        QVERIFY(db.transaction());
        QVERIFY(db.deleteTable(QStringLiteral("Old finds")));
        QVERIFY(db.rollback());
        QCOMPARE(db.tableNames(), (QStringList{QStringLiteral("Old finds"), QStringLiteral("Finds")}));
        QVERIFY(db.deleteTable(QStringLiteral("old FINDS")));
        QCOMPARE(db.tableNames(), QStringList{QStringLiteral("Finds")});

        TableDef none;
        none.name = QStringLiteral("Empty");
        QVERIFY(!db.appendTable(none));
    }

    void declaredTypesOfOtherTools_data()
    {
        QTest::addColumn<QString>("declared");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("size");
        QTest::newRow("bigint") << "bigint" << int(FieldType::Long) << 0;
        QTest::newRow("nvarchar ( 12 )") << "nvarchar ( 12 )" << int(FieldType::Text) << 12;
        QTest::newRow("TEXT") << "TEXT" << int(FieldType::Text) << 255;
        QTest::newRow("DOUBLE PRECISION") << "DOUBLE PRECISION" << int(FieldType::Single) << 0;
        QTest::newRow("BOOLEAN") << "BOOLEAN" << int(FieldType::YesNo) << 0;
        QTest::newRow("NUMERIC") << "NUMERIC" << int(FieldType::Other) << 0;
        QTest::newRow("no type") << "" << int(FieldType::Other) << 0;
    }
    void declaredTypesOfOtherTools()
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

    void indexes()
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

        QVERIFY(db.refresh());
        QStringList lists;
        for (const auto& i : db.findTable(QStringLiteral("Finds"))->indexes)
            lists << i.name + QLatin1Char('=') + i.fields + (i.unique || i.primary ? QStringLiteral(" unique") : QString());
        lists.sort();
        QCOMPARE(lists, (QStringList{QStringLiteral("Finds_ID=+ID"), QStringLiteral("two=+ID;+Weight")}));
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray folder = qgetenv("K7_STORE_CHILD_READONLY");
    if (!folder.isEmpty())
        return setgid(65534) == 0 && setuid(65534) == 0 ? checkReadOnlyFolder(QString::fromLocal8Bit(folder)) : 10;
    TestDatabase test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_database.moc"
