#include "cfg/ModelPreparation.h"

#include "cfg/Blanks.h"
#include "cfg/CfgWriter.h"
#include "cfg/Conditions.h"

namespace k7 {

namespace {

// A blank-separated list of two or more items becomes comma-separated: blanks
// before the first item vanish, two blanks in a row leave an empty item.
QString commaMenu(const QString& menu)
{
    qsizetype start = 0;
    while (start < menu.size() && menu.at(start) == QLatin1Char(' '))
        ++start;
    QString joined = menu.mid(start);
    joined.replace(QLatin1Char(' '), QLatin1Char(','));
    return joined;
}

qsizetype longestItem(const QStringList& items)
{
    qsizetype longest = 0;
    for (const QString& item : items)
        longest = std::max(longest, item.size());
    return longest;
}

}  // namespace

void PrepareModel(Model& model)
{
    // Each step reads and changes only the variable at hand.
    for (int v = 1; v <= model.varcount; ++v) {
        Variable& var = model.var(v);
        // Split once: rewriting the list with commas keeps its items.
        const QStringList items = SplitMenu(model, v);
        QString& menu = var.varmenu;
        if (items.size() > 1 && !menu.contains(QLatin1Char(',')))
            menu = commaMenu(menu);

        for (int k = 1; k <= var.condcount && k <= kMaxConditions; ++k) {
            QString& text = var.condtext[static_cast<size_t>(k)];
            text = NormalizeCondition(text);
        }

        // A menu is at least as long as its longest item; other types get a
        // default length when they have none.
        if (var.vartype == TypeMenu) {
            const auto longest = static_cast<double>(longestItem(items));
            if (longest > var.varlength)
                var.varlength = longest;
        } else if (var.varlength == 0) {
            var.varlength = var.vartype == TypeSqid ? 12 : 10;
        }

        if (var.varprompt.isEmpty()) {
            // The name may end in a blank, which the file cannot hold at a
            // line's end; the prompt is kept as it will read back.
            const QString lead = var.vartype == TypeMenu ? QStringLiteral("Select a value for ")
                                                         : QStringLiteral("Enter a value for ");
            QString prompt = lead + var.varname;
            while (prompt.endsWith(QLatin1Char(' ')))
                prompt.chop(1);
            var.varprompt = prompt;
        }
    }
}

bool NormalizeModel(Model& model, Dialogs& dialogs)
{
    PrepareModel(model);
    // A predecessor-format file the operator chose to keep is left as it is.
    if (model.cfgunconverted)
        return true;
    return WriteCfg(model, model.cfgpath, dialogs);
}

}  // namespace k7
