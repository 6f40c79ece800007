#include "RecordingEntryView.h"

#include "entry/EntryEngine.h"

#include <QTest>

namespace k7::test {

bool RecordingEntryView::wholeTextSelected(Control c) const
{
    const auto sel = m_selection.value(c);
    return sel.first == 0 && sel.second == text(c).size();
}

void RecordingEntryView::type(Control box, const QString& text)
{
    m_boxText[box] = text;
    m_selection[box] = {static_cast<int>(text.size()), 0};
}

void RecordingEntryView::pick(int index)
{
    if (index < -1 || index >= m_menuItems.size())
        QTest::qFail("pick: no such menu item", __FILE__, __LINE__);
    m_menuSelected = index;
}

bool RecordingEntryView::press(EntryEngine& engine, int code)
{
    if (!m_focus) {
        QTest::qFail("press: no input control has the focus", __FILE__, __LINE__);
        return false;
    }
    switch (*m_focus) {
    case Control::TextBox: return engine.textKey(code);
    case Control::NumericBox: return engine.numericKey(code);
    case Control::MenuList: return engine.menuKey(code);
    case Control::InstrumentBox:
        // The instrument box's own keys are not the engine's; Enter accepts.
        if (code == '\r') {
            engine.AcceptValue();
            return true;
        }
        return false;
    }
    return false;
}

void RecordingEntryView::enter(EntryEngine& engine, const QString& text)
{
    if (!m_focus || *m_focus == Control::MenuList) {
        QTest::qFail(qPrintable(QStringLiteral("enter(%1): no text box has the focus").arg(text)),
                     __FILE__, __LINE__);
        return;
    }
    type(*m_focus, text);
    press(engine, '\r');
}

void RecordingEntryView::choose(EntryEngine& engine, const QString& item)
{
    const int index = m_menuItems.indexOf(item);
    if (m_focus != Control::MenuList || index < 0) {
        QTest::qFail(qPrintable(QStringLiteral("choose(%1): not in the presented menu %2")
                                    .arg(item, m_menuItems.join(','))),
                     __FILE__, __LINE__);
        return;
    }
    m_menuSelected = index;
    press(engine, '\r');
}

void RecordingEntryView::setGridCell(int row, int column, const QString& text)
{
    m_gridRow = row;
    m_gridColumn = column;
    m_gridCell = text;
}

void RecordingEntryView::showFrame(Frame frame)
{
    m_frame = frame;
    ++m_framesShown;
}

void RecordingEntryView::setFrameCaption(Frame frame, const QString& caption, int)
{
    m_captions[frame] = caption;
}

void RecordingEntryView::setPrompt(Frame frame, const QString& prompt)
{
    m_prompts[frame] = prompt;
}

void RecordingEntryView::setBoxText(Control box, const QString& text)
{
    m_boxText[box] = text;
    m_selection[box] = {0, 0};
}

void RecordingEntryView::selectBoxText(Control box, int start, int length)
{
    m_selection[box] = {start, length};
}

void RecordingEntryView::setFocus(Control control)
{
    m_focus = control;
    m_gridFocus = false;
}

void RecordingEntryView::setMenuItems(const QStringList& items, int columns)
{
    m_menuItems = items;
    m_menuColumns = columns;
    m_menuSelected = -1;
}

QString RecordingEntryView::selectedMenuText() const
{
    return m_menuSelected >= 0 && m_menuSelected < m_menuItems.size()
               ? m_menuItems.at(m_menuSelected)
               : QString();
}

void RecordingEntryView::setEntryButtons(const QString& previousCaption, const QString&, const QString& kindTag)
{
    m_previousCaption = previousCaption;
    m_kindTag = kindTag;
}

void RecordingEntryView::focusGrid()
{
    m_gridFocus = true;
    m_focus.reset();
}

}  // namespace k7::test
