// The field properties editor driven by its controls and keys, over a real
// database file: after every change the CFG reads back (k7 --check) to the
// model the window shows, and another connection sees every stored value.

#include "app/AppTestSupport.h"
#include "support/CaseTable.h"
#include "support/TypeWords.h"
#include "support/EntryRig.h"

#include "cfg/CfgReader.h"
#include "cfg/CfgWriter.h"
#include "cfg/ModelPreparation.h"
#include "cfg/TextFile.h"
#include "properties/MenuItems.h"
#include "properties/PropertiesWindow.h"
#include "settings/IniSettings.h"

#include <QCheckBox>
#include <QComboBox>

using namespace k7;
using namespace k7::test;

namespace {

// Also counts how often the hourglass was shown.
class Dialogs : public ScriptedDialogs {
public:
    int busyShown = 0;
    void setBusy(bool busy) override
    {
        busyShown += busy ? 1 : 0;
        ScriptedDialogs::setBusy(busy);
    }
};

struct Rig : EntryRig {
    Dialogs dialogs;
    IniSettings settings{path("k7.ini")};
    QStringList infoShown;
    int manualShown = 0;
    std::unique_ptr<PropertiesWindow> window;

    // site.cfg: ID, Kind (Text 20), Colour (Menu), Weight; read when opened.
    Rig()
    {
        add("ID", TypeText, 20);
        add("Kind", TypeText, 20);
        addMenu("Colour", "red,blue", 10);
        add("Weight", TypeNumeric);
        cfgWritten = WriteCfg(model, model.cfgpath, EntryRig::dialogs);
        model.varcount = 0;
    }
    bool cfgWritten = false;
    bool openWith(const QStringList& rows)
    {
        return cfgWritten && openCfg(model.cfgpath)
               && (rows.isEmpty() || execSql(store.dbname(), {"INSERT INTO site VALUES " + rows.join(',')}));
    }
    // Opens the CFG over `rows` and shows variable v in the window.
    bool showWith(int v, const QStringList& rows = {})
    {
        if (!openWith(rows))
            return false;
        show(v);
        return true;
    }
    PropertiesWindow& show(int v)
    {
        window = std::make_unique<PropertiesWindow>(
            PropertiesServices{model, store, dialogs, shell, engine, settings,
                               [this](const QString& p) { infoShown << p; }, [this] { ++manualShown; }});
        window->FillProperties(v);
        window->show();
        window->activateWindow();
        [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(window.get());
        return *window;
    }
    template <typename W = QLineEdit>
    W* control(const char* name) { return window->findChild<W*>(QLatin1String(name)); }
    // Replaces the text of a box from the keyboard and leaves it with Tab.
    void retype(const char* name, const QString& text, bool leave = true)
    {
        QLineEdit* box = control(name);
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, text);
        if (leave)
            QTest::keyClick(box, Qt::Key_Tab);
    }
    void click(const char* name) { k7::test::click(*window, name); }
    // Types a new menu item and presses Enter.
    void addItem(const QString& item)
    {
        QLineEdit* text1 = control("Text1");
        text1->setFocus();
        QTest::keyClicks(text1, item);
        QTest::keyClick(text1, Qt::Key_Return);
    }
    void removeFirstItem() { doubleClickRow(control<QListWidget>("vmenu"), 0); }
    QList<QStringList> rows() const { return readRows(store.dbname(), "site"); }
    QStringList columns() const { return declarations(store.dbname(), "site"); }
    QStringList shown() const { return dialogs.shown(); }
    // The items of variable v's menu when the CFG on disk is read again.
    QStringList menuReadBack(int v)
    {
        Model reread;
        reread.cfgpath = model.cfgpath;
        if (ReadCfg(reread, dialogs).failed())
            return {"(not read)"};
        PrepareModel(reread);
        return SplitMenu(reread, v);
    }
    // The CFG on disk is what the window's model writes, and k7 --check reads
    // it back to the same text.
    void verifyCfgReadsBack()
    {
        const QByteArray file = readFile(model.cfgpath);
        QCOMPARE(DecodeText(file).split("\r\n", Qt::SkipEmptyParts), CfgLines(model));
        const K7Run check = runK7({"--check", model.cfgpath});
        QCOMPARE(check.status, 0);
        QCOMPARE(check.out, file);
    }
};

const QStringList kRecords{"('A1', 'abcdef', 'red', 1.5)", "('A2', 'O''Brien', 'blue', NULL)",
                           "('A3', NULL, 'red', 2)", "('A4', 'xy', '', 0)"};

}  // namespace

class TestPropertiesWindow : public QObject {
    Q_OBJECT

private slots:
    void fillsEachType_data() { addCaseRows("properties/types-shown.tsv"); }
    void fillsEachType()
    {
        QFETCH(Case, c);
        const int type = typeCode(c.text("type"));
        Rig rig;
        QVERIFY(rig.openWith({}));
        Variable& v = rig.model.var(2);
        v.vartype = type;
        v.varmenu = "a,b c";
        v.varlookup = rig.store.dbname() + " site";
        v.condcount = 1;
        v.condtext[1] = rig.model.cfgpath;  // "Modify" opens the file it names
        rig.show(2);
        rig.click("modify");
        QCOMPARE(rig.infoShown, QStringList{rig.model.cfgpath});
        auto* vtype = rig.control<QComboBox>("vtype");
        QCOMPARE(vtype->currentText().isEmpty() ? vtype->placeholderText() : vtype->currentText(), c.text("shown"));
        // Only text has a Length to edit and can become a menu; only a menu edits its items.
        const bool text = IsTextType(type);
        QCOMPARE(rig.control("vlength")->text(), text ? "20" : "Numeric");
        QCOMPARE(rig.control("vlength")->isReadOnly(), !text);
        QCOMPARE(rig.window->findChild<QWidget*>("menuframe")->isEnabled(), type == TypeMenu);
        QCOMPARE(rig.control<QPushButton>("cnvtomenu")->isEnabled(), type == TypeText);
        QCOMPARE(rig.control<QListWidget>("vmenu")->count(), type == TypeMenu || type == TypeTable ? 2 : 0);
        QCOMPARE((QStringList{rig.control("vdbname")->text(), rig.control<QComboBox>("vtblist")->currentText(),
                              rig.control<QComboBox>("vfieldname")->currentText()}),
                 (QStringList{rig.store.dbname(), "site", "Kind"}));
        QVERIFY(!rig.window->dirty());
    }

    void lengthChanges_data() { addCaseRows("properties/length-changes.tsv"); }
    void lengthChanges()
    {
        QFETCH(Case, c);
        const QString typed = c.text("typed");
        const int size = c.number("size");
        Rig rig;
        QVERIFY(rig.openWith(kRecords));
        const QByteArray cfgBefore = readFile(rig.model.cfgpath);
        rig.show(2);
        rig.dialogs.queueAnswers(c.list("answer"));
        rig.retype("vlength", typed);

        QCOMPARE(rig.shown(), c.list("message"));
        // The change itself, and the values it cuts: tst_field_changes.
        QCOMPARE(rig.columns().value(1), QString("Kind VARCHAR(%1)").arg(size));
        QCOMPARE(rig.dialogs.busy(), false);
        const bool refused = !(typed.toInt() > 0 && typed.toInt() < 256);
        QCOMPARE(QApplication::focusWidget() == rig.control("vlength"), refused);
        if (size != 20) {
            // Written at once, while the window is still open.
            QCOMPARE(rig.model.var(2).varlength, double(size));
            QCOMPARE(rig.dialogs.busyShown, 1);
            QCOMPARE(rig.store.currentrs().recordCount(), 4);
            rig.verifyCfgReadsBack();
        } else {
            QCOMPARE(readFile(rig.model.cfgpath), cfgBefore);
            QCOMPARE(rig.control("vlength")->text(), refused ? typed : "20");
        }
    }

    // A name refused by the CFG reader's rules (mended: the field was renamed
    // and "[a]b c]" written, which stopped the next start before the main
    // window appeared) or by the table leaves the table and the CFG as they
    // were; the reader's refusals keep the box until the name is corrected.
    // Corrected, the name goes through, quotes and all.
    void refusedNamesChangeNothing_data() { addCaseRows("properties/refused-names.tsv"); }
    void refusedNamesChangeNothing()
    {
        QFETCH(Case, c);
        const QString typed = c.text("typed"), message = c.text("message").replace("%1", typed);
        Rig rig;
        QVERIFY(rig.openWith(kRecords));
        const QStringList columns = rig.columns();
        const QByteArray cfgBefore = readFile(rig.model.cfgpath);
        rig.show(2);
        rig.retype("vname", typed);
        QCOMPARE(rig.shown().size(), 1);
        QVERIFY2(rig.shown().first().startsWith(message), qPrintable(rig.shown().first()));
        QCOMPARE(rig.columns(), columns);
        QCOMPARE(readFile(rig.model.cfgpath), cfgBefore);
        if (c.yes("box kept")) {
            QCOMPARE(QApplication::focusWidget(), rig.control("vname"));
            rig.click("saveexit");  // leaving the window asks for the name first
            QVERIFY(rig.window->isVisible());
            QCOMPARE(readFile(rig.model.cfgpath), cfgBefore);
        } else {
            QCOMPARE(rig.model.var(2).varname, "Kind");
            QCOMPARE(rig.control("vname")->text(), "Kind");
        }
        rig.retype("vname", "Kind \"2\"");
        QCOMPARE(rig.columns().value(1), "Kind \"2\" VARCHAR(20)");
        QCOMPARE(rig.shell.variableList, (QStringList{"ID", "Kind \"2\"", "Colour", "Weight"}));
        QVERIFY(!readFile(rig.model.cfgpath).contains("[Kind]"));
        rig.verifyCfgReadsBack();
    }

    // Tab walks the boxes in the order they are seen: down the left column,
    // then the right one, then the buttons, and round to the name (mended:
    // Tab from Length went to "Edit Previous Field" and never reached Name).
    void tabFollowsTheVisualOrder_data() { addCaseRows("properties/tab-order.tsv"); }
    void tabFollowsTheVisualOrder()
    {
        QFETCH(Case, c);
        Rig rig;
        QVERIFY(rig.showWith(c.number("variable")));
        QWidget* length = rig.control("vlength");
        length->setFocus();
        QStringList order;
        for (int i = 0; i < 40 && (order.isEmpty() || QApplication::focusWidget() != length); ++i) {
            QWidget* focused = QApplication::focusWidget();
            QVERIFY(focused);
            order << focused->objectName();
            QTest::keyClick(focused, Qt::Key_Tab);
        }
        const QStringList left{"vlength", "vsoundin", "vsoundout", "vcarry", "vautoincrement", "vunique", "vskip",
                               "vhelp", "vcondition", "modify"};
        const QStringList buttonsAndTop{"previousfield", "nextfield", "saveexit", "vname", "vtype", "vprompt"};
        QCOMPARE(order, left + c.list("right") + buttonsAndTop);
    }

    // F1 in any box of the editor asks for the manual, once per press, and
    // changes nothing in the variable.
    void f1AsksForTheManual()
    {
        Rig rig;
        QVERIFY(rig.showWith(1));
        for (const char* box : {"vname", "vprompt", "vlength"}) {
            rig.control(box)->setFocus();
            QTest::keyClick(rig.control(box), Qt::Key_F1);
        }
        QCOMPARE(rig.manualShown, 3);
        QVERIFY(!rig.window->dirty());
    }

    // A CFG that the reader would refuse is never written: a Text variable
    // turned into a Menu without items stays shown with the reader's reason,
    // and the file is written once an item is added.
    void writesOnlyACfgThatOpens()
    {
        Rig rig;
        QVERIFY(rig.openWith({}));
        const QByteArray cfgBefore = readFile(rig.model.cfgpath);
        rig.show(2);
        rig.control<QComboBox>("vtype")->setCurrentIndex(3);
        QCOMPARE(rig.model.var(2).vartype, int(TypeMenu));
        rig.click("nextfield");
        QCOMPARE(rig.shown(), QStringList{"ERROR: Menu type variable must include a MENU line with menu list. [16]"});
        QCOMPARE(rig.control("vno")->text(), "2");
        QCOMPARE(readFile(rig.model.cfgpath), cfgBefore);
        rig.addItem("flake");
        rig.click("nextfield");
        QCOMPARE(rig.control("vno")->text(), "3");
        rig.verifyCfgReadsBack();
        QCOMPARE(rig.menuReadBack(2), QStringList{"flake"});
    }

    // Menu items typed, moved and removed with a double-click. An item
    // holding a comma, and removing the last item of a Menu, are refused as
    // they are typed (mended: the comma made two items, and the empty menu a
    // CFG that the next start refused). Items keep their blanks, two in a
    // row too, when the CFG is read again.
    void editsMenuItems()
    {
        Rig rig;
        QVERIFY(rig.showWith(3));
        rig.addItem("red, dark");
        QCOMPARE(rig.shown(), QStringList{"A menu item cannot hold a comma: the CFG would read it as two items. [64]"});
        QCOMPARE(rig.control("Text1")->text(), "red, dark");
        rig.control("Text1")->clear();
        for (const char* item : {"green", "green", "red  brick", "much too long"})
            rig.addItem(item);
        QCOMPARE(rig.shown().value(1), "Warning: Option is too long for variable size.  It will be truncated. [64]");
        rig.click("menudown");
        QCOMPARE(rig.shown().value(2), "Click on a menu item first. [64]");
        rig.control<QListWidget>("vmenu")->setCurrentRow(0);
        rig.click("menudown");
        rig.removeFirstItem();  // blue
        QCOMPARE(rig.model.var(3).varmenu, "red,green,red  brick,much too l");
        rig.click("saveexit");
        QVERIFY(!rig.window->isVisible());
        rig.verifyCfgReadsBack();
        QCOMPARE(rig.menuReadBack(3), (QStringList{"red", "green", "red  brick", "much too l"}));

        rig.show(3);
        for (int i = 0; i < 4; ++i)
            rig.removeFirstItem();
        QCOMPARE(rig.shown().value(3),
                 "A menu needs at least one item: add the new one before removing the last. [64]");
        QCOMPARE(rig.model.var(3).varmenu, "much too l,");  // a lone item with a blank is kept whole
        rig.click("saveexit");
        rig.verifyCfgReadsBack();
        QCOMPARE(rig.menuReadBack(3), QStringList{"much too l"});
    }

    void buildsMenuFromStoredValues_data() { addCaseRows("properties/menu-from-values.tsv"); }
    void buildsMenuFromStoredValues()
    {
        QFETCH(Case, c);
        const int distinct = c.number("distinct");
        const int answer = c.text("answer").isEmpty() ? 0 : c.text("answer") == "yes" ? Answer::Yes : Answer::No;
        const int items = c.number("items");
        Rig rig;
        QStringList rows{"('A0', '', 'red', 0)", "('A0', NULL, 'red', 0)"};
        for (int i = 0; i < distinct; ++i)
            rows << QString("('A%1', 'kind %2', 'red', 0)").arg(i).arg(i, 2, 10, QChar('0'));
        rows << rows.last();
        QVERIFY(rig.showWith(2, rows));
        rig.dialogs.queueAnswer(Answer::Yes);  // "Build menu from existing data."
        if (answer)
            rig.dialogs.queueAnswer(answer);
        rig.click("cnvtomenu");
        QCOMPARE(rig.shown().size(), answer ? 2 : 1);
        QCOMPARE(rig.control<QListWidget>("vmenu")->count(), items);
        QCOMPARE(rig.model.var(2).vartype, items ? int(TypeMenu) : int(TypeText));
        QCOMPARE(SplitMenu(rig.model, 2).size(), items);
        QCOMPARE(rig.dialogs.busy(), false);
        rig.click("saveexit");
        if (items)
            rig.verifyCfgReadsBack();
    }

    void movingWritesPendingChanges_data() { addCaseRows("properties/moving.tsv"); }
    void movingWritesPendingChanges()
    {
        QFETCH(Case, c);
        const int from = c.number("from");
        Rig rig;
        QVERIFY(rig.showWith(from));
        rig.retype("vprompt", "Typed prompt", false);
        rig.control<QCheckBox>("vskip")->setFocus();
        QTest::keyClick(rig.control<QCheckBox>("vskip"), Qt::Key_Space);
        QVERIFY(rig.window->dirty());
        rig.click(c.text("button").toLatin1().constData());
        QCOMPARE(rig.control("vno")->text(), c.text("to"));
        QVERIFY(!rig.window->dirty());
        QCOMPARE(rig.model.var(from).varskip, 1);
        QVERIFY(readFile(rig.model.cfgpath).contains("Prompt=Typed prompt\r\n"));
        rig.verifyCfgReadsBack();
    }

    // The close box stores the position only; a name typed but not yet left
    // still reaches the table and the CFG, which must describe the table.
    void closeBoxStoresPositionOnly()
    {
        Rig rig;
        QVERIFY(rig.openWith(kRecords));
        rig.settings.write({{IniKey::frmPropertiesleft, "-300"}, {IniKey::frmPropertiestop, "10"}});
        rig.show(2);
        QCOMPARE(rig.window->x(), 0);
        const QByteArray cfgBefore = readFile(rig.model.cfgpath);
        rig.retype("vprompt", "Only in the model", false);
        rig.window->close();
        QVERIFY(!rig.window->isVisible());
        QCOMPARE(readFile(rig.model.cfgpath), cfgBefore);
        QCOMPARE(rig.model.var(2).varprompt, "Only in the model");
        rig.settings.load();
        QVERIFY(!rig.settings.value(IniKey::frmPropertiestop).isEmpty());

        rig.show(2);
        rig.retype("vname", "Material", false);
        QTest::keyClick(rig.control("vname"), Qt::Key_Escape);
        QVERIFY(!rig.window->isVisible());
        QCOMPARE(rig.columns().value(1), "Material VARCHAR(20)");
        rig.verifyCfgReadsBack();

        // A settings file that cannot be written does not keep the window
        // open, and the failure is logged rather than dropped.
        QVERIFY(writeFile(rig.path("notes.txt"), "not a folder"));
        rig.settings = IniSettings(rig.path("notes.txt/k7.ini"));  // even root cannot write there
        rig.show(2);
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable("k7: the settings could not be written to " + rig.settings.path()));
        rig.window->close();
        QVERIFY(!rig.window->isVisible());
    }

    void lookupFrameChecksTheTable_data() { addCaseRows("properties/lookup-frame.tsv"); }
    void lookupFrameChecksTheTable()
    {
        QFETCH(Case, c);
        const QString database = c.text("database");
        Rig rig;
        QVERIFY(rig.openWith({}));
        QVERIFY(execSql(rig.store.dbname(), {"CREATE TABLE t (a INTEGER PRIMARY KEY AUTOINCREMENT)",
                                           "CREATE TABLE k7_journal (a)", "CREATE TABLE MSysObjects (a)"}));
        rig.show(1);
        rig.dialogs.queueFile(rig.store.dbname());
        QTest::mouseDClick(rig.control("vdbname"), Qt::LeftButton);
        auto* tables = rig.control<QComboBox>("vtblist");
        QCOMPARE(tables->count(), 2);  // site and t, not the engine's, the program's or the system's
        rig.control("vdbname")->setText(database == "db" ? rig.store.dbname() : database.isEmpty() ? "" : rig.path(database));
        tables->lineEdit()->selectAll();
        QTest::keyClicks(tables->lineEdit(), c.text("table"));
        QTest::keyClick(tables->lineEdit(), Qt::Key_Return);
        auto* fields = rig.control<QComboBox>("vfieldname");
        QStringList listed;
        for (int i = 0; i < fields->count(); ++i)
            listed << fields->itemText(i);
        QCOMPARE(rig.dialogs.texts().isEmpty() ? listed.join(' ') : rig.dialogs.texts().join(' '), c.text("result"));
        QVERIFY(rig.model.var(1).varlookup.isEmpty());
    }

    // View > Field Properties and the variable list's double-click.
    void mainWindowOpensTheEditor()
    {
        WindowRig rig;
        MainWindow& w = rig.w;
        w.show();
        rig.trigger("viewproperties");
        QCOMPARE(rig.dialogs.texts(),
                 QStringList{"Before you can alter field properties, you need to create and open a CFG file.  A CFG "
                             "specifies what variables you would like to record.  Please see the documentation and "
                             "example CFG files."});
        const QString cfg = rig.sampleCfg();
        w.openCfgFile(cfg);
        QString shownVariable;
        QTimer::singleShot(0, [&] {
            auto* editor = qobject_cast<PropertiesWindow*>(QApplication::activeModalWidget());
            QVERIFY(editor);
            shownVariable = named<QLineEdit>(*editor, "vno")->text();
            named<QLineEdit>(*editor, "vname")->selectAll();
            QTest::keyClicks(named(*editor, "vname"), "Pottery");
            click(*editor, "saveexit");
        });
        auto* list = named<QListWidget>(w, "vlist");
        doubleClickRow(list, 2);
        QCOMPARE(shownVariable + list->item(2)->text(), "3Pottery");
        QVERIFY(w.store().currentrs().fieldIndex("Pottery") >= 0);
        QVERIFY(readFile(cfg).contains("[Pottery]"));
    }
};

QTEST_MAIN(TestPropertiesWindow)
#include "tst_properties_window.moc"
