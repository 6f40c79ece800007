#include "cfg/CfgReadBack.h"

#include "cfg/Blanks.h"
#include "cfg/CfgWriter.h"
#include "cfg/OptionKeys.h"
#include "platform/UnattendedDialogs.h"

namespace k7 {

namespace {

// The trial reading shows nothing: warnings belong to real openings.
class QuietDialogs : public UnattendedDialogs {
public:
    int message(const QString&, int) override { return Answer::Ok; }
};

}  // namespace

CfgError ReadBackLines(const QStringList& lines, Model& back)
{
    QuietDialogs quiet;
    return ReadCurrentFormat(back, quiet, lines.join(QLatin1Char('\n')));
}

QString ChangedOption(const Model& model, const Model& back)
{
    const KeyTable written = OptionKeyTable(model);
    const KeyTable read = OptionKeyTable(back);
    for (qsizetype i = 0; i < written.size(); ++i) {
        const int slot = kOptionKeys[static_cast<size_t>(i)].slot;
        if (model.options.on(slot) != back.options.on(slot)
            || SectionEntries({written.at(i)}) != SectionEntries({read.at(i)}))
            return written.at(i).first;
    }
    return {};
}

QString CfgReadBackError(const Model& model)
{
    Model back;
    back.cfgpath = model.cfgpath;
    const CfgError error = ReadBackLines(CfgLines(model), back);
    if (error.failed())
        return TrimBlanks(error.text);
    // What the reader tidies (a help file found beside the CFG, a Length
    // out of range) is no reason to refuse; a field that vanishes is.
    for (int v = 1; v <= model.varcount; ++v) {
        const QString& name = model.var(v).varname;
        if (v > back.varcount || back.var(v).varname != name)
            return QStringLiteral("ERROR: The field %1 would be lost when the CFG is read again.").arg(name);
    }
    return {};
}

}  // namespace k7
