// Verify mode: a record typed a second time is found by its key, compared
// value by value with the stored row without ever showing it, and saved as
// the corrections the second typing decided on.

#include "entry/EntryEngine.h"

#include "cfg/Model.h"
#include "entry/RecordState.h"
#include "entry/ValueForms.h"
#include "entry/VerifySession.h"
#include "platform/Dialogs.h"
#include "store/AuditTrail.h"
#include "store/DataStore.h"
#include "store/RecordJournal.h"
#include "store/RecordSet.h"
#include "store/ShownText.h"

namespace k7 {

namespace {

// The journal of a record being verified carries its key under a name no
// variable can have.
const QString kVerifyMark = QStringLiteral("\x1f" "verify");

int firstUnique(const Model& model)
{
    for (int v = 1; v <= model.varcount; ++v)
        if (model.var(v).varunique)
            return v;
    return 0;
}

bool isAutoinc(const Variable& var)
{
    return var.varautoinc && var.vartype == TypeNumeric;
}

}  // namespace

QString EntryEngine::verifyRefusal() const
{
    if (!m_store.currentrs().isOpen())
        return QStringLiteral("Records can be verified once a CFG and its data table are open.");
    if (firstUnique(m_model) == 0)
        return QStringLiteral("The records of this CFG cannot be verified: verify mode finds each record by its "
                              "first Unique variable, and this CFG has none.");
    return QString();
}

bool EntryEngine::startVerify()
{
    QString why = verifyRefusal();
    if (why.isEmpty() && holdsTypedValues())
        why = QStringLiteral("Save the record in progress, or clear it with Ctrl+C, before verifying records.");
    if (!why.isEmpty()) {
        m_dialogs.message(why, Style::Information);
        return false;
    }
    endGridEdit(AfterGridEdit::ShowNothing);
    discardJournal();
    m_verify = std::make_unique<VerifySession>(firstUnique(m_model), m_store.currentdb());
    StartRecord();
    return true;
}

void EntryEngine::endVerify(bool startRecord)
{
    if (!m_verify)
        return;
    endGridEdit(AfterGridEdit::ShowNothing);
    discardJournal();
    m_verify.reset();
    m_foundrs.reset();
    if (startRecord)
        StartRecord();
}

// A record to verify starts empty, with nothing carried or numbered: every
// value is typed from the paper, beginning with the key.
void EntryEngine::beginVerifyRecord()
{
    for (int v = 1; v <= m_model.varcount; ++v)
        m_state.varvalue[v].clear();
    m_verify->forgetRow();
    m_foundrs.reset();
    m_state.newrecord = false;
    m_state.curvar = m_verify->keyVar;
    ShowVariable(m_verify->keyVar);
}

// The key is asked first and Autoinc numbers are K7's own, not the paper's.
bool EntryEngine::verifySkips(int v) const
{
    return v == m_verify->keyVar || isAutoinc(m_model.var(v));
}

EntryEngine::Check EntryEngine::findVerifiedRow()
{
    tightenReservedName();
    std::unique_ptr<RecordSet> found = queryUnique(true);
    if (!found->isOpen())
        return reportQueryFailure(*found);
    if (found->bof() && found->eof()) {
        refuse(QStringLiteral("No record with the ID %1 has been entered.").arg(m_workvalue));
        return Check::Stopped;
    }
    // The key typed again on purpose (from the variable list) keeps what
    // was typed since.
    if (found->bookmark() == m_verify->row) {
        presentAfterKey();
        return Check::Stopped;
    }
    // Told as stored: the operator may have typed it in another case.
    const int key = found->fieldIndex(m_model.var(m_verify->keyVar).varname);
    m_workvalue = RecordText(found->value(key), found->field(key).type);
    const std::optional<bool> verified = m_verify->verified.isVerified(found->tableName(), found->bookmark());
    if (!verified) {
        m_dialogs.message(QStringLiteral("Error in SQL.  Retype value."), Style::Information);
        return Check::Rejected;
    }
    if (*verified && !confirmVerifyAgain())
        return Check::Rejected;
    loadVerifiedRow(std::move(found));
    presentAfterKey();
    return Check::Stopped;
}

bool EntryEngine::confirmVerifyAgain()
{
    return m_dialogs.message(m_workvalue + QStringLiteral(" has already been verified.\nDo you want to verify it "
                                                          "again?"),
                             Style::YesNo + Style::Question)
           == Answer::Yes;
}

// The stored row is kept as the grid shows it, for the comparisons; the
// record in progress holds only the key (and the Autoinc numbers, which are
// not typed).
void EntryEngine::loadVerifiedRow(std::unique_ptr<RecordSet> found)
{
    m_foundrs = std::move(found);
    VerifySession& session = *m_verify;
    session.forgetRow();
    session.row = m_foundrs->bookmark();
    session.stored.assign(static_cast<size_t>(m_model.varcount) + 1, QString());
    for (int v = 1; v <= m_model.varcount; ++v) {
        const int i = m_foundrs->fieldIndex(m_model.var(v).varname);
        const QVariant value = i < 0 ? QVariant() : m_foundrs->value(i);
        const FieldType type = i < 0 ? FieldType::Text : m_foundrs->field(i).type;
        session.stored[static_cast<size_t>(v)] = ShownText(value, type);
        const bool given = v == session.keyVar || isAutoinc(m_model.var(v));
        m_state.varvalue[v] = given ? RecordText(value, type) : QString();
    }
    m_state.newrecord = false;
    if (m_store.currentrs().setBookmark(session.row)) {
        m_view.refreshGrid();
        m_view.gridGoToRow(m_store.currentrs().absolutePosition());
    }
}

// After the key, the walk starts again at the first variable.
void EntryEngine::presentAfterKey()
{
    m_state.curvar = 0;
    AdvanceToNext();
    if (m_state.curvar <= m_model.varcount) {
        journalRecord();
        ShowVariable(m_state.curvar);
        return;
    }
    if (SaveRecord()) {
        completeRecord();
        return;
    }
    if (m_state.curvar > m_model.varcount) {
        m_state.curvar = m_verify->keyVar;
        ShowVariable(m_state.curvar);
    }
}

// Whether the value typed for v may be taken: it shows as the stored one
// does, or it is the second typing of a value that differed. Otherwise the
// operator hears a beep and types it again; the stored value is not shown.
bool EntryEngine::verifyMatches(int v, const QString& value)
{
    VerifySession& session = *m_verify;
    if (v == session.keyVar)
        return true;
    // Reached from the variable list before the key: the row is not known yet.
    if (session.row < 0) {
        m_view.showStatus(QStringLiteral("Type the record's ID first."));
        m_state.curvar = session.keyVar;
        ShowVariable(session.keyVar);
        return false;
    }
    const QString typed = shownAsStored(v, value);
    const bool confirmed = session.retypeVar == v && typed == session.firstTyped;
    if (typed == session.stored[static_cast<size_t>(v)] || confirmed) {
        // The second typing settled it: the warning leaves the status line.
        if (session.retypeVar == v)
            m_view.showStatus(QString());
        session.retypeVar = 0;
        session.firstTyped.clear();
        return true;
    }
    session.retypeVar = v;
    session.firstTyped = typed;
    m_sound.beep();
    m_view.showStatus(QStringLiteral("Differs from the first entry. Type the value again."));
    keepTyped();
    return false;
}

// The value as the grid would show it once saved into v's field.
QString EntryEngine::shownAsStored(int v, const QString& value) const
{
    const RecordSet& rs = m_store.currentrs();
    const int i = rs.isOpen() ? rs.fieldIndex(m_model.var(v).varname) : -1;
    if (i < 0)
        return value;
    const std::optional<QVariant> given = FieldValueFor(rs.field(i), m_model.var(v).vartype, value);
    // Text a Yes/No field cannot take differs from whatever it holds.
    if (!given)
        return value;
    return ShownText(rs.storedForm(i, *given), rs.field(i).type);
}

// The fields the second typing changed, an audit row each, and the row in
// k7_verified; called inside the saving transaction.
bool EntryEngine::writeVerified(RecordSet& rs, QString* error)
{
    const VerifySession& session = *m_verify;
    std::vector<QString> values = m_state.varvalue;
    const std::vector<bool> asked = askedInFinalPath(values);
    Verification done{rs.tableName(), rs.bookmark(), {}, {}};
    QVariantList before;
    for (int i = 0; i < rs.fieldCount(); ++i)
        before << rs.value(i);
    bool ok = rs.edit();
    for (int v = 1; ok && v <= m_model.varcount; ++v) {
        const int i = rs.fieldIndex(m_model.var(v).varname);
        const bool compared = !verifySkips(v) || v == session.keyVar;
        if (i < 0 || !asked[static_cast<size_t>(v)] || !compared)
            continue;
        done.checked << rs.field(i).name;
        const QString& value = values[static_cast<size_t>(v)];
        if (shownAsStored(v, value) == session.stored[static_cast<size_t>(v)])
            continue;
        done.corrected << rs.field(i).name;
        const std::optional<QVariant> given = FieldValueFor(rs.field(i), m_model.var(v).vartype, value);
        ok = !given || rs.setField(i, *given);
    }
    ok = ok && (done.corrected.isEmpty() ? (rs.cancelUpdate(), true) : rs.update());
    if (!ok) {
        *error = rs.lastError();
        rs.cancelUpdate();
        return false;
    }
    AuditTrail& audit = m_store.audit();
    const QString ident = audit.identOf(rs);
    for (int i = 0; ok && i < rs.fieldCount(); ++i) {
        if (done.corrected.contains(rs.field(i).name))
            ok = audit.record({rs.tableName(), rs.bookmark(), ident, rs.field(i).name, before.value(i), rs.value(i),
                               QLatin1String(AuditAction::Verify)});
    }
    if (!ok) {
        *error = audit.lastError();
        return false;
    }
    if (!m_verify->verified.record(done)) {
        *error = m_verify->verified.lastError();
        return false;
    }
    return true;
}

// The row being verified was deleted meanwhile (from the grid, or at another
// station): there is nothing left to correct, and the next record starts.
bool EntryEngine::verifiedRowGone()
{
    if (!m_foundrs || !m_foundrs->currentRowGone())
        return false;
    m_dialogs.message(QStringLiteral("The record being verified has been deleted since its key was typed: "
                                     "nothing was saved."),
                      Style::Information);
    discardJournal();
    beginVerifyRecord();
    return true;
}

void EntryEngine::markVerifying(JournalEntry& entry) const
{
    entry.values.append({kVerifyMark, m_state.varvalue[m_verify->keyVar]});
}

std::optional<QString> TakeVerifyMark(JournalEntry& entry)
{
    for (qsizetype i = 0; i < entry.values.size(); ++i) {
        if (entry.values.at(i).first == kVerifyMark)
            return entry.values.takeAt(i).second;
    }
    return std::nullopt;
}

// A record being verified when K7 stopped: verify mode is turned on again,
// the row found again by its key, and the values typed put back.
bool EntryEngine::restoreVerifying(const JournalEntry& entry, const QString& key)
{
    if (!m_verify) {
        if (!verifyRefusal().isEmpty())
            return false;
        m_verify = std::make_unique<VerifySession>(firstUnique(m_model), m_store.currentdb());
    }
    m_state.curvar = m_verify->keyVar;
    m_workvalue = key;
    std::unique_ptr<RecordSet> found = queryUnique(true);
    if (!found->isOpen() || found->eof()) {
        beginVerifyRecord();
        m_view.showStatus(QStringLiteral("No record with the ID %1 has been entered.").arg(key));
        return false;
    }
    loadVerifiedRow(std::move(found));
    return restoreJournalled(entry);
}

}  // namespace k7
