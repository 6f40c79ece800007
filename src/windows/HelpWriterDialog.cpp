#include "windows/HelpWriterDialog.h"

#include "cfg/HelpFiles.h"
#include "cfg/HelpTemplates.h"
#include "cfg/Model.h"
#include "platform/Dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace k7 {

namespace {
const QString kFilter = QStringLiteral("*.TXT (*.txt *.TXT);;*.HTML (*.html *.HTML *.htm *.HTM)");
}

HelpWriterDialog::HelpWriterDialog(Model& model, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_model(model), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmHTML"));
    setWindowTitle(QStringLiteral("Write/Edit HTML Help Files"));
    buildControls();

    const QScopedValueRollback filling(m_filling, true);
    for (int v = 1; v <= m_model.varcount; ++v)
        m_fieldlist->addItem(m_model.var(v).varname);
    m_fieldlist->setCurrentIndex(-1);
    m_fieldlist->setFocus();
    resize(900, 600);
}

void HelpWriterDialog::buildControls()
{
    m_fieldlist = new QComboBox(this);
    m_fieldlist->setObjectName(QStringLiteral("fieldlist"));
    m_fieldlist->setMinimumContentsLength(16);
    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setToolTip(QStringLiteral("Double-click to choose a file"));
    m_text1->installEventFilter(this);
    m_htmltext = new QPlainTextEdit(this);
    m_htmltext->setObjectName(QStringLiteral("htmltext"));
    m_htmltext->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_htmlpreview = new QTextBrowser(this);
    m_htmlpreview->setObjectName(QStringLiteral("htmlpreview"));

    auto* save = new QPushButton(QStringLiteral("&Save and Preview"), this);
    save->setObjectName(QStringLiteral("Command2"));
    auto* write = new QPushButton(QStringLiteral("&Write Help Files"), this);
    write->setObjectName(QStringLiteral("Command1"));
    m_overwrite = new QCheckBox(QStringLiteral("Overwrite existing help files"), this);
    m_overwrite->setObjectName(QStringLiteral("overwrite"));
    auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setObjectName(QStringLiteral("Command3"));
    // Templates need a CFG: they go to its folder and into its sections.
    write->setEnabled(!m_model.cfgpath.isEmpty());

    connect(m_fieldlist, &QComboBox::currentIndexChanged, this, &HelpWriterDialog::fieldSelected);
    connect(m_htmltext, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_filling)
            m_changed = true;
    });
    connect(save, &QPushButton::clicked, this, &HelpWriterDialog::saveAndPreview);
    connect(write, &QPushButton::clicked, this, &HelpWriterDialog::writeHelpFiles);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(m_fieldlist);
    top->addWidget(m_text1, 1);
    auto* panes = new QSplitter(Qt::Horizontal, this);
    panes->addWidget(m_htmltext);
    panes->addWidget(m_htmlpreview);
    auto* frame = new QGroupBox(QStringLiteral("Write Blank Templates"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* frameLayout = new QHBoxLayout(frame);
    frameLayout->addWidget(write);
    frameLayout->addWidget(m_overwrite);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(save, 0, Qt::AlignBottom);
    bottom->addWidget(frame);
    bottom->addStretch(1);
    bottom->addWidget(ok, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(panes, 1);
    layout->addLayout(bottom);
}

void HelpWriterDialog::fieldSelected(int index)
{
    if (m_filling)
        return;
    if (!settleChanges()) {
        // Nothing changes: the list goes back to the variable being edited.
        const QScopedValueRollback filling(m_filling, true);
        m_fieldlist->setCurrentIndex(m_fieldlist->findText(m_selected, Qt::MatchExactly));
        return;
    }
    m_selected = index < 0 ? QString() : m_fieldlist->itemText(index);
    showFile(FindHelpFile(m_model, m_selected));
}

bool HelpWriterDialog::settleChanges()
{
    if (!m_changed)
        return true;
    const int answer = m_dialogs.message(QStringLiteral("Save changes?"), Style::YesNoCancel);
    if (answer == Answer::Cancel)
        return false;
    return answer != Answer::Yes || saveAndPreview();
}

void HelpWriterDialog::showFile(const QString& path)
{
    const QScopedValueRollback filling(m_filling, true);
    m_text1->setText(path);
    m_htmltext->clear();
    m_changed = false;
    if (path.isEmpty()) {
        m_htmlpreview->clear();
        return;
    }
    const HelpSource source = LoadHelpSource(path);
    if (source.tooLarge)
        m_dialogs.message(QStringLiteral("File is too large to edit."), Style::Information);
    m_htmltext->setPlainText(source.text);
    preview(path);
}

void HelpWriterDialog::preview(const QString& path)
{
    const QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    // Setting the page on show again would not read the file again.
    if (m_htmlpreview->source() == url)
        m_htmlpreview->reload();
    else
        m_htmlpreview->setSource(url);
}

bool HelpWriterDialog::saveAndPreview()
{
    if (m_text1->text().isEmpty() && !m_selected.isEmpty())
        m_text1->setText(CfgFolder(m_model) + m_selected + QStringLiteral(".html"));
    const QString target = SaveHelpSource(m_model, m_selected, m_text1->text(), m_htmltext->toPlainText(), m_dialogs);
    if (target.isEmpty())
        return false;
    m_changed = false;
    preview(target);
    return true;
}

void HelpWriterDialog::writeHelpFiles()
{
    // A file that cannot be written has been reported; the others are written.
    static_cast<void>(WriteHelpTemplates(m_model, m_dialogs, m_overwrite->isChecked()));
    // The file on show may have been rewritten.
    if (!m_htmlpreview->source().isEmpty())
        m_htmlpreview->reload();
}

void HelpWriterDialog::chooseFile()
{
    const QString path = m_dialogs.openFileName(QStringLiteral("Open"), kFilter, CfgFolder(m_model));
    if (path.isEmpty() || !settleChanges())
        return;
    showFile(path);
}

bool HelpWriterDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_text1 && event->type() == QEvent::MouseButtonDblClick) {
        chooseFile();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void HelpWriterDialog::done(int result)
{
    if (settleChanges())
        QDialog::done(result);
}

}  // namespace k7
