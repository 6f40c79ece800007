#include "cfg/Conditions.h"

#include "cfg/Blanks.h"

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
    const int n = var.condcount;
    int x = kFalse;
    int y = kFalse;
    int a = 0;
    enum class Seen { Nothing, And, Or } p = Seen::Nothing;

    for (int k = 1; k <= n; ++k) {
        const ConditionParts cond = parseCondition(var.condtext[static_cast<size_t>(k)]);
        const QString list = (QLatin1Char(',') + cond.values + QLatin1Char(',')).toUpper();

        int j = 0;
        for (int i = 1; i <= model.varcount; ++i) {
            if (SameText(model.var(i).varname, cond.name)) {
                j = i;
                break;
            }
        }
        int m = kFalse;
        if (j != 0) {
            const QString value = static_cast<size_t>(j) < values.size()
                ? values[static_cast<size_t>(j)] : QString();
            bool listed;
            if (value.isEmpty() && list.contains(QLatin1String(",\"\",")))
                listed = true;
            else
                listed = list.contains(QLatin1Char(',') + value.toUpper() + QLatin1Char(','));
            m = (listed != cond.negated) ? kTrue : kFalse;
        }

        if (cond.op == Operator::Or) {
            if (m == kTrue) {
                x = kTrue;
                if (a == 0)
                    y = kTrue;
            } else if (p != Seen::Or) {
                x = kFalse;
            }
            p = Seen::Or;
        }
        if (cond.op == Operator::And) {
            if (m == kTrue) {
                x = kTrue;
                y = kTrue;
                ++a;
                p = Seen::And;
            } else {
                if (p != Seen::Or)
                    return kFalse;
                if (x == kFalse)
                    return kFalse;
                m = kTrue;
            }
            p = Seen::And;
        }
        if (n == 1)
            return m;
        if (k == n) {
            if (p == Seen::Or && m == kTrue) {
                x = kTrue;
                if (a == 0)
                    y = kTrue;
            }
            if (p == Seen::And && y == kTrue && m == kTrue)
                return kTrue;
            if (p == Seen::Or && y == kTrue && x == kTrue)
                return kTrue;
            return kFalse;
        }
    }
    return kFalse;
}

}  // namespace k7
