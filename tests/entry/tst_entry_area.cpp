// The entry area's own widgets: which code a key reaches the engine with,
// a box's selection when its length changes, what a paste leaves in a box,
// and the help panels in folders whose names look like parts of a url.

#include "app/EntryArea.h"
#include "entry/EntryKeys.h"
#include "support/TestFiles.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

using namespace k7;
using namespace k7::test;

class TestEntryArea : public QObject {
    Q_OBJECT
private slots:
    // Tab shares its character with Ctrl+I but must not act as it (mended:
    // Tab opened the info viewer): it has its own code, which goes to the
    // grid. Delete reaches the handler as 127.
    void keyCodes_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<QList<int>>("codes");
        QTest::newRow("tab") << int(Qt::Key_Tab) << false << QList<int>{Key::Tab};
        QTest::newRow("shift+tab") << int(Qt::Key_Backtab) << false << QList<int>{};
        QTest::newRow("ctrl+i") << int(Qt::Key_I) << true << QList<int>{9};
        QTest::newRow("delete") << int(Qt::Key_Delete) << false << QList<int>{127};
    }
    void keyCodes()
    {
        QFETCH(int, key);
        QFETCH(bool, ctrl);
        QFETCH(QList<int>, codes);
        EntryArea area;
        QList<int> seen;
        area.setKeyHandler([&seen](Control, int code) {
            seen << code;
            return false;
        });
        area.show();
        QWidget* box = area.control(Control::TextBox);
        QTest::keyClick(box, Qt::Key(key), ctrl ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(seen, codes);
    }

    // A new length keeps the selection, so typing replaces the offered text
    // (mended: the number was appended to, 34 and 8 making 348).
    void typingReplacesTheSelectionAfterANewLength()
    {
        EntryArea area;
        area.show();
        area.setBoxText(Control::NumericBox, QStringLiteral("34"));
        area.selectBoxText(Control::NumericBox, 0, 2);
        area.setBoxMaxLength(Control::NumericBox, 5);
        QTest::keyClick(area.control(Control::NumericBox), Qt::Key_8);
        QCOMPARE(area.boxText(Control::NumericBox), QString("8"));
    }

    // A one-line box holds what it shows (mended: a pasted line break was
    // shown as a blank but stored, and reached the grid and the exports).
    // Line breaks and tabs become one blank each, NUL goes, and the cursor
    // stays after the pasted text.
    void pasteKeepsOneLine_data()
    {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("stored");
        QTest::newRow("line feed") << "line1\nline2" << "ab[line1 line2]";
        QTest::newRow("cr lf is one break") << "line1\r\nline2\r\n" << "ab[line1 line2 ]";
        QTest::newRow("lone cr and tab") << "a\rb\tc" << "ab[a b c]";
        QTest::newRow("nul dropped") << QString("x") + QChar(0) + "y" << "ab[xy]";
        QTest::newRow("unicode line separator") << QString("p") + QChar(0x2029) + "q" << "ab[p q]";
        QTest::newRow("plain text untouched") << "A-12 b" << "ab[A-12 b]";
    }
    void pasteKeepsOneLine()
    {
        QFETCH(QString, pasted);
        QFETCH(QString, stored);
        for (Control box : {Control::TextBox, Control::NumericBox, Control::InstrumentBox}) {
            EntryArea area;
            area.show();
            auto* edit = qobject_cast<QLineEdit*>(area.control(box));
            edit->setFocus();
            QTest::keyClicks(edit, "ab[]");
            edit->setCursorPosition(3);
            QGuiApplication::clipboard()->setText(pasted);
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(area.boxText(box), stored);
            QCOMPARE(edit->cursorPosition(), stored.indexOf(']'));
        }
    }

    // A help file is found in a folder whose name holds "#", "?" or "%"
    // (mended: the panel cut the path at the "#" and showed nothing), and a
    // menu item's anchor may hold them too.
    void helpPanelInAnyFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("anchor");
        QTest::newRow("plain") << "dig" << "";
        QTest::newRow("hash") << "dig #4" << "";
        QTest::newRow("question mark") << "why?" << "Lithic";
        QTest::newRow("percent") << "100% sure" << "";
        QTest::newRow("anchor with hash") << "a#b" << "No. #2";
    }
    void helpPanelInAnyFolder()
    {
        QFETCH(QString, folder);
        QFETCH(QString, anchor);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(folder));
        const QString path = dir.filePath(folder + "/help%20#1.htm");
        QVERIFY(writeFile(path, "<html><body><p>Sherds only</p></body></html>"));
        EntryArea area;
        area.show();
        area.showFrame(Frame::Text);
        area.setHelp(Frame::Text, HelpUrl(path, anchor));
        auto* help = area.findChild<QTextBrowser*>("texthelp");
        QVERIFY(help->isVisible());
        QCOMPARE(help->source().toLocalFile(), path);
        QCOMPARE(help->toPlainText().trimmed(), "Sherds only");
    }
};

QTEST_MAIN(TestEntryArea)
#include "tst_entry_area.moc"
