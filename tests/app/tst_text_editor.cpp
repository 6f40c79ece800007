// The text editor: what it loads, when it asks before saving and closing,
// and what ends up on disk.

#include "support/ScriptedDialogs.h"

#include "windows/TextEditor.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

using namespace k7;
using namespace k7::test;

namespace {
const QString kSaveChanges = QStringLiteral("Save changes?");
const QString kReminder =
    QStringLiteral("You will need to use File/Open to reload the CFG and put the changes into effect.");

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}
}  // namespace

class TestTextEditor : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString path(const char* name) const { return m_tmp->filePath(QString::fromLatin1(name)); }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
    }

    void aMissingFileOpensEmptyAndSavingCreatesIt()
    {
        ScriptedDialogs dialogs;
        TextEditor editor(dialogs);
        const QString ini = path("k7.ini");
        editor.loadFile(ini);
        QCOMPARE(editor.windowTitle(), QStringLiteral("Text Editor: ") + ini);
        QCOMPARE(editor.text(), QString());
        QVERIFY(!editor.isDirty());
        editor.editor()->setPlainText(QStringLiteral("[K7]\nFile1=/a.cfg"));
        QVERIFY(editor.isDirty());
        QVERIFY(editor.fileSave());
        QVERIFY(!editor.isDirty());
        QCOMPARE(fileBytes(ini), QByteArray("[K7]\r\nFile1=/a.cfg\r\n"));
        QVERIFY(dialogs.messages().isEmpty());  // a new file is not an overwrite
    }

    void unreadableFilesShowError_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("tooLarge");
        QTest::newRow("just below the limit") << TextEditor::kMaxEditSize - 1 << false;
        QTest::newRow("at the limit") << TextEditor::kMaxEditSize << true;
    }
    void unreadableFilesShowError()
    {
        QFETCH(qint64, size);
        QFETCH(bool, tooLarge);
        const QString big = path("big.cfg");
        writeBytes(big, QByteArray(size, 'a'));
        ScriptedDialogs dialogs;
        TextEditor editor(dialogs);
        editor.loadFile(big);
        if (tooLarge) {
            QCOMPARE(editor.text(), QStringLiteral("error"));
            // The placeholder never replaces the file it stands for.
            QVERIFY(editor.editor()->isReadOnly());
            QVERIFY(!editor.fileSave());
            QCOMPARE(QFileInfo(big).size(), size);
            QCOMPARE(dialogs.messages().size(), 1);
            QCOMPARE(dialogs.messages().first().text, QStringLiteral("File too large to edit."));
            QCOMPARE(dialogs.messages().first().style, Style::Critical);
        } else {
            QCOMPARE(editor.text().size(), size);
            QVERIFY(dialogs.messages().isEmpty());
        }
        QCOMPARE(editor.currentPath(), big);
    }

    void savingOverAFileAsksFirst()
    {
        const QString cfg = path("site.cfg");
        writeBytes(cfg, "[K7]\r\n");
        ScriptedDialogs dialogs;
        TextEditor editor(dialogs);
        editor.loadFile(cfg);
        editor.editor()->appendPlainText(QStringLiteral("Sound=Yes"));

        dialogs.queueAnswer(Answer::No);
        QVERIFY(!editor.fileSave());
        QCOMPARE(dialogs.messages().last().text, QStringLiteral("Overwrite existing file ") + cfg + QStringLiteral(" ?"));
        QCOMPARE(dialogs.messages().last().style, Style::YesNoCancel + Style::Question);
        QVERIFY(editor.isDirty());
        QCOMPARE(fileBytes(cfg), QByteArray("[K7]\r\n"));

        dialogs.queueAnswer(Answer::Yes);
        QVERIFY(editor.fileSave());
        QVERIFY(!editor.isDirty());
        QCOMPARE(fileBytes(cfg), QByteArray("[K7]\r\nSound=Yes\r\n"));
    }

    void keepsTheEncodingItWasReadIn()
    {
        const QString cfg = path("latin.cfg");
        writeBytes(cfg, "Prompt=Caf\xe9\r\n");  // Windows-1252
        ScriptedDialogs dialogs;
        TextEditor editor(dialogs);
        editor.loadFile(cfg);
        QCOMPARE(editor.text(), QStringLiteral("Prompt=Caf\u00e9"));
        editor.editor()->appendPlainText(QStringLiteral("Length=5"));
        dialogs.queueAnswer(Answer::Yes);
        QVERIFY(editor.fileSave());
        QCOMPARE(fileBytes(cfg), QByteArray("Prompt=Caf\xe9\r\nLength=5\r\n"));
    }

    void closingAsksAboutChanges_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("staysOpen");
        QTest::addColumn<bool>("reminded");
        QTest::newRow("cancel keeps the window") << int(Answer::Cancel) << true << false;
        QTest::newRow("no closes with the reminder") << int(Answer::No) << false << true;
    }
    void closingAsksAboutChanges()
    {
        QFETCH(int, answer);
        QFETCH(bool, staysOpen);
        QFETCH(bool, reminded);
        const QString cfg = path("site.cfg");
        writeBytes(cfg, "[K7]\r\n");
        ScriptedDialogs dialogs;
        TextEditor editor(dialogs);
        editor.loadFile(cfg);
        editor.show();
        editor.editor()->appendPlainText(QStringLiteral("x"));
        dialogs.queueAnswer(answer);
        editor.close();
        QCOMPARE(editor.isVisible(), staysOpen);
        QCOMPARE(dialogs.texts().first(), kSaveChanges);
        QCOMPARE(dialogs.texts().contains(kReminder), reminded);
        QCOMPARE(fileBytes(cfg), QByteArray("[K7]\r\n"));
    }

    void anUntitledTextIsSavedThroughSaveAsOnClose()
    {
        ScriptedDialogs dialogs;
        TextEditor editor(dialogs);
        editor.setUntitledText(QStringLiteral("[k7]\nFile=Data"));
        QCOMPARE(editor.windowTitle(), QStringLiteral("Text Editor: Untitled"));
        editor.show();
        const QString target = path("new.cfg");
        dialogs.queueAnswer(Answer::Yes);  // save changes
        dialogs.queueFile(target);         // the Save As name
        editor.close();
        QVERIFY(!editor.isVisible());
        QCOMPARE(fileBytes(target), QByteArray("[k7]\r\nFile=Data\r\n"));
        QCOMPARE(dialogs.texts(), (QStringList{kSaveChanges, kReminder}));
        QCOMPARE(editor.currentPath(), target);
    }

    void aCancelledSaveAsKeepsTheWindowOpen()
    {
        ScriptedDialogs dialogs;
        TextEditor editor(dialogs);
        editor.setUntitledText(QStringLiteral("text"));
        editor.show();
        dialogs.queueAnswer(Answer::Yes);  // save changes, but no name is given
        editor.close();
        QVERIFY(editor.isVisible());
        QVERIFY(editor.isDirty());
    }

    void savedThenClosedAsksNothing()
    {
        const QString cfg = path("site.cfg");
        ScriptedDialogs dialogs;
        TextEditor editor(dialogs);
        editor.loadFile(cfg);
        editor.show();
        editor.editor()->setPlainText(QStringLiteral("[K7]"));
        QVERIFY(editor.fileSave());
        editor.close();
        QVERIFY(!editor.isVisible());
        QVERIFY(dialogs.messages().isEmpty());
    }

    void selectsAWholeLine_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("selected");
        QTest::newRow("first") << 1 << QStringLiteral("[K7]");
        QTest::newRow("third") << 3 << QStringLiteral("Type=Menu");
        QTest::newRow("last") << 4 << QStringLiteral("Prompt=Kind");
    }
    void selectsAWholeLine()
    {
        QFETCH(int, line);
        QFETCH(QString, selected);
        const QString cfg = path("site.cfg");
        writeBytes(cfg, "[K7]\r\n[VAR1]\r\nType=Menu\r\nPrompt=Kind\r\n");
        ScriptedDialogs dialogs;
        TextEditor editor(dialogs);
        editor.loadFile(cfg);
        editor.selectLine(line);
        QCOMPARE(editor.editor()->textCursor().selectedText(), selected);
    }

    void cutAndPasteGoThroughTheClipboard()
    {
        ScriptedDialogs dialogs;
        TextEditor editor(dialogs);
        editor.setUntitledText(QStringLiteral("alpha beta"));
        QTextCursor cursor = editor.editor()->textCursor();
        cursor.setPosition(0);
        cursor.setPosition(6, QTextCursor::KeepAnchor);
        editor.editor()->setTextCursor(cursor);
        editor.findChild<QAction*>(QStringLiteral("mnuEditCut"))->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("alpha "));
        QCOMPARE(editor.text(), QStringLiteral("beta"));
        cursor = editor.editor()->textCursor();
        cursor.movePosition(QTextCursor::End);
        editor.editor()->setTextCursor(cursor);
        editor.findChild<QAction*>(QStringLiteral("mnuEditPaste"))->trigger();
        QCOMPARE(editor.text(), QStringLiteral("betaalpha "));
    }
};

QTEST_MAIN(TestTextEditor)
#include "tst_text_editor.moc"
