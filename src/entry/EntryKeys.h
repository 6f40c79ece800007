#pragma once
// Every key K7 reacts to, in one table: the entry area's input controls and
// the grid look their keys up here, and Help > Keys shows the same rows, so
// what the operator reads and what the keys do cannot drift apart.

#include <QList>
#include <QString>
#include <Qt>

namespace k7 {

// Key codes the input controls react to (the character code of the key).
namespace Key {
constexpr int CtrlC = 3;
constexpr int CtrlE = 5;
constexpr int CtrlI = 9;  // also the Tab character
constexpr int Enter = 13;
constexpr int CtrlZ = 26;
constexpr int Esc = 27;
// Tab shares its character with Ctrl+I but must not open the info viewer,
// so it reaches the engine under a code no character has.
constexpr int Tab = 0x10009;
}  // namespace Key

// Where a key acts, and the heading it is listed under.
enum class KeyPlace { Entry, Menu, Grid, Dialog, Anywhere };

enum class KeyAction {
    Accept,          // the value stands; on to the next variable
    StepBack,        // back to the previous variable asked
    ClearRecord,     // the record in progress starts over
    RestoreCleared,  // brings back what the clearing key discarded
    ShowInfo,        // the variable's information file
    GoToGrid,        // the keyboard goes to the data grid
    PickByLetter,    // a menu item by its first letter
    EditCell,        // edit the grid's current value
    LeaveGrid,       // back to the record in progress
    ByWindow,        // handled by the window itself (menus, dialogs, grid moves)
    OpenManual,      // the manual, at the section of what the operator is doing
};

struct KeyBinding {
    KeyPlace place;
    QString keys;  // as the operator presses them: "Enter", "Ctrl+E"
    QString does;
    KeyAction action;
    int code = 0;  // what the engine receives; 0 when the window handles it
    Qt::Key qtKey = Qt::Key_unknown;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
};

// The rows in the order Help > Keys lists them.
const QList<KeyBinding>& KeyBindings();
// The row of `code` at `place`; nullptr when the key does nothing there.
const KeyBinding* FindKey(KeyPlace place, int code);
// The engine code of a pressed key in the entry area or the grid; 0 when
// it is not one of theirs.
int EntryKeyCode(KeyPlace place, int qtKey, Qt::KeyboardModifiers modifiers);
QString KeyPlaceName(KeyPlace place);
// The key of the first row with `action` that names one; no key (0) when none does.
QKeyCombination KeyOf(KeyAction action);

}  // namespace k7
