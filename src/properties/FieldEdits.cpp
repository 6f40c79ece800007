#include "properties/FieldEdits.h"

#include "cfg/CfgReadBack.h"
#include "cfg/CfgReader.h"
#include "cfg/CfgWriter.h"
#include "cfg/NumberText.h"
#include "workflows/FieldChanges.h"

namespace k7 {

namespace {

constexpr int kManyValues = 50;

std::optional<FieldDef> dataField(const DataStore& store, const QString& field)
{
    const std::optional<TableDef> def =
        store.currentdb().isOpen() ? store.currentdb().findTable(store.tablename()) : std::nullopt;
    const int at = def ? def->fieldIndex(field) : -1;
    if (at < 0)
        return std::nullopt;
    return def->fields[at];
}

void showError(Dialogs& dialogs, const QString& text)
{
    dialogs.message(QStringLiteral("Error: ") + text, Style::OkOnly + Style::Critical);
}

// Whether the operator agrees to cut the stored values longer than `length`.
bool agreesToCut(PropertiesContext& c, const QString& field, int length)
{
    QString error;
    const auto longer = CountLongerValues(c.store.currentdb(), c.store.tablename(), field, length, &error);
    if (!longer) {
        showError(c.dialogs, QStringLiteral("The stored values of %1 could not be counted.  %2").arg(field, error));
        return false;
    }
    if (*longer == 0)
        return true;
    const QString text = QStringLiteral("Warning: %1 stored value%2 of %3 %4 longer than %5 characters and "
                                        "will be cut to that length.  Change the Length anyway?")
                             .arg(*longer)
                             .arg(*longer == 1 ? QString() : QStringLiteral("s"), field,
                                  *longer == 1 ? QStringLiteral("is") : QStringLiteral("are"))
                             .arg(length);
    return c.dialogs.message(text, Style::YesNo + Style::Question + Style::DefaultButton2) == Answer::Yes;
}

QStringList variableNames(const Model& model)
{
    QStringList names;
    for (int v = 1; v <= model.varcount; ++v)
        names << model.var(v).varname;
    return names;
}

// Whether the CFG written from the model would open again; when not, the
// reader's reason is shown and nothing may be written or changed.
bool opensAgain(PropertiesContext& c)
{
    const QString error = CfgReadBackError(c.model);
    if (error.isEmpty())
        return true;
    c.dialogs.message(error, Style::OkOnly + Style::Critical);
    return false;
}

}  // namespace

bool WriteEditedCfg(PropertiesContext& c)
{
    if (!opensAgain(c) || !WriteCfg(c.model, c.model.cfgpath, c.dialogs))
        return false;
    // The file is in the current format from now on.
    c.model.cfgunconverted = false;
    return true;
}

EditOutcome ApplyLengthChange(PropertiesContext& c, int v, const QString& typed, const QString& field)
{
    Variable& var = c.model.var(v);
    const double number = ValNumber(typed);
    if (!(number > 0) || number > 255) {
        c.dialogs.message(QStringLiteral("Field length must be between 1 and 255."), Style::OkOnly + Style::Information);
        return EditOutcome::Refused;
    }
    const int length = std::max(1, static_cast<int>(number));
    var.varlength = length;
    const std::optional<FieldDef> stored = dataField(c.store, field);
    if (!stored || (stored->type == FieldType::Text && stored->size == length))
        return EditOutcome::Unchanged;

    const int oldSize = stored->type == FieldType::Text ? stored->size : 0;
    if (oldSize > length && !agreesToCut(c, field, length)) {
        var.varlength = oldSize;
        return EditOutcome::Declined;
    }
    if (!opensAgain(c)) {
        if (oldSize > 0)
            var.varlength = oldSize;
        return EditOutcome::Failed;
    }
    c.dialogs.setBusy(true);
    QString error;
    const bool changed = ChangeFieldLength(c.store, c.shell, field, length, &error);
    c.dialogs.setBusy(false);
    if (!changed) {
        if (oldSize > 0)
            var.varlength = oldSize;
        showError(c.dialogs, QStringLiteral("The Length of %1 could not be changed.  %2").arg(field, error));
        return EditOutcome::Failed;
    }
    // A write that fails is reported; the model keeps the change for the next one.
    static_cast<void>(WriteEditedCfg(c));
    return EditOutcome::Applied;
}

EditOutcome ApplyNameChange(PropertiesContext& c, int v, const QString& field)
{
    Variable& var = c.model.var(v);
    const QString name = var.varname.trimmed();
    if (name.isEmpty()) {
        c.dialogs.message(QStringLiteral("Every field must have a name."), Style::OkOnly + Style::Information);
        return EditOutcome::Refused;
    }
    // The reader's own rules: a name it would refuse never reaches the table.
    if (const QString error = FieldNameError(name); !error.isEmpty()) {
        c.dialogs.message(error, Style::OkOnly + Style::Information);
        return EditOutcome::Refused;
    }
    // A name ending in a blank would not read back from the CFG as written.
    var.varname = name;
    if (name == field)
        return EditOutcome::Unchanged;
    if (!opensAgain(c)) {
        var.varname = field;
        return EditOutcome::Failed;
    }
    if (dataField(c.store, field)) {
        QString error;
        if (!RenameDataField(c.store, c.shell, field, name, &error)) {
            var.varname = field;
            showError(c.dialogs, QStringLiteral("The field %1 could not be renamed as %2.  %3").arg(field, name, error));
            return EditOutcome::Failed;
        }
    }
    // The whole file is written from the model, so the old name's section is
    // gone. A write that fails is reported; the model keeps the new name.
    static_cast<void>(WriteEditedCfg(c));
    c.shell.setVariableList(variableNames(c.model));
    return EditOutcome::Applied;
}

bool AddValuesFromData(PropertiesContext& c, const QString& field, QStringList& items)
{
    c.dialogs.setBusy(true);
    QString error;
    const auto values = DistinctFieldValues(c.store.currentdb(), c.store.tablename(), field, &error);
    c.dialogs.setBusy(false);
    if (!values) {
        showError(c.dialogs, QStringLiteral("The values of %1 could not be read.  %2").arg(field, error));
        return false;
    }
    if (values->isEmpty())
        return false;
    if (values->size() > kManyValues
        && c.dialogs.message(QStringLiteral("Warning: There are more than 50 unique values.  Continue?"),
                             Style::YesNo + Style::Question) != Answer::Yes)
        return false;
    for (const QString& value : *values)
        if (!value.isEmpty() && !items.contains(value))
            items.append(value);
    return true;
}

}  // namespace k7
