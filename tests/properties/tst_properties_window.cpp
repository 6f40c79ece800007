// The field properties editor driven by its controls and keys, over a real
// database file: after every change the CFG reads back (k7 --check) to the
// model the window shows, and another connection sees every stored value.

#include "support/EntryRig.h"
#include "support/SilentSound.h"

#include "app/MainWindow.h"
#include "cfg/CfgReader.h"
#include "cfg/CfgWriter.h"
#include "cfg/ModelPreparation.h"
#include "cfg/TextFile.h"
#include "properties/MenuItems.h"
#include "properties/PropertiesWindow.h"
#include "settings/IniSettings.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

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

const QString kLength("Field length must be between 1 and 255. [64]");

struct Rig : EntryRig {
    Dialogs dialogs;
    IniSettings settings{path("k7.ini")};
    QStringList infoShown;
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
    PropertiesWindow& show(int v)
    {
        window = std::make_unique<PropertiesWindow>(
            PropertiesServices{model, store, dialogs, shell, engine, settings,
                               [this](const QString& p) { infoShown << p; }});
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
    void click(const char* name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }
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
        QProcess check;
        check.start(K7_BINARY, {"--check", model.cfgpath});
        QVERIFY(check.waitForFinished(30000));
        QCOMPARE(check.exitCode(), 0);
        QCOMPARE(check.readAllStandardOutput(), file);
    }
};

const QStringList kRecords{"('A1', 'abcdef', 'red', 1.5)", "('A2', 'O''Brien', 'blue', NULL)",
                           "('A3', NULL, 'red', 2)", "('A4', 'xy', '', 0)"};

}  // namespace

class TestPropertiesWindow : public QObject {
    Q_OBJECT

private slots:
    void fillsEachType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("shown");
        QTest::newRow("text") << int(TypeText) << "Text";
        QTest::newRow("sqid") << int(TypeSqid) << "Text";
        QTest::newRow("menu") << int(TypeMenu) << "Menu";
        QTest::newRow("table") << int(TypeTable) << "Table";
        QTest::newRow("numeric") << int(TypeNumeric) << "Numeric";
        QTest::newRow("balance") << int(TypeOhaus) << "Instrument";
        QTest::newRow("imagej") << int(TypeImageJ) << "ImageJ";
    }
    void fillsEachType()
    {
        QFETCH(int, type);
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
        QTEST(vtype->currentText().isEmpty() ? vtype->placeholderText() : vtype->currentText(), "shown");
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

    void lengthChanges_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("answer");  // to the question about cut values; 0: none asked
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("size");  // of the field afterwards
        QTest::addColumn<QStringList>("kinds");
        const QStringList kept{"abcdef", "O'Brien", "<null>", "xy"};
        const QString cut = "Warning: 2 stored values of Kind are longer than 3 characters and will be cut to that "
                            "length.  Change the Length anyway? [292]";
        QTest::newRow("20 to 40") << "40" << 0 << QStringList{} << 40 << kept;
        QTest::newRow("0") << "0" << 0 << QStringList{kLength} << 20 << kept;
        QTest::newRow("256") << "256" << 0 << QStringList{kLength} << 20 << kept;
        QTest::newRow("letters") << "abc" << 0 << QStringList{kLength} << 20 << kept;
        QTest::newRow("3, cut agreed") << "3" << Answer::Yes << QStringList{cut} << 3
                                       << QStringList{"abc", "O'B", "<null>", "xy"};
        QTest::newRow("3, cut declined") << "3" << Answer::No << QStringList{cut} << 20 << kept;
    }
    void lengthChanges()
    {
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(int, size);
        QFETCH(QStringList, kinds);
        Rig rig;
        QVERIFY(rig.openWith(kRecords));
        const QList<QStringList> before = rig.rows();
        const QByteArray cfgBefore = readFile(rig.model.cfgpath);
        rig.show(2);
        if (answer)
            rig.dialogs.queueAnswer(answer);
        rig.retype("vlength", typed);

        QTEST(rig.shown(), "messages");
        QCOMPARE(rig.columns().value(1), QString("Kind VARCHAR(%1)").arg(size));
        QList<QStringList> expected = before;
        for (int r = 0; r < expected.size(); ++r)
            expected[r][1] = kinds[r];
        QCOMPARE(rig.rows(), expected);
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

    void renamesVariable3()
    {
        Rig rig;
        QVERIFY(rig.openWith(kRecords));
        const QList<QStringList> before = rig.rows();
        rig.show(3);
        rig.retype("vname", QString());
        QCOMPARE(rig.shown(), QStringList{"Every field must have a name. [64]"});
        QCOMPARE(QApplication::focusWidget(), rig.control("vname"));
        rig.retype("vname", "Shade of \"red\"");

        QCOMPARE(rig.columns().value(2), "Shade of \"red\" VARCHAR(10)");
        QCOMPARE(rig.rows(), before);
        QCOMPARE(rig.shell.variableList, (QStringList{"ID", "Kind", "Shade of \"red\"", "Weight"}));
        QVERIFY(!readFile(rig.model.cfgpath).contains("[Colour]"));
        rig.verifyCfgReadsBack();
        // A name the table holds already is refused by the table; the old name stays.
        rig.retype("vname", "kind");
        QCOMPARE(rig.shown().size(), 2);
        QCOMPARE(rig.model.var(3).varname, "Shade of \"red\"");
        QCOMPARE(rig.control("vname")->text(), rig.model.var(3).varname);
        QCOMPARE(rig.rows(), before);
    }

    // A name the CFG reader would refuse is refused with the reader's own
    // message, and neither the table nor the CFG changes (mended: the field
    // was renamed and "[a]b c]" written, which stopped the next start before
    // the main window appeared). Corrected, the name goes through.
    void refusesNamesTheReaderRefuses_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("character");
        QTest::newRow("bracket and blank") << "a]b c" << "]";
        QTest::newRow("equals") << "x=y" << "=";
        QTest::newRow("comma") << "a,b" << ",";
        QTest::newRow("the options section") << "k7" << "]";
    }
    void refusesNamesTheReaderRefuses()
    {
        QFETCH(QString, typed);
        QFETCH(QString, character);
        Rig rig;
        QVERIFY(rig.openWith(kRecords));
        const QStringList columns = rig.columns();
        const QByteArray cfgBefore = readFile(rig.model.cfgpath);
        rig.show(2);
        rig.retype("vname", typed);
        QCOMPARE(rig.shown(), QStringList{"ERROR: " + character + " is an illegal character for a field name.  "
                                          "Please correct field definition " + typed + ". [64]"});
        QCOMPARE(QApplication::focusWidget(), rig.control("vname"));
        QCOMPARE(rig.columns(), columns);
        QCOMPARE(readFile(rig.model.cfgpath), cfgBefore);
        // Leaving the window asks for the name first.
        rig.click("saveexit");
        QVERIFY(rig.window->isVisible());
        QCOMPARE(readFile(rig.model.cfgpath), cfgBefore);

        rig.retype("vname", "Kind 2");
        QCOMPARE(rig.columns().value(1), "Kind 2 VARCHAR(20)");
        rig.verifyCfgReadsBack();
    }

    // Tab walks the boxes in the order they are seen: down the left column,
    // then the right one, then the buttons, and round to the name (mended:
    // Tab from Length went to "Edit Previous Field" and never reached Name).
    void tabFollowsTheVisualOrder_data()
    {
        QTest::addColumn<int>("variable");
        QTest::addColumn<QStringList>("right");  // the right column's controls that take the keyboard
        const QStringList lookup{"vdbname", "vtblist", "vfieldname"};
        QTest::newRow("text") << 2 << QStringList{"cnvtomenu"} + lookup;
        QTest::newRow("menu") << 3 << QStringList{"Text1", "vmenu", "menuup", "menudown", "rebuild"} + lookup;
        QTest::newRow("numeric") << 4 << lookup;
    }
    void tabFollowsTheVisualOrder()
    {
        QFETCH(int, variable);
        QFETCH(QStringList, right);
        Rig rig;
        QVERIFY(rig.openWith({}));
        rig.show(variable);
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
        QCOMPARE(order, left + right + buttonsAndTop);
    }

    // A menu item holding a comma, and removing the last item of a Menu, are
    // refused as they are typed (mended: the comma made two items, and the
    // empty menu a CFG that the next start refused).
    void refusesCommasAndAnEmptyMenu()
    {
        Rig rig;
        QVERIFY(rig.openWith({}));
        rig.show(3);
        QLineEdit* text1 = rig.control("Text1");
        text1->setFocus();
        QTest::keyClicks(text1, "red, dark");
        QTest::keyClick(text1, Qt::Key_Return);
        QCOMPARE(rig.shown(), QStringList{"A menu item cannot hold a comma: the CFG would read it as two items. [64]"});
        QCOMPARE(text1->text(), "red, dark");
        auto* list = rig.control<QListWidget>("vmenu");
        for (int i = 0; i < 2; ++i) {
            const QPoint first = list->visualItemRect(list->item(0)).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first);
        }
        QCOMPARE(rig.shown().value(1), "A menu needs at least one item: add the new one before removing the last. [64]");
        QCOMPARE(rig.model.var(3).varmenu, "blue");
        rig.click("saveexit");
        QVERIFY(!rig.window->isVisible());
        rig.verifyCfgReadsBack();
        QCOMPARE(rig.menuReadBack(3), QStringList{"blue"});
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
        QLineEdit* text1 = rig.control("Text1");
        text1->setFocus();
        QTest::keyClicks(text1, "flake");
        QTest::keyClick(text1, Qt::Key_Return);
        rig.click("nextfield");
        QCOMPARE(rig.control("vno")->text(), "3");
        rig.verifyCfgReadsBack();
        QCOMPARE(rig.menuReadBack(2), QStringList{"flake"});
    }

    void editsMenuItems()
    {
        Rig rig;
        QVERIFY(rig.openWith({}));
        rig.show(3);
        QLineEdit* text1 = rig.control("Text1");
        for (const char* item : {"green", "green", "red brick", "much too long"}) {
            text1->setFocus();
            QTest::keyClicks(text1, item);
            QTest::keyClick(text1, Qt::Key_Return);
        }
        QCOMPARE(rig.shown(),
                 QStringList{"Warning: Option is too long for variable size.  It will be truncated. [64]"});
        auto* list = rig.control<QListWidget>("vmenu");
        rig.click("menudown");
        QCOMPARE(rig.shown().value(1), "Click on a menu item first. [64]");
        list->setCurrentRow(0);
        rig.click("menudown");
        const QPoint blue = list->visualItemRect(list->item(0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, blue);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, blue);
        QCOMPARE(rig.model.var(3).varmenu, "red,green,red brick,much too l");
        rig.click("saveexit");
        QVERIFY(!rig.window->isVisible());
        rig.verifyCfgReadsBack();
        QCOMPARE(rig.menuReadBack(3), (QStringList{"red", "green", "red brick", "much too l"}));
    }

    // The menu text keeps each item whole when the CFG is read again.
    void menuTextReadsBackAsItsItems()
    {
        for (const QStringList& items : QList<QStringList>{{"red"}, {"red brick"}, {"red brick", "blue", "dark  green"}}) {
            Rig rig;
            rig.model.varcount = 3;
            rig.model.var(3).varmenu = MenuTextOf(items);
            QVERIFY(WriteCfg(rig.model, rig.model.cfgpath, rig.dialogs));
            QCOMPARE(rig.menuReadBack(3), items);
        }
    }

    void buildsMenuFromStoredValues_data()
    {
        QTest::addColumn<int>("distinct");
        QTest::addColumn<int>("answer");  // to the over-50 question; 0: none asked
        QTest::addColumn<int>("items");
        QTest::newRow("30") << 30 << 0 << 30;
        QTest::newRow("51, continue") << 51 << int(Answer::Yes) << 51;
        QTest::newRow("51, stop") << 51 << int(Answer::No) << 0;
    }
    void buildsMenuFromStoredValues()
    {
        QFETCH(int, distinct);
        QFETCH(int, answer);
        QFETCH(int, items);
        Rig rig;
        QStringList rows{"('A0', '', 'red', 0)", "('A0', NULL, 'red', 0)"};
        for (int i = 0; i < distinct; ++i)
            rows << QString("('A%1', 'kind %2', 'red', 0)").arg(i).arg(i, 2, 10, QChar('0'));
        rows << rows.last();
        QVERIFY(rig.openWith(rows));
        rig.show(2);
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

    void movingWritesPendingChanges_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("to");
        QTest::newRow("previous on 1 stays") << 1 << "previousfield" << 1;
        QTest::newRow("next on the last stays") << 4 << "nextfield" << 4;
        QTest::newRow("next on 1") << 1 << "nextfield" << 2;
    }
    void movingWritesPendingChanges()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, button);
        Rig rig;
        QVERIFY(rig.openWith({}));
        rig.show(from);
        rig.retype("vprompt", "Typed prompt", false);
        rig.control<QCheckBox>("vskip")->setFocus();
        QTest::keyClick(rig.control<QCheckBox>("vskip"), Qt::Key_Space);
        QVERIFY(rig.window->dirty());
        rig.click(button.toLatin1().constData());
        QCOMPARE(rig.control("vno")->text(), QString::number(to));
        QVERIFY(!rig.window->dirty());
        QCOMPARE(rig.model.var(from).varskip, 1);
        QVERIFY(readFile(rig.model.cfgpath).contains("Prompt=Typed prompt\r\n"));
        rig.verifyCfgReadsBack();
    }

    // A settings file that cannot be written does not keep the window open,
    // and the failure is logged rather than dropped.
    void unwritableSettingsAreLogged()
    {
        Rig rig;
        QVERIFY(rig.openWith(kRecords));
        QVERIFY(writeFile(rig.path("notes.txt"), "not a folder"));
        rig.settings = IniSettings(rig.path("notes.txt/k7.ini"));  // even root cannot write there
        rig.show(2);
        QTest::ignoreMessage(QtWarningMsg, qPrintable("k7: the settings could not be written to "
                                                      + rig.settings.path()));
        rig.window->close();
        QVERIFY(!rig.window->isVisible());
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
    }

    void lookupFrameChecksTheTable_data()
    {
        QTest::addColumn<QString>("database");  // "db": the data's own file
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("result");  // the message, or the fields listed
        QTest::newRow("no database") << "" << "site" << "Error: You must provide a database name for this table.";
        QTest::newRow("missing file") << "none.mdb" << "site"
                                      << "Error: This database is either already open or otherwise inaccessible.";
        QTest::newRow("no such table") << "db" << "sqlite_sequence"
                                       << "Error: This table does not exist in the indicated database.";
        QTest::newRow("fields") << "db" << "SITE" << "ID Kind Colour Weight";
    }
    void lookupFrameChecksTheTable()
    {
        QFETCH(QString, database);
        QFETCH(QString, table);
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
        QTest::keyClicks(tables->lineEdit(), table);
        QTest::keyClick(tables->lineEdit(), Qt::Key_Return);
        auto* fields = rig.control<QComboBox>("vfieldname");
        QStringList listed;
        for (int i = 0; i < fields->count(); ++i)
            listed << fields->itemText(i);
        QTEST(rig.dialogs.texts().isEmpty() ? listed.join(' ') : rig.dialogs.texts().join(' '), "result");
        QVERIFY(rig.model.var(1).varlookup.isEmpty());
    }

    // View > Field Properties and the variable list's double-click.
    void mainWindowOpensTheEditor()
    {
        Rig rig;
        SilentSound sound;
        MainWindow w(rig.dialogs, sound, rig.path("k7.ini"));
        w.show();
        w.findChild<QAction*>("viewproperties")->trigger();
        QCOMPARE(rig.dialogs.texts(),
                 QStringList{"Before you can alter field properties, you need to create and open a CFG file.  A CFG "
                             "specifies what variables you would like to record.  Please see the documentation and "
                             "example CFG files."});
        const QString cfg = copySampleCfg(rig.dir.path());
        w.openCfgFile(cfg);
        QString shownVariable;
        QTimer::singleShot(0, [&] {
            auto* editor = qobject_cast<PropertiesWindow*>(QApplication::activeModalWidget());
            QVERIFY(editor);
            shownVariable = editor->findChild<QLineEdit*>("vno")->text();
            auto* name = editor->findChild<QLineEdit*>("vname");
            name->selectAll();
            QTest::keyClicks(name, "Pottery");
            QTest::mouseClick(editor->findChild<QPushButton*>("saveexit"), Qt::LeftButton);
        });
        auto* list = w.findChild<QListWidget*>("vlist");
        const QPoint third = list->visualItemRect(list->item(2)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, third);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, third);
        QCOMPARE(shownVariable + list->item(2)->text(), "3Pottery");
        QVERIFY(w.store().currentrs().fieldIndex("Pottery") >= 0);
        QVERIFY(readFile(cfg).contains("[Pottery]"));
    }
};

QTEST_MAIN(TestPropertiesWindow)
#include "tst_properties_window.moc"
