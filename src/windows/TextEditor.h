#pragma once
// frmEditor: a plain-text editor for the CFG and k7.ini. It does not reparse
// what it saves; after a change the operator is reminded to reopen the CFG.
// Every save over an existing file asks first, and goes through an atomic
// rewrite so a failed save never leaves half a file behind.

#include "cfg/TextFile.h"

#include <QMainWindow>

class QMenu;
class QPlainTextEdit;

namespace k7 {

class Dialogs;

class TextEditor : public QMainWindow {
    Q_OBJECT
public:
    explicit TextEditor(Dialogs& dialogs, QWidget* parent = nullptr);

    // Larger files are refused; a k7.ini of any size K7 reads (up to 1 MiB)
    // opens.
    static constexpr qint64 kMaxEditSize = (qint64(1) << 20) + 1;

    // What a file that does not exist loads as: an empty text (k7.ini before
    // its first save) or "error" (a CFG that was expected to be there).
    enum class Missing { Empty, Error };

    // Load routine: puts the file into the box ("error" when it cannot be
    // read or is too large) and makes it the current file.
    void loadFile(const QString& path, Missing missing = Missing::Empty);
    // Save routine: asks before replacing an existing file. True when written.
    bool saveFile(const QString& path);
    // An untitled text (New CFG's sample); it counts as changed.
    void setUntitledText(const QString& text);
    // Selects line `line` (1-based) of the text.
    void selectLine(int line);

    QString currentPath() const { return m_path; }
    QString text() const;
    bool isDirty() const { return m_dirty; }
    QPlainTextEdit* editor() const { return m_txtEdit; }

    // The menu commands.
    void fileNew();
    void fileOpen();
    bool fileSave();
    bool fileSaveAs();
    // "Save changes?" before the text is replaced or the window closes. False
    // when the operator cancelled or the save did not happen.
    bool askToSaveChanges();

signals:
    // The window has closed (the main window shows its data area again).
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QString askSaveName();
    void rememberFile(const QString& path);
    void buildTextArea();
    void buildFileMenu();
    void buildEditMenu();
    void updateCaption();

    Dialogs& m_dialogs;
    QPlainTextEdit* m_txtEdit = nullptr;
    QMenu* m_fileMenu = nullptr;
    QAction* m_fileListSeparator = nullptr;
    QList<QAction*> m_mnuFileArray;
    QString m_path;
    TextEncoding m_encoding = TextEncoding::Utf8;
    bool m_dirty = false;
    bool m_loading = false;
    // The box shows "error" in place of a file that could not be read.
    bool m_unreadable = false;
};

}  // namespace k7
