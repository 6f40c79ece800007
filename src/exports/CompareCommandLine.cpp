#include "exports/CompareCommandLine.h"

#include "cfg/CfgCheck.h"
#include "cfg/ServerUri.h"
#include "exports/ComparisonReport.h"
#include "exports/OtherDatabase.h"
#include "exports/TableComparison.h"
#include "store/Database.h"
#include "store/Naming.h"

namespace k7 {

namespace {

constexpr int kAgree = 0;
constexpr int kDiffer = 1;
constexpr int kError = 2;

int failed(QTextStream& err, const QString& error)
{
    err << "k7: " << error << '\n';
    return kError;
}

// Runs the comparison to its end; false with the reason in `error`.
bool compareTables(TableComparison& comparison, QString* error)
{
    if (!comparison.open()) {
        *error = comparison.error();
        return false;
    }
    while (comparison.step()) {
    }
    *error = comparison.error();
    return comparison.finished();
}

}  // namespace

int RunCompareCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.size() < 2 || args.size() > 3) {
        err << "k7: usage: k7 --compare FILE.cfg OTHER.mdb [OUT.html|OUT.csv]\n";
        return kError;
    }
    const QString& otherPath = args.at(1);
    const QString target = args.value(2);
    Model model;
    if (ReadCfgQuietly(args.at(0), model, err) != 0)
        return kError;
    const QString dbname = DeriveDbName(model.cfgpath, model.options[OptFilename]);
    Database first;
    Database second;
    QString error;
    if (!OpenDatabaseToCompare(dbname, first, &error) || !OpenDatabaseToCompare(otherPath, second, &error))
        return failed(err, error);
    const QString table = DeriveTableName(dbname, model.options[OptTable]);
    TableComparison comparison(model, {&first, table, DatabaseNameForDisplay(dbname)},
                               {&second, TableToCompare(model, table, second, otherPath),
                                DatabaseNameForDisplay(otherPath)});
    if (!compareTables(comparison, &error))
        return failed(err, error);
    const ComparisonFacts& facts = comparison.facts();
    if (target.isEmpty()) {
        out << QString::fromUtf8(ComparisonCsv(facts));
    } else {
        if (!WriteComparisonReport(facts, target, {model.cfgpath, dbname, otherPath}, &error))
            return failed(err, target + QStringLiteral(": ") + error);
        out << ComparisonSummary(facts) << '\n';
    }
    return facts.agree() ? kAgree : kDiffer;
}

}  // namespace k7
