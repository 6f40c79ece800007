// Opening a CFG end to end and repairing a table that no longer matches it:
// every question, in order, and what each answer leaves in the file.

#include "StoreRig.h"

#include "cfg/CfgReader.h"
#include "store/OpenCfg.h"

using namespace k7;
using namespace k7::test;

namespace {

const QString kClosing = QStringLiteral(
    "The data table and database will be closed.  You need to either modify the CFG file, change the name of "
    "the CFG file (so that a brand new database will be created), or specify a new database name in the CFG "
    "file.");
const QString kEncounter = QStringLiteral(
    "An error was encounter while processing the CFG file: VAR7 could not be found in the existing data table.  "
    "A new data table will have to be started.");
const QString kRenameAsk = QStringLiteral(
    "There are data in your existing table.  Would you like to rename this table and start a new one to match "
    "the CFG file?");
const QString kRenamePrompt = QStringLiteral("Rename existing data table as :");
const QString kExists = QStringLiteral("Error: That data table name already exists.  Use another name.");
const QString kDeleteAsk = QStringLiteral("Ok to delete the current dataset and create a new one?");
const QString kEmptyAsk = QStringLiteral(
    "The current data table is empty.  K7 will erase it and create a new one to match the fields in your CFG.");
const QString kAddVar7 = QStringLiteral(
    "The field VAR7 exist in the CFG but not in the data table finds.  If you have added a new variable, K7 can "
    "add this to the data table now.  Would you like to add VAR7?");
const QString kReduced = QStringLiteral(
    "Warning: Field size for %1 is too small and will be adjusted to match the database.  This may result in "
    "entries being truncated to fit the table field size.  To make it larger, either change it in Access and then "
    "enlarge it here or start a new data file with a larger value.");

const QStringList kSevenFields{"VAR1", "VAR2", "VAR3", "VAR4", "VAR5", "VAR6", "VAR7"};

QStringList fieldNames(const RecordSet& rs)
{
    QStringList names;
    for (const auto& f : rs.fields())
        names << f.name;
    return names;
}

// The sample CFG in a fresh folder.
struct Rig : StoreRig {
    QString cfg() const { return path(QStringLiteral("finds.cfg")); }
    QString db() const { return path(QStringLiteral("finds.mdb")); }

    Rig()
    {
        QFile::copy(QStringLiteral(K7_EXAMPLES "/finds.cfg"), cfg());
        QFile::setPermissions(cfg(), QFile::ReadOwner | QFile::WriteOwner);
    }

    OpenResult open()
    {
        model.cfgpath = cfg();
        return OpenCfg(model, store, dialogs, shell);
    }

    // The sample CFG opened once, with `rows` records saved.
    bool openWithRows(int rows)
    {
        if (open() != OpenResult::Opened)
            return false;
        for (int i = 0; i < rows; ++i) {
            RecordSet& rs = store.currentrs;
            if (!rs.addNew() || !rs.setField(QStringLiteral("VAR1"), QStringLiteral("ID%1").arg(i)) || !rs.update())
                return false;
        }
        dialogs.clear();
        return true;
    }

    bool appendToCfg(const QByteArray& text) { return writeFile(cfg(), readFile(cfg()) + text); }
};

}  // namespace

class TestOpenCfg : public QObject {
    Q_OBJECT
private slots:
    void newCfgOpensWithoutAQuestion()
    {
        Rig rig;
        QCOMPARE(rig.open(), OpenResult::Opened);
        QVERIFY2(rig.dialogs.messages().isEmpty(), qPrintable(rig.dialogs.texts().join(QLatin1Char('\n'))));
        QCOMPARE(rig.store.dbname, rig.db());
        QCOMPARE(rig.store.tablename, QStringLiteral("finds"));
        QCOMPARE(fieldNames(rig.store.currentrs), kSevenFields.mid(0, 6));
        QCOMPARE(CheckTableFields(rig.model, rig.store).code, 0);
        QCOMPARE(rig.shell.recentFiles, QStringList{rig.cfg()});
        QCOMPARE(rig.shell.portOpenings, 1);
        QCOMPARE(rig.shell.dataSource, &rig.store.currentrs);
        QVERIFY(rig.shell.editorPaths.isEmpty());

        // Opening again passes through closed and finds the same table.
        QVERIFY(rig.store.currentrs.addNew() && rig.store.currentrs.update());
        QCOMPARE(rig.open(), OpenResult::Opened);
        QCOMPARE(rig.store.currentrs.recordCount(), 1);
        QCOMPARE(rig.store.currentdb.tableCount(), 1);
        QVERIFY(rig.dialogs.messages().isEmpty());

        // A code other than 1 only reports.
        RebuildDataTable(rig.model, rig.store, rig.dialogs, rig.shell, 2, QStringLiteral("x"));
        QCOMPARE(rig.dialogs.texts(), QStringList{QStringLiteral("An error was encounter while processing the CFG file: x")});
        QVERIFY(rig.store.currentrs.isOpen());
    }

    void cfgWithAnErrorIsShownInTheEditor_data()
    {
        QTest::addColumn<bool>("editorLoads");
        QTest::newRow("editor shows the file") << true;
        QTest::newRow("editor cannot load it") << false;
    }
    void cfgWithAnErrorIsShownInTheEditor()
    {
        QFETCH(bool, editorLoads);
        Rig rig;
        QVERIFY(rig.openWithRows(1));
        QVERIFY(rig.appendToCfg("\r\n[VAR7]\r\nType=Bogus\r\n"));
        // What the reader itself says about this file.
        Model probe;
        probe.cfgpath = rig.cfg();
        ScriptedDialogs quiet;
        const CfgError expected = ReadCfg(probe, quiet);
        QVERIFY(expected.failed());

        rig.shell.editorLoads = editorLoads;
        QCOMPARE(rig.open(), OpenResult::Failed);
        QCOMPARE(rig.shell.editorPaths, QStringList{rig.cfg()});
        if (editorLoads) {
            QCOMPARE(rig.dialogs.texts(), QStringList{expected.text});
            QCOMPARE(rig.shell.editorLines, QList<int>{expected.line});
        } else {
            QCOMPARE(rig.dialogs.texts(),
                     QStringList{"Though the CFG cannot be displayed, the error was as follows: " + expected.text});
            QVERIFY(rig.shell.editorLines.isEmpty());
        }
        QCOMPARE(rig.dialogs.messages().at(0).style, 64);
        // Nothing stays open, and the earlier table is untouched.
        QVERIFY(rig.allClosed());
        QCOMPARE(rig.shell.recentFiles.size(), 1);
        QCOMPARE(rowCount(rig.db(), QStringLiteral("finds")), 1);
    }

    void databaseThatIsNotOneStopsTheOpen()
    {
        Rig rig;
        QVERIFY(writeFile(rig.db(), QByteArray(4096, 'z')));
        QCOMPARE(rig.open(), OpenResult::Failed);
        QCOMPARE(rig.dialogs.texts(), QStringList{QStringLiteral("Error: The file %1 is not a database.").arg(rig.db())});
        QVERIFY(rig.shell.recentFiles.isEmpty());
        QCOMPARE(rig.shell.portOpenings, 0);
        QVERIFY(rig.allClosed());
        QCOMPARE(readFile(rig.db()), QByteArray(4096, 'z'));
    }

    void addedVariableIsAddedOnYes()
    {
        Rig rig;
        QVERIFY(rig.openWithRows(2));
        QVERIFY(rig.appendToCfg("\r\n[VAR7]\r\nType=text\r\nLength=15\r\n"));
        rig.dialogs.queueAnswer(Answer::Yes);
        QCOMPARE(rig.open(), OpenResult::Opened);
        QCOMPARE(rig.dialogs.texts(), QStringList{kAddVar7});
        QCOMPARE(rig.dialogs.messages().at(0).style, 4);
        QCOMPARE(CheckTableFields(rig.model, rig.store).code, 0);
        QCOMPARE(fieldNames(rig.store.currentrs), kSevenFields);
        QCOMPARE(rig.store.currentrs.field(6).type, FieldType::Text);
        QCOMPARE(rig.store.currentrs.field(6).size, 15);
        QCOMPARE(rig.store.currentrs.recordCount(), 2);
        QCOMPARE(rig.shell.dataSource, &rig.store.currentrs);
    }

    // Every answer to the repair of a table that lacks VAR7 (the add question was declined).
    // Information boxes take a queued answer too.
    void rebuild_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QStringList>("typed");  // names for the rename dialog, "" for Cancel
        QTest::addColumn<QStringList>("texts");  // a text ending in '*' is matched as a beginning
        QTest::addColumn<bool>("stillOpen");
        QTest::addColumn<int>("findsRows");  // rows in "finds" afterwards
        QTest::addColumn<QString>("aside");   // the table the old rows were renamed to
        using L = QList<int>;
        using S = QStringList;
        QTest::newRow("empty, ok erases and re-creates")
            << 0 << L{Answer::Ok, Answer::Ok} << S{} << S{kEncounter, kEmptyAsk} << true << 0 << "";
        QTest::newRow("empty, cancel closes")
            << 0 << L{Answer::Ok, Answer::Cancel} << S{} << S{kEncounter, kEmptyAsk, kClosing} << false << 0 << "";
        QTest::newRow("rename, first name taken in another case")
            << 3 << L{Answer::Ok, Answer::Yes, Answer::Ok} << S{"FINDS", "Finds 2024"}
            << S{kEncounter, kRenameAsk, kRenamePrompt, kExists, kRenamePrompt} << true << 0 << "Finds 2024";
        QTest::newRow("rename, blank and reserved names asked again")
            << 2 << L{Answer::Ok, Answer::Yes, Answer::Ok, Answer::Ok}
            << S{"   ", "sqlite_old", "O'Brien's \"old\" finds"}
            << S{kEncounter, kRenameAsk, kRenamePrompt, "Error: A data table needs a name.  Use another name.",
                 kRenamePrompt, "Error: The data table could not be renamed as sqlite_old.*", kRenamePrompt}
            << true << 0 << "O'Brien's \"old\" finds";
        QTest::newRow("rename cancelled, then delete")
            << 3 << L{Answer::Ok, Answer::Yes, Answer::Yes} << S{""}
            << S{kEncounter, kRenameAsk, kRenamePrompt, kDeleteAsk} << true << 0 << "";
        QTest::newRow("rename cancelled, delete declined")
            << 3 << L{Answer::Ok, Answer::Yes, Answer::No} << S{""}
            << S{kEncounter, kRenameAsk, kRenamePrompt, kDeleteAsk} << false << 3 << "";
        QTest::newRow("no") << 3 << L{Answer::Ok, Answer::No} << S{} << S{kEncounter, kRenameAsk, kClosing} << false
                            << 3 << "";
        QTest::newRow("cancel") << 3 << L{Answer::Ok, Answer::Cancel} << S{} << S{kEncounter, kRenameAsk, kClosing}
                                << false << 3 << "";
    }
    void rebuild()
    {
        QFETCH(int, rows);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, typed);
        QFETCH(QStringList, texts);
        QFETCH(bool, stillOpen);
        QFETCH(int, findsRows);
        QFETCH(QString, aside);

        Rig rig;
        QVERIFY(rig.openWithRows(rows));
        QVERIFY(rig.appendToCfg("\r\n[VAR7]\r\nType=text\r\nLength=15\r\n"));
        rig.dialogs.queueAnswer(Answer::No);
        QCOMPARE(rig.open(), OpenResult::Opened);
        QCOMPARE(rig.dialogs.texts(), QStringList{kAddVar7});
        rig.dialogs.clear();

        const TableCheck check = CheckTableFields(rig.model, rig.store);
        QCOMPARE(check.code, 1);
        for (int a : answers)
            rig.dialogs.queueAnswer(a);
        for (const auto& name : typed)
            rig.dialogs.queueInput(name.isEmpty() ? std::nullopt : std::optional<QString>(name));
        RebuildDataTable(rig.model, rig.store, rig.dialogs, rig.shell, check.code, check.message);

        const QStringList shown = rig.dialogs.texts();
        QCOMPARE(shown.size(), texts.size());
        for (int i = 0; i < texts.size(); ++i) {
            if (texts[i].endsWith(QLatin1Char('*')))
                QVERIFY2(shown[i].startsWith(texts[i].chopped(1)), qPrintable(shown[i]));
            else
                QCOMPARE(shown[i], texts[i]);
        }
        QCOMPARE(rig.dialogs.pendingAnswers(), 0);
        QCOMPARE(rig.dialogs.messages().at(0).style, 64);
        QCOMPARE(rig.dialogs.messages().at(1).style, rows ? 3 : 1);
        if (stillOpen) {
            QCOMPARE(rig.store.tablename, QStringLiteral("finds"));
            QCOMPARE(rig.model.cfgpath, rig.cfg());
            QCOMPARE(rig.shell.dataSource, &rig.store.currentrs);
            QCOMPARE(fieldNames(rig.store.currentrs), kSevenFields);
            QCOMPARE(CheckTableFields(rig.model, rig.store).code, 0);
        } else {
            QVERIFY(rig.allClosed());
            QVERIFY(rig.model.cfgpath.isEmpty());
        }
        rig.store.closeAll();
        QCOMPARE(rowCount(rig.db(), QStringLiteral("finds")), findsRows);
        if (!aside.isEmpty())
            QCOMPARE(rowCount(rig.db(), aside), rows);
    }

    void tooLongLengthIsReducedOnce()
    {
        Rig rig;
        QVERIFY(rig.openWithRows(1));
        rig.store.closeAll();
        QByteArray text = readFile(rig.cfg());
        QVERIFY(text.contains("Length=20"));
        QVERIFY(writeFile(rig.cfg(), text.replace("Length=20", "Length=40")));

        QCOMPARE(rig.open(), OpenResult::Opened);
        QCOMPARE(rig.dialogs.texts(), QStringList{kReduced.arg(QStringLiteral("VAR1"))});
        QCOMPARE(rig.model.var(1).varlength, 20.0);
        text = readFile(rig.cfg());
        QVERIFY(text.contains("Length=20") && !text.contains("Length=40"));
        rig.dialogs.clear();
        QCOMPARE(rig.open(), OpenResult::Opened);
        QVERIFY(rig.dialogs.messages().isEmpty());
    }

    // Mended: the reduction used to rewrite an old-format CFG the operator chose not to convert.
    void reducedLengthLeavesAKeptOldFormatCfgAlone()
    {
        Rig rig;
        const QByteArray old = "FIELD: Id\r\nId: INPUT text\r\nId: VARLEN 40\r\n";
        QVERIFY(writeFile(rig.cfg(), old));
        {
            Database db;
            QVERIFY(db.create(rig.db()));
            QVERIFY(db.execute(QStringLiteral("CREATE TABLE finds (Id VARCHAR(20))")));
        }
        rig.dialogs.queueAnswer(Answer::No);  // keep the old format
        QCOMPARE(rig.open(), OpenResult::Opened);
        QVERIFY(rig.model.cfgunconverted);
        QCOMPARE(rig.dialogs.texts().size(), 2);
        QCOMPARE(rig.dialogs.texts().last(), kReduced.arg(QStringLiteral("ID")));
        QCOMPARE(rig.model.var(1).varlength, 20.0);
        QCOMPARE(readFile(rig.cfg()), old);
    }

    // A table made by another tool: fields the CFG does not know, other types, a row.
    void fieldsTheCfgDoesNotKnowAreKept()
    {
        Rig rig;
        {
            Database db;
            QVERIFY(db.create(rig.db()));
            QVERIFY(db.execute(QStringLiteral(
                "CREATE TABLE finds (Notes TEXT, VAR1 VARCHAR(20), VAR2 VARCHAR(50), VAR3 VARCHAR(50), "
                "VAR4 VARCHAR(50), VAR5 DOUBLE, VAR6 DOUBLE, Checked BOOLEAN)")));
            QVERIFY(db.execute(QStringLiteral("INSERT INTO finds (Notes, VAR1, Checked) VALUES ('keep me', 'A-1', 1)")));
        }
        QCOMPARE(rig.open(), OpenResult::Opened);
        QVERIFY2(rig.dialogs.messages().isEmpty(), qPrintable(rig.dialogs.texts().join(QLatin1Char('\n'))));
        QCOMPARE(CheckTableFields(rig.model, rig.store).code, 0);
        RecordSet& rs = rig.store.currentrs;
        QVERIFY(rs.addNew() && rs.setField(QStringLiteral("VAR1"), QStringLiteral("A-2")) && rs.update());
        rig.store.closeAll();
        QCOMPARE(querySeparately(rig.db(), QStringLiteral("SELECT Notes, VAR1, Checked FROM finds ORDER BY rowid")),
                 (QStringList{"keep me|A-1|1", "NULL|A-2|NULL"}));
    }
};

QTEST_GUILESS_MAIN(TestOpenCfg)
#include "tst_opencfg.moc"
