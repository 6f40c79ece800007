// The data store keeps the database path, the table name and the record set
// in step through its own commands, whatever fails on the way.

#include "store/DataStore.h"
#include "store/RecordView.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace k7;

class TestDataStore : public QObject {
    Q_OBJECT

    // "path|table|rs": the names the store holds, and whether its record set is open.
    static QString shape(const DataStore& store)
    {
        return QStringLiteral("%1|%2|%3")
            .arg(QFileInfo(store.dbname()).fileName(), store.tablename(),
                 store.currentrs().isOpen() ? QStringLiteral("open") : QStringLiteral("closed"));
    }

private slots:
    void commandsKeepNamesInStep_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("shapes");
        QTest::newRow("created, then its table")
            << QStringList{"open a.db", "switch T"} << QStringList{"a.db||closed", "a.db|T|open"};
        QTest::newRow("no such folder")
            << QStringList{"open a.db", "switch T", "open missing/b.db"}
            << QStringList{"a.db||closed", "a.db|T|open", "||closed"};
        QTest::newRow("no such table: the old one is not kept")
            << QStringList{"open a.db", "switch T", "switch Nothing"}
            << QStringList{"a.db||closed", "a.db|T|open", "a.db||closed"};
        QTest::newRow("another database: no table until one is switched to")
            << QStringList{"open a.db", "switch T", "open c.db"}
            << QStringList{"a.db||closed", "a.db|T|open", "c.db||closed"};
        QTest::newRow("released for a change and reopened")
            << QStringList{"open a.db", "switch T", "release", "reopen", "view"}
            << QStringList{"a.db||closed", "a.db|T|open", "a.db|T|closed", "a.db|T|open", "a.db|T|open"};
        QTest::newRow("closed") << QStringList{"open a.db", "switch T", "close"}
                                << QStringList{"a.db||closed", "a.db|T|open", "||closed"};
    }
    void commandsKeepNamesInStep()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, shapes);
        QTemporaryDir dir;
        DataStore store;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const QString arg = steps[i].section(' ', 1);
            bool done = true;
            if (steps[i].startsWith("open")) {
                done = store.open(dir.filePath(arg));
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
