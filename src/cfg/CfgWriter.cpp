#include "cfg/CfgWriter.h"

#include "cfg/Blanks.h"
#include "cfg/NumberText.h"
#include "cfg/OptionKeys.h"
#include "cfg/PathParts.h"
#include "cfg/TextFile.h"

#include <QSet>

namespace k7 {

namespace {

QString flagText(bool flag) { return flag ? QStringLiteral("True") : QString(); }

QString numberText(double number) { return number == 0 ? QString() : ShortestNumber(number); }

QString sectionHeader(const Model& model, int v)
{
    return QLatin1Char('[') + model.var(v).varname + QLatin1Char(']');
}

// The temporary file the failure message names; the real one is made in the
// target's folder and never outlives a failed write.
QString temporaryName(const QString& target, const QString& name)
{
    return SplitPath(target).directory + name;
}

void reportWriteFailure(Dialogs& dialogs, const QString& temporary)
{
    dialogs.message(QStringLiteral("Error writing temporary file ") + temporary
                        + QStringLiteral(". Changes not saved."),
                    Style::Critical);
}

}  // namespace

QString TypeWord(int code)
{
    static const char* const words[] = {"Text", "Numeric", "Instrument", "Menu", "Table", "Sqid",
                                        "Ohaus", "Gageport", "Maxcal", "Mitutoyo", "ImageJ"};
    if (code < TypeText || code > TypeImageJ)
        return {};
    return QString::fromLatin1(words[code - 1]);
}

KeyTable OptionKeyTable(const Model& model)
{
    KeyTable keys;
    for (const auto& option : kOptionKeys)
        keys.append({QString::fromLatin1(option.key), model.options[option.slot]});
    return keys;
}

KeyTable VariableKeys(const Model& model, int v)
{
    const Variable& var = model.var(v);
    KeyTable keys = {
        {QStringLiteral("Type"), TypeWord(var.vartype)},
        {QStringLiteral("Prompt"), var.varprompt},
        {QStringLiteral("Output"), var.varoutput},
        {QStringLiteral("Menu"), var.varmenu},
        {QStringLiteral("Length"), numberText(var.varlength)},
        {QStringLiteral("Info file"), var.varinfo},
        {QStringLiteral("Carry"), flagText(var.varcarry)},
        {QStringLiteral("Wave in"), var.varwavein},
        {QStringLiteral("Wave out"), var.varwaveout},
        {QStringLiteral("Unique"), flagText(var.varunique)},
        {QStringLiteral("Look up"), var.varlookup},
        {QStringLiteral("Autoinc"), flagText(var.varautoinc)},
        {QStringLiteral("Skip"), flagText(var.varskip)},
        {QString(), QString()},
        {QStringLiteral("ImageJ"), numberText(var.varimagej)},
    };
    for (int k = 1; k <= var.condcount && k <= kMaxConditions; ++k)
        keys.append({QStringLiteral("Condition%1").arg(k), var.condtext[static_cast<size_t>(k)]});
    return keys;
}

QStringList CfgLines(const Model& model)
{
    QStringList lines = ApplySection(QStringList{kOptionsHeader}, kOptionsHeader,
                                     OptionKeyTable(model));
    // Each variable's section is new to the file and simply appended; only a
    // header already present (names equal but for case) needs the full merge.
    QSet<QString> headers{FoldCase(kOptionsHeader)};
    for (int v = 1; v <= model.varcount; ++v) {
        const QString header = sectionHeader(model, v);
        const KeyTable keys = VariableKeys(model, v);
        if (headers.contains(FoldCase(header))) {
            lines = ApplySection(lines, header, keys);
            continue;
        }
        headers.insert(FoldCase(header));
        lines.append(QStringLiteral(" "));
        lines.append(header);
        lines.append(SectionEntries(keys));
    }
    return lines;
}

bool WriteCfg(const Model& model, const QString& target, Dialogs& dialogs)
{
    const QStringList lines = CfgLines(model);
    const TextEncoding encoding = EncodingForRewrite(target, lines);
    if (!WriteFileBytes(target, JoinLines(lines, encoding))) {
        reportWriteFailure(dialogs, temporaryName(target, QStringLiteral("$$$temp$$$.cfg")));
        return false;
    }
    return true;
}

bool WriteVariable(const Model& model, const QString& path, int v, Dialogs& dialogs)
{
    if (!WriteSection(path, sectionHeader(model, v), VariableKeys(model, v))) {
        reportWriteFailure(dialogs, temporaryName(path, QStringLiteral("$temp$.ini")));
        return false;
    }
    return true;
}

}  // namespace k7
