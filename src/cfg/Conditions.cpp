#include "cfg/Conditions.h"

#include "cfg/Blanks.h"

#include <optional>

namespace k7 {

namespace {

enum class Operator { None, And, Or };

struct ConditionParts {
    QString name;
    bool negated = false;
    Operator op = Operator::None;
    QString values;  // as written, blanks not yet replaced
};

ConditionParts parseCondition(const QString& text)
{
    ConditionParts parts;
    const qsizetype blank = text.indexOf(QLatin1Char(' '));
    parts.name = TrimBlanks(blank < 0 ? text : text.left(blank));
    QStringView rest;
    if (blank >= 0) {
        QStringView after = QStringView(text).mid(blank + 1);
        while (!after.isEmpty() && after.front() == QLatin1Char(' '))
            after = after.mid(1);
        while (!after.isEmpty() && after.back() == QLatin1Char(' '))
            after.chop(1);
        rest = after;
    }
    if (rest.startsWith(QLatin1String("not "), Qt::CaseInsensitive)) {
        parts.negated = true;
        rest = rest.mid(4);
    }
    if (rest.endsWith(QLatin1String(" and"), Qt::CaseInsensitive)) {
        parts.op = Operator::And;
        rest.chop(4);
    } else if (rest.endsWith(QLatin1String(" or"), Qt::CaseInsensitive)) {
        parts.op = Operator::Or;
        rest.chop(3);
    }
    parts.values = rest.toString();
    return parts;
}

constexpr int kTrue = 1;
constexpr int kFalse = 2;

// Whether the variable a condition names has one of the listed values (or,
// with "not", none of them). A condition naming no variable never holds.
bool conditionHolds(const Model& model, const ConditionParts& cond, const std::vector<QString>& values)
{
    int named = 0;
    for (int i = 1; i <= model.varcount; ++i) {
        if (SameText(model.var(i).varname, cond.name)) {
            named = i;
            break;
        }
    }
    if (named == 0)
        return false;
    const QString list = (QLatin1Char(',') + cond.values + QLatin1Char(',')).toUpper();
    const QString value = static_cast<size_t>(named) < values.size() ? values[static_cast<size_t>(named)] : QString();
    const bool listed = (value.isEmpty() && list.contains(QLatin1String(",\"\",")))
        || list.contains(QLatin1Char(',') + value.toUpper() + QLatin1Char(','));
    return listed != cond.negated;
}

// A run of conditions joined by AND and OR, read from the first to the last.
// An OR group holds when any of its conditions does; a condition that fails
// its AND ends the run unless the OR group before it holds.
class ConditionChain {
public:
    // Takes the next condition, which ends in `op`: what it counts as, or
    // nullopt when the run can no longer hold.
    std::optional<bool> take(Operator op, bool holds)
    {
        if (op == Operator::Or)
            takeOr(holds);
        else if (op == Operator::And)
            return takeAnd(holds);
        return holds;
    }

    // Whether the run holds, the last condition counting as `lastHolds`.
    bool finish(bool lastHolds)
    {
        if (m_previous == Operator::Or && lastHolds)
            orHeld();
        if (m_previous == Operator::And)
            return m_resultHolds && lastHolds;
        if (m_previous == Operator::Or)
            return m_resultHolds && m_groupHolds;
        return false;
    }

private:
    void orHeld()
    {
        m_groupHolds = true;
        if (m_andsHeld == 0)
            m_resultHolds = true;
    }

    void takeOr(bool holds)
    {
        if (holds)
            orHeld();
        else if (m_previous != Operator::Or)
            m_groupHolds = false;
        m_previous = Operator::Or;
    }

    // A failed AND is carried by an OR group before it that holds.
    std::optional<bool> takeAnd(bool holds)
    {
        if (holds) {
            m_groupHolds = true;
            m_resultHolds = true;
            ++m_andsHeld;
        } else if (m_previous != Operator::Or || !m_groupHolds) {
            return std::nullopt;
        }
        m_previous = Operator::And;
        return true;
    }

    bool m_groupHolds = false;  // the OR group (or AND) just read holds
    bool m_resultHolds = false;  // the run holds as far as it has been read
    int m_andsHeld = 0;
    Operator m_previous = Operator::None;
};

}  // namespace

QString NormalizeCondition(const QString& text)
{
    const ConditionParts parts = parseCondition(text);
    QString rest = parts.values;
    rest.replace(QLatin1Char(' '), QLatin1Char(','));
    if (parts.op == Operator::And)
        rest += QLatin1String(" AND");
    else if (parts.op == Operator::Or)
        rest += QLatin1String(" OR");
    if (parts.negated)
        rest.prepend(QLatin1String("NOT "));
    return parts.name + QLatin1Char(' ') + rest;
}

int EvalConditions(const Model& model, int v, const std::vector<QString>& values)
{
    const Variable& var = model.var(v);
    const int count = var.condcount;
    ConditionChain chain;
    for (int k = 1; k <= count; ++k) {
        const ConditionParts cond = parseCondition(var.condtext[static_cast<size_t>(k)]);
        const std::optional<bool> counted = chain.take(cond.op, conditionHolds(model, cond, values));
        if (!counted)
            return kFalse;
        if (count == 1)
            return *counted ? kTrue : kFalse;
        if (k == count)
            return chain.finish(*counted) ? kTrue : kFalse;
    }
    return kFalse;
}

}  // namespace k7
