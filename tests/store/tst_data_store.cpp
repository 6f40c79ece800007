// The data store keeps the database path, the table name and the record set
// in step through its own commands, whatever fails on the way. Run on both
// engines (TestEngine.h).

#include "support/CaseTable.h"
#include "support/TestEngine.h"

#include "store/DataStore.h"
#include "store/RecordView.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace k7;
using namespace k7::test;

class TestDataStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QHash<QString, QString> m_databases;  // a case's names ("a.db") -> where they live

    // The database a case names: a file in the case's folder, or a server
    // database made for it; "missing/..." is one that does not exist.
    QString database(const QString& name)
    {
        if (!m_databases.contains(name)) {
            QString where = NewDatabase(m_dir, name);
            if (name.startsWith("missing/") && OnServer())
                where.replace(QRegularExpression("^postgresql:///[^?]*"), "postgresql:///missing");
            m_databases.insert(name, where);
        }
        return m_databases.value(name);
    }

    // "database,table,open": the names the store holds, and whether its record set is open.
    QString shape(const DataStore& store) const
    {
        const QString name = m_databases.key(store.dbname());
        return QStringLiteral("%1,%2,%3")
            .arg(QFileInfo(name).fileName(), store.tablename(), store.currentrs().isOpen() ? "open" : "closed");
    }

private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_TEST_ENGINE();
    }
    void init() { m_databases.clear(); }

    void commandsKeepNamesInStep_data() { addCaseRows("store/store-commands.tsv"); }
    void commandsKeepNamesInStep()
    {
        QFETCH(Case, c);
        const QStringList steps = c.list("steps"), shapes = c.list("shapes");
        QCOMPARE(shapes.size(), steps.size());
        DataStore store;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const QString arg = steps[i].section(' ', 1);
            bool done = true;
            if (steps[i].startsWith("open")) {
                done = store.open(database(arg));
                if (done && !store.currentdb().findTable("T")) {
                    TableDef table;
                    table.name = "T";
                    table.addField("ID", FieldType::Text, 8);
                    QVERIFY(store.currentdb().appendTable(table));
                }
            } else if (steps[i].startsWith("switch")) {
                done = store.switchTable(arg);
            } else if (steps[i] == "release") {
                store.releaseTable();
            } else if (steps[i] == "reopen") {
                done = store.reopenTable();
            } else if (steps[i] == "view") {
                done = store.showView(RecordView{{"ID"}, {}, {}});
            } else {
                store.close();
            }
            QCOMPARE(shape(store), shapes[i]);
            // A command reports failure exactly when it left its part closed.
            QCOMPARE(done, !(arg.contains("missing") || arg == "Nothing"));
            QCOMPARE(store.currentdb().isOpen(), !store.dbname().isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestDataStore)
#include "tst_data_store.moc"
