// Opening a CFG end to end and repairing a table that no longer matches it:
// every question, in order, and what each answer leaves in the file. Then
// the data table on its own: where it goes (database path and table name),
// fields by variable type, indexes for Unique variables, reuse of an
// existing table, bad files.

#include "support/StoreRig.h"
#include "support/CaseTable.h"

#include "workflows/DataTable.h"
#include "store/Naming.h"
#include "workflows/OpenCfg.h"

#include <sqlite3.h>

using namespace k7;
using namespace k7::test;

namespace {

// A message of rebuild-messages.tsv by its name; its text when there is none.
QString message(const QString& name)
{
    static const QList<Case> messages = readCases("workflows/rebuild-messages.tsv");
    for (const Case& m : messages)
        if (m.name() == name)
            return m.text("text");
    return name;
}

const QStringList kSevenFields{"VAR1", "VAR2", "VAR3", "VAR4", "VAR5", "VAR6", "VAR7"};
const QByteArray kVar7 = "\r\n[VAR7]\r\nType=text\r\nLength=15\r\n";

QStringList fieldNames(const RecordSet& rs)
{
    QStringList names;
    for (const auto& f : rs.fields())
        names << f.name;
    return names;
}

// The sample CFG in a fresh folder.
struct Rig : StoreRig {
    const QString cfg = path("finds.cfg");
    const QString db = path("finds.mdb");

    Rig() { copySampleCfg(dir.path()); }
    OpenResult open()
    {
        model.cfgpath = cfg;
        return OpenCfg(model, store, dialogs, shell);
    }
    // Opened once with `rows` records saved; then `extra` appended to the CFG.
    bool prepare(int rows, const QByteArray& extra = {})
    {
        if (open() != OpenResult::Opened)
            return false;
        for (int i = 0; i < rows; ++i) {
            RecordSet& rs = store.currentrs();
            if (!rs.addNew() || !rs.setField("VAR1", QString("ID%1").arg(i)) || !rs.update())
                return false;
        }
        dialogs.clear();
        return writeFile(cfg, readFile(cfg) + extra);
    }
};

void addSampleVariables(StoreRig& rig)
{
    rig.model.cfgpath = rig.path("site1.cfg");
    rig.add("ID", TypeText, 20).varunique = 1;
    rig.add("Kind", TypeMenu, 8);
    rig.add("Count", TypeNumeric, 5);
    rig.add("Sqid", TypeSqid, 11);
    rig.add("Ware", TypeTable, 12);
    rig.add("Length", TypeInstrument);
    rig.add("Area", TypeImageJ);
}

}  // namespace

class TestOpenCfg : public QObject {
    Q_OBJECT
private slots:
    // Keys the opening's rewrite would drop are named first; Cancel leaves
    // the file as it was and opens nothing, Ok opens and rewrites it, and the
    // question is not asked again (fixed: File= of the sample was dropped
    // without a word).
    void keysNotTakenAreAskedAbout()
    {
        Rig rig;
        const QByteArray original = readFile(K7_EXAMPLES "/finds.cfg") + "\r\n[VAR9]\r\nType=text\r\nLenght=30\r\n";
        QVERIFY(writeFile(rig.cfg, original));
        const QStringList question{message("keys not taken").arg(rig.cfg)};
        rig.dialogs.queueAnswer(Answer::Cancel);
        QCOMPARE(rig.open(), OpenResult::Failed);
        QCOMPARE(rig.dialogs.shown(), question);
        QCOMPARE(readFile(rig.cfg), original);
        QVERIFY(!QFileInfo::exists(rig.db));

        rig.dialogs.clear();
        rig.dialogs.queueAnswer(Answer::Ok);
        QCOMPARE(rig.open(), OpenResult::Opened);
        QCOMPARE(rig.dialogs.shown(), question);
        QVERIFY(!readFile(rig.cfg).contains("File=") && !readFile(rig.cfg).contains("Lenght"));
        rig.dialogs.clear();
        QCOMPARE(rig.open(), OpenResult::Opened);
        QVERIFY(rig.dialogs.messages().isEmpty());
    }

    // One CFG opened, opened again with a variable added, then with an error in it.
    void openedAgainAndAgain()
    {
        Rig rig;
        QCOMPARE(rig.open(), OpenResult::Opened);
        QVERIFY2(rig.dialogs.messages().isEmpty(), qPrintable(rig.dialogs.texts().join('\n')));
        QCOMPARE(fieldNames(rig.store.currentrs()), kSevenFields.mid(0, 6));
        QCOMPARE(rig.shell.recentFiles, QStringList{rig.cfg});
        QCOMPARE(rig.shell.portOpenings, 1);
        QVERIFY(rig.store.currentrs().addNew() && rig.store.currentrs().update());

        // Opening again passes through closed, finds the same table and offers the new field.
        QVERIFY(writeFile(rig.cfg, readFile(rig.cfg) + kVar7));
        rig.dialogs.queueAnswer(Answer::Yes);
        QCOMPARE(rig.open(), OpenResult::Opened);
        QCOMPARE(rig.dialogs.shown(), QStringList{message("add VAR7")});
        QCOMPARE(fieldNames(rig.store.currentrs()), kSevenFields);
        QCOMPARE(rig.store.currentrs().field(6).size, 15);
        QCOMPARE(rig.store.currentrs().recordCount(), 1);

        // A code other than 1 only reports.
        rig.dialogs.clear();
        RebuildDataTable(rig.model, rig.store, rig.dialogs, rig.shell, 2, "x");
        QCOMPARE(rig.dialogs.texts(), QStringList{"An error was encounter while processing the CFG file: x"});
        QVERIFY(rig.store.currentrs().isOpen());

        // An error in the CFG: its text (the editor's side is the window's business), and nothing left open.
        QVERIFY(writeFile(rig.cfg, readFile(rig.cfg) + "\r\n[VAR8]\r\nType=Bogus\r\n"));
        rig.dialogs.clear();
        rig.shell.editorLoads = false;
        QCOMPARE(rig.open(), OpenResult::Failed);
        QCOMPARE(rig.shell.editorPaths, QStringList{rig.cfg});
        QCOMPARE(rig.dialogs.shown(), QStringList{"Though the CFG cannot be displayed, the error was as follows:  "
                                                  "ERROR: Bogus is an unrecognized variable TYPE.  [64]"});
        QVERIFY(rig.allClosed());
        QCOMPARE(rig.shell.recentFiles.size(), 2);
        QCOMPARE(rowCount(rig.db, "finds"), 1);
    }

    // Every answer to the repair of a table that lacks VAR7 (its addition declined).
    // Information boxes take a queued answer too.
    void rebuild_data() { addCaseRows("workflows/rebuild.tsv"); }
    void rebuild()
    {
        QFETCH(Case, c);
        const int rows = c.number("rows");
        const bool stillOpen = c.yes("still open");
        const QString aside = c.text("aside");
        QStringList texts;
        for (const QString& text : c.list("texts"))
            texts << message(text);
        Rig rig;
        QVERIFY(rig.prepare(rows, kVar7));
        rig.dialogs.queueAnswer(Answer::No);
        QCOMPARE(rig.open(), OpenResult::Opened);
        rig.dialogs.clear();
        const TableCheck check = CheckTableFields(rig.model, rig.store);
        QCOMPARE(check.code, 1);
        rig.dialogs.queueAnswers(QStringList{"ok"} + c.list("answers"));
        for (const auto& name : c.list("typed"))
            rig.dialogs.queueInput(name.isEmpty() ? std::nullopt : std::optional<QString>(name));
        RebuildDataTable(rig.model, rig.store, rig.dialogs, rig.shell, check.code, check.message);

        const QStringList shown = rig.dialogs.shown();  // with the styles
        QCOMPARE(shown.size(), texts.size());
        for (int i = 0; i < texts.size(); ++i)
            QVERIFY2(texts[i].endsWith('*') ? shown[i].startsWith(texts[i].chopped(1)) : shown[i] == texts[i],
                     qPrintable(shown[i]));
        QCOMPARE(rig.dialogs.pendingAnswers(), 0);
        QCOMPARE(rig.model.cfgpath.isEmpty(), !stillOpen);
        if (stillOpen) {
            QCOMPARE(rig.store.tablename(), QString("finds"));
            QCOMPARE(rig.shell.dataSource, &rig.store.currentrs());
            QCOMPARE(fieldNames(rig.store.currentrs()), kSevenFields);
        } else {
            QVERIFY(rig.allClosed());
        }
        rig.store.close();
        QCOMPARE(rowCount(rig.db, "finds"), stillOpen ? 0 : rows);
        if (!aside.isEmpty())
            QCOMPARE(rowCount(rig.db, aside), rows);
    }

    // A Length reduced to its field's size is warned of once and written to
    // the CFG; preparing a menu, which raises its Length to the longest item,
    // leaves it reduced (mended: the warning came back at every opening). An
    // old-format CFG the operator chose to keep is not rewritten for it
    // (mended: it was). A table made by another tool keeps its other fields
    // and its rows.
    void aReducedLengthIsWarnedOfOnce_data() { addCaseRows("workflows/reduced-lengths.tsv"); }
    void aReducedLengthIsWarnedOfOnce()
    {
        QFETCH(Case, c);
        const QString field = c.text("field");
        const int length = c.number("length");
        Rig rig;
        if (!c.bytes("cfg").isEmpty())
            QVERIFY(writeFile(rig.cfg, c.bytes("cfg")));
        const QByteArray cfg = readFile(rig.cfg);
        QVERIFY(execSql(rig.db, c.list("sql")));
        rig.dialogs.queueAnswers(c.list("answers"));
        QCOMPARE(rig.open(), OpenResult::Opened);
        // The questions answered, then the one warning.
        QCOMPARE(rig.dialogs.shown().mid(c.list("answers").size()), QStringList{message("reduced").arg(field)});
        QCOMPARE(rig.model.var(1).varlength, double(length));
        QCOMPARE(rig.model.cfgunconverted, c.yes("old format"));
        if (rig.model.cfgunconverted) {
            QCOMPARE(readFile(rig.cfg), cfg);
            return;
        }
        QVERIFY(readFile(rig.cfg).contains("Length=" + QByteArray::number(length) + "\r\n"));
        NormalizeOpenedModel(rig.model, rig.store, rig.dialogs);
        QCOMPARE(CheckTableFields(rig.model, rig.store).code, 0);
        RecordSet& rs = rig.store.currentrs();
        QVERIFY(rs.addNew() && rs.setField(field, "A-2") && rs.update());
        rig.dialogs.clear();
        QCOMPARE(rig.open(), OpenResult::Opened);
        QCOMPARE(rig.dialogs.shown(), QStringList{});
        QCOMPARE(rig.model.var(1).varlength, double(length));
        rig.store.close();
        QStringList rows;
        for (const QStringList& row : readRows(rig.db, "finds"))
            rows << row.join(',');
        QCOMPARE(rows, c.list("rows"));
    }

    void tableCreatedReusedAndIndexed()
    {
        StoreRig rig;
        addSampleVariables(rig);
        const QString path = rig.path("site1.mdb");
        QVERIFY(OpenDataTable(rig.model, rig.store, rig.dialogs, rig.shell, path));
        QVERIFY(rig.dialogs.messages().isEmpty());
        QCOMPARE(rig.shell.dataSource, &rig.store.currentrs());
        QCOMPARE(rig.shell.variableList, (QStringList{"ID", "Kind", "Count", "Sqid", "Ware", "Length", "Area"}));
        // Length sizes Text fields only; numeric kinds are Single.
        QCOMPARE(fieldShapes(rig.store.currentrs().fields()),
                 (QStringList{"ID:10:20", "Kind:10:8", "Count:6:0", "Sqid:10:11", "Ware:10:12", "Length:6:0",
                              "Area:6:0"}));
        QCOMPARE(indexLists(rig.store.currentdb(), "site1"), (QStringList{"k7_site1_ID=+ID", "site1_ID=+ID"}));
        RecordSet& rs = rig.store.currentrs();
        QVERIFY(rs.addNew() && rs.setField(0, "kept") && rs.update());

        // Opened again under the name in another case: the same table, nothing asked or added.
        rig.model.options[OptTable] = "SITE1";
        QVERIFY(OpenDataTable(rig.model, rig.store, rig.dialogs, rig.shell, path));
        QVERIFY(rig.dialogs.messages().isEmpty());
        QCOMPARE(rig.store.currentdb().tableNames(), QStringList{"site1"});
        QCOMPARE(indexLists(rig.store.currentdb(), "site1"), (QStringList{"k7_site1_ID=+ID", "site1_ID=+ID"}));
        QCOMPARE(readRows(path, "site1").value(0).value(0), QString("kept"));

        // An index of another name over ID counts; one over two fields does not; and a table
        // put aside holds the index name that Kind would get, another table the one of Count.
        Database& db = rig.store.currentdb();
        QVERIFY(db.execute("DROP INDEX site1_ID") && db.execute("CREATE INDEX MyIdIndex ON site1 (ID)"));
        QVERIFY(db.execute("CREATE INDEX Pair ON site1 (Kind, Count)"));
        QVERIFY(CreateDataTable(rig.model, db, "old")
                && db.appendIndex("old", IndexDef{"site1_Kind", "+Kind", false, false, {}}));
        QVERIFY(CreateDataTable(rig.model, db, "site1_Count"));
        rig.model.options[OptTable] = "site1";
        rig.model.var(2).varunique = 1;
        rig.model.var(3).varunique = 1;
        // Two Unique variables the table lacks: each warned of once, and the table still opens.
        rig.add("Bag", TypeText, 10).varunique = 1;
        rig.add("Box", TypeText, 10).varunique = 1;
        QVERIFY(OpenDataTable(rig.model, rig.store, rig.dialogs, rig.shell, path));
        QCOMPARE(rig.dialogs.shown(), (QStringList{message("no index").arg("Bag"), message("no index").arg("Box")}));
        QVERIFY(rig.store.currentrs().isOpen());
        QCOMPARE(indexLists(rig.store.currentdb(), "site1"),
                 (QStringList{"MyIdIndex=+ID", "Pair=+Kind;+Count", "k7_site1_ID=+ID", "site1_Count_2=+Count", "site1_Kind_2=+Kind"}));
    }

    // Autoinc looks up the largest number at every new record: through an
    // index, one made for it when the field has none, so that the save
    // stays as quick on a long table as on a short one.
    void autoincrementLooksUpThroughAnIndex()
    {
        StoreRig rig;
        addSampleVariables(rig);
        rig.model.var(3).varautoinc = 1;  // Count
        rig.add("Serial", TypeNumeric, 5).varautoinc = 1;
        rig.model.var(8).varunique = 1;  // its Unique index serves too
        const QString path = rig.path("site1.mdb");
        for (int round = 0; round < 2; ++round) {
            QVERIFY(OpenDataTable(rig.model, rig.store, rig.dialogs, rig.shell, path));
            QCOMPARE(indexLists(rig.store.currentdb(), "site1"),
                     (QStringList{"k7_site1_Count=+Count", "k7_site1_ID=+ID", "site1_ID=+ID", "site1_Serial=+Serial"}));
        }
        QVERIFY(rig.dialogs.messages().isEmpty());
        for (const char* field : {"Count", "Serial"}) {
            RecordSet plan;
            QVERIFY(plan.openQuery(rig.store.currentdb(),
                                   QString("EXPLAIN QUERY PLAN SELECT MAX(\"%1\") FROM site1").arg(field)));
            QVERIFY2(plan.value(3).toString().contains("INDEX"), qPrintable(plan.value(3).toString()));
        }
    }

    void badDatabaseFileLeavesEverythingClosed_data() { addCaseRows("workflows/bad-database-files.tsv"); }
    void badDatabaseFileLeavesEverythingClosed()
    {
        QFETCH(Case, c);
        const QString kind = c.text("kind");
        QString expected = c.text("message");
        StoreRig rig;
        addSampleVariables(rig);
        QString path = rig.path("site1.mdb");
        const QByteArray text(2000, 'x');
        sqlite3* other = nullptr;  // another program holding the write lock
        if (kind == "text") {
            QVERIFY(writeFile(path, text));
        } else if (kind == "folder") {
            QVERIFY(QDir(rig.dir.path()).mkdir("site1.mdb"));
        } else if (kind == "locked") {
            QVERIFY(Database().create(path));
            QCOMPARE(sqlite3_open(QFile::encodeName(path), &other), SQLITE_OK);
            QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        } else {
            path = rig.path("gone/site1.mdb");
        }
        QVERIFY(!OpenDataTable(rig.model, rig.store, rig.dialogs, rig.shell, path));
        sqlite3_close_v2(other);
        QCOMPARE(rig.dialogs.shown(), QStringList{expected.replace("%2", rig.path("gone")).arg(path) + " [16]"});
        QVERIFY(rig.allClosed());
        if (kind == "text")
            QCOMPARE(readFile(path), text);  // left exactly as it was
    }

    void names_data() { addCaseRows("store/database-names.tsv"); }
    void names()
    {
        QFETCH(Case, c);
        QCOMPARE(DeriveDbName(c.text("cfg path"), c.text("file")), c.text("database"));
        QCOMPARE(DeriveTableName(c.text("database"), c.text("table")), c.text("table name"));
    }
};

QTEST_GUILESS_MAIN(TestOpenCfg)
#include "tst_opencfg.moc"
