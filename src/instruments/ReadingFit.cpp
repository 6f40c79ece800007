#include "instruments/ReadingFit.h"

#include "cfg/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace k7 {

namespace {

// The number written out without an exponent, in the fewest digits that
// read back as it: the characters it takes (99999999999 takes 11, 1e11 12).
qsizetype writtenLength(double value)
{
    char buffer[400];  // the largest double takes 309 digits
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return result.ec == std::errc() ? result.ptr - buffer : qsizetype(sizeof buffer);
}

bool fitsRange(double value, FieldType type)
{
    if (!std::isfinite(value))
        return false;
    if (type == FieldType::Single)
        return std::isfinite(static_cast<float>(value));
    if (type == FieldType::Long) {
        const double whole = std::round(value);
        return whole >= std::numeric_limits<qint32>::min() && whole <= std::numeric_limits<qint32>::max();
    }
    return true;
}

}  // namespace

QString ReadingMisfit(const QString& number, const Variable& var, const std::optional<FieldDef>& field)
{
    const double value = ValNumber(number);
    if (field && !fitsRange(value, field->type))
        return QStringLiteral("outside the range of the field %1").arg(field->name);
    const auto length = static_cast<qsizetype>(var.varlength);
    if (length > 0 && writtenLength(value) > length)
        return QStringLiteral("longer than the Length of %1 (%2 characters)").arg(var.varname).arg(length);
    if (field && field->type == FieldType::Text && field->size > 0 && ShortestNumber(value).size() > field->size)
        return QStringLiteral("longer than the field %1 holds (%2 characters)").arg(field->name).arg(field->size);
    return {};
}

}  // namespace k7
