#include "workflows/CompareCommand.h"

#include "cfg/ServerUri.h"
#include "exports/ComparisonReport.h"
#include "exports/OtherDatabase.h"
#include "exports/TableComparison.h"
#include "store/DataStore.h"

#include <QFileInfo>

namespace k7 {

namespace {

const QString kCaption = QStringLiteral("Compare with Another Database");

// The other database: a file chosen in the file dialog, or on a server (where
// the open table is) typed as an address or a path.
QString chooseOtherDatabase(const DataStore& store, Dialogs& dialogs)
{
    if (store.currentdb().onServer()) {
        return dialogs
            .inputTextWithCaption(QStringLiteral("The other database (a postgresql:// address or a file):"),
                                  QString(), kCaption)
            .value_or(QString())
            .trimmed();
    }
    return dialogs.openFileName(kCaption, QStringLiteral("K7 databases (*.mdb *.sqlite);;All files (*)"),
                                QFileInfo(store.dbname()).absolutePath());
}

// The report's file, proposed beside the other database.
QString chooseReport(const QString& other, const QString& folder, Dialogs& dialogs)
{
    const QString base = IsServerUri(other) ? QStringLiteral("comparison")
                                            : QFileInfo(other).completeBaseName() + QStringLiteral("-comparison");
    return dialogs.saveFileName(QStringLiteral("Save the comparison report"),
                                QStringLiteral("HTML pages (*.html);;CSV files (*.csv)"),
                                folder + QLatin1Char('/') + base + QStringLiteral(".html"));
}

// Opens the other database read-only; a server that wants a password none
// of libpq's own sources gave asks the operator for it once.
bool openOther(const QString& other, Database& db, Dialogs& dialogs)
{
    QString error;
    if (OpenDatabaseToCompare(other, db, &error))
        return true;
    if (db.wantsPassword()) {
        const std::optional<QString> password = dialogs.inputPassword(
            QStringLiteral("The database server asks for a password to open %1:").arg(DatabaseNameForDisplay(other)));
        if (!password)
            return false;
        if (db.openServer(other, *password))
            return true;
        error = DatabaseNameForDisplay(other) + QStringLiteral(": ") + db.lastError();
    }
    dialogs.message(error, Style::OkOnly + Style::Critical);
    return false;
}

// Runs the comparison; false, having said why, when it failed or was cancelled.
bool runComparison(TableComparison& comparison, Dialogs& dialogs)
{
    if (comparison.open() && dialogs.runWithProgress(QStringLiteral("Comparing the two databases"), comparison)
        && comparison.finished())
        return true;
    if (!comparison.error().isEmpty())
        dialogs.message(comparison.error(), Style::OkOnly + Style::Critical);
    return false;
}

void reportWritten(const ComparisonFacts& facts, const QString& path, Dialogs& dialogs)
{
    dialogs.message(ComparisonSummary(facts) + QStringLiteral("\n\nThe report is in ") + path,
                    Style::OkOnly + (facts.agree() ? Style::Information : Style::Exclamation));
}

}  // namespace

void CompareWithAnotherDatabase(const Model& model, DataStore& store, Dialogs& dialogs)
{
    if (!store.currentdb().isOpen() || store.tablename().isEmpty()) {
        dialogs.message(QStringLiteral("There is no datafile currently open to compare."),
                        Style::OkOnly + Style::Information);
        return;
    }
    const QString other = chooseOtherDatabase(store, dialogs);
    if (other.isEmpty())
        return;
    Database second;
    if (!openOther(other, second, dialogs))
        return;
    const QString folder = IsServerUri(other) ? QFileInfo(store.dbname()).absolutePath()
                                              : QFileInfo(other).absolutePath();
    const QString report = chooseReport(other, folder, dialogs);
    if (report.isEmpty())
        return;
    TableComparison comparison(
        model, {&store.currentdb(), store.tablename(), DatabaseNameForDisplay(store.dbname())},
        {&second, TableToCompare(model, store.tablename(), second, other), DatabaseNameForDisplay(other)});
    if (!runComparison(comparison, dialogs))
        return;
    QString error;
    if (!WriteComparisonReport(comparison.facts(), report, {model.cfgpath, store.dbname(), other}, &error)) {
        dialogs.message(QStringLiteral("Error: Could not save ") + report + QStringLiteral(".  ") + error,
                        Style::OkOnly + Style::Critical);
        return;
    }
    reportWritten(comparison.facts(), report, dialogs);
}

}  // namespace k7
