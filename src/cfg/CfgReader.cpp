#include "cfg/CfgReader.h"

#include "cfg/Blanks.h"
#include "cfg/CfgConversion.h"
#include "cfg/CfgSections.h"
#include "cfg/LegacyCfgReader.h"
#include "cfg/LineCursor.h"
#include "cfg/NumberText.h"
#include "cfg/OptionKeys.h"
#include "cfg/PathParts.h"
#include "cfg/TextFile.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace k7 {

namespace {

const QString kIllegalNameCharacters = QStringLiteral("[]=?+\\|/><,~`!@#$%^*().");

// The variable key table, in the reader's order.
enum VarRow : int {
    RowType, RowPrompt, RowOutput, RowMenu, RowLength, RowInfo, RowCarry, RowWaveIn,
    RowWaveOut, RowUnique, RowLookUp, RowCondition1, RowCondition2, RowCondition3,
    RowCondition4, RowCondition5, RowCondition6, RowTable, RowAutoinc, RowSkip, RowComment,
    RowImageJ,
};
constexpr const char* kVariableKeys[] = {
    "Type", "Prompt", "Output", "Menu", "Length", "Info file", "Carry", "Wave in", "Wave out",
    "Unique", "Look up", "Condition1", "Condition2", "Condition3", "Condition4", "Condition5",
    "Condition6", "Table", "Autoinc", "Skip", "comment", "ImageJ",
};

KeyTable emptyTable(const char* const* keys, size_t count)
{
    KeyTable table;
    table.reserve(static_cast<qsizetype>(count));
    for (size_t i = 0; i < count; ++i)
        table.append({QString::fromLatin1(keys[i]), QString()});
    return table;
}

const QString& keyValue(const KeyTable& keys, VarRow row)
{
    return keys.at(row).second;
}

bool isFlag(const QString& value)
{
    const QString upper = value.toUpper();
    return upper == QLatin1String("YES") || upper == QLatin1String("TRUE");
}

bool fileExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

QString illegalCharacter(const QString& character, const QString& name)
{
    return QStringLiteral("ERROR: ") + character
        + QStringLiteral(" is an illegal character for a field name.  Please correct field "
                         "definition ")
        + name + QStringLiteral(".");
}

CfgError failure(const QString& text, int line)
{
    return CfgError{text, line};
}

KeyTable optionTable()
{
    KeyTable table;
    for (const auto& option : kOptionKeys)
        table.append({QString::fromLatin1(option.key), QString()});
    return table;
}

void readOptions(Model& model, const KeyTable& table)
{
    for (size_t i = 0; i < std::size(kOptionKeys); ++i) {
        const QString& value = table.at(static_cast<qsizetype>(i)).second;
        if (!value.isEmpty())
            model.options[kOptionKeys[i].slot] = value;
    }
    if (model.options[OptBackColor].isEmpty())
        model.options[OptBackColor] = kWhiteColorNumber;
    const QString& imagej = model.options[OptImageJFile];
    if (!imagej.isEmpty() && fileExists(imagej))
        model.imagejstamp = QFileInfo(imagej).lastModified();
}

// Types whose reading needs an instrument port of the predecessor format.
struct PortType {
    const char* word;
    VarTypeCode code;
    int slot;
};
constexpr PortType kPortTypes[] = {
    {"OHAUS", TypeOhaus, OptOhausPort},
    {"GAGEPORT", TypeGageport, OptGageportPort},
    {"MAXCAL", TypeMaxcal, OptMaxcalPort},
    {"MITUTOYO", TypeMitutoyo, OptMitutoyoPort},
};

class CurrentFormatReader {
public:
    CurrentFormatReader(Model& model, Dialogs& dialogs, QStringView text)
        : m_model(model), m_dialogs(dialogs),
          m_sections(text, optionTable(), emptyTable(kVariableKeys, std::size(kVariableKeys))),
          m_folder(SplitPath(model.cfgpath).directory)
    {
    }

    CfgError read()
    {
        readOptions(m_model, m_sections.options());
        for (const auto& header : m_sections.headers()) {
            const QString error = readVariable(header.text, header.keys);
            if (!error.isEmpty())
                return failure(error, header.line);
        }
        if (m_model.varcount == 0) {
            return failure(QStringLiteral(" ERROR: This CFG does not include any variables."),
                           m_sections.lineCount());
        }
        return {};
    }

private:
    QString readVariable(const QString& header, const KeyTable& keys)
    {
        const QString name = VariableName(header);
        if (QString error = nameError(header, name); !error.isEmpty())
            return error;
        const int v = ++m_model.varcount;
        Variable& var = m_model.var(v);
        var.varname = name;
        m_names.insert(FoldCase(name));

        if (QString error = readType(var, keyValue(keys, RowType), keyValue(keys, RowMenu)); !error.isEmpty())
            return error;
        readTexts(var, keys);
        readFiles(var, keys);
        var.varunique = isFlag(keyValue(keys, RowUnique));
        var.varautoinc = isFlag(keyValue(keys, RowAutoinc));
        if (QString error = readLookUp(var, keyValue(keys, RowLookUp)); !error.isEmpty())
            return error;
        if (QString error = readConditions(var, keys); !error.isEmpty())
            return error;
        if (!keyValue(keys, RowTable).isEmpty())
            var.varmenu = keyValue(keys, RowTable);
        if (!keyValue(keys, RowImageJ).isEmpty())
            var.varimagej = ValNumber(keyValue(keys, RowImageJ));
        return {};
    }

    // Why a section headed `header` cannot declare the variable `name`.
    QString nameError(const QString& header, const QString& name) const
    {
        if (m_names.contains(FoldCase(name)))
            return QStringLiteral("ERROR: Duplicate FIELD definition for ") + name + QStringLiteral(" ");
        if (m_model.varcount >= kMaxVariables)
            return QStringLiteral("ERROR: Too many FIELD definitions.  Limit is  %1.").arg(kMaxVariables);
        // A typo such as "[K7}" names a variable K7, whose section the writer
        // could not tell from the options: it would vanish at the next opening.
        if (SameText(QLatin1Char('[') + name + QLatin1Char(']'), kOptionsHeader))
            return illegalCharacter(header.sliced(header.size() - LastCharacterSize(header)), name);
        return FieldNameError(name);
    }

    static void readTexts(Variable& var, const KeyTable& keys)
    {
        if (!keyValue(keys, RowPrompt).isEmpty())
            var.varprompt = keyValue(keys, RowPrompt);
        if (!keyValue(keys, RowMenu).isEmpty())
            var.varmenu = keyValue(keys, RowMenu);
        // Output is kept although nothing here uses it: a converted file
        // carries it, and dropping it would change the file at every opening.
        if (!keyValue(keys, RowOutput).isEmpty())
            var.varoutput = keyValue(keys, RowOutput);
        // A negative length is no length: it would make an unusable field.
        if (!keyValue(keys, RowLength).isEmpty())
            var.varlength = std::clamp(ValNumber(keyValue(keys, RowLength)), 0.0, 255.0);
    }

    // The info and sound files, each warned about when it cannot be found;
    // and the flags read between them.
    void readFiles(Variable& var, const KeyTable& keys)
    {
        if (const QString& info = keyValue(keys, RowInfo); !info.isEmpty())
            readInfoFile(var, info);
        var.varcarry = isFlag(keyValue(keys, RowCarry));
        var.varskip = isFlag(keyValue(keys, RowSkip));
        var.varwavein = keyValue(keys, RowWaveIn);
        if (!soundExists(var.varwavein))
            warn(QStringLiteral("Warning: Could not find Sound In file ") + var.varwavein
                 + QStringLiteral(" for field ") + var.varname);
        var.varwaveout = keyValue(keys, RowWaveOut);
        if (!soundExists(var.varwaveout))
            warn(QStringLiteral("Warning: Could not find Sound Out file ") + var.varwaveout
                 + QStringLiteral(" for field ") + var.varname);
    }

    void readInfoFile(Variable& var, const QString& info)
    {
        var.varinfo = info;
        if (fileExists(info))
            return;
        const PathParts parts = SplitPath(info);
        // A name without an extension is looked up as it is: "README."
        // names no file here, where a trailing dot is not dropped.
        const QString bare = parts.extension.isEmpty() ? parts.name : parts.name + QLatin1Char('.') + parts.extension;
        if (fileExists(m_folder + bare))
            var.varinfo = bare;
        else
            warn(QStringLiteral("Warning: Could not find Info File ") + info + QStringLiteral(" for field ")
                 + var.varname);
    }

    QString readLookUp(Variable& var, const QString& lookup) const
    {
        if (lookup.isEmpty())
            return {};
        const qsizetype blank = lookup.lastIndexOf(QLatin1Char(' '));
        if (blank < 0)
            return QStringLiteral(" ERROR: Look-up variable needs a database and table name.");
        const QString database = lookup.left(blank);
        if (!fileExists(database) && !fileExists(m_folder + database))
            return QStringLiteral(" ERROR: Look-up database ") + database
                + QStringLiteral(" could not be found/opened.");
        var.varlookup = lookup;
        return {};
    }

    QString readConditions(Variable& var, const KeyTable& keys) const
    {
        if (!keyValue(keys, RowCondition6).isEmpty())
            return QStringLiteral(" ERROR: To many condition statements for ") + var.varname
                + QStringLiteral(" field.");
        for (int k = 1; k <= kMaxConditions; ++k) {
            const QString& text = keyValue(keys, static_cast<VarRow>(RowCondition1 + k - 1));
            if (text.isEmpty())
                break;
            ++var.condcount;
            var.condtext[static_cast<size_t>(k)] = text;
            const auto [condName, condValues] = SplitAtBlank(text);
            if (condValues.isEmpty())
                return QStringLiteral(" ERROR: No matching values given for this condition statement. ");
            if (!m_names.contains(FoldCase(condName)))
                return QStringLiteral(" ERROR: ") + condName
                    + QStringLiteral(" field must be declared before condition.");
        }
        return {};
    }

    QString readType(Variable& var, const QString& type, const QString& menu)
    {
        const QString upper = type.toUpper();
        if (upper.isEmpty() || upper == QLatin1String("TEXT")) {
            var.vartype = TypeText;
        } else if (upper == QLatin1String("NUMERIC")) {
            var.vartype = TypeNumeric;
        } else if (upper == QLatin1String("INSTRUMENT")) {
            var.vartype = TypeInstrument;
        } else if (upper == QLatin1String("TABLE")) {
            var.vartype = TypeTable;
        } else if (upper == QLatin1String("SQID")) {
            var.vartype = TypeSqid;
            var.varlength = 11;
        } else if (upper == QLatin1String("MENU")) {
            var.vartype = TypeMenu;
            if (menu.isEmpty())
                return QStringLiteral(" ERROR: Menu type variable must include a MENU line with "
                                      "menu list.");
        } else if (upper == QLatin1String("IMAGEJ")) {
            if (m_model.options[OptImageJFile].isEmpty())
                return QStringLiteral("ERROR: Must supply an IMAGEJFILE in K7 section to use "
                                      "IMAGEJ variable type.");
            var.vartype = TypeImageJ;
        } else {
            for (const auto& port : kPortTypes) {
                if (upper != QLatin1String(port.word))
                    continue;
                if (m_model.options[port.slot].isEmpty())
                    return QStringLiteral(" ERROR: Must use %1 communications setting first.")
                        .arg(QLatin1String(port.word));
                var.vartype = port.code;
                return {};
            }
            return QStringLiteral(" ERROR: ") + type
                + QStringLiteral(" is an unrecognized variable TYPE. ");
        }
        return {};
    }

    bool soundExists(const QString& path) const
    {
        return path.isEmpty() || fileExists(path) || fileExists(m_folder + path);
    }

    void warn(const QString& text) { m_dialogs.message(text, Style::Information); }

    Model& m_model;
    Dialogs& m_dialogs;
    const CfgSections m_sections;
    const QString m_folder;
    QSet<QString> m_names;  // folded names of the variables read so far
};

}  // namespace

QString FieldNameError(const QString& name)
{
    for (const QChar c : kIllegalNameCharacters) {
        if (name.contains(c))
            return illegalCharacter(c, name);
    }
    if (SameText(QLatin1Char('[') + name + QLatin1Char(']'), kOptionsHeader))
        return illegalCharacter(QStringLiteral("]"), name);
    return {};
}

QStringList VariableKeyNames()
{
    QStringList names;
    for (const char* key : kVariableKeys)
        names << QString::fromLatin1(key);
    return names;
}

bool IsCurrentFormat(QStringView text)
{
    // "[K7]" holds no line end, so a search of the whole text finds it exactly
    // when a search of each line would. Looking for "[" first is much faster
    // than a search without regard to case.
    for (qsizetype at = text.indexOf(QLatin1Char('[')); at >= 0;
         at = text.indexOf(QLatin1Char('['), at + 1)) {
        if (text.sliced(at).first(std::min<qsizetype>(4, text.size() - at))
                .compare(kOptionsHeader, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

CfgError ReadCurrentFormat(Model& model, Dialogs& dialogs, QStringView text)
{
    return CurrentFormatReader(model, dialogs, text).read();
}

CfgError ReadCfg(Model& model, Dialogs& dialogs, CfgReadMode mode)
{
    model.varcount = 0;
    ClearModel(model);
    model.options.clear();
    for (auto& var : model.vars)
        var.condcount = 0;
    model.imagejstamp.reset();
    model.cfgunconverted = false;

    const DecodedFile file = DecodedFile::read(model.cfgpath);
    if (!file.ok()) {
        CfgError error = failure(QStringLiteral("ERROR: Could not read ") + model.cfgpath
                                     + QStringLiteral(": ") + file.error + QStringLiteral("."),
                                 0);
        error.unreadable = true;
        return error;
    }
    if (IsCurrentFormat(file.text))
        return ReadCurrentFormat(model, dialogs, file.text);

    const CfgError error = ReadLegacyCfg(model, file.text);
    if (error.failed())
        return error;
    // A file without variables is not worth converting: it could not be
    // opened afterwards either.
    if (model.varcount == 0)
        return failure(QStringLiteral(" ERROR: This CFG does not include any variables."),
                       CountLines(file.text));
    if (CanConvertLegacyCfg(model, dialogs) && mode == CfgReadMode::Open)
        ConvertLegacyCfg(model, dialogs);
    return error;
}

}  // namespace k7
