#include "properties/MenuItems.h"

namespace k7 {

QString MenuTextOf(const QStringList& items)
{
    if (items.size() == 1 && !items.first().contains(QLatin1Char(' ')))
        return items.first();
    QString text = items.join(QLatin1Char(','));
    if (items.size() == 1)
        text += QLatin1Char(',');
    return text;
}

bool AddMenuItem(QStringList& items, const QString& item)
{
    if (items.contains(item))
        return false;
    items.append(item);
    return true;
}

int MoveMenuItem(QStringList& items, int row, int step)
{
    const int to = row + step;
    if (row < 0 || row >= items.size() || to < 0 || to >= items.size())
        return row;
    items.move(row, to);
    return to;
}

}  // namespace k7
