// The checks of a text value: uniqueness in the data table (with Re-edit and
// Emptyonly), the check digit of an identifier, and the look-up in a
// reference table.

#include "entry/EntryEngine.h"

#include "cfg/Model.h"
#include "cfg/NumberText.h"
#include "entry/RecordState.h"
#include "entry/ValueForms.h"
#include "platform/Dialogs.h"
#include "access/AccessFile.h"
#include "workflows/AccessOffer.h"
#include "store/DataStore.h"
#include "store/Database.h"
#include "store/FoldedLookupStep.h"
#include "store/SqlDialect.h"
#include "store/SqlStatement.h"
#include "store/RecordSet.h"
#include "store/TableDef.h"

#include <cmath>

#include <QFileInfo>

namespace k7 {

namespace {

// Removes the blanks around the first "-".
QString tightenDash(const QString& value)
{
    const qsizetype dash = value.indexOf(QLatin1Char('-'));
    if (dash < 0)
        return value;
    return value.left(dash).trimmed() + QLatin1Char('-') + value.mid(dash + 1).trimmed();
}

// "NAME" -> "Name", as the look-up summary shows field names.
QString capitalised(const QString& name)
{
    return name.left(1).toUpper() + name.mid(1).toLower();
}

// The reference table a variable's look-up reads: "database table".
struct LookUpSource {
    QString path;
    QString table;
};

LookUpSource lookUpSource(const QString& lookup, const QString& cfgFolder)
{
    const qsizetype blank = lookup.lastIndexOf(QLatin1Char(' '));
    LookUpSource source{lookup.left(std::max<qsizetype>(blank, 0)).trimmed(), lookup.mid(blank + 1).trimmed()};
    // Found where the CFG reader found it: as written, else beside the CFG
    // (also when the name has folders of its own, relative to the CFG's).
    if (!QFileInfo(source.path).isFile() && QFileInfo(cfgFolder + source.path).isFile())
        source.path = cfgFolder + source.path;
    return source;
}

// A look-up that could not run lets the value pass, after saying so.
void reportLookUpFailure(Dialogs& dialogs, const QString& path)
{
    if (DetectAccessFormat(path) != AccessFormat::None)
        dialogs.message(QStringLiteral("Error: Could not look-up values.  ") + AccessImportHint(path),
                        Style::Information);
    else
        dialogs.message(QStringLiteral("Error in SQL. Could not look-up values."), Style::Information);
}

// Whether the operator keeps a value the reference table lacks.
bool confirmNotFound(Dialogs& dialogs, const QString& value)
{
    return dialogs.message(value + QStringLiteral(" could not be found."), Style::OkCancel + Style::Information)
        == Answer::Ok;
}

// Shows the row found, field by field, after asking whether to go on when it
// has a Status; false when the operator does not.
bool confirmFoundRow(Dialogs& dialogs, const RecordSet& rs)
{
    QString summary;
    for (int i = 0; i < rs.fieldCount(); ++i) {
        const FieldDef& field = rs.field(i);
        const QVariant value = rs.value(i);
        const QString text = value.isNull()   ? QString()
            : field.type == FieldType::Single ? ShortestSingle(value.toDouble())
                                              : value.toString();
        summary += capitalised(field.name) + QStringLiteral(" = ") + text + QLatin1Char('\r');
        if (field.name.toLower() == QLatin1String("status") && !text.trimmed().isEmpty()) {
            const int answer = dialogs.message(QStringLiteral("Status is ") + text + QStringLiteral(".  Continue?"),
                                               Style::YesNo + Style::Question);
            if (answer == Answer::No)
                return false;
        }
    }
    dialogs.timedMessage(summary, 5000);
    return true;
}

}  // namespace

EntryEngine::Check EntryEngine::checkUnique()
{
    tightenReservedName();
    const bool reEdit = m_model.options.on(OptReEdit);
    std::unique_ptr<RecordSet> found = queryUnique(reEdit);
    if (!found->isOpen())
        return reportQueryFailure(*found);
    if (found->bof() && found->eof()) {
        // A new value where the row being completed already holds one (the
        // record was cleared, or its identifier retyped) starts a new row,
        // so that the row found earlier is not overwritten.
        if (!m_state.newrecord && !completedRowHasNoValue(m_model.var(m_state.curvar).varname))
            m_state.newrecord = true;
        return Check::Passed;
    }
    if (!reEdit) {
        m_dialogs.message(m_workvalue + QStringLiteral(" has already been entered."),
                          Style::Information);
        return Check::Rejected;
    }
    takeFoundRow(std::move(found));
    if (!m_model.options.on(OptEmptyonly)) {
        m_state.newrecord = true;
        return Check::Passed;
    }
    return completeFoundRow();
}

// Identifiers in a variable named SQID or SQUID are compared without their
// check digit and without blanks around the dash.
void EntryEngine::tightenReservedName()
{
    const QString upperName = m_model.var(m_state.curvar).varname.toUpper();
    if (upperName != QLatin1String("SQID") && upperName != QLatin1String("SQUID"))
        return;
    const qsizetype dot = m_workvalue.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        m_workvalue = m_workvalue.left(dot);
        m_view.setBoxText(Control::TextBox, m_workvalue);
    }
    m_workvalue = tightenDash(m_workvalue);
}

// The rows holding the value being validated, compared as identifiers are
// (FoldedMatch.h). Closed when the query failed.
std::unique_ptr<RecordSet> EntryEngine::queryUnique(bool allFields)
{
    const QString& name = m_model.var(m_state.curvar).varname;
    auto found = std::make_unique<RecordSet>();
    m_dialogs.setBusy(true);
    // A query that fails leaves the set closed, which the callers check.
    if (m_store.currentdb().isOpen())
        static_cast<void>(found->openFolded(m_store.currentdb(), m_store.tablename(), name, m_workvalue,
                          allFields ? QStringList{} : QStringList{name}));
    m_dialogs.setBusy(false);
    return found;
}

// Another program's lock is only a moment's wait: the value stays in the box
// for another Enter. Any other failure is an error in the query.
EntryEngine::Check EntryEngine::reportQueryFailure(const RecordSet& rs)
{
    if (rs.lastErrorIsLock()) {
        m_dialogs.message(QStringLiteral("The database is locked by another program.  Press Enter "
                                         "to try the value again."),
                          Style::Information);
        keepTyped();
        return Check::Stopped;
    }
    m_dialogs.message(QStringLiteral("Error in SQL.  Retype value."), Style::Information);
    return Check::Rejected;
}

// Re-edit: the row found fills the record in progress, its identifier keeps
// the case it is stored with, and the grid moves to it.
void EntryEngine::takeFoundRow(std::unique_ptr<RecordSet> found)
{
    m_foundrs = std::move(found);
    for (int v = 1; v <= m_model.varcount; ++v) {
        const int i = m_foundrs->fieldIndex(m_model.var(v).varname);
        m_state.varvalue[v] =
            i < 0 ? QString() : RecordText(m_foundrs->value(i), m_foundrs->field(i).type);
    }
    const QString stored = m_state.varvalue[m_state.curvar];
    if (!stored.isEmpty())
        m_workvalue = stored;
    if (m_store.currentrs().setBookmark(m_foundrs->bookmark())) {
        m_view.refreshGrid();
        m_view.gridGoToRow(m_store.currentrs().absolutePosition());
    }
}

// Re-edit with Emptyonly: the row found is completed where it is empty.
EntryEngine::Check EntryEngine::completeFoundRow()
{
    if (!m_model.var(m_state.curvar).varlookup.isEmpty() && lookUp() == Check::Stopped)
        return Check::Stopped;
    AdvanceToNext();
    if (m_state.curvar > m_model.varcount) {
        m_dialogs.message(QStringLiteral("This record is complete."), Style::Information);
        // Starting over is a new record: a row being completed before must
        // not be written with what comes next.
        restartRecord();
        return Check::Stopped;
    }
    m_state.newrecord = false;
    ShowVariable(m_state.curvar);
    return Check::Stopped;
}

// For a grid-cell edit: whether no row but the edited one holds the value.
bool EntryEngine::uniqueInOtherRows(qint64 row)
{
    std::unique_ptr<RecordSet> found = queryUnique(false);
    if (!found->isOpen()) {
        reportQueryFailure(*found);
        keepTyped();
        return false;
    }
    for (found->moveFirst(); !found->eof(); found->moveNext()) {
        if (found->bookmark() != row) {
            refuse(m_workvalue + QStringLiteral(" has already been entered."));
            return false;
        }
    }
    return true;
}

bool EntryEngine::completedRowHasNoValue(const QString& field) const
{
    if (!m_foundrs || m_foundrs->absolutePosition() < 0)
        return false;
    const int i = m_foundrs->fieldIndex(field);
    return i < 0 || RecordText(m_foundrs->value(i), m_foundrs->field(i).type).isEmpty();
}

// What makes the other stations' saves to the set's table wait until the
// saving transaction ends, run as it begins (a file's write transaction
// does so already).
QList<SqlStep> EntryEngine::saveLock(const RecordSet& rs) const
{
    Database& db = m_store.currentdb();
    const QString sql = db.dialect().serialiseSaves();
    if (sql.isEmpty())
        return {};
    // Every station names the table as the database spells it.
    const std::optional<TableDef> table = db.findTable(rs.tableName());
    return {{sql, {table ? table->name : rs.tableName()}}};
}

// The look-ups of the Unique text values this record stores, as steps sent
// with the save's lock, each answering into its entry of `rechecks`; false
// when one cannot be made.
bool EntryEngine::uniqueRecheckSteps(const RecordSet& rs, std::vector<UniqueRecheck>* rechecks,
                                     QList<SqlStep>* steps, QString* error) const
{
    std::vector<QString> values = m_state.varvalue;
    const std::vector<bool> asked = askedInFinalPath(values);
    for (int v = 1; v <= m_model.varcount; ++v) {
        const Variable& var = m_model.var(v);
        const bool checked = var.varunique && (var.vartype == TypeText || var.vartype == TypeSqid)
                             && asked[static_cast<size_t>(v)];
        if (checked && rs.fieldIndex(var.varname) >= 0)
            rechecks->push_back({v, values[static_cast<size_t>(v)], {}});
    }
    // The steps point into the entries, which no longer move.
    for (UniqueRecheck& recheck : *rechecks) {
        const std::optional<SqlStep> step = FoldedLookupStep(m_store.currentdb(), m_store.tablename(),
                                                             m_model.var(recheck.v).varname, recheck.value,
                                                             &recheck.rows, error);
        if (!step)
            return false;
        steps->append(*step);
    }
    return true;
}

// The first Unique variable of the record whose value a row the operator
// was not shown held when looked at again; 0 when there is none.
int EntryEngine::uniqueTakenMeanwhile(const std::vector<UniqueRecheck>& rechecks) const
{
    for (const UniqueRecheck& recheck : rechecks) {
        for (const QVariantList& row : recheck.rows) {
            if (!shownToOperator(row.value(0).toLongLong()))
                return recheck.v;
        }
    }
    return 0;
}

// Whether `row` is one of the rows Re-edit found and showed, which the
// record may share its value with, or is completing.
bool EntryEngine::shownToOperator(qint64 row) const
{
    const bool foundAllowed = m_foundrs && (m_model.options.on(OptReEdit) || !m_state.newrecord);
    for (int i = 0; foundAllowed && i < m_foundrs->recordCount(); ++i) {
        if (m_foundrs->bookmarkAt(i) == row)
            return true;
    }
    return false;
}

// Whether a row of the set's table holds `number` in field `field`, a text
// field's text read as a number; nothing when the query failed.
std::optional<bool> EntryEngine::numberTaken(const RecordSet& rs, int field, double number, QString* error)
{
    Database& db = m_store.currentdb();
    const FieldDef& def = rs.field(field);
    const QString sql = QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ? LIMIT 1")
                            .arg(QuoteName(rs.tableName()),
                                 db.dialect().asNumber(QuoteName(def.name), def.type == FieldType::Text));
    // A whole number is bound as one, which an integer column on a server takes.
    const bool whole = std::trunc(number) == number && std::abs(number) < 1e15;
    RecordSet found;
    if (!found.openQuery(db, sql, {whole ? QVariant(static_cast<qlonglong>(number)) : QVariant(number)})) {
        *error = found.lastError();
        return std::nullopt;
    }
    return !found.bof();
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

EntryEngine::Check EntryEngine::lookUp()
{
    const Variable& var = m_model.var(m_state.curvar);
    const LookUpSource source = lookUpSource(var.varlookup, cfgFolder());
    // Only read from: a reference database in a read-only folder still works,
    // and one that has gone since the CFG was read is not created again.
    Database db;
    RecordSet rs;
    m_dialogs.setBusy(true);
    const bool ran =
        db.open(source.path, Database::Access::ReadOnly) && rs.openWhere(db, source.table, var.varname, m_workvalue);
    m_dialogs.setBusy(false);
    if (!ran) {
        reportLookUpFailure(m_dialogs, source.path);
        return Check::Passed;
    }
    const bool goOn = rs.bof() && rs.eof() ? confirmNotFound(m_dialogs, m_workvalue) : confirmFoundRow(m_dialogs, rs);
    if (goOn)
        return Check::Passed;
    keepTyped();
    return Check::Stopped;
}

}  // namespace k7
