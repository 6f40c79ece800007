// Moving back, jumping, grid-cell editing, and the keys and clicks of the
// input controls.

#include "entry/EntryEngine.h"

#include "cfg/Model.h"
#include "entry/RecordState.h"
#include "platform/Dialogs.h"
#include "store/DataStore.h"

namespace k7 {

namespace {

constexpr int kDelete = 127;

}  // namespace

void EntryEngine::previousvarPressed()
{
    if (m_state.editing) {
        endGridEdit();
        return;
    }
    // Back to the previous variable that is asked; skipped variables are
    // passed over down to the first, and at the first nothing moves.
    for (int v = m_state.curvar - 1; v >= 1; --v) {
        if (isAsked(v, false)) {
            m_state.curvar = v;
            break;
        }
    }
    ShowVariable(m_state.curvar);
}

void EntryEngine::variableListClicked(int index)
{
    if (m_state.listguard || index < 0 || index >= m_model.varcount)
        return;
    m_state.curvar = index + 1;
    ShowVariable(m_state.curvar);
}

void EntryEngine::variableListDoubleClicked(int index)
{
    if (index < 0 || index >= m_model.varcount)
        return;
    m_view.openProperties(index + 1);
}

void EntryEngine::startGridEdit(bool fromKeyboard)
{
    // A second start while editing keeps the place in the record in
    // progress, so that Accept or Cancel still returns there.
    if (!m_state.editing)
        m_state.returnvar = m_state.curvar;
    const std::optional<TableDef> table = m_store.currentdb().isOpen()
                                              ? m_store.currentdb().findTable(m_store.tablename())
                                              : std::nullopt;
    const int column = m_view.gridCurrentColumn();
    int found = 0;
    if (table && column >= 0 && column < table->fields.size()) {
        const QString name = table->fields.at(column).name;
        for (int v = 1; v <= m_model.varcount && found == 0; ++v) {
            if (m_model.var(v).varname.compare(name, Qt::CaseInsensitive) == 0)
                found = v;
        }
    }
    if (found == 0) {
        m_dialogs.message(
            QStringLiteral("This variable is not in your configuration file and cannot be edited."),
            Style::OkOnly);
        return;
    }
    m_state.curvar = found;
    if (fromKeyboard)
        m_view.setGridTabStop(false);
    m_state.editing = true;
    ShowVariable(m_state.curvar);
}

void EntryEngine::gridEscape()
{
    // Leaving an edit from the grid returns to the record in progress where
    // it was left, as Cancel does; otherwise the variable is shown again.
    if (m_state.editing)
        endGridEdit();
    else
        ShowVariable(m_state.curvar);
}

bool EntryEngine::gridKey(int code)
{
    const KeyBinding* key = FindKey(KeyPlace::Grid, code);
    if (!key)
        return false;
    switch (key->action) {
    case KeyAction::EditCell:
        startGridEdit(true);
        return true;
    case KeyAction::LeaveGrid:
        gridEscape();
        return true;
    default:
        return false;
    }
}

void EntryEngine::showInfo(const QString& tag)
{
    if (!tag.isEmpty())
        m_view.showInfoFile(helpPath(tag));
}

// The keys every input control shares; nothing when the key is not one of them.
std::optional<bool> EntryEngine::commonKey(int code, Frame frame)
{
    const KeyBinding* key = FindKey(KeyPlace::Entry, code);
    if (key && key->action == KeyAction::RestoreCleared && m_cleared) {
        undoClear();
        return true;
    }
    forgetCleared();
    if (!key)
        return std::nullopt;
    switch (key->action) {
    case KeyAction::ClearRecord:
        clearRecord();
        return true;
    case KeyAction::GoToGrid:
        if (!m_state.editing)
            m_view.focusGrid();
        return true;
    case KeyAction::ShowInfo: {
        const QString tag = m_view.infoButtonTag(frame);
        if (tag.isEmpty())
            return false;
        showInfo(tag);
        return true;
    }
    case KeyAction::Accept:
        AcceptValue();
        return true;
    case KeyAction::StepBack:
        previousvarPressed();
        return true;
    default:
        // Ctrl+Z with nothing cleared to bring back.
        return std::nullopt;
    }
}

bool EntryEngine::textKey(int code)
{
    return commonKey(code, Frame::Text).value_or(false);
}

bool EntryEngine::instrumentKey(int code)
{
    return commonKey(code, Frame::Instrument).value_or(false);
}

bool EntryEngine::numericKey(int code)
{
    if (const auto handled = commonKey(code, Frame::Numeric))
        return *handled;
    if ((code >= '0' && code <= '9') || code == '-' || code == '+' || code == '.' || code == ',')
        return false;
    // Delete arrives as character 127; the box must still act on it.
    return code >= 32 && code != kDelete;
}

bool EntryEngine::menuKey(int code)
{
    if (code == Key::CtrlI) {
        showInfo(m_view.infoButtonTag(Frame::Menu));
    } else if (const auto handled = commonKey(code, Frame::Menu)) {
        return *handled;
    }

    const QString typed = QString(QChar(code)).toUpper();
    const QStringList items = SplitMenu(m_model, m_state.curvar, kMaxVariables);
    int matches = 0;
    int match = -1;
    for (int i = 0; i < items.size() && matches < 2; ++i) {
        if (items.at(i).left(1).toUpper() == typed) {
            ++matches;
            match = i;
        }
    }
    if (matches == 1) {
        m_state.listguard = true;
        m_view.selectMenuItem(match);
        m_workvalue = items.at(match);
        m_state.listguard = false;
        AcceptValue();
        return true;
    }
    // The list moves its selection itself; keep its help on the selection.
    pointMenuHelpAtSelection();
    return false;
}

void EntryEngine::pointMenuHelpAtSelection()
{
    const int cur = m_state.curvar;
    if (cur < 1 || cur > m_model.varcount)
        return;
    const QString info = m_model.var(cur).varinfo;
    if (!info.isEmpty())
        m_view.setHelp(Frame::Menu, HelpUrl(helpPath(info), m_view.selectedMenuText()));
    m_view.setFocus(Control::MenuList);
}

void EntryEngine::menuListClicked()
{
    pointMenuHelpAtSelection();
}

void EntryEngine::menuListDoubleClicked()
{
    if (!m_state.listguard)
        AcceptValue();
}

void EntryEngine::infoButtonClicked(Frame frame)
{
    showInfo(m_view.infoButtonTag(frame));
}

void EntryEngine::entryAreaClicked()
{
    m_view.setFocus(presentedControl());
}

}  // namespace k7
