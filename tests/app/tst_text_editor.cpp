// The text editor: what it loads, when it asks before saving and closing,
// and what ends up on disk. Saving a file that is not there yet is covered
// by the main window's k7.ini editing and File > New.

#include "app/AppTestSupport.h"

#include "windows/TextEditor.h"

#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTest>

using namespace k7;
using namespace k7::test;

namespace {
const QString kSaveChanges = QStringLiteral("Save changes?");
const QString kReminder =
    QStringLiteral("You will need to use File/Open to reload the CFG and put the changes into effect.");
}  // namespace

class TestTextEditor : public QObject {
    Q_OBJECT

private slots:
    // The placeholder shown for a file too large to edit is never saved over it.
    void aFileTooLargeIsNeverOverwritten()
    {
        AppRig rig;
        const QString big = rig.path(QStringLiteral("big.cfg"));
        QVERIFY(writeFile(big, QByteArray(TextEditor::kMaxEditSize - 1, 'a')));
        TextEditor editor(rig.dialogs);
        editor.loadFile(big);
        QCOMPARE(editor.text().size(), TextEditor::kMaxEditSize - 1);

        QVERIFY(writeFile(big, QByteArray(TextEditor::kMaxEditSize, 'a')));
        editor.loadFile(big);
        QCOMPARE(editor.text(), QStringLiteral("error"));
        QVERIFY(editor.editor()->isReadOnly());
        QVERIFY(!editor.fileSave());
        QCOMPARE(QFileInfo(big).size(), TextEditor::kMaxEditSize);
        QCOMPARE(rig.dialogs.messages().size(), 1);
        QCOMPARE(rig.dialogs.messages().first().text, QStringLiteral("File too large to edit."));
        QCOMPARE(rig.dialogs.messages().first().style, Style::Critical);
    }

    void savingOverAFileAsksFirstAndKeepsItsEncoding()
    {
        AppRig rig;
        const QString cfg = rig.path(QStringLiteral("latin.cfg"));
        QVERIFY(writeFile(cfg, "Prompt=Caf\xe9\r\n"));  // Windows-1252
        TextEditor editor(rig.dialogs);
        editor.loadFile(cfg);
        editor.show();
        QCOMPARE(editor.text(), QStringLiteral("Prompt=Caf\u00e9"));
        editor.editor()->appendPlainText(QStringLiteral("Sound=Yes"));

        rig.dialogs.queueAnswer(Answer::No);
        QVERIFY(!editor.fileSave());
        QCOMPARE(rig.dialogs.messages().last().text, QStringLiteral("Overwrite existing file ") + cfg + QStringLiteral(" ?"));
        QCOMPARE(rig.dialogs.messages().last().style, Style::YesNoCancel + Style::Question);
        QVERIFY(editor.isDirty());
        QCOMPARE(readFile(cfg), QByteArray("Prompt=Caf\xe9\r\n"));

        rig.dialogs.queueAnswer(Answer::Yes);
        QVERIFY(editor.fileSave());
        QVERIFY(!editor.isDirty());
        QCOMPARE(readFile(cfg), QByteArray("Prompt=Caf\xe9\r\nSound=Yes\r\n"));

        // Closing on No drops the change and reminds about File/Open.
        rig.dialogs.clear();
        editor.editor()->appendPlainText(QStringLiteral("x"));
        rig.dialogs.queueAnswer(Answer::No);
        editor.close();
        QVERIFY(!editor.isVisible());
        QCOMPARE(rig.dialogs.texts(), (QStringList{kSaveChanges, kReminder}));
        QCOMPARE(readFile(cfg), QByteArray("Prompt=Caf\xe9\r\nSound=Yes\r\n"));
    }
};

QTEST_MAIN(TestTextEditor)
#include "tst_text_editor.moc"
