#include "cfg/LegacyCfgReader.h"

#include "cfg/Blanks.h"
#include "cfg/LineCursor.h"
#include "cfg/NumberText.h"
#include "cfg/PathParts.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <optional>

namespace k7 {

namespace {

constexpr int kLegacyTextLimit = 60;

const QStringList kInstruments = {
    QStringLiteral("BROWN&SHARPE"), QStringLiteral("FOWLER"),   QStringLiteral("OHAUS"),
    QStringLiteral("SYLVACIIZ"),    QStringLiteral("GAGEPORT"), QStringLiteral("MITUTOYO"),
    QStringLiteral("KEYBOARD"),
};

struct ColourCommand {
    const char* command;
    int slot;
    const char* error;
};
constexpr ColourCommand kColours[] = {
    {"TEXTFOR", OptTextForeColor, "ERROR: Invalid Text foreground color. "},
    {"TEXTBACK", OptTextBackColor, "ERROR: Invalid Text background color. "},
    {"MENUFOR", OptMenuForeColor, "ERROR: Invalid Menu foreground color. "},
    {"MENUBACK", OptMenuBackColor, "ERROR: Invalid Menu background color. "},
};

struct SlotCommand {
    const char* command;
    int slot;
    bool keepCase;  // a file path
};
constexpr SlotCommand kSlotCommands[] = {
    {"FILENAME", OptFilename, true},   {"COM", OptCom, false},
    {"OUTPUT", OptOutput, false},      {"SAVETIME", OptSaveTime, false},
    {"DELAYTIME", OptDelaytime, false}, {"COM1", OptCOM1, false},
    {"COM2", OptCOM2, false},          {"OHAUS", OptOhausPort, false},
    {"GAGEPORT", OptGageportPort, false}, {"MAXCAL", OptMaxcalPort, false},
    {"MITUTOYO", OptMitutoyoPort, false}, {"IMAGEJFILE", OptImageJFile, true},
};

struct InputType {
    const char* word;
    VarTypeCode code;
    int portSlot;  // 0 when the type needs no port
};
constexpr InputType kInputTypes[] = {
    {"TEXT", TypeText, 0},         {"NUMERIC", TypeNumeric, 0},
    {"INSTRUMENT", TypeInstrument, 0}, {"MENU", TypeMenu, 0},
    {"TABLE", TypeTable, 0},       {"SQID", TypeSqid, 0},
    {"OHAUS", TypeOhaus, OptOhausPort}, {"GAGEPORT", TypeGageport, OptGageportPort},
    {"MAXCAL", TypeMaxcal, OptMaxcalPort}, {"MITUTOYO", TypeMitutoyo, OptMitutoyoPort},
};

class LegacyReader {
public:
    LegacyReader(Model& model, QStringView text)
        : m_model(model), m_text(text), m_folder(SplitPath(model.cfgpath).directory)
    {
    }

    CfgError read()
    {
        LineCursor cursor(m_text);
        while (!cursor.atEnd()) {
            // Join continued lines; each "\" at a line's end becomes a blank.
            QString statement;
            for (;;) {
                const QStringView line = TrimBlanks(cursor.next());
                const bool endsInBackslash = line.endsWith(QLatin1Char('\\'));
                statement += endsInBackslash ? line.chopped(1) : line;
                if (endsInBackslash)
                    statement += QLatin1Char(' ');
                if (!endsInBackslash || cursor.atEnd())
                    break;
            }
            const QString error = readStatement(statement);
            if (!error.isEmpty())
                return CfgError{error, cursor.number()};
        }
        // A variable given no INPUT statement is a text variable, as the file
        // written from this model says.
        for (int v = 1; v <= m_model.varcount; ++v) {
            if (m_model.var(v).vartype == TypeUnset)
                m_model.var(v).vartype = TypeText;
            // Lines are trimmed when the converted file is read again, so a
            // prompt cut before a blank would otherwise change on every opening.
            m_model.var(v).varprompt = TrimBlanks(m_model.var(v).varprompt);
        }
        // The converted file must read back as this model: an empty BackColor
        // is read as white.
        if (m_model.options[OptBackColor].isEmpty())
            m_model.options[OptBackColor] = kWhiteColorNumber;
        return {};
    }

private:
    QString readStatement(const QString& statement)
    {
        if (TrimBlanks(statement).isEmpty() || statement.startsWith(QLatin1Char('\'')))
            return {};
        const qsizetype colon = statement.indexOf(QLatin1Char(':'));
        if (colon < 0) {
            if (statement.contains(QLatin1Char('[')))
                return QStringLiteral(" ERROR: Unrecognized statement.  If this is an K7 CFG "
                                      "file, make sure the first line of the file is [K7].");
            return QStringLiteral("'No ':' in this statement. ");
        }
        const QString command = TrimBlanks(statement.left(colon)).toUpper();
        const QString rawArgument = statement.mid(colon + 1);
        const QString argument = TrimBlanks(rawArgument);  // original case
        const QString upper = argument.toUpper();

        if (command == QLatin1String("FIELD"))
            return declare(upper, rawArgument.toUpper());
        if (const std::optional<QString> read = readOption(command, rawArgument))
            return *read;
        const auto declared = m_declared.constFind(command);
        if (declared == m_declared.constEnd())
            return QStringLiteral(" ERROR: No FIELD statement or unrecognized command ") + command
                + QStringLiteral(". ");
        return readVariableStatement(m_model.var(*declared), argument);
    }

    // A statement setting one of the options; nullopt for any other command.
    std::optional<QString> readOption(const QString& command, const QString& rawArgument)
    {
        const QString argument = TrimBlanks(rawArgument);  // original case
        const QString upper = argument.toUpper();
        if (command == QLatin1String("INSTRUMENT")) {
            if (!kInstruments.contains(upper))
                return QStringLiteral("ERROR: Instrument not supported. Check spelling.");
            m_model.options[OptInstrument] = upper;
            return QString();
        }
        if (command == QLatin1String("SOUND")) {
            // Any text after the colon turns the sound on, blanks included.
            // The current format drops blanks around a value, so blanks are
            // kept as the word the options dialog writes.
            m_model.options[OptSound] = !rawArgument.isEmpty() && upper.isEmpty() ? QStringLiteral("YES")
                                                                                  : rawArgument.toUpper();
            return QString();
        }
        if (command == QLatin1String("BISHOP")) {
            m_model.options[OptBishopPort] = QStringLiteral("Bishop");
            return QString();
        }
        if (command == QLatin1String("SQIDFILE"))
            return QString();
        for (const auto& colour : kColours) {
            if (command != QLatin1String(colour.command))
                continue;
            const double number = ValNumber(upper);
            if (number < 0 || number > 15)
                return QString::fromLatin1(colour.error);
            m_model.options[colour.slot] = upper;
            return QString();
        }
        for (const auto& option : kSlotCommands) {
            if (command == QLatin1String(option.command)) {
                m_model.options[option.slot] = option.keepCase ? argument : upper;
                return QString();
            }
        }
        return std::nullopt;
    }

    QString declare(const QString& name, const QString& rawName)
    {
        if (name.isEmpty())
            return QStringLiteral(" ERROR: No field name given. ");
        if (m_declared.contains(name)) {
            QString shown = rawName;
            while (shown.endsWith(QLatin1Char(' ')))
                shown.chop(1);
            return QStringLiteral("ERROR: Duplicate FIELD definition for ") + shown
                + QStringLiteral(" ");
        }
        if (m_model.varcount >= kMaxVariables)
            return QStringLiteral("ERROR: Too many FIELD definitions.  Limit is  %1.")
                .arg(kMaxVariables);
        const int v = ++m_model.varcount;
        m_model.var(v).varname = name;
        m_declared.insert(name, v);
        return {};
    }

    QString readVariableStatement(Variable& var, const QString& argument)
    {
        const auto [rawSub, rawValue] = SplitAtBlank(argument);
        const QString sub = rawSub.toUpper();
        const QString value = rawValue.toUpper();
        if (sub == QLatin1String("INPUT"))
            return readInputType(var, value);
        if (sub == QLatin1String("INFO") || sub == QLatin1String("WAVIN") || sub == QLatin1String("WAVOUT"))
            return readFilePath(sub == QLatin1String("INFO")        ? var.varinfo
                                    : sub == QLatin1String("WAVIN") ? var.varwavein
                                                                    : var.varwaveout,
                                rawValue);
        if (sub == QLatin1String("CONDITION"))
            return addCondition(var, value);
        if (sub == QLatin1String("PROMPT"))
            var.varprompt = LeftCharacters(value, kLegacyTextLimit);
        else if (sub == QLatin1String("MENULIST") || sub == QLatin1String("TABLELIST"))
            var.varmenu = value;
        else if (sub == QLatin1String("LOOKUP"))
            var.varlookup = rawValue;
        else if (sub == QLatin1String("VARLEN"))
            var.varlength = std::clamp(ValNumber(value), 0.0, double(kLegacyTextLimit));
        else if (sub == QLatin1String("FORMAT"))
            var.varoutput = value;
        else if (sub == QLatin1String("CARRY"))
            var.varcarry = true;
        else if (sub == QLatin1String("AUTOINC"))
            var.varautoinc = true;
        else if (sub == QLatin1String("UNIQUE"))
            var.varunique = true;
        else
            return QStringLiteral(" ERROR: Unrecognized command ") + sub + QStringLiteral(" ");
        return {};
    }

    QString readInputType(Variable& var, const QString& value)
    {
        for (const auto& type : kInputTypes) {
            if (value != QLatin1String(type.word))
                continue;
            if (type.portSlot != 0 && m_model.options[type.portSlot].isEmpty())
                return QStringLiteral(" ERROR: Must use %1 communications setting first.")
                    .arg(QLatin1String(type.word));
            var.vartype = type.code;
            if (type.code == TypeSqid)
                var.varlength = 11;
            return {};
        }
        return QStringLiteral(" ERROR: ") + LeftCharacters(value, 20)
            + QStringLiteral(" is an unrecognized INPUT type. ");
    }

    // A file named as it stands or beside the CFG; it must exist.
    QString readFilePath(QString& target, const QString& rawValue)
    {
        QString path = rawValue;
        if (!QFileInfo(path).isFile()) {
            path = m_folder + rawValue;
            if (rawValue.isEmpty() || !QFileInfo(path).isFile())
                return QStringLiteral(" ERROR: ") + rawValue + QStringLiteral(" file not found. ");
        }
        target = path;
        return {};
    }

    QString addCondition(Variable& var, const QString& value)
    {
        if (var.condcount >= kMaxConditions)
            return QStringLiteral(" ERROR: To many condition statements for ") + var.varname
                + QStringLiteral(" field.");
        const auto [condName, condValues] = SplitAtBlank(value);
        if (condValues.isEmpty())
            return QStringLiteral(" ERROR: No matching values given for this condition statement. ");
        if (!m_declared.contains(condName))
            return QStringLiteral(" ERROR: ") + condName + QStringLiteral(" field must be declared before condition.");
        ++var.condcount;
        var.condtext[static_cast<size_t>(var.condcount)] = value;
        return {};
    }

    Model& m_model;
    QStringView m_text;
    const QString m_folder;
    QHash<QString, int> m_declared;  // upper-case name -> variable number
};

}  // namespace

CfgError ReadLegacyCfg(Model& model, QStringView text)
{
    return LegacyReader(model, text).read();
}

}  // namespace k7
