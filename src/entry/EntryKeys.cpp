#include "entry/EntryKeys.h"

namespace k7 {

namespace {

QList<KeyBinding> buildTable()
{
    using P = KeyPlace;
    using A = KeyAction;
    const auto ctrl = Qt::ControlModifier;
    const auto none = Qt::NoModifier;
    return {
        {P::Entry, "Enter", "Accepts the value and goes on to the next variable", A::Accept, Key::Enter,
         Qt::Key_Return, none},
        {P::Entry, "Esc", "Goes back to the previous variable", A::StepBack, Key::Esc, Qt::Key_Escape, none},
        {P::Entry, "Ctrl+C", "Starts the record in progress over", A::ClearRecord, Key::CtrlC, Qt::Key_C, ctrl},
        {P::Entry, "Ctrl+Z", "Right after Ctrl+C, brings the cleared values back", A::RestoreCleared, Key::CtrlZ,
         Qt::Key_Z, ctrl},
        {P::Entry, "Ctrl+I", "Shows the information about the variable, where it has any", A::ShowInfo, Key::CtrlI,
         Qt::Key_I, ctrl},
        {P::Entry, "Ctrl+E", "Goes to the data grid", A::GoToGrid, Key::CtrlE, Qt::Key_E, ctrl},
        {P::Entry, "Tab", "Goes to the data grid", A::GoToGrid, Key::Tab, Qt::Key_Tab, none},
        {P::Menu, "A letter", "Picks the item that begins with it, when only one does", A::PickByLetter},
        {P::Menu, "Arrow keys, Enter", "Pick any item", A::ByWindow},
        {P::Grid, "Enter", "Edits the value in the current cell", A::EditCell, Key::Enter,
         Qt::Key_Return, none},
        {P::Grid, "Ctrl+E", "Edits the value in the current cell", A::EditCell, Key::CtrlE, Qt::Key_E, ctrl},
        {P::Grid, "Esc", "Leaves the grid (and an edit) and goes back to the record in progress", A::LeaveGrid,
         Key::Esc, Qt::Key_Escape, none},
        {P::Grid, "Arrow keys, Tab", "Move between the cells", A::ByWindow},
        {P::Dialog, "Alt+letter", "Opens the menu or presses the button whose underlined letter it is",
         A::ByWindow},
        {P::Dialog, "A letter", "In an open menu, picks the item with that underlined letter", A::ByWindow},
        {P::Dialog, "Enter", "Does what the main button does (Sort: adds the field; Filter: applies the value)",
         A::ByWindow},
        {P::Dialog, "Tab, Shift+Tab", "Move between the lists and buttons of a dialog", A::ByWindow},
        {P::Dialog, "Space", "Presses the button that has the focus", A::ByWindow},
        {P::Dialog, "Esc", "Closes the dialog or menu without acting", A::ByWindow},
        {P::Anywhere, "F1", "Opens the K7 manual at the section about what you are doing", A::OpenManual, 0,
         Qt::Key_F1, none},
    };
}

}  // namespace

const QList<KeyBinding>& KeyBindings()
{
    static const QList<KeyBinding> table = buildTable();
    return table;
}

const KeyBinding* FindKey(KeyPlace place, int code)
{
    if (code == 0)
        return nullptr;
    for (const KeyBinding& key : KeyBindings()) {
        if (key.place == place && key.code == code)
            return &key;
    }
    return nullptr;
}

int EntryKeyCode(KeyPlace place, int qtKey, Qt::KeyboardModifiers modifiers)
{
    // The keypad's Enter is Enter.
    if (qtKey == Qt::Key_Enter)
        qtKey = Qt::Key_Return;
    modifiers &= Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier;
    for (const KeyBinding& key : KeyBindings()) {
        if (key.place == place && key.code != 0 && key.qtKey == qtKey && key.modifiers == modifiers)
            return key.code;
    }
    return 0;
}

QKeyCombination KeyOf(KeyAction action)
{
    for (const KeyBinding& key : KeyBindings()) {
        if (key.action == action && key.qtKey != Qt::Key_unknown)
            return QKeyCombination(key.modifiers, key.qtKey);
    }
    return QKeyCombination::fromCombined(0);
}

QString KeyPlaceName(KeyPlace place)
{
    switch (place) {
    case KeyPlace::Entry: return QStringLiteral("Entering values");
    case KeyPlace::Menu: return QStringLiteral("Menu lists");
    case KeyPlace::Grid: return QStringLiteral("Data grid");
    case KeyPlace::Dialog: return QStringLiteral("Menus and dialogs");
    case KeyPlace::Anywhere: return QStringLiteral("Anywhere");
    }
    return QString();
}

}  // namespace k7
