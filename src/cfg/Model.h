#pragma once
// The variable model: what reading a CFG fills and every other subsystem reads.
// Variables are numbered 1..varcount (slot 0 unused), as the CFG format and the
// rest of the program count them.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace k7 {

constexpr int kMaxVariables = 500;
constexpr int kMaxConditions = 5;

// Type codes as stored in the model and written back as words.
enum VarTypeCode : int {
    TypeUnset = 0,
    TypeText = 1,
    TypeNumeric = 2,
    TypeInstrument = 3,
    TypeMenu = 4,
    TypeTable = 5,
    TypeSqid = 6,
    TypeOhaus = 7,
    TypeGageport = 8,
    TypeMaxcal = 9,
    TypeMitutoyo = 10,
    TypeImageJ = 11,
};

// Option slots of the [K7] section.
enum OptionSlot : int {
    OptFilename = 1,
    OptCom = 2,
    OptInstrument = 3,
    OptBackColor = 4,
    OptSound = 5,
    OptTextForeColor = 7,   // predecessor format only
    OptTextBackColor = 8,   // predecessor format only
    OptMenuForeColor = 9,   // predecessor format only
    OptMenuBackColor = 10,  // predecessor format only
    OptOutput = 11,         // predecessor format only
    OptSaveTime = 12,       // predecessor format only
    OptDelaytime = 15,
    OptCOM1 = 16,
    OptCOM2 = 17,
    OptOhausPort = 18,      // predecessor format only
    OptGageportPort = 19,   // predecessor format only
    OptBishopPort = 20,     // predecessor format only
    OptMaxcalPort = 21,     // predecessor format only
    OptMitutoyoPort = 22,   // predecessor format only
    OptTable = 23,
    OptReEdit = 24,
    OptEmptyonly = 25,
    OptImageJFile = 26,
    OptSort = 27,
    OptFilter = 28,
};
constexpr int kOptionSlots = 28;

// The decimal colour number of white (blue, green, red bytes).
inline const QString kWhiteColorNumber = QStringLiteral("16777215");

// Types whose values are kept in a Text field; the others are numbers.
inline bool IsTextType(int vartype)
{
    return vartype == TypeText || vartype == TypeMenu || vartype == TypeTable || vartype == TypeSqid;
}

struct Options {
    std::array<QString, kOptionSlots + 1> slot;  // slot[0] unused

    QString& operator[](int s) { return slot[static_cast<size_t>(s)]; }
    const QString& operator[](int s) const { return slot[static_cast<size_t>(s)]; }
    // Sound, Re-edit and Emptyonly are on when their text is not empty.
    bool on(int s) const { return !(*this)[s].isEmpty(); }
    void clear() { for (auto& s : slot) s.clear(); }
};

struct Variable {
    QString varname;
    int vartype = TypeUnset;
    QString varprompt;
    QString varoutput;
    QString varmenu;
    double varlength = 0;
    QString varinfo;
    QString varwavein;
    QString varwaveout;
    bool varunique = false;
    bool varcarry = false;
    bool varautoinc = false;
    bool varskip = false;
    QString varlookup;
    double varimagej = 0;
    int condcount = 0;
    std::array<QString, kMaxConditions + 1> condtext;  // condtext[1..5]
};

struct Model {
    int varcount = 0;
    std::vector<Variable> vars = std::vector<Variable>(kMaxVariables + 1);  // vars[1..500]
    Options options;
    QString cfgpath;
    std::optional<QDateTime> imagejstamp;
    // Set when a predecessor-format CFG was read and the operator chose not to
    // convert it: the file is then left as it is rather than rewritten.
    bool cfgunconverted = false;

    Variable& var(int v) { return vars[static_cast<size_t>(v)]; }
    const Variable& var(int v) const { return vars[static_cast<size_t>(v)]; }
};

// Empties every per-variable table for all 500 slots. Leaves varcount, the
// condition counts and the options alone.
void ClearModel(Model& model);

// Splits the menu list of variable v into items (returned 0-based; at most
// `room` items). The separator is "," when the text has one, else a blank.
QStringList SplitMenu(const Model& model, int v, int room = kMaxVariables);

}  // namespace k7
