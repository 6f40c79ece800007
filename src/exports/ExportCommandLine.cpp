#include "exports/ExportCommandLine.h"

#include "cfg/CfgCheck.h"
#include "cfg/ServerUri.h"
#include "platform/UnattendedDialogs.h"
#include "store/Database.h"
#include "store/Naming.h"
#include "store/RecordSet.h"
#include "exports/CodebookExport.h"
#include "exports/StatsExport.h"
#include "exports/TextExport.h"

#include <QFileInfo>

namespace k7 {

namespace {

// Opens, read-only, the database the CFG of `model` names; on failure says
// why on `err` and returns false.
bool openCfgDatabase(const Model& model, Database& db, QString& table, QTextStream& err)
{
    const QString dbname = DeriveDbName(model.cfgpath, model.options[OptFilename]);
    table = DeriveTableName(dbname, model.options[OptTable]);
    // A server's database is reached by its URI; a file must exist, as a
    // command-line export never makes one.
    if ((IsServerUri(dbname) || QFileInfo(dbname).isFile()) && db.open(dbname, Database::Access::ReadOnly))
        return true;
    err << DatabaseNameForDisplay(dbname) << ": "
        << (db.lastError().isEmpty() ? QStringLiteral("the database does not exist") : db.lastError()) << '\n';
    return false;
}

}  // namespace

int RunExportCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    Q_UNUSED(out);
    const QString cfg = args.value(0);
    const QString target = args.value(1);
    const bool withNames = args.size() == 3;
    if (args.size() < 2 || args.size() > 3 || (withNames && args.at(2) != QLatin1String("--names"))) {
        err << "k7: usage: k7 --export FILE.cfg OUT.txt|OUT.dta|OUT.sav|OUT.xlsx [--names]\n";
        return 2;
    }
    Model model;
    if (const int status = ReadCfgQuietly(cfg, model, err); status != 0)
        return status;

    Database db;
    QString table;
    if (!openCfgDatabase(model, db, table, err))
        return 2;
    RecordSet records;
    if (!records.openTable(db, table)) {
        err << db.path() << ": " << records.lastError() << '\n';
        return 1;
    }
    ReportingDialogs dialogs(target, err);
    const ExportFileFormat format = ExportFormatForPath(target);
    const ExportResult result = format == ExportFileFormat::Text
                                    ? ExportToFile(model, records, target, withNames, dialogs)
                                    : ExportTableToFile(model, records, target, format, dialogs);
    if (result.outcome != ExportOutcome::Written) {
        err << target << ": " << result.error << '\n';
        return 1;
    }
    if (result.converted > 0)
        err << target << ": " << ConvertedValuesNote(result.converted) << '\n';
    for (const QString& note : result.notes)
        err << target << ": " << note << '\n';
    return 0;
}

int RunCodebookCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    Q_UNUSED(out);
    if (args.size() != 2) {
        err << "k7: usage: k7 --codebook FILE.cfg OUT.html\n";
        return 2;
    }
    const QString target = args.at(1);
    Model model;
    if (const int status = ReadCfgQuietly(args.at(0), model, err); status != 0)
        return status;
    Database db;
    QString table;
    if (!openCfgDatabase(model, db, table, err))
        return 2;
    const CodebookResult result = ExportCodebook(model, db, table, target);
    if (!result.written) {
        err << target << ": " << result.error << '\n';
        return 1;
    }
    return 0;
}

}  // namespace k7
