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
    QStringList items;
    const QString& menu = model.var(v).varmenu;
    const QChar separator = menu.contains(QLatin1Char(',')) ? QLatin1Char(',') : QLatin1Char(' ');
    QString rest = menu.trimmed();
    while (!rest.isEmpty() && items.size() < room) {
        const qsizetype at = rest.indexOf(separator);
        if (at >= 0) {
            items.append(rest.left(at).trimmed());
            // Trimming the rest would swallow the empty item between two
            // blanks, which a blank-separated list must keep.
            rest = rest.mid(at + 1);
            if (separator != QLatin1Char(' '))
                rest = rest.trimmed();
        } else {
            items.append(rest.trimmed());
            rest.clear();
        }
    }
    return items;
}

}  // namespace k7
