#include "app/EntryArea.h"

#include "entry/EntryKeys.h"
#include "settings/ColorNumber.h"
#include "settings/WindowPlacement.h"
#include "settings/WindowRestore.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace k7 {

namespace {

// What a one-line box can show: a pasted or dropped line break (CR LF counts
// as one) or tab becomes one blank, a NUL is dropped. The box shows such text
// on one line, so anything else would store something other than was seen.
QString oneLineText(const QString& text)
{
    QString line;
    line.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            continue;
        if (c == QLatin1Char('\0'))
            continue;
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t')
            || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            line += QLatin1Char(' ');
        else
            line += c;
    }
    return line;
}

// Keeps an edited box on one line, with the cursor where it was in the text.
void keepOnOneLine(QLineEdit* edit, const QString& text)
{
    const QString line = oneLineText(text);
    if (line == text)
        return;
    const int cursor = static_cast<int>(oneLineText(text.left(edit->cursorPosition())).size());
    edit->setText(line);
    edit->setCursorPosition(cursor);
}

}  // namespace

EntryArea::EntryArea(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("dataentrybox"));
    setAutoFillBackground(true);

    m_textbox = new QLineEdit;
    m_textbox->setObjectName(QStringLiteral("textbox"));
    m_numericbox = new QLineEdit;
    m_numericbox->setObjectName(QStringLiteral("numericbox"));
    m_instrumentbox = new QLineEdit;
    m_instrumentbox->setObjectName(QStringLiteral("instrumentbox"));
    m_menulist = new QListWidget;
    m_menulist->setObjectName(QStringLiteral("menulist"));

    parts(Frame::Text) = makeFrame(Frame::Text, QStringLiteral("textframe"), m_textbox,
                                   QStringLiteral("textprompt"), QStringLiteral("texthelp"));
    parts(Frame::Numeric) = makeFrame(Frame::Numeric, QStringLiteral("numericframe"), m_numericbox,
                                      QStringLiteral("numericprompt"), QStringLiteral("numerichelp"));
    parts(Frame::Menu) = makeFrame(Frame::Menu, QStringLiteral("menuframe"), m_menulist,
                                   QStringLiteral("menuprompt"), QStringLiteral("menuhelp"));
    parts(Frame::Instrument) = makeFrame(Frame::Instrument, QStringLiteral("instrumentframe"), m_instrumentbox,
                                         QStringLiteral("instrumentprompt"), QString());

    m_previousvar = new QPushButton(QStringLiteral("&Previous"), this);
    m_previousvar->setObjectName(QStringLiteral("previousvar"));
    m_previousvar->setToolTip(QStringLiteral("ESCape to move backwards with the keyboard"));
    m_previousvar->setFocusPolicy(Qt::NoFocus);
    m_nextvar = new QPushButton(QStringLiteral("&Next"), this);
    m_nextvar->setObjectName(QStringLiteral("nextvar"));
    m_nextvar->setToolTip(QStringLiteral("Enter to move forward with the keyboard"));
    m_nextvar->setFocusPolicy(Qt::NoFocus);
    connect(m_previousvar, &QPushButton::clicked, this, &EntryArea::previousClicked);
    connect(m_nextvar, &QPushButton::clicked, this, &EntryArea::nextClicked);

    connect(m_menulist, &QListWidget::currentRowChanged, this, &EntryArea::menuSelectionChanged);
    connect(m_menulist, &QListWidget::itemDoubleClicked, this, &EntryArea::menuDoubleClicked);

    for (QWidget* input : {static_cast<QWidget*>(m_textbox), static_cast<QWidget*>(m_numericbox),
                           static_cast<QWidget*>(m_instrumentbox), static_cast<QWidget*>(m_menulist)})
        input->installEventFilter(this);
    for (QLineEdit* edit : {m_textbox, m_numericbox, m_instrumentbox})
        connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) { keepOnOneLine(edit, text); });
    for (const FrameParts& p : m_frames) {
        p.frame->hide();
        p.frame->installEventFilter(this);
        p.prompt->installEventFilter(this);
    }
    setMinimumSize(240, 160);
}

EntryArea::FrameParts EntryArea::makeFrame(Frame frame, const QString& name, QWidget* input,
                                           const QString& promptName, const QString& helpName)
{
    FrameParts p;
    p.frame = new QGroupBox(this);
    p.frame->setObjectName(name);
    p.frame->setAutoFillBackground(true);
    p.prompt = new QLabel(p.frame);
    p.prompt->setObjectName(promptName);
    p.prompt->setWordWrap(true);
    p.prompt->setTextFormat(Qt::PlainText);
    QFont promptFont = p.prompt->font();
    promptFont.setPointSizeF(promptFont.pointSizeF() * 1.25);
    p.prompt->setFont(promptFont);
    input->setParent(p.frame);
    QFont inputFont = input->font();
    inputFont.setPointSizeF(inputFont.pointSizeF() * 1.25);
    input->setFont(inputFont);
    if (!helpName.isEmpty()) {
        p.help = new QTextBrowser(p.frame);
        p.help->setObjectName(helpName);
        p.help->setFocusPolicy(Qt::NoFocus);
        p.help->setOpenLinks(false);
        p.help->hide();
    }
    p.info = new QPushButton(QStringLiteral("&Info"), p.frame);
    p.info->setObjectName(QStringLiteral("info"));
    p.info->setToolTip(QStringLiteral("Control-I to open with keyboard"));
    p.info->setFocusPolicy(Qt::NoFocus);
    p.info->hide();
    // Each control keeps its own font when the frame's caption font changes.
    for (QWidget* w : {static_cast<QWidget*>(p.prompt), input, static_cast<QWidget*>(p.help),
                       static_cast<QWidget*>(p.info)}) {
        if (!w)
            continue;
        QFont own = w->font();
        own.setBold(false);
        own.setPointSizeF(own.pointSizeF());
        w->setFont(own);
    }
    connect(p.info, &QPushButton::clicked, this, [this, frame] { emit infoClicked(frame); });

    auto* row = new QHBoxLayout;
    // A one-line box sits at the top, level with the top of its help panel.
    row->addWidget(input, 60, qobject_cast<QLineEdit*>(input) ? Qt::AlignTop : Qt::Alignment());
    if (p.help)
        row->addWidget(p.help, 35);
    auto* layout = new QVBoxLayout(p.frame);
    layout->addWidget(p.prompt);
    layout->addLayout(row, 1);
    layout->addWidget(p.info, 0, Qt::AlignLeft);
    return p;
}

int EntryArea::twips(double t) const
{
    return qRound(pixelsFromTwips(t, screenDpiY(*this)));
}

int EntryArea::keyCode(const QKeyEvent* event)
{
    const auto mods = event->modifiers();
    if (const int code = EntryKeyCode(KeyPlace::Entry, event->key(), mods))
        return code;
    switch (event->key()) {
    case Qt::Key_Delete:
        return 127;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 0;
    default:
        break;
    }
    if (mods.testFlag(Qt::ControlModifier)) {
        if (event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z)
            return event->key() - Qt::Key_A + 1;
        return 0;
    }
    const QString text = event->text();
    if (text.isEmpty())
        return 0;
    return text.at(0).unicode();
}

bool EntryArea::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        Control control;
        if (watched == m_textbox)
            control = Control::TextBox;
        else if (watched == m_numericbox)
            control = Control::NumericBox;
        else if (watched == m_instrumentbox)
            control = Control::InstrumentBox;
        else if (watched == m_menulist)
            control = Control::MenuList;
        else
            return QWidget::eventFilter(watched, event);
        auto* key = static_cast<QKeyEvent*>(event);
        const int code = keyCode(key);
        if (event->type() == QEvent::ShortcutOverride) {
            // The line edits would take Ctrl+C and Ctrl+E for themselves, and
            // menu shortcuts must not take keys the entry area reacts to.
            if (FindKey(KeyPlace::Entry, code)) {
                event->accept();
                return true;
            }
            return false;
        }
        if (code != 0 && m_keyHandler && m_keyHandler(control, code))
            return true;
        // Tab goes to the grid through the engine, as Ctrl+E does; Shift+Tab
        // never wanders off to the list.
        return key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        for (const FrameParts& p : m_frames) {
            if (watched == p.frame || watched == p.prompt) {
                emit areaClicked();
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void EntryArea::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
    emit areaClicked();
}

void EntryArea::showFrame(Frame frame)
{
    for (size_t i = 0; i < m_frames.size(); ++i)
        m_frames[i].frame->setVisible(static_cast<Frame>(i) == frame);
    center_databoxes();
}

std::optional<Frame> EntryArea::visibleFrame() const
{
    for (size_t i = 0; i < m_frames.size(); ++i)
        if (!m_frames[i].frame->isHidden())
            return static_cast<Frame>(i);
    return std::nullopt;
}

void EntryArea::setFrameCaption(Frame frame, const QString& caption, int fontSize)
{
    QGroupBox* box = parts(frame).frame;
    box->setTitle(caption);
    if (fontSize > 0) {
        // Only the caption grows: the controls inside have fonts of their own.
        QFont font = box->font();
        font.setPointSize(fontSize);
        font.setBold(true);
        box->setFont(font);
    }
    // A caption takes room above the prompt: the frame is sized again.
    center_databoxes();
}

void EntryArea::setPrompt(Frame frame, const QString& prompt)
{
    parts(frame).prompt->setText(prompt);
    center_databoxes();
}

QString EntryArea::prompt(Frame frame) const
{
    return parts(frame).prompt->text();
}

void EntryArea::setBackgroundColor(long color)
{
    m_background = color;
    const QColor c = colorFromNumber(color);
    auto paint = [&c](QWidget* w) {
        QPalette palette = w->palette();
        palette.setColor(QPalette::Window, c);
        w->setPalette(palette);
    };
    paint(this);
    for (const FrameParts& p : m_frames)
        paint(p.frame);
}

QLineEdit* EntryArea::lineEdit(Control box) const
{
    switch (box) {
    case Control::TextBox: return m_textbox;
    case Control::NumericBox: return m_numericbox;
    case Control::InstrumentBox: return m_instrumentbox;
    case Control::MenuList: return nullptr;
    }
    return nullptr;
}

QWidget* EntryArea::control(Control c) const
{
    if (c == Control::MenuList)
        return m_menulist;
    return lineEdit(c);
}

QString EntryArea::boxText(Control box) const
{
    if (QLineEdit* edit = lineEdit(box))
        return edit->text();
    return selectedMenuText();
}

// A box's length limits what the operator types, never what the program puts
// in it: a saved value longer than its variable's length (a grid cell being
// edited) is shown whole, so accepting it unchanged does not cut it short.
void EntryArea::setBoxText(Control box, const QString& text)
{
    if (QLineEdit* edit = lineEdit(box)) {
        edit->setMaxLength(qMax(m_typedLength.value(edit, 32767), static_cast<int>(text.size())));
        edit->setText(text);
    }
}

void EntryArea::setBoxMaxLength(Control box, int length)
{
    if (QLineEdit* edit = lineEdit(box)) {
        m_typedLength.insert(edit, length > 0 ? length : 32767);
        // A new length resets the box's selection; what was selected stays
        // selected, so that typing still replaces it.
        const int start = edit->selectionStart();
        const int selected = static_cast<int>(edit->selectedText().size());
        edit->setMaxLength(qMax(m_typedLength.value(edit), static_cast<int>(edit->text().size())));
        if (start >= 0)
            edit->setSelection(start, selected);
    }
}

void EntryArea::selectBoxText(Control box, int start, int length)
{
    if (QLineEdit* edit = lineEdit(box))
        edit->setSelection(start, length);
}

void EntryArea::focusControl(Control c)
{
    QWidget* w = control(c);
    // On a window that is not active yet this still makes the control the
    // one that gets the keys once it is.
    w->setFocus(Qt::OtherFocusReason);
}

int EntryArea::menuListWidth() const
{
    return qRound(twipsFromPixels(m_menulist->width(), screenDpiX(*this)));
}

void EntryArea::setMenuItems(const QStringList& items, int columns)
{
    m_menulist->blockSignals(true);
    m_menulist->clear();
    m_menulist->addItems(items);
    // Several columns: the items run down each column and wrap into the next.
    m_menulist->setFlow(QListView::TopToBottom);
    m_menulist->setWrapping(columns > 1);
    if (columns > 1)
        m_menulist->setResizeMode(QListView::Adjust);
    m_menulist->blockSignals(false);
}

void EntryArea::selectMenuItem(int index)
{
    m_menulist->setCurrentRow(index);
    if (QListWidgetItem* item = m_menulist->item(index))
        m_menulist->scrollToItem(item);
}

int EntryArea::selectedMenuItem() const
{
    return m_menulist->currentRow();
}

QString EntryArea::selectedMenuText() const
{
    const QListWidgetItem* item = m_menulist->currentItem();
    return item ? item->text() : QString();
}

void EntryArea::setHelp(Frame frame, const QString& url)
{
    QTextBrowser* help = parts(frame).help;
    if (!help)
        return;
    if (url.isEmpty()) {
        help->hide();
        help->clear();
        center_databoxes();
        return;
    }
    const QUrl target(url);
    const QString anchor = target.fragment(QUrl::FullyDecoded);
    const QUrl source = target.adjusted(QUrl::RemoveFragment);
    if (help->source() != source)
        help->setSource(source);
    if (!anchor.isEmpty())
        help->scrollToAnchor(anchor);
    const bool wasHidden = help->isHidden();
    help->show();
    // The panel needs height: the frame is sized again when it appears.
    if (wasHidden)
        center_databoxes();
}

void EntryArea::setInfoButton(Frame frame, bool visible, const QString& tag)
{
    FrameParts& p = parts(frame);
    p.infoTag = tag;
    if (p.info->isHidden() == visible) {
        p.info->setVisible(visible);
        center_databoxes();
    }
}

QString EntryArea::infoButtonTag(Frame frame) const
{
    return parts(frame).infoTag;
}

void EntryArea::setEntryButtons(const QString& previousCaption, const QString& nextCaption,
                                const QString& kindTag)
{
    // The captions keep their keyboard accelerators.
    m_previousvar->setText(QLatin1Char('&') + previousCaption);
    m_nextvar->setText(QLatin1Char('&') + nextCaption);
    m_kindTag = kindTag;
    m_previousvar->show();
    m_nextvar->show();
}

void EntryArea::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    center_databoxes();
}

void EntryArea::center_databoxes()
{
    const int w = width();
    const int h = height();
    const int buttonHeight = m_nextvar->sizeHint().height();
    const int buttonWidth = qMax(m_nextvar->sizeHint().width(), m_previousvar->sizeHint().width());
    const int buttonTop = qMax(0, h - buttonHeight - twips(200));
    m_previousvar->setGeometry(qMax(0, w / 2 - twips(100) - buttonWidth), buttonTop, buttonWidth, buttonHeight);
    m_nextvar->setGeometry(w / 2 + twips(100), buttonTop, buttonWidth, buttonHeight);

    const int frameWidth = qRound(w * 0.9);
    const int room = qMax(0, buttonTop - twips(100));
    for (size_t i = 0; i < m_frames.size(); ++i) {
        QGroupBox* frame = m_frames[i].frame;
        int frameHeight;
        if (static_cast<Frame>(i) == Frame::Menu) {
            frameHeight = qRound(h * 0.8);
        } else {
            const int wanted = frame->layout()->hasHeightForWidth()
                                   ? frame->layout()->totalHeightForWidth(frameWidth)
                                   : frame->sizeHint().height();
            frameHeight = qMax(wanted, frame->minimumSizeHint().height());
            if (m_frames[i].help && !m_frames[i].help->isHidden())
                frameHeight = qMax(frameHeight, qRound(h * 0.5));
        }
        frameHeight = qMin(frameHeight, room);
        const int left = (w - frameWidth) / 2;
        const int top = qMax(0, (h - buttonHeight - twips(100)) / 2 - frameHeight / 2);
        frame->setGeometry(left, qMin(top, qMax(0, room - frameHeight)), frameWidth, frameHeight);
    }
}

}  // namespace k7
