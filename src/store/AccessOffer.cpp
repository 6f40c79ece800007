#include "store/AccessOffer.h"

#include "store/AccessFile.h"
#include "store/AccessImport.h"
#include "store/Naming.h"

namespace k7 {

AccessOffer OfferAccessImport(const QString& path, Dialogs& dialogs)
{
    const AccessFormat format = DetectAccessFormat(path);
    if (format == AccessFormat::None)
        return AccessOffer::NotAccess;
    const int answer = dialogs.message(
        QStringLiteral("The database %1 is a Microsoft Access file (%2).  K7 can copy its records into a K7 "
                       "database at the same path.  The original is kept, unchanged, as %3.  Copy the records now?")
            .arg(path, AccessFormatName(format), KeptAccessName(path)),
        Style::YesNo + Style::Question);
    if (answer != Answer::Yes)
        return AccessOffer::Declined;
    dialogs.setBusy(true);
    const AccessImport result = ConvertAccessInPlace(path);
    dialogs.setBusy(false);
    if (!result.ok) {
        dialogs.message(QStringLiteral("Error: The records of %1 could not be copied.  %2  Nothing was changed.")
                            .arg(path, result.error),
                        Style::OkOnly + Style::Critical);
        return AccessOffer::Failed;
    }
    return AccessOffer::Converted;
}

QString AccessImportHint(const QString& path)
{
    return QStringLiteral("%1 is a Microsoft Access database (%2); open it in K7 to copy its records over, or run "
                          "k7 --import-access \"%1\"")
        .arg(path, AccessFormatName(DetectAccessFormat(path)));
}

QStringList AccessCheckWarnings(const Model& model)
{
    const QString dbname = DeriveDbName(model.cfgpath, model.options[OptFilename]);
    if (DetectAccessFormat(dbname) == AccessFormat::None)
        return {};
    return {AccessImportHint(dbname)};
}

}  // namespace k7
