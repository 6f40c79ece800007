#pragma once
// The entry engine: presents the variables of a record one by one, validates
// and stores what the operator gives, and saves the finished record to the
// data table. It reaches the window only through EntryView, Dialogs and
// SoundPlayer, so it runs without a display; the window forwards clicks and
// keys to the handlers below and does nothing else with them.

#include "entry/EntryKeys.h"
#include "entry/RecordState.h"
#include "platform/EntryView.h"
#include "store/SqlStep.h"
#include "store/TableDef.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>
#include <optional>
#include <vector>

namespace k7 {

struct Model;
struct JournalEntry;
struct JournalState;
class JournalWriter;
class RecordJournal;
class DataStore;
class RecordSet;
class Dialogs;
struct VerifySession;


class EntryEngine {
public:
    EntryEngine(const Model& model, DataStore& store, EntryView& view, Dialogs& dialogs, SoundPlayer& sound);
    ~EntryEngine();
    EntryEngine(const EntryEngine&) = delete;
    EntryEngine& operator=(const EntryEngine&) = delete;

    // The record in progress, as the windows, the instrument input and the
    // tests read it. Only the engine's commands below change it.
    const RecordState& state() const { return m_state; }

    // While one is alive the program itself fills or selects in the variable
    // and menu lists (and the properties editor's controls): their click
    // handlers leave those selections alone. Guards nest.
    class ListGuard {
    public:
        explicit ListGuard(RecordState& state) : m_state(state), m_was(state.listguard) { m_state.listguard = true; }
        ~ListGuard() { m_state.listguard = m_was; }
        ListGuard(const ListGuard&) = delete;
        ListGuard& operator=(const ListGuard&) = delete;

    private:
        RecordState& m_state;
        bool m_was;
    };
    [[nodiscard]] ListGuard guardLists() { return ListGuard(m_state); }

    // Presents variable v (normally curvar) in the frame for its kind.
    void ShowVariable(int v);
    // Begins a record: clears the values that are not carried and presents
    // the first variable whose conditions hold.
    void StartRecord();
    // Takes the value of the presented box (the Tag of `nextvar` tells which),
    // validates it, stores it and moves on; saves the record after the last
    // variable. While a grid cell is edited, writes the cell instead.
    // Instrument input sets the instrument box text and calls this.
    void AcceptValue();
    // Moves curvar to the next variable to be asked (past varcount: done).
    void AdvanceToNext();
    // Writes the record in progress to the data table and commits it, in one
    // transaction with its audit row and the end of its journal. Returns false
    // (after telling the operator) when the row could not be written, or
    // (after a beep and a status line) when a new record holds no value at
    // all; the record in progress and its journal are then kept. When a
    // Unique value was saved at another station since it was checked, the
    // operator is told so and the record is presented again at that variable.
    [[nodiscard]] bool SaveRecord();
    // Called after a CFG is opened and its first record started: when the
    // journal holds a record that was never saved, says how many values were
    // typed and when, and asks whether to continue it. Yes restores them (by
    // variable name: a CFG whose variables changed gets back those that still
    // exist), No discards the journal.
    void OfferJournalledRecord();
    // True when closing now would lose values the operator gave: the record
    // in progress holds some, and its journal could not be written or went
    // with a database file that was moved or deleted.
    [[nodiscard]] bool recordInProgressUnprotected();
    // The journal is on unless turned off (the benchmark compares both).
    void setJournalOn(bool on) { m_journalOn = on; }
    // The journal is written behind the operator's back; this waits until
    // the newest state of the record in progress is on disk or has failed
    // (a failure is then told in the status line, as any other).
    void flushJournal();
    // Whether the record in progress could not be journalled: after the
    // writes still under way end, true when the newest of them failed.
    [[nodiscard]] bool lastJournalFailed();
    // Check-digit test of an identifier: a is the part before the "-", b the
    // part after it, ending in "." and the check digit.
    static bool CheckDigit(const QString& a, const QString& b);

    // `previousvar` pressed, or Esc in an input box: step back, or cancel a
    // grid-cell edit.
    void previousvarPressed();
    // The variable list: index is the 0-based entry position.
    void variableListClicked(int index);
    void variableListDoubleClicked(int index);
    // Starts editing the grid's current cell (double click, or Enter/Ctrl+E
    // in the grid when fromKeyboard).
    void startGridEdit(bool fromKeyboard);
    // Esc in the grid: leaves editing mode.
    void gridEscape();
    // How a grid-cell edit ends: with the record in progress presented again
    // at the variable it was left at, or with nothing presented (another CFG
    // is about to be opened, or the record is started over).
    enum class AfterGridEdit { ShowVariable, ShowNothing };
    // Ends a grid-cell edit, if one is under way (the cell has been written
    // or is given up): the grid takes Tab again and curvar goes back to the
    // variable the record in progress was left at. Every way out of an edit
    // comes here.
    void endGridEdit(AfterGridEdit after = AfterGridEdit::ShowVariable);
    // A key pressed in the grid; true when consumed.
    bool gridKey(int code);
    // Ctrl+C: starts the record in progress over. When it held values the
    // operator gave, Ctrl+Z as the next key brings them back.
    void clearRecord();

    // Keys of the input controls, by character code; true when consumed (the
    // control must then not act on the key).
    bool textKey(int code);
    bool numericKey(int code);
    bool menuKey(int code);
    // A keyboard wedge types its reading and ends it with Enter, so the
    // instrument box takes the same keys as the text box; others type as usual.
    bool instrumentKey(int code);

    // Menu list: selection changed (click), double click.
    void menuListClicked();
    void menuListDoubleClicked();
    // The info button of a frame was clicked.
    void infoButtonClicked(Frame frame);
    // A click on the entry area, a frame or a prompt: focus back to the input.
    void entryAreaClicked();
    // Empties every value of the record in progress (before another CFG is
    // read); the carried values stay.
    void clearValues();
    // Puts a value into the record in progress as it stands, unvalidated and
    // without presenting anything (a restored record). Carried values are
    // those offered when the next record starts.
    void setValue(int v, const QString& value);
    void setCarriedValue(int v, const QString& value);
    // The instrument box waits for its first reading from the moment it is
    // presented: the reading then replaces the box text instead of being
    // appended to it. takeDeviceWait() answers whether it waits and ends the
    // wait; restoreDeviceWait() puts it back as it was (a refused reading).
    [[nodiscard]] bool takeDeviceWait();
    void restoreDeviceWait(bool wait);

    // Verify mode (dependent double entry, EntryEngineVerify.cpp): each
    // record is typed again from the same paper. Its key (the first Unique
    // variable) finds the stored row; the other variables are walked as in
    // entry, and each value accepted is compared, blind, with the stored one
    // as the grid shows it. A value that differs is typed again, and that
    // second typing decides. The save writes the corrected fields with an
    // audit row each and a row in k7_verified.
    // Why the open CFG cannot be verified; empty when it can.
    QString verifyRefusal() const;
    // Turns verify mode on and starts a record to verify; false, after
    // telling the operator why, when it cannot be turned on.
    [[nodiscard]] bool startVerify();
    // Turns it off; the record being verified is dropped (the stored row
    // stays as it was) and, unless another CFG is about to be opened, a new
    // record is started.
    void endVerify(bool startRecord = true);
    bool verifying() const { return m_verify != nullptr; }

    // The input control of the presented variable, by the kind Tag.
    Control presentedControl() const;
    // The field of the data table that holds variable v; nothing when no
    // table is open or it has no such field.
    std::optional<FieldDef> fieldOf(int v) const;

private:
    enum class Check { Passed, Rejected, Stopped };

    // Presentation: reads the record in progress, never changes it.
    void beginFrame(Frame frame, int v);
    void finishFrame(Control control, const QString& tag);
    void fillBox(Control box, const QString& text);
    void showHelp(Frame frame, int v, bool requireExisting);
    void showTextBranch(int v);
    void showNumericBranch(int v);
    void showMenuBranch(int v);
    void showInstrumentBranch(int v);
    void showImageJBranch(int v);
    QString placeholder(int v) const;
    QString cfgFolder() const;
    QString helpPath(const QString& info) const;
    void playWaveIn(int v);
    void playWaveOut(int v);

    // The record: where it starts, what it starts with, what is saved.
    bool conditionsHold(int v) const;
    bool isAsked(int v, bool emptyOnly) const;
    void presentFirst();
    QString presetValue(int v) const;
    void presetValues();
    void restartRecord();
    void completeRecord();
    double largestStored(int v) const;
    bool holdsTypedValues() const;
    void undoClear();
    void forgetCleared();
    std::vector<bool> askedInFinalPath(std::vector<QString>& values) const;
    bool isEmptyNewRecord() const;
    // Why a save failed: the reason, and the variable whose value another
    // station saved meanwhile when that is why (0 otherwise).
    struct SaveFailure {
        QString error;
        int takenAt = 0;
        bool savedBefore = false;  // an unanswered save of this record committed
    };
    [[nodiscard]] bool storeRecord(RecordSet& rs, SaveFailure* failure);
    [[nodiscard]] bool storeRecordSettled(RecordSet& rs, SaveFailure* failure);
    [[nodiscard]] bool writeLocked(RecordSet& rs, int taken, QList<SqlStep>* written, QList<SqlStep>* counted,
                                   SaveFailure* failure);
    [[nodiscard]] std::optional<double> largestStoredNow(const RecordSet& rs, int field, QString* error) const;
    [[nodiscard]] bool renumberTakenAutoinc(const RecordSet& rs, QString* error);
    void refuseTaken(int v);
    [[nodiscard]] bool writeRecord(RecordSet& rs, QList<SqlStep>* written, QString* error);
    [[nodiscard]] bool auditSaved(RecordSet& rs, const QVariantList& before, QList<SqlStep>* counted,
                                  QString* error);

    // The journal of the record in progress.
    RecordJournal* journal();
    QStringList variableNames() const;
    void journalRecord();
    void discardJournal();
    void endSavedJournal();
    void postJournal(JournalState state);
    void takeJournalOutcome();
    void endJournal();
    void journalFailed(const QString& reason);
    [[nodiscard]] bool restoreJournalled(const JournalEntry& entry);

    // A server that went away (EntryEngineServer.cpp).
    enum class SaveResume { Save, AlreadySaved, Blocked };
    [[nodiscard]] SaveResume resumeServerSave();
    [[nodiscard]] bool reconnectServer();
    [[nodiscard]] bool storeRecordRetrying(RecordSet& rs, SaveFailure* failure, bool* lost);
    [[nodiscard]] bool failedOnLostConnection();
    void tellConnectionLost(const QString& reason);
    void showSavedRecord(bool rowKnown);

    // Accepting.
    void acceptText();
    void finishAccept(bool accepted);
    void refuse(const QString& message);
    void keepTyped();
    std::optional<QString> numericValue(const QString& text);
    bool fitsField(int v, const QString& value);
    void acceptEditedCell();
    QString editedCellText(const QString& tag) const;
    bool editedCellPasses(const QString& tag);
    qint64 editedRow() const;
    void writeEditedCell(const QString& tag);
    [[nodiscard]] bool writeCellAudited(RecordSet& rs, int i, const QVariant& value, QString* error);

    // Checks of an identifier.
    Check checkUnique();
    void tightenReservedName();
    std::unique_ptr<RecordSet> queryUnique(bool allFields);
    Check reportQueryFailure(const RecordSet& rs);
    void takeFoundRow(std::unique_ptr<RecordSet> found);
    Check completeFoundRow();
    bool uniqueInOtherRows(qint64 row);
    Check checkSqid();
    Check lookUp();
    // Whether the row being completed is empty in `field` (false when there
    // is no such row).
    bool completedRowHasNoValue(const QString& field) const;
    // Saving: the table's lock, and the values that another station may have
    // saved since they were checked, looked at again under it.
    QList<SqlStep> saveLock(const RecordSet& rs) const;
    struct UniqueRecheck {
        int v = 0;
        QString value;
        QList<QVariantList> rows;  // the row ids holding the value now
    };
    [[nodiscard]] bool uniqueRecheckSteps(const RecordSet& rs, std::vector<UniqueRecheck>* rechecks,
                                          QList<SqlStep>* steps, QString* error) const;
    int uniqueTakenMeanwhile(const std::vector<UniqueRecheck>& rechecks) const;
    bool shownToOperator(qint64 row) const;
    [[nodiscard]] std::optional<bool> numberTaken(const RecordSet& rs, int field, double number, QString* error);

    // Verify mode.
    void beginVerifyRecord();
    bool verifySkips(int v) const;
    Check findVerifiedRow();
    [[nodiscard]] bool confirmVerifyAgain();
    void loadVerifiedRow(std::unique_ptr<RecordSet> found);
    void presentAfterKey();
    [[nodiscard]] bool verifyMatches(int v, const QString& value);
    QString shownAsStored(int v, const QString& value) const;
    [[nodiscard]] bool writeVerified(RecordSet& rs, QString* error);
    [[nodiscard]] bool verifiedRowGone();
    void markVerifying(JournalEntry& entry) const;
    [[nodiscard]] bool restoreVerifying(const JournalEntry& entry, const QString& key);

    // Keys.
    std::optional<bool> commonKey(int code, Frame frame);
    void showInfo(const QString& tag);
    void pointMenuHelpAtSelection();

    const Model& m_model;
    DataStore& m_store;
    RecordState m_state;
    EntryView& m_view;
    Dialogs& m_dialogs;
    SoundPlayer& m_sound;

    // What Ctrl+C discarded, kept until the next key or presentation.
    struct ClearedRecord {
        std::vector<QString> varvalue;
        int curvar = 1;
        bool newrecord = true;
        Control box = Control::TextBox;
        QString typed;
    };
    std::optional<ClearedRecord> m_cleared;

    // The value being validated.
    QString m_workvalue;
    // The rows the last uniqueness query that found any returned; an existing
    // row is completed through it when Re-edit and Emptyonly are on.
    std::unique_ptr<RecordSet> m_foundrs;

    // Set while verify mode is on.
    std::unique_ptr<VerifySession> m_verify;

    // The journal of the open CFG's record in progress, made again for each
    // database, CFG and table (m_journalFor names them): read and ended by
    // the save on the operator's connection, written by m_journalWriter.
    std::unique_ptr<RecordJournal> m_journal;
    std::unique_ptr<JournalWriter> m_journalWriter;
    QString m_journalFor;
    bool m_journalOn = true;
    // A failing journal is told once, until it works again.
    bool m_journalFailureShown = false;
    // A lost server connection is told once, until it works again.
    bool m_connectionLossShown = false;
};

}  // namespace k7
