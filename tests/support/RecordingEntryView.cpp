#include "RecordingEntryView.h"

#include "entry/EntryEngine.h"

#include <QTest>

namespace k7::test {

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
        // Only Enter, which accepts; the box's other keys are tested through
        // the instrument input that owns them.
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
}  // namespace k7::test
