#include "cfg/HelpFiles.h"

#include "cfg/Blanks.h"
#include "cfg/PathParts.h"
#include "cfg/ProfileFile.h"
#include "cfg/TextFile.h"
#include "platform/Dialogs.h"

#include <QFileInfo>

namespace k7 {

namespace {

// The variable the writer means by `name`: the first of that name, or 0.
int variableNamed(const Model& model, const QString& name)
{
    for (int v = 1; v <= model.varcount && !name.isEmpty(); ++v) {
        if (SameText(model.var(v).varname, name))
            return v;
    }
    return 0;
}

QString existingBeside(const Model& model, const QString& name, const QString& extension)
{
    const QString path = CfgFolder(model) + name + extension;
    return QFileInfo(path).isFile() ? path : QString();
}

}  // namespace

QString CfgFolder(const Model& model)
{
    return SplitPath(model.cfgpath).directory;
}

QString HelpFilePath(const Model& model, const QString& info)
{
    return HasFolder(info) ? info : CfgFolder(model) + info;
}

QString FindHelpFile(const Model& model, const QString& name)
{
    for (int v = 1; v <= model.varcount; ++v) {
        const Variable& var = model.var(v);
        if (SameText(var.varname, name) && !var.varinfo.isEmpty())
            return HelpFilePath(model, var.varinfo);
    }
    // Files are named after the variable as the CFG spells it.
    const int v = variableNamed(model, name);
    const QString stored = v > 0 ? model.var(v).varname : name;
    QString path = existingBeside(model, stored, QStringLiteral(".html"));
    if (path.isEmpty())
        path = existingBeside(model, stored, QStringLiteral(".txt"));
    return path;
}

HelpSource LoadHelpSource(const QString& path)
{
    HelpSource source;
    const QFileInfo info(path);
    if (info.isFile() && info.size() >= kMaxHelpSourceBytes) {
        source.tooLarge = true;
        return source;
    }
    const TextFile file = TextFile::read(path);
    if (file.ok())
        source.text = file.lines.join(QLatin1Char('\n'));
    return source;
}

bool WriteHelpFile(const QString& path, const QStringList& lines, Dialogs& dialogs)
{
    QString error;
    if (WriteTextFile(path, lines, TextEncoding::Utf8, &error))
        return true;
    dialogs.message(QStringLiteral("Error: Could not write ") + path + QStringLiteral(".  ") + error,
                    Style::Critical);
    return false;
}

bool WriteInfoEntry(const Model& model, int v, const QString& value, Dialogs& dialogs)
{
    // An old-format file would read as a current-format CFG without its
    // variables once it held a section.
    if (model.cfgpath.isEmpty() || model.cfgunconverted)
        return true;
    const QString section = QLatin1Char('[') + model.var(v).varname + QLatin1Char(']');
    if (WriteSection(model.cfgpath, section, {{QStringLiteral("Info file"), value}}))
        return true;
    dialogs.message(QStringLiteral("Error: Could not write the help file of ") + model.var(v).varname
                        + QStringLiteral(" to ") + model.cfgpath,
                    Style::Critical);
    return false;
}

QString SaveHelpSource(Model& model, const QString& name, const QString& typedPath, const QString& text,
                       Dialogs& dialogs)
{
    const int v = variableNamed(model, name);
    if (v == 0) {
        dialogs.message(QStringLiteral("Select a field from the pulldown list before saving."), Style::Information);
        return {};
    }
    const QString typed =
        typedPath.isEmpty() ? CfgFolder(model) + model.var(v).varname + QStringLiteral(".html") : typedPath;
    const QString target = HelpFilePath(model, typed);
    if (!WriteHelpFile(target, text.split(QLatin1Char('\n')), dialogs))
        return {};

    const PathParts parts = SplitPath(target);
    QString entry = typed;
    if (parts.directory == CfgFolder(model))
        entry = parts.extension.isEmpty() ? parts.name : parts.name + QLatin1Char('.') + parts.extension;
    model.var(v).varinfo = entry;
    // The help file is written either way; a CFG that refused the entry has
    // already said so.
    static_cast<void>(WriteInfoEntry(model, v, entry, dialogs));
    return target;
}

}  // namespace k7
