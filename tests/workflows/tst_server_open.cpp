// A CFG whose database is on a server: the password the server asks for is
// asked of the operator once and kept nowhere, and the command-line tools
// take the CFG as they take one whose database is a file.

#include "support/PasswordServer.h"
#include "support/PgConnectionChecks.h"
#include "support/StoreRig.h"
#include "support/TestFiles.h"

#include "workflows/DataTable.h"
#include "workflows/OpenCfg.h"

#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {

QByteArray serverCfg(const QString& uri)
{
    return "[k7]\r\nFilename=" + uri.toUtf8()
           + "\r\nTable=Finds\r\n\r\n[ID]\r\nType=Text\r\nUnique=Yes\r\nLength=12\r\n\r\n"
             "[Kind]\r\nType=Menu\r\nMenu=Ceramic Lithic\r\n";
}

}  // namespace

class TestServerOpen : public QObject {
    Q_OBJECT

    PgTestServer m_server;

    // Opens the CFG at `cfg` in `rig` the way the File menu does.
    static OpenResult open(StoreRig& rig, const QString& cfg)
    {
        rig.model.cfgpath = cfg;
        return OpenCfg(rig.model, rig.store, rig.dialogs, rig.shell);
    }

private slots:
    void initTestCase()
    {
        START_SERVER_OR_SKIP(m_server, "tools");
    }

    // The table is made on the server, its identity hidden; the command-line
    // check and export read the CFG and the server's table.
    void commandLineToolsTakeAServerCfg()
    {
        StoreRig rig;
        const QString cfg = writeFile(rig.dir, "finds.cfg", serverCfg(m_server.uri("tools")));
        QCOMPARE(open(rig, cfg), OpenResult::Opened);
        QVERIFY(rig.store.currentdb().onServer());
        RecordSet& rs = rig.store.currentrs();
        QCOMPARE(fieldShapes(rs.fields()), (QStringList{"ID:10:12", "Kind:10:7"}));
        for (const char* id : {"A1", "Ä\"2"})
            QVERIFY2(rs.addNew() && rs.setField("ID", id) && rs.setField("Kind", "Lithic") && rs.update(),
                     qPrintable(rs.lastError()));
        rig.store.close();

        const K7Run check = runK7({"--check", cfg});
        QVERIFY2(check.status == 0, check.err.constData());
        const QString out = rig.path("finds.txt");
        const K7Run exported = runK7({"--export", cfg, out});
        QVERIFY2(exported.status == 0, exported.err.constData());
        const QByteArray text = readFile(out);
        QVERIFY2(text.contains("A1") && text.contains("Ä") && !text.contains("k7_rowid"), text.constData());
    }

    // The password is asked once, passed on and written nowhere; without it
    // the CFG does not open and the operator is told why.
    void passwordAskedOfTheOperator()
    {
        PgTestServer server;
        QString error;
        QVERIFY2(server.start() && server.createDatabase("locked"), qPrintable(server.lastError()));
        QVERIFY2(RequirePassword(server, "pa'ss wörd", &error), qPrintable(error));
        NoStoredPassword none;
        StoreRig rig;
        const QString cfg = writeFile(rig.dir, "finds.cfg", serverCfg(server.uri("locked")));

        rig.dialogs.queueInput(std::nullopt);  // cancelled: not opened, and said why
        QVERIFY(open(rig, cfg) != OpenResult::Opened);
        QVERIFY(!rig.store.currentdb().isOpen());
        QVERIFY(rig.dialogs.messages().size() >= 2);
        QVERIFY(rig.dialogs.texts().first().contains("asks for a password"));

        StoreRig again;
        again.dialogs.queueInput(QString("pa'ss wörd"));
        QCOMPARE(open(again, cfg), OpenResult::Opened);
        QVERIFY(again.store.currentdb().findTable("Finds"));
        QVERIFY(!readFile(cfg).contains("pa'ss"));
    }
};

QTEST_GUILESS_MAIN(TestServerOpen)
#include "tst_server_open.moc"
