#include "cfg/CfgConversion.h"

#include "cfg/CfgWriter.h"
#include "cfg/PathParts.h"

#include <QFile>
#include <QFileInfo>

namespace k7 {

QString LegacyBackupPath(const QString& cfgpath)
{
    const PathParts parts = SplitPath(cfgpath);
    return parts.directory + QStringLiteral("k6_") + parts.name + QStringLiteral(".bak");
}

void ConvertLegacyCfg(Model& model, Dialogs& dialogs)
{
    model.cfgunconverted = true;
    const int convert = dialogs.message(
        QStringLiteral("This configuration file is an older format compatible with Keyset Six "
                       "(the DOS version of this program).  Would you like to convert it to the "
                       "new K7 format (all comment lines after the first active line of your CFG "
                       "will be lost - a backup will be made of your current configuration "
                       "file) ?"),
        Style::YesNo + Style::Question);
    if (convert != Answer::Yes)
        return;

    const QString backup = LegacyBackupPath(model.cfgpath);
    if (QFileInfo::exists(backup)) {
        const int replace = dialogs.message(QStringLiteral("Ok to replace existing file") + backup,
                                            Style::YesNo + Style::Question);
        if (replace != Answer::Yes) {
            dialogs.message(QStringLiteral("New configuration file will not be written."),
                            Style::Information);
            return;
        }
        QFile::remove(backup);
    }
    // The old file is copied rather than moved, so that the CFG is never
    // missing: should the new one fail to be written, the old one is still there.
    if (!QFile::copy(model.cfgpath, backup)) {
        dialogs.message(QStringLiteral("Error.  Could not make the backup ") + backup
                            + QStringLiteral(".  New configuration file will not be written."),
                        Style::Critical);
        return;
    }
    if (WriteCfg(model, model.cfgpath, dialogs))
        model.cfgunconverted = false;
}

}  // namespace k7
