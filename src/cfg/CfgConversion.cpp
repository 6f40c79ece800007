#include "cfg/CfgConversion.h"

#include "cfg/Blanks.h"
#include "cfg/CfgReadBack.h"
#include "cfg/CfgReader.h"
#include "cfg/CfgSections.h"
#include "cfg/CfgWriter.h"
#include "cfg/OptionKeys.h"
#include "cfg/PathParts.h"

#include <QFile>
#include <QFileInfo>

namespace k7 {

namespace {

const QString kCannotConvert = QStringLiteral("This configuration file cannot be converted to the new K7 "
                                              "format, because ");
const QString kLeftUnchanged = QStringLiteral("  The file is left unchanged and used as it is.");

QString obstacle(const QString& name, const QString& why)
{
    QString text = kCannotConvert + QStringLiteral("field ") + name + QStringLiteral(" would not read back: ") + why;
    if (!text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    return text + kLeftUnchanged;
}

// A reading error as a reason: without its "ERROR:" and its blanks.
QString reasonOf(const QString& error)
{
    QString reason = TrimBlanks(error);
    if (reason.startsWith(QLatin1String("ERROR: ")))
        reason = TrimBlanks(reason.mid(7));
    return reason;
}

QString whyMissing(const Model& model, int v)
{
    const QString& name = model.var(v).varname;
    if (SameText(QLatin1Char('[') + name + QLatin1Char(']'), kOptionsHeader))
        return QStringLiteral("its section would be the options section ") + kOptionsHeader;
    for (int u = 1; u < v; ++u) {
        if (SameText(model.var(u).varname, name))
            return QStringLiteral("the new format does not tell its name apart from ")
                + model.var(u).varname;
    }
    return QStringLiteral("its section would be lost");
}

}  // namespace

QString ConversionObstacle(const Model& model)
{
    const QStringList lines = CfgLines(model);
    Model back;
    back.cfgpath = model.cfgpath;
    // The trial reading's warnings were given for the old file already.
    const CfgError error = ReadBackLines(lines, back);
    if (error.failed() && error.line >= 1 && error.line <= lines.size()) {
        const QStringView header = TrimBlanks(QStringView(lines.at(error.line - 1)));
        if (IsVariableHeader(header))
            return obstacle(VariableName(header), reasonOf(error.text));
    }
    // Variables whose sections the file cannot hold apart are missing first;
    // the settings of the one they merged into differ only because of that.
    for (int v = 1; v <= model.varcount; ++v) {
        if (v > back.varcount || back.var(v).varname != model.var(v).varname)
            return obstacle(model.var(v).varname, whyMissing(model, v));
    }
    for (int v = 1; v <= model.varcount; ++v) {
        if (SectionEntries(VariableKeys(back, v)) != SectionEntries(VariableKeys(model, v)))
            return obstacle(model.var(v).varname,
                            QStringLiteral("its settings would read back changed"));
    }
    if (error.failed())
        return obstacle(model.var(1).varname, reasonOf(error.text));
    if (const QString option = ChangedOption(model, back); !option.isEmpty())
        return kCannotConvert + QStringLiteral("its option ") + option
            + QStringLiteral(" would read back changed.") + kLeftUnchanged;
    return {};
}

bool CanConvertLegacyCfg(Model& model, Dialogs& dialogs)
{
    const QString why = ConversionObstacle(model);
    if (why.isEmpty())
        return true;
    dialogs.message(why, Style::Exclamation);
    model.cfgunconverted = true;
    return false;
}

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
                                            Style::YesNo + Style::Question + Style::DefaultButton2);
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
