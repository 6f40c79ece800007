#pragma once
// What a main window needs in a test: a scratch folder for k7.ini, the CFGs
// and their databases, scripted dialogs and a silent speaker; and the window
// itself, driven by the keys and menu items an operator would use.

#include "support/ScriptedDialogs.h"
#include "support/SeparateConnection.h"
#include "support/SilentSound.h"
#include "support/TestFiles.h"

#include "app/EntryArea.h"
#include "app/MainWindow.h"
#include "grid/DataControl.h"
#include "grid/DataGrid.h"
#include "grid/RecordSetModel.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace k7::test {

struct AppRig {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    SilentSound sound;

    QString path(const QString& name) const { return dir.filePath(name); }
    QString ini() const { return path(QStringLiteral("k7.ini")); }
    QString sampleCfg(const QString& name = QStringLiteral("finds.cfg")) const { return copySampleCfg(dir.path(), name); }
};

// The child of `parent` with this object name; a missing one stops the test
// program, as a renamed control would otherwise pass unnoticed.
template <typename T = QWidget>
T* named(const QObject& parent, const QString& name)
{
    T* found = parent.findChild<T*>(name);
    if (!found)
        qFatal("no child named %s", qPrintable(name));
    return found;
}

inline void click(const QObject& parent, const QString& button)
{
    QTest::mouseClick(named<QPushButton>(parent, button), Qt::LeftButton);
}

// Double-clicks the item in `row` of a list, as the mouse does: a click first.
inline void doubleClickRow(QListWidget* list, int row)
{
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

inline QStringList listItems(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// A main window, not yet shown, with keys sent where the focus is.
struct WindowRig : AppRig {
    MainWindow w{dialogs, sound, ini()};

    // Shows the window and opens `cfg` in it.
    void open(const QString& cfg)
    {
        w.show();
        w.openCfgFile(cfg);
    }
    QWidget* control(Control c) const { return w.entryArea()->control(c); }
    QString boxText() const { return qobject_cast<QLineEdit*>(control(Control::TextBox))->text(); }
    QWidget* focused() const
    {
        QWidget* target = w.focusWidget();
        if (!target)
            qFatal("nothing has the keyboard focus");
        return target;
    }
    void type(const QString& text) const { QTest::keyClicks(focused(), text); }
    void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) const
    {
        QTest::keyClick(focused(), key, mods);
    }
    void enter(const QString& text) const
    {
        type(text);
        press(Qt::Key_Return);
    }
    // Types into the focused control; fails when it is not the one expected.
    void typeInto(Control expected, const QString& text) const
    {
        QCOMPARE(focused(), control(expected));
        type(text);
    }
    void enterInto(Control expected, const QString& text) const
    {
        typeInto(expected, text);
        press(Qt::Key_Return);
    }
    // Enter on the grid's cell, which starts editing it.
    void editCell(int row, int column) const
    {
        w.grid()->setFocus();
        w.grid()->setCurrentCell(row, column);
        QTest::keyClick(w.grid(), Qt::Key_Return);
    }
    // Chooses the menu item with the next questions answered in turn.
    void trigger(const char* action, std::initializer_list<int> answers = {})
    {
        for (int answer : answers)
            dialogs.queueAnswer(answer);
        QAction* item = w.findChild<QAction*>(action);
        QVERIFY(item && item->isEnabled());
        item->trigger();
    }
    QString caption() const { return w.dataControl()->caption(); }
};

}  // namespace k7::test
