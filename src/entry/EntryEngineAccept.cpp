// Accepting the value of the presented box, into the record in progress or
// into the grid cell being edited, and the checks every value passes first.

#include "entry/EntryEngine.h"

#include "cfg/Model.h"
#include "cfg/NumberText.h"
#include "entry/RecordState.h"
#include "entry/ValueForms.h"
#include "entry/VerifySession.h"
#include "platform/Dialogs.h"
#include "store/DataStore.h"
#include "store/Transaction.h"

namespace k7 {

namespace {

bool isNumber(const QString& text)
{
    bool ok = false;
    text.toDouble(&ok);
    return ok;
}

}  // namespace

void EntryEngine::AcceptValue()
{
    if (m_state.editing) {
        acceptEditedCell();
        return;
    }
    const int cur = m_state.curvar;
    if (cur < 1 || cur > m_model.varcount)
        return;
    const Variable& var = m_model.var(cur);
    const QString tag = m_view.kindTag();

    QString value;
    if (tag == QLatin1String("menu")) {
        value = m_view.selectedMenuText();
        const int length = static_cast<int>(var.varlength);
        if (length != 0 && !value.isEmpty())
            value = value.left(length);
    } else if (tag == QLatin1String("imagej") || tag == QLatin1String("instrument")) {
        value = m_view.boxText(Control::InstrumentBox);
        if (tag == QLatin1String("instrument")
            && value.toLower() == QLatin1String("<instrument data>"))
            value = QStringLiteral("0");
    } else if (tag == QLatin1String("numeric")) {
        const std::optional<QString> number = numericValue(m_view.boxText(Control::NumericBox));
        if (!number)
            return;
        value = *number;
    } else {
        acceptText();
        return;
    }
    if (!fitsField(cur, value) || (m_verify && !verifyMatches(cur, value)))
        return;
    // The beep after instrument and ImageJ input is the Sound option's to give.
    if (tag != QLatin1String("menu") && tag != QLatin1String("numeric") && var.varwaveout.isEmpty()) {
        if (m_model.options.on(OptSound))
            m_sound.beep();
    } else {
        playWaveOut(cur);
    }
    m_state.varvalue[cur] = value;
    finishAccept(true);
}

void EntryEngine::acceptText()
{
    const int cur = m_state.curvar;
    const Variable& var = m_model.var(cur);
    m_workvalue = m_view.boxText(Control::TextBox);
    // The check digit is tested on the identifier as typed, before it is cut.
    if (var.vartype == TypeSqid && checkSqid() == Check::Rejected) {
        finishAccept(false);
        return;
    }
    if (m_verify && cur == m_verify->keyVar) {
        if (findVerifiedRow() == Check::Rejected)
            finishAccept(false);
        return;
    }
    if (var.varunique && m_verify) {
        // Verifying, the row being verified may keep its own value.
        tightenReservedName();
        if (!uniqueInOtherRows(m_verify->row))
            return;
    } else if (var.varunique) {
        switch (checkUnique()) {
        case Check::Passed:
            break;
        case Check::Rejected:
            finishAccept(false);
            return;
        case Check::Stopped:
            return;
        }
    }
    if (!var.varlookup.isEmpty() && lookUp() == Check::Stopped)
        return;
    // A Unique value is stored in the form it was compared in, so that the
    // next comparison sees what this one saw.
    const QString value = var.varunique ? m_workvalue : m_view.boxText(Control::TextBox);
    if (!fitsField(cur, value) || (m_verify && !verifyMatches(cur, value)))
        return;
    playWaveOut(cur);
    m_state.varvalue[cur] = value;
    finishAccept(true);
}

void EntryEngine::finishAccept(bool accepted)
{
    if (accepted) {
        const int cur = m_state.curvar;
        if (m_model.var(cur).varcarry)
            m_state.carryvalue[cur] = m_state.varvalue[cur];
        AdvanceToNext();
        if (m_state.curvar > m_model.varcount) {
            if (!SaveRecord()) {
                // Nothing is lost: the record stays as it was typed and the
                // last value can be accepted again to retry, unless the save
                // asked for a value again and presented it already.
                if (m_state.curvar > m_model.varcount) {
                    m_state.curvar = cur;
                    ShowVariable(cur);
                }
                return;
            }
            completeRecord();
            return;
        }
        // Handed to the journal's worker: the next variable is presented
        // without waiting for the disk.
        journalRecord();
    }
    ShowVariable(m_state.curvar);
}

// Tells the operator why the value cannot be taken and leaves it in the box,
// selected, to be corrected.
void EntryEngine::refuse(const QString& message)
{
    m_dialogs.message(message, Style::Information);
    keepTyped();
}

void EntryEngine::keepTyped()
{
    const Control box = presentedControl();
    if (box != Control::MenuList) {
        const QString text = m_view.boxText(box);
        m_view.selectBoxText(box, 0, static_cast<int>(text.size()));
    }
    m_view.setFocus(box);
}

// The numeric box's text as a number to store: a lone "," is the decimal
// point ("1,5" is 1.5); anything else that is not a whole number is refused
// rather than cut to its leading digits.
std::optional<QString> EntryEngine::numericValue(const QString& text)
{
    const QString number = DecimalCommaAsPoint(text.trimmed());
    if (number.isEmpty() || isNumber(number))
        return number;
    refuse(text + QStringLiteral(" is not a number."));
    return std::nullopt;
}

// Whether the value can be stored in the variable's field as it is: text no
// longer than the field holds, a number where the field holds numbers.
std::optional<FieldDef> EntryEngine::fieldOf(int v) const
{
    const RecordSet& rs = m_store.currentrs();
    const int i = rs.isOpen() ? rs.fieldIndex(m_model.var(v).varname) : -1;
    if (i < 0)
        return std::nullopt;
    return rs.field(i);
}

bool EntryEngine::fitsField(int v, const QString& value)
{
    const Variable& var = m_model.var(v);
    const std::optional<FieldDef> found = fieldOf(v);
    if (!found)
        return true;
    const FieldDef& field = *found;
    const bool numeric = IsNumericKind(var.vartype);
    if (field.type == FieldType::Text) {
        const QString stored = numeric ? ShortestNumber(ValNumber(value)) : value;
        if (field.size <= 0 || stored.size() <= field.size)
            return true;
        refuse(QStringLiteral("%1 does not fit the field %2, which holds %3 characters.")
                   .arg(stored, field.name)
                   .arg(field.size));
        return false;
    }
    const bool numberField = field.type == FieldType::Single || field.type == FieldType::Long;
    if (!numberField || numeric || value.trimmed().isEmpty() || isNumber(value.trimmed()))
        return true;
    refuse(QStringLiteral("%1 is not a number, and the field %2 holds numbers only.")
               .arg(value, field.name));
    return false;
}

// The Accept of a grid cell: the same checks as for the record in progress;
// a refused value stays in the box and the edit goes on.
void EntryEngine::acceptEditedCell()
{
    const QString tag = m_view.kindTag();
    if ((tag == QLatin1String("instrument") || tag == QLatin1String("imagej")) && m_model.options.on(OptSound))
        m_sound.beep();
    m_workvalue = editedCellText(tag);
    if (!editedCellPasses(tag))
        return;
    writeEditedCell(tag);
    endGridEdit();
    m_view.refreshGrid();
    m_view.focusGrid();
}

QString EntryEngine::editedCellText(const QString& tag) const
{
    if (tag == QLatin1String("menu")) {
        const QString text = m_view.selectedMenuText();
        const int length = static_cast<int>(m_model.var(m_state.curvar).varlength);
        return length > 0 && !text.isEmpty() ? text.left(length) : text;
    }
    if (tag == QLatin1String("instrument") || tag == QLatin1String("imagej"))
        return m_view.boxText(Control::InstrumentBox);
    if (tag == QLatin1String("numeric"))
        return m_view.boxText(Control::NumericBox);
    return m_view.boxText(Control::TextBox);
}

bool EntryEngine::editedCellPasses(const QString& tag)
{
    const Variable& var = m_model.var(m_state.curvar);
    if (tag == QLatin1String("numeric")) {
        const std::optional<QString> number = numericValue(m_workvalue);
        if (!number)
            return false;
        m_workvalue = *number;
    } else if (tag == QLatin1String("text")) {
        const QString typed = m_workvalue;
        if (var.vartype == TypeSqid && checkSqid() == Check::Rejected)
            return false;
        if (var.varunique) {
            tightenReservedName();
            if (!uniqueInOtherRows(editedRow()))
                return false;
        } else {
            m_workvalue = typed;
        }
    }
    return fitsField(m_state.curvar, m_workvalue);
}

// The rowid of the row whose cell is edited; -1 when the grid has none.
qint64 EntryEngine::editedRow() const
{
    const qint64 bookmark = m_view.gridCurrentBookmark();
    if (bookmark >= 0)
        return bookmark;
    RecordSet& rs = m_store.currentrs();
    return rs.isOpen() && rs.setAbsolutePosition(m_view.gridCurrentRow()) ? rs.bookmark() : -1;
}

void EntryEngine::writeEditedCell(const QString& tag)
{
    const Variable& var = m_model.var(m_state.curvar);
    RecordSet& rs = m_store.currentrs();
    const int i = rs.isOpen() ? rs.fieldIndex(var.varname) : -1;
    const qint64 bookmark = m_view.gridCurrentBookmark();
    const bool positioned = i >= 0
                            && (bookmark >= 0 ? rs.setBookmark(bookmark)
                                              : rs.setAbsolutePosition(m_view.gridCurrentRow()));
    if (!positioned)
        return;
    const FieldDef& field = rs.field(i);
    const std::optional<bool> flag = ReadYesNo(m_workvalue);
    // Text that is neither yes nor no leaves a Yes/No cell as it was, as it
    // does when a record is saved.
    const bool unreadable = field.type == FieldType::YesNo && !m_workvalue.isEmpty() && !flag;
    if (RecordText(rs.value(i), field.type) == m_workvalue || unreadable)
        return;
    const bool numeric = tag == QLatin1String("instrument") || tag == QLatin1String("numeric");
    QVariant value;
    if (field.type == FieldType::Single || field.type == FieldType::Long)
        value = ValNumber(m_workvalue);
    else if (field.type == FieldType::YesNo)
        value = flag ? QVariant(*flag) : QVariant();
    else if (!m_workvalue.isEmpty())
        value = m_workvalue;
    else
        value = numeric ? QVariant(0) : QVariant(QString());
    QString reason;
    if (!writeCellAudited(rs, i, value, &reason))
        m_dialogs.message(QStringLiteral("The change could not be saved: ") + reason,
                          Style::Critical);
}

// The cell and its audit row, in one transaction.
bool EntryEngine::writeCellAudited(RecordSet& rs, int i, const QVariant& value, QString* error)
{
    Database& db = m_store.currentdb();
    Transaction transaction(db);
    if (!transaction.began()) {
        *error = db.lastError();
        return false;
    }
    AuditTrail& audit = m_store.audit();
    const QVariant before = rs.value(i);
    bool ok = rs.edit() && rs.setField(i, value) && rs.update();
    if (!ok) {
        *error = rs.lastError();
        rs.cancelUpdate();
    } else {
        const QString ident = audit.identOf(rs);
        ok = audit.record({rs.tableName(), rs.bookmark(), ident, rs.field(i).name, before, rs.value(i),
                           QLatin1String(AuditAction::GridEdit)});
        if (!ok)
            *error = audit.lastError();
    }
    if (ok && !transaction.commit()) {
        *error = db.lastError();
        ok = false;
    }
    return ok;
}

void EntryEngine::endGridEdit(AfterGridEdit after)
{
    if (!m_state.editing)
        return;
    m_view.setGridTabStop(true);
    m_state.curvar = m_state.returnvar;
    m_state.editing = false;
    if (after == AfterGridEdit::ShowVariable)
        ShowVariable(m_state.curvar);
}

}  // namespace k7
