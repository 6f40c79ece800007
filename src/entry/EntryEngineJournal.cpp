// The journal of the record in progress: written after every accepted value
// (by a worker, off the keystroke path), ended in the transaction that saves
// the record, and offered back when the CFG is opened again after a crash.

#include "entry/EntryEngine.h"

#include "cfg/Model.h"
#include "entry/RecordState.h"
#include "entry/VerifySession.h"
#include "platform/Dialogs.h"
#include "store/DataStore.h"
#include "store/JournalWriter.h"
#include "store/RecordJournal.h"

#include <QFileInfo>

namespace k7 {

namespace {

// What a journal written for `oldNames` gives back to a CFG with `names`.
struct JournalOffer {
    int typed = 0;     // values accepted before the variable to present
    int restored = 0;  // of those, the ones whose variables still exist
    bool sameShape = true;
};

JournalOffer offerOf(const JournalEntry& entry, const QStringList& oldNames, const QStringList& names)
{
    JournalOffer offer;
    offer.sameShape = oldNames == names;
    for (const auto& [name, value] : entry.values) {
        if (oldNames.indexOf(name) + 1 >= entry.curvar)
            continue;
        ++offer.typed;
        if (names.contains(name))
            ++offer.restored;
    }
    return offer;
}

QString offerQuestion(const JournalOffer& offer, const QDateTime& savedAt)
{
    const QString when = savedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    QString text = offer.typed == 1
                       ? QStringLiteral("A record was not finished: 1 value was typed, the last at %1.").arg(when)
                       : QStringLiteral("A record was not finished: %1 values were typed, the last at %2.")
                             .arg(offer.typed)
                             .arg(when);
    if (!offer.sameShape)
        text += QStringLiteral("\nThe variables of this CFG have changed since: only the %1 of them whose "
                               "variables still exist can be restored.")
                    .arg(offer.restored);
    return text + QStringLiteral("\nDo you want to continue that record?");
}

}  // namespace

QStringList EntryEngine::variableNames() const
{
    QStringList names;
    for (int v = 1; v <= m_model.varcount; ++v)
        names << m_model.var(v).varname;
    return names;
}

// One journal row per CFG and table. The CFG is known by its file name, so
// that a dig's folder moved to another drive finds its journal again. A
// server database's journal is kept in a local file beside the CFG, where a
// crash while the server is away does not take it.
RecordJournal* EntryEngine::journal()
{
    Database& db = m_store.currentdb();
    if (!m_journalOn || !db.isOpen() || m_store.tablename().isEmpty() || m_model.cfgpath.isEmpty())
        return nullptr;
    // Asked several times a save: the key is made of what the journal's
    // names come from, and the names only when it changes.
    const QString key = db.path() + QLatin1Char('\n') + (db.onServer() ? QLatin1Char('s') : QLatin1Char('f'))
                        + m_model.cfgpath + QLatin1Char('\n') + m_store.tablename();
    if (!m_journal || m_journalFor != key) {
        endJournal();
        const QString cfg = QFileInfo(m_model.cfgpath).fileName();
        const QString local = db.onServer() ? JournalFileBeside(m_model.cfgpath) : QString();
        m_journal = local.isEmpty() ? std::make_unique<RecordJournal>(db, cfg, m_store.tablename())
                                    : std::make_unique<RecordJournal>(db, local, cfg, m_store.tablename());
        m_journalWriter = std::make_unique<JournalWriter>(m_journal->rowsPath(), cfg, m_store.tablename(),
                                                          m_journal->besideServer());
        QObject::connect(m_journalWriter.get(), &JournalWriter::finished, m_journalWriter.get(),
                         [this] { takeJournalOutcome(); });
        m_journalFor = key;
    }
    return m_journal.get();
}

// The writes still pending go to the database they were meant for before
// another journal takes over.
void EntryEngine::endJournal()
{
    if (m_journalWriter) {
        m_journalWriter->flush();
        takeJournalOutcome();
    }
    m_journalWriter.reset();
    m_journal.reset();
    m_journalFor.clear();
}

void EntryEngine::postJournal(JournalState state)
{
    if (journal())
        m_journalWriter->post(std::move(state));
}

// A failure is told once; a write that works again rearms the message.
void EntryEngine::takeJournalOutcome()
{
    if (!m_journalWriter)
        return;
    const JournalOutcome outcome = m_journalWriter->takeOutcome();
    if (outcome.failures > 0)
        journalFailed(outcome.error);
    if (outcome.lastOk)
        m_journalFailureShown = false;
}

void EntryEngine::flushJournal()
{
    if (!m_journalWriter)
        return;
    m_journalWriter->flush();
    takeJournalOutcome();
}

bool EntryEngine::lastJournalFailed()
{
    flushJournal();
    return m_journalWriter && m_journalWriter->lastFailed();
}

void EntryEngine::journalFailed(const QString& reason)
{
    if (m_journalFailureShown)
        return;
    m_journalFailureShown = true;
    m_view.showStatus(QStringLiteral("The record in progress is not kept safe until it is saved: ") + reason);
}

// A row found by Re-edit and being completed is already stored: only new
// records are journalled, and one that turns into such a completion ends its
// journal.
void EntryEngine::journalRecord()
{
    RecordJournal* j = journal();
    if (!j)
        return;
    const bool verifying = m_verify && m_verify->row >= 0;
    if (!m_state.newrecord && !verifying) {
        discardJournal();
        return;
    }
    JournalEntry entry{QDateTime::currentDateTimeUtc(), m_state.curvar, JournalShape(variableNames()), {},
                       j->saveToken()};
    for (int v = 1; v <= m_model.varcount; ++v) {
        if (!m_state.varvalue[v].isEmpty())
            entry.values.append({m_model.var(v).varname, m_state.varvalue[v]});
    }
    if (verifying)
        markVerifying(entry);
    postJournal({false, std::move(entry)});
}

void EntryEngine::discardJournal()
{
    postJournal({true, {}});
}

// The record is saved. In a file its journal row went with the saving
// transaction; beside a server it goes now, behind any write under way, and
// the next record gets a token of its own.
void EntryEngine::endSavedJournal()
{
    if (!m_journal || !m_journal->besideServer())
        return;
    m_journal->committed();
    discardJournal();
}

void EntryEngine::OfferJournalledRecord()
{
    RecordJournal* j = journal();
    flushJournal();
    std::optional<JournalEntry> entry = j ? j->read() : std::nullopt;
    if (!entry)
        return;
    // Saved by a transaction that committed while its answer was lost (a
    // crash between COMMIT and the journal's end): nothing to offer.
    if (!entry->saveToken.isEmpty() && j->outcomeOf(entry->saveToken) == SaveOutcome::Committed) {
        endSavedJournal();
        return;
    }
    const std::optional<QString> verifiedKey = TakeVerifyMark(*entry);
    const QStringList names = variableNames();
    const QStringList oldNames = entry->shape.isEmpty() ? names : entry->shape.split(QChar(0x1f));
    const JournalOffer offer = offerOf(*entry, oldNames, names);
    QString question = offerQuestion(offer, entry->savedAt);
    if (verifiedKey)
        question.replace(QStringLiteral("A record was not finished"),
                         QStringLiteral("The verification of %1 was not finished").arg(*verifiedKey));
    // Nothing typed (only values the record starts with) is nothing to lose.
    const bool offered = offer.typed > 0
                         && m_dialogs.message(question, Style::YesNo + Style::Question) == Answer::Yes;
    const bool restored = offered && (verifiedKey ? restoreVerifying(*entry, *verifiedKey) : restoreJournalled(*entry));
    if (!restored)
        discardJournal();
}

// Puts the journalled values back by variable name and presents the variable
// after the last value accepted. For another shape of CFG that is the next
// asked after the last restored value that is still asked.
bool EntryEngine::restoreJournalled(const JournalEntry& entry)
{
    const QStringList names = variableNames();
    const QStringList oldNames = entry.shape.isEmpty() ? names : entry.shape.split(QChar(0x1f));
    std::vector<bool> accepted(static_cast<size_t>(m_model.varcount) + 1, false);
    for (const auto& [name, value] : entry.values) {
        const int v = static_cast<int>(names.indexOf(name)) + 1;
        const int old = static_cast<int>(oldNames.indexOf(name)) + 1;
        if (v < 1)
            continue;
        setValue(v, value);
        accepted[static_cast<size_t>(v)] = old < entry.curvar;
        if (accepted[static_cast<size_t>(v)] && m_model.var(v).varcarry)
            setCarriedValue(v, value);
    }
    int next = 0;
    if (oldNames == names) {
        next = entry.curvar;
    } else {
        int last = 0;
        for (int v = 1; v <= m_model.varcount; ++v)
            if (accepted[static_cast<size_t>(v)] && isAsked(v, false))
                last = v;
        if (last == 0) {
            presentFirst();
            journalRecord();
            return true;
        }
        m_state.curvar = last;
        AdvanceToNext();
        // Nothing left to ask: the last restored value is offered to accept.
        next = m_state.curvar > m_model.varcount ? last : m_state.curvar;
    }
    if (next < 1 || next > m_model.varcount)
        return false;
    m_state.curvar = next;
    ShowVariable(next);
    // The journal now speaks of this CFG's variables.
    if (oldNames != names)
        journalRecord();
    return true;
}

}  // namespace k7
