#include "entry/ValueForms.h"

#include "cfg/NumberText.h"
#include "store/ShownText.h"

namespace k7 {

QString DecimalCommaAsPoint(const QString& number)
{
    if (number.count(QLatin1Char(',')) != 1 || number.contains(QLatin1Char('.')))
        return number;
    QString point = number;
    point.replace(QLatin1Char(','), QLatin1Char('.'));
    return point;
}

QString RecordText(const QVariant& value, FieldType type)
{
    const QString text = ShownText(value, type);
    return text.trimmed().isEmpty() ? QString() : text;
}

std::optional<QVariant> FieldValueFor(const FieldDef& field, int vartype, const QString& value)
{
    if (IsNumericKind(vartype))
        return QVariant(ValNumber(value));
    if (!IsTextType(vartype))
        return std::nullopt;
    if (field.type == FieldType::YesNo) {
        const std::optional<bool> flag = ReadYesNo(value);
        return flag ? std::optional<QVariant>(QVariant(*flag)) : std::nullopt;
    }
    if (!field.allowZeroLength && value.trimmed().isEmpty())
        return QVariant(QStringLiteral(" "));
    return QVariant(value);
}

std::optional<bool> ReadYesNo(const QString& value)
{
    const QString upper = value.toUpper();
    if (upper == QLatin1String("YES") || upper == QLatin1String("TRUE"))
        return true;
    if (upper == QLatin1String("NO") || upper == QLatin1String("FALSE"))
        return false;
    return std::nullopt;
}

int MenuItemFor(const QStringList& items, const QString& value)
{
    if (value.isEmpty())
        return -1;
    if (const qsizetype exact = items.indexOf(value); exact >= 0)
        return static_cast<int>(exact);
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items.at(i).compare(value, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    const std::optional<bool> meaning = ReadYesNo(value);
    for (qsizetype i = 0; meaning && i < items.size(); ++i) {
        if (ReadYesNo(items.at(i)) == meaning)
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace k7
