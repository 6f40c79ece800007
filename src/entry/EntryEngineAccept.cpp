// Accepting values, the checks made on them, and saving the record.

#include "entry/EntryEngine.h"

#include "cfg/Model.h"
#include "cfg/NumberText.h"
#include "entry/RecordState.h"
#include "platform/Dialogs.h"
#include "store/AccessFile.h"
#include "store/AccessOffer.h"
#include "store/DataStore.h"

#include <QFileInfo>

#include <optional>

namespace k7 {

namespace {

bool isNumericType(int type)
{
    return type == TypeNumeric || type == TypeInstrument
           || (type >= TypeOhaus && type <= TypeImageJ);
}

// Removes the blanks around the first "-".
QString tightenDash(const QString& value)
{
    const qsizetype dash = value.indexOf(QLatin1Char('-'));
    if (dash < 0)
        return value;
    return value.left(dash).trimmed() + QLatin1Char('-') + value.mid(dash + 1).trimmed();
}

// A stored value as the record in progress holds it: "" for Null or blank.
QString valueText(const QVariant& value, FieldType type)
{
    if (value.isNull())
        return QString();
    QString text;
    if (type == FieldType::Single)
        text = ShortestSingle(value.toDouble());
    else if (type == FieldType::YesNo)
        text = value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    else
        text = value.toString();
    return text.trimmed().isEmpty() ? QString() : text;
}

// A Yes/No field takes YES/TRUE and NO/FALSE in any case; nothing else.
std::optional<bool> yesNo(const QString& value)
{
    const QString upper = value.toUpper();
    if (upper == QLatin1String("YES") || upper == QLatin1String("TRUE"))
        return true;
    if (upper == QLatin1String("NO") || upper == QLatin1String("FALSE"))
        return false;
    return std::nullopt;
}

// "NAME" -> "Name", as the look-up summary shows field names.
QString capitalised(const QString& name)
{
    return name.left(1).toUpper() + name.mid(1).toLower();
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

    if (tag == QLatin1String("menu")) {
        playWaveOut(cur);
        QString value = m_view.selectedMenuText();
        const int length = static_cast<int>(var.varlength);
        if (length != 0 && !value.isEmpty())
            value = value.left(length);
        m_state.varvalue[cur] = value;
    } else if (tag == QLatin1String("imagej") || tag == QLatin1String("instrument")) {
        // The beep after instrument input is the Sound option's to give.
        if (!var.varwaveout.isEmpty())
            playWaveOut(cur);
        else if (m_model.options.on(OptSound))
            m_sound.beep();
        QString value = m_view.boxText(Control::InstrumentBox);
        if (tag == QLatin1String("instrument")
            && value.toLower() == QLatin1String("<instrument data>"))
            value = QStringLiteral("0");
        m_state.varvalue[cur] = value;
    } else if (tag == QLatin1String("numeric")) {
        playWaveOut(cur);
        m_state.varvalue[cur] = m_view.boxText(Control::NumericBox);
    } else {
        acceptText();
        return;
    }
    finishAccept(true);
}

void EntryEngine::acceptText()
{
    const int cur = m_state.curvar;
    m_workvalue = m_view.boxText(Control::TextBox);
    bool accepted = true;

    if (m_model.var(cur).varunique == 1) {
        switch (checkUnique()) {
        case Check::Passed:
            break;
        case Check::Rejected:
            accepted = false;
            break;
        case Check::Stopped:
            return;
        }
    }
    if (accepted && m_model.var(cur).vartype == TypeSqid && checkSqid() == Check::Rejected)
        accepted = false;
    if (accepted && !m_model.var(cur).varlookup.isEmpty() && lookUp() == Check::Stopped)
        return;
    if (accepted) {
        playWaveOut(cur);
        m_state.varvalue[cur] = m_view.boxText(Control::TextBox);
    }
    finishAccept(accepted);
}

void EntryEngine::finishAccept(bool accepted)
{
    if (accepted) {
        const int cur = m_state.curvar;
        if (m_model.var(cur).varcarry == 1)
            m_state.carryvalue[cur] = m_state.varvalue[cur];
        const int asked = cur;
        AdvanceToNext();
        if (m_state.curvar > m_model.varcount) {
            if (!SaveRecord()) {
                // Nothing is lost: the record stays as it was typed and the
                // last value can be accepted again to retry.
                m_state.curvar = asked;
                ShowVariable(m_state.curvar);
                return;
            }
            completeRecord();
        }
    }
    ShowVariable(m_state.curvar);
}

void EntryEngine::completeRecord()
{
    m_state.newrecord = true;
    m_state.curvar = 1;
    m_state.listguard = true;
    for (int v = 1; v <= m_model.varcount; ++v)
        m_state.varvalue[v].clear();
    m_view.selectVariable(-1);
    m_state.listguard = false;
}

EntryEngine::Check EntryEngine::checkUnique()
{
    const int cur = m_state.curvar;
    const Variable& var = m_model.var(cur);
    const QString upperName = var.varname.toUpper();
    if (upperName == QLatin1String("SQID") || upperName == QLatin1String("SQUID")) {
        const qsizetype dot = m_workvalue.indexOf(QLatin1Char('.'));
        if (dot >= 0) {
            m_workvalue = m_workvalue.left(dot);
            m_view.setBoxText(Control::TextBox, m_workvalue);
        }
        m_workvalue = tightenDash(m_workvalue);
    }

    const bool reEdit = m_model.options.on(OptReEdit);
    m_dialogs.setBusy(true);
    // A query that finds nothing must not take the place of the row being
    // completed: that row is still saved through m_foundrs.
    auto found = std::make_unique<RecordSet>();
    const bool ran = m_store.currentdb.isOpen()
                     && found->openWhere(m_store.currentdb, m_store.tablename, var.varname,
                                         m_workvalue, Qt::CaseInsensitive,
                                         reEdit ? QStringList{} : QStringList{var.varname});
    m_dialogs.setBusy(false);
    if (!ran) {
        m_dialogs.message(QStringLiteral("Error in SQL.  Retype value."), Style::Information);
        return Check::Rejected;
    }
    if (found->bof() && found->eof()) {
        // A new value where the row being completed already holds one (the
        // record was cleared, or its identifier retyped) starts a new row,
        // so that the row found earlier is not overwritten.
        if (!m_state.newrecord && !completedRowHasNoValue(var.varname))
            m_state.newrecord = true;
        return Check::Passed;
    }
    if (!reEdit) {
        m_dialogs.message(m_workvalue + QStringLiteral(" has already been entered."),
                          Style::Information);
        return Check::Rejected;
    }

    m_foundrs = std::move(found);
    loadFoundRow();
    if (m_store.currentrs.findFirst(var.varname, m_workvalue)) {
        m_view.refreshGrid();
        m_view.gridGoToRow(m_store.currentrs.absolutePosition());
    }
    if (!m_model.options.on(OptEmptyonly)) {
        m_state.newrecord = true;
        return Check::Passed;
    }

    // Re-edit with Emptyonly: the found row is completed where it is empty.
    if (!var.varlookup.isEmpty() && lookUp() == Check::Stopped)
        return Check::Stopped;
    m_state.varvalue[cur] = m_view.boxText(Control::TextBox);
    AdvanceToNext();
    if (m_state.curvar > m_model.varcount) {
        m_dialogs.message(QStringLiteral("This record is complete."), Style::Information);
        for (int v = 1; v <= m_model.varcount; ++v)
            m_state.varvalue[v].clear();
        m_state.curvar = 1;
        // Starting over is a new record: a row being completed before must not
        // be written with what comes next.
        m_state.newrecord = true;
    } else {
        m_state.newrecord = false;
    }
    ShowVariable(m_state.curvar);
    return Check::Stopped;
}

bool EntryEngine::completedRowHasNoValue(const QString& field) const
{
    if (!m_foundrs || m_foundrs->absolutePosition() < 0)
        return false;
    const int i = m_foundrs->fieldIndex(field);
    return i < 0 || valueText(m_foundrs->value(i), m_foundrs->field(i).type).isEmpty();
}

void EntryEngine::loadFoundRow()
{
    for (int v = 1; v <= m_model.varcount; ++v) {
        const int i = m_foundrs->fieldIndex(m_model.var(v).varname);
        m_state.varvalue[v] =
            i < 0 ? QString() : valueText(m_foundrs->value(i), m_foundrs->field(i).type);
    }
}

EntryEngine::Check EntryEngine::checkSqid()
{
    m_workvalue = tightenDash(m_workvalue);
    if (!m_workvalue.contains(QLatin1Char('.')))
        return Check::Passed;
    QString a;
    QString b;
    const qsizetype dash = m_workvalue.indexOf(QLatin1Char('-'));
    if (dash >= 0) {
        a = m_workvalue.left(dash).trimmed();
        b = m_workvalue.mid(dash + 1).trimmed();
    }
    if (CheckDigit(a, b)) {
        m_workvalue = m_workvalue.left(m_workvalue.indexOf(QLatin1Char('.')));
        return Check::Passed;
    }
    m_dialogs.timedMessage(QStringLiteral("Parity error.  ") + m_workvalue, 5000);
    return Check::Rejected;
}

bool EntryEngine::CheckDigit(const QString& a, const QString& b)
{
    const qsizetype dot = b.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return true;
    const QString check = b.mid(dot + 1);
    const QString upperA = a.toUpper();
    const QString upperB = b.left(dot).toUpper();
    qint32 sum = 0;
    for (const QChar ch : upperA + upperB)
        sum = static_cast<qint32>(static_cast<qint64>(sum) + ch.unicode());
    const QString digits = QString::number(sum);
    return digits.right(1) == check;
}

void EntryEngine::stopOnText()
{
    const QString text = m_view.boxText(Control::TextBox);
    m_view.selectBoxText(Control::TextBox, 0, static_cast<int>(text.size()));
    m_view.setFocus(Control::TextBox);
}

EntryEngine::Check EntryEngine::lookUp()
{
    const Variable& var = m_model.var(m_state.curvar);
    const QString lookup = var.varlookup;
    const qsizetype blank = lookup.lastIndexOf(QLatin1Char(' '));
    QString path = lookup.left(std::max<qsizetype>(blank, 0)).trimmed();
    const QString table = lookup.mid(blank + 1).trimmed();
    // Found where the CFG reader found it: as written, else beside the CFG
    // (also when the name has folders of its own, relative to the CFG's).
    if (!QFileInfo(path).isFile() && QFileInfo(cfgFolder() + path).isFile())
        path = cfgFolder() + path;

    // Only read from: a reference database in a read-only folder still works,
    // and one that has gone since the CFG was read is not created again.
    Database db;
    RecordSet rs;
    m_dialogs.setBusy(true);
    const bool ran = db.open(path, Database::Access::ReadOnly)
                     && rs.openWhere(db, table, var.varname, m_workvalue);
    m_dialogs.setBusy(false);
    if (!ran && DetectAccessFormat(path) != AccessFormat::None) {
        m_dialogs.message(QStringLiteral("Error: Could not look-up values.  ") + AccessImportHint(path),
                          Style::Information);
        return Check::Passed;
    }
    if (!ran) {
        m_dialogs.message(QStringLiteral("Error in SQL. Could not look-up values."),
                          Style::Information);
        return Check::Passed;
    }
    if (rs.bof() && rs.eof()) {
        const int answer = m_dialogs.message(m_workvalue + QStringLiteral(" could not be found."),
                                             Style::OkCancel + Style::Information);
        if (answer == Answer::Ok)
            return Check::Passed;
        stopOnText();
        return Check::Stopped;
    }
    QString summary;
    for (int i = 0; i < rs.fieldCount(); ++i) {
        const FieldDef& field = rs.field(i);
        const QVariant value = rs.value(i);
        const QString text = value.isNull() ? QString()
                             : field.type == FieldType::Single ? ShortestSingle(value.toDouble())
                                                               : value.toString();
        summary += capitalised(field.name) + QStringLiteral(" = ") + text + QLatin1Char('\r');
        if (field.name.toLower() == QLatin1String("status") && !text.trimmed().isEmpty()) {
            const int answer = m_dialogs.message(
                QStringLiteral("Status is ") + text + QStringLiteral(".  Continue?"),
                Style::YesNo + Style::Question);
            if (answer == Answer::No) {
                stopOnText();
                return Check::Stopped;
            }
        }
    }
    m_dialogs.timedMessage(summary, 5000);
    return Check::Passed;
}

bool EntryEngine::SaveRecord()
{
    // The row being completed was deleted meanwhile (from the grid): the
    // record is added as a new row rather than refused at every try.
    if (!m_state.newrecord && m_foundrs && m_foundrs->currentRowGone())
        m_state.newrecord = true;
    RecordSet* rs = m_state.newrecord ? &m_store.currentrs : m_foundrs.get();
    if (!rs || !rs->isOpen()) {
        m_dialogs.message(QStringLiteral("The record could not be saved: no data table is open."),
                          Style::Critical);
        return false;
    }
    const bool started = m_state.newrecord ? rs->addNew() : rs->edit();
    bool ok = started;
    for (int v = 1; ok && v <= m_model.varcount; ++v) {
        const Variable& var = m_model.var(v);
        const int i = rs->fieldIndex(var.varname);
        if (i < 0)
            continue;
        const QString& value = m_state.varvalue[v];
        if (isNumericType(var.vartype)) {
            ok = rs->setField(i, ValNumber(value));
        } else if (IsTextType(var.vartype)) {
            const FieldDef& field = rs->field(i);
            if (field.type == FieldType::YesNo) {
                if (const auto flag = yesNo(value))
                    ok = rs->setField(i, *flag);
            } else if (!field.allowZeroLength && value.trimmed().isEmpty()) {
                ok = rs->setField(i, QStringLiteral(" "));
            } else {
                ok = rs->setField(i, value);
            }
        }
    }
    if (ok)
        ok = rs->update();
    if (!ok) {
        const QString reason = rs->lastError();
        if (started)
            rs->cancelUpdate();
        m_dialogs.message(QStringLiteral("The record could not be saved: ") + reason
                              + QStringLiteral("\nThe values are kept; press Enter to try again."),
                          Style::Critical);
        return false;
    }
    if (m_state.newrecord)
        m_store.currentrs.moveLast();
    m_view.refreshGrid();
    if (m_state.newrecord)
        m_view.gridGoToRow(-1);
    return true;
}

void EntryEngine::acceptEditedCell()
{
    m_view.setGridTabStop(true);
    const int cur = m_state.curvar;
    const Variable& var = m_model.var(cur);
    const QString tag = m_view.kindTag();
    if (tag == QLatin1String("menu")) {
        m_workvalue = m_view.selectedMenuText();
        if (var.varlength > 0 && !m_workvalue.isEmpty())
            m_workvalue = m_workvalue.left(static_cast<int>(var.varlength));
    } else if (tag == QLatin1String("instrument") || tag == QLatin1String("imagej")) {
        if (m_model.options.on(OptSound))
            m_sound.beep();
        m_workvalue = m_view.boxText(Control::InstrumentBox);
    } else if (tag == QLatin1String("numeric")) {
        m_workvalue = m_view.boxText(Control::NumericBox);
    } else {
        m_workvalue = m_view.boxText(Control::TextBox);
    }

    RecordSet& rs = m_store.currentrs;
    const int i = rs.isOpen() ? rs.fieldIndex(var.varname) : -1;
    const qint64 bookmark = m_view.gridCurrentBookmark();
    const bool positioned = i >= 0
                            && (bookmark >= 0 ? rs.setBookmark(bookmark)
                                              : rs.setAbsolutePosition(m_view.gridCurrentRow()));
    if (positioned) {
        const FieldDef& field = rs.field(i);
        const QString current = valueText(rs.value(i), field.type);
        const std::optional<bool> flag = yesNo(m_workvalue);
        // Text that is neither yes nor no leaves a Yes/No cell as it was,
        // as it does when a record is saved.
        const bool unreadable = field.type == FieldType::YesNo && !m_workvalue.isEmpty() && !flag;
        if (current != m_workvalue && !unreadable) {
            const bool numeric = tag == QLatin1String("instrument")
                                 || tag == QLatin1String("numeric");
            QVariant value;
            if (field.type == FieldType::Single || field.type == FieldType::Long)
                value = ValNumber(m_workvalue);
            else if (field.type == FieldType::YesNo)
                value = flag ? QVariant(*flag) : QVariant();
            else if (!m_workvalue.isEmpty())
                value = m_workvalue;
            else
                value = numeric ? QVariant(0) : QVariant(QString());
            if (!(rs.edit() && rs.setField(i, value) && rs.update())) {
                const QString reason = rs.lastError();
                rs.cancelUpdate();
                m_dialogs.message(QStringLiteral("The change could not be saved: ") + reason,
                                  Style::Critical);
            }
        }
    }
    m_state.curvar = m_state.returnvar;
    m_state.editing = false;
    ShowVariable(m_state.curvar);
    m_view.refreshGrid();
    m_view.focusGrid();
}

}  // namespace k7
