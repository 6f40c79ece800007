#pragma once
// The record in progress: the values typed so far and where entry stands.
// The entry engine owns it and alone changes it, through its named commands;
// the window, the instrument input, the properties editor and the tests read
// it through EntryEngine::state().

#include "cfg/Model.h"

#include <QString>

#include <vector>

namespace k7 {

struct RecordState {
    // Value of each variable in the record in progress, indexed 1..500;
    // "" = not yet given.
    std::vector<QString> varvalue = std::vector<QString>(kMaxVariables + 1);
    // For Carry variables: the value accepted in the last record.
    std::vector<QString> carryvalue = std::vector<QString>(kMaxVariables + 1);
    // For Autoinc variables: the value the record in progress starts with,
    // the previous record's plus one. Set when a record starts, never when a
    // variable is shown, so showing it again offers the same number.
    std::vector<QString> autoincvalue = std::vector<QString>(kMaxVariables + 1);
    // The presented variable; above varcount the record is finished.
    int curvar = 1;
    // The entry area edits the grid's current cell, not the record in progress.
    bool editing = false;
    // The curvar to go back to when grid editing ends.
    int returnvar = 0;
    // The record is saved by adding a row (false: an existing row is completed).
    bool newrecord = true;
    // Set while the program itself selects items in the variable or menu list,
    // so the click handlers leave those selections alone.
    bool listguard = false;
    // Set when the instrument box is presented: the first reading replaces the
    // box text instead of being appended to it.
    bool devicewait = false;
};

}  // namespace k7
