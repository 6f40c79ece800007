#include "windows/TextEditor.h"

#include "platform/Dialogs.h"
#include "windows/TextOnly.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextBlock>

namespace k7 {

namespace {
// The CFG filter comes first so that it is the one preselected.
const QString kFilter = QStringLiteral("CFG Files (*.cfg);;All Files (*)");
constexpr int kFileListLength = 5;

// The selection with its line breaks as '\n' (Qt hands them over as the
// Unicode paragraph separator).
QString selectedPlainText(const QPlainTextEdit* edit)
{
    return edit->textCursor().selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

QAction* namedAction(QMenu* menu, const QString& caption, const QString& name)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}
}  // namespace

TextEditor::TextEditor(Dialogs& dialogs, QWidget* parent) : QMainWindow(parent), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmEditor"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    buildTextArea();
    buildFileMenu();
    buildEditMenu();
    resize(720, 560);
    updateCaption();
}

void TextEditor::buildTextArea()
{
    m_txtEdit = new QPlainTextEdit(this);
    m_txtEdit->setObjectName(QStringLiteral("txtEdit"));
    m_txtEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont fixed(QStringLiteral("Monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    m_txtEdit->setFont(fixed);
    setCentralWidget(m_txtEdit);
    connect(m_txtEdit, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_loading)
            m_dirty = true;
    });
}

void TextEditor::buildFileMenu()
{
    m_fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    const auto add = [this](const QString& caption, const QString& name, auto slot) {
        connect(namedAction(m_fileMenu, caption, name), &QAction::triggered, this, slot);
    };
    add(QStringLiteral("&New"), QStringLiteral("mnuFileNew"), [this] { fileNew(); });
    add(QStringLiteral("&Open..."), QStringLiteral("mnuFileOpen"), [this] { fileOpen(); });
    add(QStringLiteral("&Save"), QStringLiteral("mnuFileSave"), [this] { fileSave(); });
    add(QStringLiteral("Save &As..."), QStringLiteral("mnuFileSaveAs"), [this] { fileSaveAs(); });
    add(QStringLiteral("&Close"), QStringLiteral("mnuFileClose"), [this] { close(); });
    m_fileMenu->addSeparator();
    add(QStringLiteral("E&xit"), QStringLiteral("mnuFileExit"), [this] { close(); });
    m_fileListSeparator = m_fileMenu->addSeparator();
    m_fileListSeparator->setVisible(false);
    for (int i = 0; i < kFileListLength; ++i) {
        QAction* entry = namedAction(m_fileMenu, QString(), QStringLiteral("mnuFileArray%1").arg(i));
        entry->setVisible(false);
        connect(entry, &QAction::triggered, this, [this, entry] {
            if (askToSaveChanges())
                loadFile(entry->data().toString());
        });
        m_mnuFileArray << entry;
    }
}

void TextEditor::buildEditMenu()
{
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* cut = namedAction(edit, QStringLiteral("Cu&t"), QStringLiteral("mnuEditCut"));
    connect(cut, &QAction::triggered, this, [this] {
        QApplication::clipboard()->setText(selectedPlainText(m_txtEdit));
        m_txtEdit->textCursor().removeSelectedText();
    });
    QAction* copy = namedAction(edit, QStringLiteral("C&opy"), QStringLiteral("mnuEditCopy"));
    connect(copy, &QAction::triggered, this,
            [this] { QApplication::clipboard()->setText(selectedPlainText(m_txtEdit)); });
    connect(namedAction(edit, QStringLiteral("&Paste"), QStringLiteral("mnuEditPaste")), &QAction::triggered, this,
            [this] { m_txtEdit->textCursor().insertText(QApplication::clipboard()->text()); });
    connect(edit, &QMenu::aboutToShow, this, [this, cut, copy] {
        const bool selected = m_txtEdit->textCursor().hasSelection();
        cut->setEnabled(selected);
        copy->setEnabled(selected);
    });
}

QString TextEditor::text() const
{
    return m_txtEdit->toPlainText();
}

void TextEditor::updateCaption()
{
    setWindowTitle(QStringLiteral("Text Editor: ") +
                   (m_path.isEmpty() ? QStringLiteral("Untitled") : m_path));
}

void TextEditor::loadFile(const QString& path, Missing missing)
{
    m_loading = true;
    m_path = path;
    updateCaption();
    m_txtEdit->clear();
    m_encoding = TextEncoding::Utf8;
    m_unreadable = false;
    const QFileInfo info(path);
    if (info.exists()) {
        if (info.size() >= kMaxEditSize) {
            m_dialogs.message(QStringLiteral("File too large to edit."), Style::Critical);
            m_unreadable = true;
        } else if (IsNonTextFile(path)) {
            m_dialogs.message(path + QStringLiteral(" is not a text file.  The editor does not open it."),
                              Style::Critical);
            m_unreadable = true;
        } else {
            const TextFile file = TextFile::read(path);
            m_unreadable = !file.ok();
            if (file.ok()) {
                m_encoding = file.encoding;
                m_txtEdit->setPlainText(file.lines.join(QLatin1Char('\n')));
            }
        }
    } else {
        // A file that does not exist yet (k7.ini on a fresh install) opens
        // empty, and saving creates it.
        m_unreadable = missing == Missing::Error;
    }
    if (m_unreadable)
        m_txtEdit->setPlainText(QStringLiteral("error"));
    m_txtEdit->setReadOnly(m_unreadable);
    m_loading = false;
    m_dirty = false;
    rememberFile(path);
}

bool TextEditor::saveFile(const QString& path)
{
    // The placeholder of a file that could not be read never replaces it.
    if (m_unreadable && path == m_path)
        return false;
    // Nor does any text replace a file that is not text (a database chosen
    // in the save dialog by mistake).
    if (IsNonTextFile(path)) {
        m_dialogs.message(path + QStringLiteral(" is not a text file.  The editor does not save over it."),
                          Style::Critical);
        return false;
    }
    if (QFileInfo::exists(path)) {
        const int answer = m_dialogs.message(QStringLiteral("Overwrite existing file ") + path + QStringLiteral(" ?"),
                                             Style::YesNoCancel + Style::Question + Style::DefaultButton2);
        if (answer != Answer::Yes)
            return false;
    }
    QString error;
    // The text box holds lines; each is written with CR LF, the last included.
    if (!WriteTextFile(path, text().split(QLatin1Char('\n')), m_encoding, &error)) {
        m_dialogs.message(QStringLiteral("Error: Could not save ") + path + QStringLiteral(".  ") + error,
                          Style::Critical);
        return false;
    }
    m_path = path;
    updateCaption();
    rememberFile(path);
    return true;
}

void TextEditor::setUntitledText(const QString& text)
{
    m_loading = true;
    m_path.clear();
    m_encoding = TextEncoding::Utf8;
    m_unreadable = false;
    m_txtEdit->setReadOnly(false);
    m_txtEdit->setPlainText(text);
    m_loading = false;
    m_dirty = true;
    updateCaption();
}

void TextEditor::selectLine(int line)
{
    const QTextBlock block = m_txtEdit->document()->findBlockByNumber(qMax(0, line - 1));
    if (!block.isValid())
        return;
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    m_txtEdit->setTextCursor(cursor);
    m_txtEdit->centerCursor();
}

QString TextEditor::askSaveName()
{
    return m_dialogs.saveFileName(QStringLiteral("Save As"), kFilter, QFileInfo(m_path).absolutePath());
}

bool TextEditor::askToSaveChanges()
{
    if (!m_dirty)
        return true;
    const int answer = m_dialogs.message(QStringLiteral("Save changes?"), Style::YesNoCancel);
    if (answer == Answer::Cancel)
        return false;
    if (answer == Answer::Yes)
        return fileSave();
    return true;
}

void TextEditor::fileNew()
{
    if (!askToSaveChanges())
        return;
    m_loading = true;
    m_txtEdit->clear();
    m_loading = false;
    m_unreadable = false;
    m_txtEdit->setReadOnly(false);
    m_path.clear();
    m_dirty = true;
    updateCaption();
}

void TextEditor::fileOpen()
{
    if (!askToSaveChanges())
        return;
    const QString path = m_dialogs.openFileName(QStringLiteral("Open"), kFilter, QFileInfo(m_path).absolutePath());
    if (!path.isEmpty())
        loadFile(path);
}

bool TextEditor::fileSave()
{
    QString path = m_path;
    if (path.isEmpty())
        path = askSaveName();
    if (path.isEmpty())
        return false;
    if (!saveFile(path))
        return false;
    m_dirty = false;
    return true;
}

bool TextEditor::fileSaveAs()
{
    const QString path = askSaveName();
    if (path.isEmpty() || !saveFile(path))
        return false;
    m_dirty = false;
    return true;
}

void TextEditor::rememberFile(const QString& path)
{
    if (path.isEmpty())
        return;
    QStringList paths;
    for (QAction* entry : m_mnuFileArray)
        if (entry->isVisible())
            paths << entry->data().toString();
    paths.removeAll(path);
    paths.prepend(path);
    for (int i = 0; i < m_mnuFileArray.size(); ++i) {
        QAction* entry = m_mnuFileArray[i];
        const bool used = i < paths.size();
        entry->setVisible(used);
        entry->setData(used ? paths[i] : QString());
        entry->setText(used ? QStringLiteral("&%1 %2").arg(i + 1).arg(paths[i]) : QString());
    }
    m_fileListSeparator->setVisible(true);
}

void TextEditor::closeEvent(QCloseEvent* event)
{
    const bool wasDirty = m_dirty;
    if (!askToSaveChanges()) {
        event->ignore();
        return;
    }
    if (wasDirty)
        m_dialogs.message(QStringLiteral("You will need to use File/Open to reload the CFG and put the changes into effect."),
                          Style::Information);
    m_dirty = false;
    event->accept();
    emit closed();
}

}  // namespace k7
