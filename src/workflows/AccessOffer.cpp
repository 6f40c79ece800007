#include "workflows/AccessOffer.h"

#include "access/AccessFile.h"
#include "access/AccessImport.h"
#include "store/Naming.h"

namespace k7 {

AccessOffer OfferAccessImport(const QString& path, Dialogs& dialogs, const AccessReader& reader)
{
    const AccessFormat format = DetectAccessFormat(path);
    if (format == AccessFormat::None)
        return AccessOffer::NotAccess;
    const QString refusal = AccessImportRefusal(path);
    if (!refusal.isEmpty()) {
        dialogs.message(QStringLiteral("Error: %1 is a Microsoft Access database.  %2").arg(path, refusal),
                        Style::OkOnly + Style::Critical);
        return AccessOffer::Failed;
    }
    const int answer = dialogs.message(
        QStringLiteral("The database %1 is a Microsoft Access file (%2).  K7 can copy its records into a K7 "
                       "database at the same path.  The original is kept, unchanged, as %3.  Copy the records now?")
            .arg(path, AccessFormatName(format), KeptAccessName(path)),
        Style::YesNo + Style::Question);
    if (answer != Answer::Yes)
        return AccessOffer::Declined;
    const AccessImport result = ConvertAccessInPlace(path, reader, [&](SteppedWork& copy) {
        return dialogs.runWithProgress(QStringLiteral("Copying the records of %1").arg(path), copy);
    });
    if (result.cancelled) {
        dialogs.message(QStringLiteral("The copy of the records of %1 was cancelled.  Nothing was changed.").arg(path),
                        Style::OkOnly + Style::Information);
        return AccessOffer::Declined;
    }
    if (!result.ok) {
        // Unless the original is left under its kept name, which the reason says.
        const QString unchanged = result.keptAs.isEmpty() ? QStringLiteral("  Nothing was changed.") : QString();
        dialogs.message(QStringLiteral("Error: The records of %1 could not be copied.  %2%3")
                            .arg(path, result.error, unchanged),
                        Style::OkOnly + Style::Critical);
        return AccessOffer::Failed;
    }
    return AccessOffer::Converted;
}

QString AccessImportHint(const QString& path)
{
    return QStringLiteral("%1 is a Microsoft Access database (%2).  Open it with File > Open to copy its records "
                          "into a K7 database, or run: k7 --import-access \"%1\"")
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
