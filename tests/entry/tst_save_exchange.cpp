// What a save sends and keeps beyond the row: a row the database refuses
// (sent with the COMMIT on a server) leaves the record, the grid's set and
// the tally of records added as they were, and is saved once at the next
// Enter; the tokens that tell a save whose COMMIT went unanswered are kept to
// the few still wanted. Run on a file and again on a server.

#include "support/EntryRig.h"

#include "store/Database.h"
#include "store/RecordSet.h"

using namespace k7;
using namespace k7::test;

namespace {

const QString kVariables = QStringLiteral("[ID]\r\nType=Text\r\nUnique=Yes\r\nLength=20\r\n\r\n"
                                          "[NAME]\r\nType=Text\r\nLength=20\r\n\r\n"
                                          "[N]\r\nType=Numeric\r\nLength=6\r\n");

struct SaveRig : EntryRig {
    QString dbname;

    bool openSite()
    {
        dbname = NewDatabase(dir, QStringLiteral("site.mdb"));
        const QString cfg = path(QStringLiteral("site.cfg"));
        return writeFile(cfg, ("[K7]\r\nFilename=" + dbname + "\r\n\r\n" + kVariables).toUtf8()) && openCfg(cfg);
    }
    QString table() const { return QuoteName(store.tablename()); }
    // The database refuses rows whose N is 100 or more, as a rule another
    // program added would; `on` false takes the rule away.
    bool refuseLargeNumbers(bool on)
    {
        if (OnServer())
            return execSql(dbname, {on ? QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT small_n CHECK (\"N\" < 100)")
                                             .arg(table())
                                       : QStringLiteral("ALTER TABLE %1 DROP CONSTRAINT small_n").arg(table())});
        return execSql(dbname, {on ? QStringLiteral("CREATE TRIGGER small_n BEFORE INSERT ON %1 WHEN NEW.\"N\" >= 100 "
                                                    "BEGIN SELECT RAISE(ABORT, 'N is too large'); END")
                                         .arg(table())
                                   : QStringLiteral("DROP TRIGGER small_n")});
    }
    QList<QStringList> stored()
    {
        return querySeparately(dbname, QStringLiteral("SELECT \"ID\", \"NAME\", \"N\" FROM %1 ORDER BY \"ID\"").arg(table()))
            .value_or(QList<QStringList>{{QStringLiteral("query failed")}});
    }
    QStringList recordsAdded()
    {
        return firstColumn(dbname, QStringLiteral("SELECT after FROM k7_audit WHERE action = 'records added'"));
    }
};

}  // namespace

class SaveExchange : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_TEST_ENGINE();
    }

    // The row refused at the COMMIT: the operator is told, every value is
    // kept, no row is counted anywhere; Enter once the rule is gone saves
    // it once, and the tally counts what was saved.
    void refusedRowKeepsTheRecord()
    {
        SaveRig rig;
        QVERIFY2(rig.openSite(), qPrintable(rig.shown().join(" | ")));
        rig.enter({QStringLiteral("A0"), QStringLiteral("first"), QStringLiteral("1")});
        QVERIFY2(rig.dialogs.texts().isEmpty(), qPrintable(rig.shown().join(" | ")));
        QVERIFY(rig.refuseLargeNumbers(true));

        rig.enter({QStringLiteral("A1"), QStringLiteral("mine"), QStringLiteral("500")});
        const QString text = rig.dialogs.texts().value(0);
        QVERIFY2(text.startsWith(QStringLiteral("The record could not be saved: "))
                     && text.endsWith(QStringLiteral("\nThe values are kept; press Enter to try again.")),
                 qPrintable(text));
        QCOMPARE(rig.dialogs.texts().size(), 1);
        QCOMPARE(rig.state.varvalue[1], QStringLiteral("A1"));
        QCOMPARE(rig.state.varvalue[2], QStringLiteral("mine"));
        QCOMPARE(rig.state.varvalue[3], QStringLiteral("500"));
        QCOMPARE(rig.stored(), (QList<QStringList>{{"A0", "first", "1"}}));
        QCOMPARE(rig.store.currentrs().recordCount(), 1);
        QCOMPARE(rig.recordsAdded(), QStringList{"1"});

        QVERIFY(rig.refuseLargeNumbers(false));
        rig.dialogs.clear();
        rig.press(Key::Enter);
        QVERIFY2(rig.dialogs.texts().isEmpty(), qPrintable(rig.shown().join(" | ")));
        QCOMPARE(rig.stored(), (QList<QStringList>{{"A0", "first", "1"}, {"A1", "mine", "500"}}));
        QCOMPARE(rig.store.currentrs().recordCount(), 2);
        // The grid shows the row just saved.
        RecordSet& shown = rig.store.currentrs();
        QVERIFY(shown.setBookmark(shown.lastModified()));
        QCOMPARE(shown.value(QStringLiteral("ID")).toString(), QStringLiteral("A1"));
        QCOMPARE(rig.recordsAdded(), QStringList{"2"});
        QCOMPARE(rig.state.curvar, 1);
    }

    // Each save notes its record's token and drops the station's previous
    // one; tokens noted long ago (a station that crashed) go at the first
    // save, recent ones of other stations stay.
    void onlyTheTokensStillWantedAreKept()
    {
        if (!OnServer())
            QSKIP("a file saves the record and ends its journal in one transaction: no tokens");
        SaveRig rig;
        rig.dbname = NewDatabase(rig.dir, QStringLiteral("site.mdb"));
        QVERIFY(execSql(rig.dbname, {QStringLiteral("CREATE TABLE k7_saved (token TEXT PRIMARY KEY, "
                                                    "saved_at TIMESTAMPTZ NOT NULL DEFAULT now())"),
                                     QStringLiteral("INSERT INTO k7_saved VALUES ('crashed', now() - interval '40 days'), "
                                                    "('other station', now() - interval '2 days')")}));
        const QString cfg = rig.path(QStringLiteral("site.cfg"));
        QVERIFY(writeFile(cfg, ("[K7]\r\nFilename=" + rig.dbname + "\r\n\r\n" + kVariables).toUtf8()));
        QVERIFY(rig.openCfg(cfg));
        for (const QString& id : {QStringLiteral("A1"), QStringLiteral("A2"), QStringLiteral("A3")})
            rig.enter({id, QStringLiteral("x"), QStringLiteral("1")});
        QVERIFY2(rig.dialogs.texts().isEmpty(), qPrintable(rig.shown().join(" | ")));
        QCOMPARE(rig.stored().size(), 3);
        const QStringList tokens =
            firstColumn(rig.dbname, QStringLiteral("SELECT token FROM k7_saved ORDER BY saved_at"));
        QCOMPARE(tokens.size(), 2);
        QCOMPARE(tokens.value(0), QStringLiteral("other station"));
    }
};

QTEST_GUILESS_MAIN(SaveExchange)
#include "tst_save_exchange.moc"
