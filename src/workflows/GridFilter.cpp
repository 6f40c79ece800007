#include "workflows/GridFilter.h"

#include "cfg/Model.h"
#include "cfg/ProfileFile.h"
#include "platform/Dialogs.h"
#include "store/DataStore.h"
#include "store/VerifiedRows.h"
#include "workflows/GridView.h"

namespace k7 {

std::optional<FieldValue> ParseFilterKey(const QString& key)
{
    const qsizetype equals = key.indexOf(QLatin1Char('='));
    if (equals < 0)
        return std::nullopt;
    return FieldValue{key.left(equals), key.mid(equals + 1)};
}

bool ShowUnverifiedOnly(DataStore& store, bool on, Dialogs& dialogs, ShellHooks& shell)
{
    // The condition reads k7_verified, which a table never verified lacks.
    VerifiedRows verified(store.currentdb());
    if (on && !verified.ensureTable()) {
        dialogs.message(QStringLiteral("The data grid could not be filtered: ") + verified.lastError(),
                        Style::Critical);
        return false;
    }
    RecordView view = store.currentrs().view();
    view.unverifiedOnly = on;
    return ShowView(store, view,
                    on ? QStringLiteral("The data grid could not be filtered: ")
                       : QStringLiteral("The data grid could not show every row: "),
                    dialogs, shell);
}

FilterChoice::FilterChoice(Model& model, DataStore& store, Dialogs& dialogs, ShellHooks& shell)
    : m_model(model), m_store(store), m_dialogs(dialogs), m_shell(shell), m_stored(model.options[OptFilter])
{
}

QStringList FilterChoice::fieldNames() const
{
    return VariableNames(m_model);
}

std::optional<FieldValue> FilterChoice::applied() const
{
    const RecordView& view = m_store.currentrs().view();
    if (!view.filtered())
        return std::nullopt;
    return FieldValue{view.filterField, view.filterValue};
}

bool FilterChoice::apply(const QString& field, const QString& value)
{
    if (field.isEmpty())
        return false;
    RecordView view = m_store.currentrs().view();
    view.filterField = field;
    view.filterValue = value;
    if (!ShowView(m_store, view, QStringLiteral("The data grid could not be filtered: "), m_dialogs, m_shell))
        return false;
    // A value over several lines cannot be kept in one CFG line: the grid
    // shows it, the stored key stays as it was.
    if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')) || value.contains(kValueSeparator))
        return true;
    return store(field + QLatin1Char('=') + value);
}

bool FilterChoice::remove()
{
    RecordView view = m_store.currentrs().view();
    view.filterField.clear();
    view.filterValue.clear();
    if (!ShowView(m_store, view, QStringLiteral("The data grid could not show every row: "), m_dialogs, m_shell))
        return false;
    return store(QString());
}

bool FilterChoice::store(const QString& key)
{
    m_model.options[OptFilter] = key;
    if (key == m_stored)
        return true;
    if (!WriteK7Key(m_model, QStringLiteral("Filter"), key, m_dialogs))
        return false;
    m_stored = key;
    return true;
}

}  // namespace k7
