#pragma once
// The menu items of the properties editor as a list, and the menu text the
// CFG keeps for them.

#include <QString>
#include <QStringList>

namespace k7 {

// The menu text for `items`: the comma list that the CFG reader keeps as it
// is, so an item holding blanks ("red brick") stays one item when the file is
// read again. A single item with a blank gets a closing comma for the same
// reason; a single item without one is written alone.
QString MenuTextOf(const QStringList& items);

// Adds `item` at the end unless the list already holds it. Returns whether
// it was added.
bool AddMenuItem(QStringList& items, const QString& item);

// Moves the item at `row` one place up (-1) or down (+1); returns its new
// row, or `row` when it cannot move.
int MoveMenuItem(QStringList& items, int row, int step);

}  // namespace k7
