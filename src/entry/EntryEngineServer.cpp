// Saving when the database server went away (restarted, the network gone):
// the record in progress stays in memory and in its local journal, the loss
// is told once in the status line, and Enter at the end of the record
// connects again and saves. A save whose COMMIT went unanswered is settled
// by asking the server whether it noted the record's token before saving
// again, so that nothing is saved twice.

#include "entry/EntryEngine.h"

#include "platform/EntryView.h"
#include "store/DataStore.h"
#include "store/JournalWriter.h"
#include "store/RecordJournal.h"

namespace k7 {

EntryEngine::SaveResume EntryEngine::resumeServerSave()
{
    Database& db = m_store.currentdb();
    if (db.connectionLost() && !reconnectServer())
        return SaveResume::Blocked;
    RecordJournal* j = journal();
    const QString token = j ? j->unsettledSave() : QString();
    if (token.isEmpty())
        return SaveResume::Save;
    switch (j->outcomeOf(token)) {
    case SaveOutcome::Committed:
        endSavedJournal();
        return SaveResume::AlreadySaved;
    case SaveOutcome::NotCommitted:
        j->forgetSave();
        return SaveResume::Save;
    case SaveOutcome::Unknown:
        break;
    }
    if (db.connectionLost()) {
        tellConnectionLost(j->lastError());
    } else {
        m_sound.beep();
        m_view.showStatus(QStringLiteral("The database server cannot tell yet whether the record was saved. "
                                         "The record is kept; press Enter again in a moment."));
    }
    return SaveResume::Blocked;
}

bool EntryEngine::reconnectServer()
{
    Database& db = m_store.currentdb();
    if (!db.reconnect()) {
        tellConnectionLost(db.lastError());
        return false;
    }
    m_connectionLossShown = false;
    m_view.refreshGrid();
    return true;
}

// The first time: what happened and what to do; after that, while the
// server stays away, each Enter says so again, shorter.
void EntryEngine::tellConnectionLost(const QString& reason)
{
    m_sound.beep();
    if (!m_connectionLossShown) {
        m_connectionLossShown = true;
        m_view.showStatus(QStringLiteral("The connection to the database server was lost. The record in progress "
                                         "is kept; press Enter at its end to save it once the server is back."));
        return;
    }
    m_view.showStatus(QStringLiteral("The database server still cannot be reached: the record in progress is "
                                     "kept; press Enter to try again. (%1)")
                          .arg(reason));
}

// Whether a failed save failed because the connection went. Otherwise it
// was rolled back for certain: nothing of that try can have been saved, and
// the journal forgets the transaction it noted.
bool EntryEngine::failedOnLostConnection()
{
    if (m_store.currentdb().connectionLost())
        return true;
    if (m_journal)
        m_journal->forgetSave();
    return false;
}

// A save that failed because the connection went is tried once more on a
// new one (the server restarted while the record was typed), after asking
// the server whether the first try committed after all. `lost` says that
// the failure was the connection's and has been told.
bool EntryEngine::storeRecordRetrying(RecordSet& rs, SaveFailure* failure, bool* lost)
{
    if (storeRecord(rs, failure))
        return true;
    if (!failedOnLostConnection())
        return false;
    switch (resumeServerSave()) {
    case SaveResume::Blocked:
        *lost = true;
        return false;
    case SaveResume::AlreadySaved:
        return true;
    case SaveResume::Save:
        break;
    }
    if (storeRecord(rs, failure))
        return true;
    if (!failedOnLostConnection())
        return false;
    *lost = true;
    tellConnectionLost(failure->error);
    return false;
}

}  // namespace k7
