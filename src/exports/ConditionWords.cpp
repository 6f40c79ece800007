#include "exports/ConditionWords.h"

#include <QRegularExpression>
#include <QStringList>

namespace k7 {

namespace {

struct Condition {
    QString words;
    QString joiner;  // "and", "or" or empty
};

// Reads a condition as the entry does: name, "not", values, operator.
Condition readCondition(const QString& text)
{
    const qsizetype blank = text.indexOf(u' ');
    const QString name = (blank < 0 ? text : text.left(blank)).trimmed();
    QString rest = blank < 0 ? QString() : text.mid(blank + 1).trimmed();
    const bool negated = rest.left(4).toLower() == QLatin1String("not ");
    if (negated)
        rest = rest.mid(4);
    Condition condition;
    if (rest.right(4).toLower() == QLatin1String(" and")) {
        condition.joiner = QStringLiteral("and");
        rest.chop(4);
    } else if (rest.right(3).toLower() == QLatin1String(" or")) {
        condition.joiner = QStringLiteral("or");
        rest.chop(3);
    }
    QStringList values;
    bool empty = false;
    for (const QString& item : rest.split(QRegularExpression(QStringLiteral("[ ,]")))) {
        if (item.isEmpty() || item == QLatin1String("\"\""))
            empty = true;
        else
            values << item;
    }
    QString what = values.join(QStringLiteral(" or "));
    if (empty)
        what = what.isEmpty() ? QStringLiteral("empty") : what + QStringLiteral(" or empty");
    condition.words = name + (negated ? QStringLiteral(" is not ") : QStringLiteral(" is ")) + what;
    return condition;
}

}  // namespace

QString ConditionWords(const Model& model, int v)
{
    const Variable& var = model.var(v);
    if (var.condcount == 0)
        return QString();
    // Groups of conditions joined by OR, the groups joined by AND.
    QList<QStringList> groups{{}};
    for (int k = 1; k <= var.condcount; ++k) {
        const Condition condition = readCondition(var.condtext[static_cast<size_t>(k)]);
        groups.last() << condition.words;
        if (condition.joiner != QLatin1String("or") && k < var.condcount)
            groups << QStringList();
    }
    QStringList parts;
    for (const QStringList& group : groups) {
        const QString part = group.join(QStringLiteral(" or "));
        parts << (group.size() > 1 && groups.size() > 1 ? QLatin1Char('(') + part + QLatin1Char(')') : part);
    }
    return QStringLiteral("asked when ") + parts.join(QStringLiteral(" and "));
}

}  // namespace k7
