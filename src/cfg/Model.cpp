#include "cfg/Model.h"

namespace k7 {

void ClearModel(Model& model)
{
    for (size_t v = 1; v < model.vars.size(); ++v) {
        const int condcount = model.vars[v].condcount;
        model.vars[v] = Variable{};
        model.vars[v].condcount = condcount;
    }
}

QStringList SplitMenu(const Model& model, int v, int room)
{
    // One pass over views of the list: copying the rest after every item
    // would make a long list take quadratic time.
    QStringList items;
    const QString& menu = model.var(v).varmenu;
    const QChar separator = menu.contains(QLatin1Char(',')) ? QLatin1Char(',') : QLatin1Char(' ');
    QStringView rest = QStringView(menu).trimmed();
    while (!rest.isEmpty() && items.size() < room) {
        const qsizetype at = rest.indexOf(separator);
        if (at < 0) {
            items.append(rest.trimmed().toString());
            break;
        }
        items.append(rest.first(at).trimmed().toString());
        // Trimming the rest would swallow the empty item between two
        // blanks, which a blank-separated list must keep.
        rest = rest.sliced(at + 1);
        if (separator != QLatin1Char(' '))
            rest = rest.trimmed();
    }
    return items;
}

}  // namespace k7
