// The record in progress: where a record starts, what it starts with (carried
// and auto-incremented values), starting over, and saving it. Only these
// routines and the accept operation change the record; presenting a variable
// never does.

#include "entry/EntryEngine.h"

#include "cfg/Conditions.h"
#include "cfg/Model.h"
#include "cfg/NumberText.h"
#include "entry/RecordState.h"
#include "entry/ValueForms.h"
#include "entry/VerifySession.h"
#include "platform/Dialogs.h"
#include "store/DataStore.h"
#include "store/JournalWriter.h"
#include "store/RecordJournal.h"
#include "store/RecordSet.h"
#include "store/SqlDialect.h"
#include "store/Transaction.h"

#include <utility>

namespace k7 {

namespace {

bool isAutoinc(const Variable& var)
{
    return var.varautoinc && var.vartype == TypeNumeric;
}

// Sets field i from a value of the record in progress, by the variable's kind.
bool setRecordField(RecordSet& rs, int i, int vartype, const QString& value)
{
    const std::optional<QVariant> stored = FieldValueFor(rs.field(i), vartype, value);
    return !stored || rs.setField(i, *stored);
}

}  // namespace

bool EntryEngine::conditionsHold(int v) const
{
    const Variable& var = m_model.var(v);
    return var.condcount == 0 || EvalConditions(m_model, v, m_state.varvalue) == 1;
}

bool EntryEngine::isAsked(int v, bool emptyOnly) const
{
    if (m_model.var(v).varskip || !conditionsHold(v) || (m_verify && verifySkips(v)))
        return false;
    return !emptyOnly || EmptyOrZero(m_state.varvalue[v].trimmed());
}

void EntryEngine::AdvanceToNext()
{
    const bool emptyOnly = m_model.options.on(OptEmptyonly);
    do {
        ++m_state.curvar;
    } while (m_state.curvar <= m_model.varcount && !isAsked(m_state.curvar, emptyOnly));
}

// Presents the first variable to be asked. When every variable is skipped the
// first whose conditions hold is offered anyway, so that entry is not stuck.
void EntryEngine::presentFirst()
{
    int first = 0;
    for (int v = 1; v <= m_model.varcount && first == 0; ++v) {
        if (isAsked(v, false))
            first = v;
    }
    for (int v = 1; v <= m_model.varcount && first == 0; ++v) {
        if (conditionsHold(v))
            first = v;
    }
    m_state.curvar = first == 0 ? 1 : first;
    if (first != 0)
        ShowVariable(first);
}

QString EntryEngine::presetValue(int v) const
{
    const Variable& var = m_model.var(v);
    if (isAutoinc(var))
        return m_state.autoincvalue[v];
    if (var.varcarry && !EmptyOrZero(m_state.carryvalue[v]))
        return m_state.carryvalue[v];
    return QString();
}

void EntryEngine::presetValues()
{
    for (int v = 1; v <= m_model.varcount; ++v) {
        const QString preset = presetValue(v);
        if (!preset.isEmpty())
            m_state.varvalue[v] = preset;
    }
}

double EntryEngine::largestStored(int v) const
{
    RecordSet& table = m_store.currentrs();
    const int i = table.isOpen() ? table.fieldIndex(m_model.var(v).varname) : -1;
    QString error;
    return i < 0 ? 0 : largestStoredNow(table, i, &error).value_or(0);
}

// The largest number field `field` of the set's table holds, text read as a
// number where it is one; nothing when the query failed.
std::optional<double> EntryEngine::largestStoredNow(const RecordSet& rs, int field, QString* error) const
{
    Database& db = m_store.currentdb();
    const FieldDef& def = rs.field(field);
    const QString number = db.dialect().asNumber(QuoteName(def.name), def.type == FieldType::Text);
    RecordSet largest;
    if (!largest.openQuery(db, QStringLiteral("SELECT MAX(%1) FROM %2").arg(number, QuoteName(rs.tableName())))) {
        *error = largest.lastError();
        return std::nullopt;
    }
    return largest.bof() ? 0 : largest.value(0).toDouble();
}

// A new record's Autoinc number that another station saved since the record
// started takes the next number free instead, found under the table's lock;
// the status line tells the operator, and the next record counts on from it.
bool EntryEngine::renumberTakenAutoinc(const RecordSet& rs, QString* error)
{
    for (int v = 1; v <= m_model.varcount; ++v) {
        const Variable& var = m_model.var(v);
        const int i = rs.fieldIndex(var.varname);
        const QString held = m_state.varvalue[v].trimmed();
        if (!isAutoinc(var) || i < 0 || held.isEmpty())
            continue;
        const std::optional<bool> taken = numberTaken(rs, i, ValNumber(held), error);
        if (!taken)
            return false;
        if (!*taken)
            continue;
        const std::optional<double> largest = largestStoredNow(rs, i, error);
        if (!largest)
            return false;
        m_state.varvalue[v] = ShortestNumber(*largest + 1);
        m_view.showStatus(QStringLiteral("%1 %2 has just been entered at another station: this record takes %3.")
                              .arg(var.varname, held, m_state.varvalue[v]));
    }
    return true;
}

void EntryEngine::StartRecord()
{
    if (m_verify) {
        m_state.editing = false;
        endJournal();
        m_journalFailureShown = false;
        beginVerifyRecord();
        return;
    }
    for (int v = 1; v <= m_model.varcount; ++v) {
        const Variable& var = m_model.var(v);
        if (!var.varcarry)
            m_state.varvalue[v].clear();
        // The first record after opening continues the numbers already stored.
        if (isAutoinc(var))
            m_state.autoincvalue[v] = ShortestNumber(largestStored(v) + 1);
    }
    presetValues();
    m_state.newrecord = true;
    m_state.editing = false;
    // The database, CFG or table may be other than the last record's.
    endJournal();
    m_journalFailureShown = false;
    presentFirst();
}

void EntryEngine::clearValues()
{
    for (QString& value : m_state.varvalue)
        value.clear();
}

void EntryEngine::setValue(int v, const QString& value)
{
    if (v >= 1 && v <= kMaxVariables)
        m_state.varvalue[static_cast<size_t>(v)] = value;
}

void EntryEngine::setCarriedValue(int v, const QString& value)
{
    if (v >= 1 && v <= kMaxVariables)
        m_state.carryvalue[static_cast<size_t>(v)] = value;
}

bool EntryEngine::takeDeviceWait()
{
    return std::exchange(m_state.devicewait, false);
}

void EntryEngine::restoreDeviceWait(bool wait)
{
    m_state.devicewait = wait;
}

void EntryEngine::restartRecord()
{
    if (m_verify) {
        beginVerifyRecord();
        return;
    }
    for (int v = 1; v <= m_model.varcount; ++v)
        m_state.varvalue[v].clear();
    presetValues();
    m_state.newrecord = true;
    presentFirst();
}

void EntryEngine::completeRecord()
{
    for (int v = 1; v <= m_model.varcount; ++v) {
        if (isAutoinc(m_model.var(v)))
            m_state.autoincvalue[v] = ShortestNumber(ValNumber(m_state.varvalue[v]) + 1);
    }
    m_state.listguard = true;
    m_view.selectVariable(-1);
    m_state.listguard = false;
    restartRecord();
}

// Whether starting over would lose something the operator gave: an accepted
// value other than the one the record started with, or text typed in the box.
bool EntryEngine::holdsTypedValues() const
{
    for (int v = 1; v <= m_model.varcount; ++v) {
        if (m_state.varvalue[v] != presetValue(v) && !m_state.varvalue[v].isEmpty())
            return true;
    }
    const Control box = presentedControl();
    if (m_state.editing || (box != Control::TextBox && box != Control::NumericBox))
        return false;
    const QString typed = m_view.boxText(box);
    const int cur = m_state.curvar;
    return !typed.isEmpty() && (cur > m_model.varcount || typed != m_state.varvalue[cur]);
}

bool EntryEngine::recordInProgressUnprotected()
{
    if (!holdsTypedValues())
        return false;
    // The journal's newest write failed, or it went into a file that is gone.
    // A server's journal is kept beside the CFG: a lost connection takes none.
    const Database& db = m_store.currentdb();
    return lastJournalFailed() || (!db.onServer() && db.fileMoved());
}

void EntryEngine::clearRecord()
{
    std::optional<ClearedRecord> cleared;
    // A record being verified starts over at its key: the stored row it was
    // compared with goes with it, so there is nothing to bring back.
    if (holdsTypedValues() && !m_verify) {
        const Control box = presentedControl();
        cleared = ClearedRecord{m_state.varvalue, m_state.curvar, m_state.newrecord, box,
                                box == Control::MenuList ? QString() : m_view.boxText(box)};
    }
    // Clearing is about the record in progress: a grid-cell edit under way
    // ends first, so that what is typed next is not written into the grid.
    endGridEdit(AfterGridEdit::ShowNothing);
    restartRecord();
    discardJournal();
    if (cleared) {
        m_cleared = std::move(cleared);
        m_view.setFrameCaption(FrameOf(presentedControl()),
                               QStringLiteral("Record cleared: Ctrl+Z brings it back"), 0);
    }
}

void EntryEngine::undoClear()
{
    ClearedRecord cleared = std::move(*m_cleared);
    m_cleared.reset();
    m_state.varvalue = std::move(cleared.varvalue);
    m_state.newrecord = cleared.newrecord;
    m_state.curvar = cleared.curvar;
    ShowVariable(cleared.curvar);
    if (!cleared.typed.isEmpty() && presentedControl() == cleared.box) {
        m_view.setBoxText(cleared.box, cleared.typed);
        m_view.selectBoxText(cleared.box, 0, static_cast<int>(cleared.typed.size()));
    }
    journalRecord();
}

// The chance to undo Ctrl+C ends with the next key; its note goes with it.
void EntryEngine::forgetCleared()
{
    if (!m_cleared)
        return;
    m_cleared.reset();
    m_view.setFrameCaption(FrameOf(presentedControl()), QString(), 0);
}

// The variables the finished record asks, walking its conditions in order
// with its final values; a variable not asked takes no value in `values`.
std::vector<bool> EntryEngine::askedInFinalPath(std::vector<QString>& values) const
{
    std::vector<bool> asked(static_cast<size_t>(m_model.varcount) + 1, true);
    for (int v = 1; v <= m_model.varcount; ++v) {
        if (m_model.var(v).condcount > 0 && EvalConditions(m_model, v, values) != 1) {
            asked[static_cast<size_t>(v)] = false;
            values[static_cast<size_t>(v)].clear();
        }
    }
    return asked;
}

// A new row goes with the COMMIT where the engine allows (`written` then
// holds its INSERT): one exchange with a server fewer.
bool EntryEngine::writeRecord(RecordSet& rs, QList<SqlStep>* written, QString* error)
{
    std::vector<QString> values = m_state.varvalue;
    const std::vector<bool> asked = askedInFinalPath(values);
    const bool started = m_state.newrecord ? rs.addNew() : rs.edit();
    bool ok = started;
    for (int v = 1; ok && v <= m_model.varcount; ++v) {
        const Variable& var = m_model.var(v);
        const int i = rs.fieldIndex(var.varname);
        // A row being completed keeps what it holds where this record asked nothing.
        if (i < 0 || (!m_state.newrecord && !asked[static_cast<size_t>(v)]))
            continue;
        ok = setRecordField(rs, i, var.vartype, values[static_cast<size_t>(v)]);
    }
    SqlStep insert;
    if (ok && m_state.newrecord && rs.insertStep(&insert))
        written->append(insert);
    else if (ok)
        ok = rs.update();
    if (!ok) {
        *error = rs.lastError();
        if (started)
            rs.cancelUpdate();
    }
    return ok;
}

// A new record counts in the session's tally, with the COMMIT where the
// engine allows; a row completed by Re-edit leaves one row per field whose
// value it changed.
bool EntryEngine::auditSaved(RecordSet& rs, const QVariantList& before, QList<SqlStep>* counted, QString* error)
{
    AuditTrail& audit = m_store.audit();
    bool ok = true;
    if (m_state.newrecord) {
        ok = audit.countAddedSteps(rs.tableName(), counted);
    } else {
        const QString ident = audit.identOf(rs);
        for (int i = 0; ok && i < rs.fieldCount(); ++i) {
            const QVariant after = rs.value(i);
            if (after != before.value(i))
                ok = audit.record({rs.tableName(), rs.bookmark(), ident, rs.field(i).name, before.value(i), after,
                                   QLatin1String(AuditAction::ReEdit)});
        }
    }
    if (!ok)
        *error = audit.lastError();
    return ok;
}

// The row, its audit and the end of the journal are kept together or not at
// all: a crash leaves either the saved record or its journal, never both. A
// journal write still pending is superseded by the save; in a file one under
// way ends first, so that no older state is written after the journal ends
// (beside a server the row is removed by the writer, after it). If the save
// fails, the superseded write is made after all.
bool EntryEngine::storeRecord(RecordSet& rs, SaveFailure* failure)
{
    std::optional<JournalState> superseded;
    if (RecordJournal* j = journal())
        superseded = j->besideServer() ? m_journalWriter->dropPending() : m_journalWriter->settle();
    const bool ok = storeRecordSettled(rs, failure) || failure->savedBefore;
    if (ok)
        endSavedJournal();
    if (!ok && superseded)
        postJournal(std::move(*superseded));
    return ok;
}

bool EntryEngine::storeRecordSettled(RecordSet& rs, SaveFailure* failure)
{
    Database& db = m_store.currentdb();
    // Another station may have saved since this record's values were
    // checked: they are looked at again as the table's saves are held back.
    std::vector<UniqueRecheck> rechecks;
    QList<SqlStep> opening = saveLock(rs);
    if (!uniqueRecheckSteps(rs, &rechecks, &opening, &failure->error))
        return false;
    std::optional<Transaction> transaction(std::in_place, db, opening);
    if (!transaction->began()) {
        failure->error = db.lastError();
        return false;
    }
    const qint64 current = rs.bookmark();
    QList<SqlStep> written;
    QList<SqlStep> counted;
    bool ok = writeLocked(rs, uniqueTakenMeanwhile(rechecks), &written, &counted, failure);
    // The journal ends with the COMMIT, sent together where the engine
    // allows; the row where it goes with them and the count of records added
    // follow the journal's end.
    RecordJournal* j = journal();
    QList<SqlStep> ending;
    if (ok && j && !j->endSteps(&ending)) {
        failure->error = j->lastError();
        ok = false;
    }
    const qsizetype journalSteps = ending.size();
    ending += written;
    ending += counted;
    qsizetype failedAt = -1;
    if (ok && !transaction->commit(ending, &failedAt)) {
        failure->savedBefore = failedAt < journalSteps && j && j->savedBefore(db.lastErrorCode());
        failure->error = db.lastError();
        ok = false;
    }
    if (ok && !written.isEmpty())
        static_cast<void>(rs.takeInserted());  // committed: a missing answer only leaves the grid to find the row
    if (!ok) {
        rs.cancelUpdate();
        transaction.reset();  // rolled back
        // The set counted the row it added among its own; that row is gone.
        // Back where it was as far as it can be: the failed save is what the
        // operator is told about.
        if (rs.requery() && current >= 0)
            static_cast<void>(rs.setBookmark(current));
    }
    return ok;
}

// With the table's saves held back and no Unique value taken meanwhile
// (`taken` names the variable whose value was), the row is written with its
// audit; the steps that must go with the COMMIT are added to `written` (the
// row) and `counted` (its audit).
bool EntryEngine::writeLocked(RecordSet& rs, int taken, QList<SqlStep>* written, QList<SqlStep>* counted,
                              SaveFailure* failure)
{
    if (taken > 0) {
        failure->takenAt = taken;
        return false;
    }
    if (m_state.newrecord && !renumberTakenAutoinc(rs, &failure->error))
        return false;
    if (m_verify)
        return writeVerified(rs, &failure->error);
    QVariantList before;
    for (int i = 0; !m_state.newrecord && i < rs.fieldCount(); ++i)
        before << rs.value(i);
    return writeRecord(rs, written, &failure->error) && auditSaved(rs, before, counted, &failure->error);
}

// The value of variable v was saved at another station after it was
// checked: the operator is told and put back at v with the value in the box
// to retype; every other value of the record stays.
void EntryEngine::refuseTaken(int v)
{
    const QString text = m_state.varvalue[v] + QStringLiteral(" has just been entered at another station.");
    m_sound.beep();
    m_view.showStatus(text);
    m_dialogs.message(text, Style::Information);
    m_state.curvar = v;
    ShowVariable(v);
    keepTyped();
}

// A new record in which nothing was given (every value it would store is
// empty); Enter held at the last variable would otherwise save a stream of them.
// A reading taken from an instrument or ImageJ is given even when it is empty:
// it is a measurement, saved as 0.
bool EntryEngine::isEmptyNewRecord() const
{
    if (!m_state.newrecord)
        return false;
    std::vector<QString> values = m_state.varvalue;
    const std::vector<bool> asked = askedInFinalPath(values);
    for (int v = 1; v <= m_model.varcount; ++v) {
        const Variable& var = m_model.var(v);
        const bool reading = var.vartype != TypeNumeric && IsNumericKind(var.vartype) && !var.varskip
                             && asked[static_cast<size_t>(v)];
        if (reading || !values[static_cast<size_t>(v)].trimmed().isEmpty())
            return false;
    }
    return true;
}

bool EntryEngine::SaveRecord()
{
    if (isEmptyNewRecord()) {
        m_sound.beep();
        m_view.showStatus(QStringLiteral("Nothing was typed in this record, so it is not saved."));
        return false;
    }
    switch (resumeServerSave()) {
    case SaveResume::Blocked:
        return false;
    case SaveResume::AlreadySaved:
        showSavedRecord(false);
        return true;
    case SaveResume::Save:
        break;
    }
    if (m_verify && verifiedRowGone())
        return false;
    // The row being completed was deleted meanwhile (from the grid): the
    // record is added as a new row rather than refused at every try.
    if (!m_state.newrecord && m_foundrs && m_foundrs->currentRowGone())
        m_state.newrecord = true;
    RecordSet* rs = m_state.newrecord ? &m_store.currentrs() : m_foundrs.get();
    if (!rs || !rs->isOpen()) {
        m_dialogs.message(QStringLiteral("The record could not be saved: no data table is open."),
                          Style::Critical);
        return false;
    }
    SaveFailure failure;
    bool lost = false;
    if (!storeRecordRetrying(*rs, &failure, &lost)) {
        if (failure.takenAt > 0) {
            refuseTaken(failure.takenAt);
            return false;
        }
        // Told in the status line: the values stay for the next Enter.
        if (lost)
            return false;
        // A file moved away takes no write again: trying again cannot help.
        const QString advice = m_store.currentdb().fileMoved()
                                   ? QStringLiteral("\nThe values are kept until K7 closes, but cannot be saved "
                                                    "to this file: put the database file back and open the CFG "
                                                    "again, or note the values down.")
                                   : QStringLiteral("\nThe values are kept; press Enter to try again.");
        m_dialogs.message(QStringLiteral("The record could not be saved: ") + failure.error + advice,
                          Style::Critical);
        return false;
    }
    showSavedRecord(true);
    return true;
}

// A new row is shown where the grid's order puts it (the last row when its
// filter leaves the row out, or when a save that committed unanswered left
// no note of which row it was).
void EntryEngine::showSavedRecord(bool rowKnown)
{
    RecordSet& shown = m_store.currentrs();
    if (m_state.newrecord && !(rowKnown && shown.setBookmark(shown.lastModified())))
        shown.moveLast();
    m_view.refreshGrid();
    if (m_state.newrecord)
        m_view.gridGoToRow(shown.absolutePosition());
}

}  // namespace k7
