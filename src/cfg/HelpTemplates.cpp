#include "cfg/HelpTemplates.h"

#include "cfg/HelpFiles.h"
#include "platform/Dialogs.h"

#include <QFileInfo>

namespace k7 {

namespace {

const QString kDescription = QStringLiteral("Description goes here.");

QStringList descriptionLines(const Model& model, int v)
{
    switch (model.var(v).vartype) {
    case TypeMenu:
    case TypeTable: {
        QStringList lines;
        for (const QString& item : SplitMenu(model, v)) {
            const QString text = item.toHtmlEscaped();
            lines.append(QStringLiteral("<p><a name=\"") + text + QStringLiteral("\"></a><b>") + text
                         + QStringLiteral("</b>: ") + kDescription + QStringLiteral("</p>"));
        }
        return lines;
    }
    case TypeImageJ:
        return {};
    default:
        return {QStringLiteral("<p>") + kDescription + QStringLiteral("</p>")};
    }
}

enum class Step { Write, Skip, Stop };

Step askToOverwrite(const QString& path, bool overwrite, Dialogs& dialogs)
{
    if (overwrite || !QFileInfo::exists(path))
        return Step::Write;
    const int answer = dialogs.message(QStringLiteral("The file ") + path
                                           + QStringLiteral(" already exists.  Overwrite this file?"),
                                       Style::YesNoCancel + Style::DefaultButton2);
    if (answer == Answer::Cancel)
        return Step::Stop;
    return answer == Answer::Yes ? Step::Write : Step::Skip;
}

// One variable of the run; false when the run ends here.
bool writeTemplate(Model& model, int v, bool overwrite, Dialogs& dialogs)
{
    const QString name = model.var(v).varname;
    const QString path = CfgFolder(model) + name + QStringLiteral(".html");
    switch (askToOverwrite(path, overwrite, dialogs)) {
    case Step::Stop: return false;
    case Step::Skip: return true;
    case Step::Write: break;
    }
    if (!WriteHelpFile(path, HelpTemplateLines(model, v), dialogs))
        return false;
    model.var(v).varinfo = path;
    return WriteInfoEntry(model, v, name + QStringLiteral(".html"), dialogs);
}

}  // namespace

QStringList HelpTemplateLines(const Model& model, int v)
{
    QStringList lines = {QStringLiteral("<HTML>"), QStringLiteral("<Head>"),
                         QStringLiteral("<meta charset=\"utf-8\">"),
                         QStringLiteral("<title>") + model.var(v).varname.toHtmlEscaped() + QStringLiteral("</title>"),
                         QStringLiteral("</head>"), QStringLiteral("<body>")};
    lines += descriptionLines(model, v);
    lines += {QStringLiteral("</body>"), QStringLiteral("</html>")};
    return lines;
}

bool WriteHelpTemplates(Model& model, Dialogs& dialogs, bool overwrite)
{
    dialogs.setBusy(true);
    for (int v = 1; v <= model.varcount; ++v) {
        if (!writeTemplate(model, v, overwrite, dialogs)) {
            dialogs.setBusy(false);
            return false;
        }
    }
    dialogs.setBusy(false);
    dialogs.message(QStringLiteral("Blank template files have been written to the directory ") + CfgFolder(model),
                    Style::Information);
    return true;
}

}  // namespace k7
