#pragma once
// What the find, sort and filter dialogs work on: the program's state, the
// operator's dialogs, the shell that shows a record set, and the grid.

namespace k7 {

class DataGrid;
class Dialogs;
class ShellHooks;
class DataStore;
struct Model;

struct GridTools {
    Model& model;  // edited: the sort and filter store their choice in its options
    DataStore& store;
    Dialogs& dialogs;
    ShellHooks& shell;
    DataGrid& grid;
};

}  // namespace k7
