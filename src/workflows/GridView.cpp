#include "workflows/GridView.h"

#include "cfg/Model.h"
#include "cfg/ProfileFile.h"
#include "platform/Dialogs.h"
#include "platform/ShellHooks.h"
#include "store/DataStore.h"
#include "store/RecordView.h"

namespace k7 {

bool ShowView(DataStore& store, const RecordView& view, const QString& refusal, Dialogs& dialogs,
              ShellHooks& shell)
{
    // A long sort or filter reads on another thread under a progress
    // dialog; Cancel leaves the grid, its rows and the stored keys alone.
    const QString progress =
        view.filtered() || view.unverifiedOnly ? QStringLiteral("Filtering the records") : QStringLiteral("Sorting the records");
    bool cancelled = false;
    dialogs.setBusy(true);
    const bool shown = store.showView(view, [&](SteppedWork& work) {
        cancelled = !dialogs.runWithProgress(progress, work);
        return !cancelled;
    });
    dialogs.setBusy(false);
    if (cancelled)
        return false;
    if (!shown) {
        dialogs.message(refusal + store.currentrs().lastError(), Style::Exclamation);
        return false;
    }
    shell.setDataSource(&store.currentrs());
    return true;
}

bool WriteK7Key(const Model& model, const QString& key, const QString& value, Dialogs& dialogs)
{
    if (WriteSection(model.cfgpath, QStringLiteral("[K7]"), {{key, value}}))
        return true;
    dialogs.message(QStringLiteral("Error: Could not write the %1 key to %2").arg(key, model.cfgpath),
                    Style::Critical);
    return false;
}

QStringList VariableNames(const Model& model)
{
    QStringList names;
    for (int v = 1; v <= model.varcount; ++v)
        names << model.var(v).varname;
    return names;
}

}  // namespace k7
