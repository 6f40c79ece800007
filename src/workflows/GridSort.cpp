#include "workflows/GridSort.h"

#include "cfg/Model.h"
#include "store/DataStore.h"
#include "workflows/GridView.h"

namespace k7 {

SortChoice::SortChoice(Model& model, DataStore& store, Dialogs& dialogs, ShellHooks& shell)
    : m_model(model), m_store(store), m_dialogs(dialogs), m_shell(shell),
      m_list(FieldsOfKey(model.options[OptSort])), m_stored(model.options[OptSort])
{
}

QStringList SortChoice::FieldsOfKey(const QString& key)
{
    QStringList fields;
    for (const QString& part : key.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (!part.trimmed().isEmpty())
            fields << part.trimmed();
    }
    return fields;
}

QStringList SortChoice::fieldNames() const
{
    return VariableNames(m_model);
}

bool SortChoice::add(const QString& field)
{
    if (field.isEmpty() || m_list.contains(field, Qt::CaseSensitive))
        return false;
    m_list << field;
    return true;
}

void SortChoice::removeAt(int index)
{
    if (index >= 0 && index < m_list.size())
        m_list.removeAt(index);
}

bool SortChoice::sort()
{
    if (!canSort())
        return false;
    RecordView view = m_store.currentrs().view();
    view.sortFields = m_list;
    if (!ShowView(m_store, view, QStringLiteral("The data grid could not be sorted: "), m_dialogs, m_shell))
        return false;
    m_model.options[OptSort] = m_list.join(QLatin1Char(','));
    return true;
}

bool SortChoice::removeSort()
{
    RecordView view = m_store.currentrs().view();
    view.sortFields.clear();
    // The list empties only with the grid: after a cancel or a refusal the
    // grid is still sorted, and closing must not store an empty key.
    if (!ShowView(m_store, view, QStringLiteral("The data grid could not be shown in table order: "), m_dialogs,
                  m_shell))
        return false;
    m_list.clear();
    return true;
}

bool SortChoice::close()
{
    // Compared with the list the stored key gives, not with the key in
    // memory, which "Sort" has already changed: a sort that was applied is
    // stored too, and a list left as it was writes nothing.
    if (m_list == FieldsOfKey(m_stored))
        return false;
    const QString joined = m_list.join(QLatin1Char(','));
    m_model.options[OptSort] = joined;
    if (!WriteK7Key(m_model, QStringLiteral("Sort"), joined, m_dialogs))
        return false;
    m_stored = joined;
    return true;
}

}  // namespace k7
