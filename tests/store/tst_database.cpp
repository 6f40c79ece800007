// The database engine: creating and opening files, read-only files and
// folders, table definitions with odd names and types declared by other tools.

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

bool makeDatabase(const QString& path)
{
    TableDef t;
    t.name = "Finds";
    t.addField("ID", FieldType::Text, 20);
    Database db;
    return db.create(path) && db.appendTable(t);
}

// In a folder that cannot be written, opening for writing and creating fail
// while reading still works. Returns what failed, 0 for nothing.
int checkReadOnlyFolder(const QString& folder)
{
    Database db;
    if (db.open(folder + "/site.mdb") || !db.lastError().contains("folder"))
        return std::fprintf(stderr, "open for writing: %s\n", qPrintable(db.lastError())), 1;
    if (db.create(folder + "/new.mdb") || !db.lastError().contains("read-only"))
        return std::fprintf(stderr, "create: %s\n", qPrintable(db.lastError())), 2;
    if (!db.open(folder + "/site.mdb", Database::Access::ReadOnly) || db.tableCount() != 1)
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
        const QString path = dir.filePath("site.mdb");
        Database db;
        QVERIFY(!db.open(path));
        QVERIFY(db.lastError().contains("does not exist"));
        QVERIFY(!QFile::exists(path));  // opening never creates
        QVERIFY(makeDatabase(path));
        QVERIFY(!db.create(path));  // nor does creating replace
        QVERIFY2(db.open(path), qPrintable(db.lastError()));
        QCOMPARE(db.tableNames(), QStringList{"Finds"});
    }

    void readOnlyFileAndFolder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("site.mdb");
        QVERIFY(makeDatabase(path));
        if (geteuid() == 0) {
            // Permissions do not bind root: the folder case runs as nobody in a child.
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                  | QFile::ReadOther | QFile::ExeOther);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther);
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("K7_STORE_CHILD_READONLY", dir.path());
            child.setProcessEnvironment(env);
            child.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(child.waitForFinished(20000));
            QVERIFY2(child.exitCode() == 0, child.readAllStandardError().constData());
            return;
        }
        QFile::setPermissions(path, QFile::ReadOwner);
        Database db;
        QVERIFY(!db.open(path));
        QVERIFY(db.lastError().contains("read-only"));
        QVERIFY2(db.open(path, Database::Access::ReadOnly), qPrintable(db.lastError()));
        db.close();
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        const int failed = checkReadOnlyFolder(dir.path());
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(failed, 0);
    }

    void oddNamesAndSchemaChanges()
    {
        QTemporaryDir dir;
        Database db;
        QVERIFY(db.create(dir.filePath("site.mdb")));
        TableDef odd;
        odd.name = "O'Brien's \"finds\" [2024]";
        odd.addField("Site name", FieldType::Text, 30);
        odd.addField("Bag \"no\"", FieldType::Single);
        odd.addField("a]b", FieldType::Text, 5);
        QVERIFY2(db.appendTable(odd), qPrintable(db.lastError()));
        QVERIFY(db.appendField(odd.name, FieldDef{"Note's", FieldType::Text, 40, true}));
        QVERIFY(db.renameField(odd.name, "Site name", "Site"));
        QVERIFY(db.appendIndex(odd.name, IndexDef{odd.name + "_Bag \"no\"", "+Bag \"no\""}));
        QVERIFY(!db.appendTable(odd));  // exists already
        // A schema change inside a transaction is undone by a rollback.
        QVERIFY(db.transaction() && db.deleteTable(odd.name) && db.rollback());

        // Read back from the file, found without regard to case.
        QVERIFY(db.refresh());
        const TableDef* t = db.findTable("o'brien's \"FINDS\" [2024]");
        QVERIFY(t);
        QStringList shapes;
        for (const auto& f : t->fields)
            shapes << QString("%1:%2:%3").arg(f.name).arg(int(f.type)).arg(f.size);
        QCOMPARE(shapes, (QStringList{"Site:10:30", "Bag \"no\":6:0", "a]b:10:5", "Note's:10:40"}));
        QCOMPARE(t->indexes.size(), 1);
        QCOMPARE(t->indexes[0].fields, QString("+Bag \"no\""));
        QVERIFY(!db.appendTable(TableDef{"Empty"}));  // a table needs a field

        // Types declared by other tools, read as the nearest kind.
        QVERIFY(db.execute("CREATE TABLE other (a bigint, b nvarchar ( 12 ), c TEXT, d DOUBLE PRECISION, e BOOLEAN, f)"));
        QVERIFY(db.refresh());
        shapes.clear();
        for (const auto& f : db.findTable("OTHER")->fields)
            shapes << QString("%1:%2:%3").arg(f.name).arg(int(f.type)).arg(f.size);
        QCOMPARE(shapes, (QStringList{"a:4:0", "b:10:12", "c:10:255", "d:6:0", "e:1:0", "f:0:0"}));
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
