#include "store/postgres/PgTypes.h"

#include <cmath>
#include <limits>

namespace k7 {

namespace {

// The built-in types' fixed OIDs (pg_type.h).
enum : unsigned int {
    kBool = 16,
    kBytea = 17,
    kName = 19,
    kInt8 = 20,
    kInt2 = 21,
    kInt4 = 23,
    kText = 25,
    kOid = 26,
    kJson = 114,
    kFloat4 = 700,
    kFloat8 = 701,
    kBpchar = 1042,
    kVarchar = 1043,
    kDate = 1082,
    kTime = 1083,
    kTimestamp = 1114,
    kTimestamptz = 1184,
    kNumeric = 1700,
    kUuid = 2950,
    kJsonb = 3802,
};

// A character type's length from its modifier (length + 4), 0 when it has none.
int characterLength(int typmod)
{
    return typmod > 4 ? typmod - 4 : 0;
}

QString sized(const char* name, int typmod)
{
    const int n = characterLength(typmod);
    return n > 0 ? QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(n) : QLatin1String(name);
}

// The server writes infinities and NaN as words a number parser does not take.
bool specialDouble(QByteArrayView text, double* value)
{
    if (text == "NaN")
        *value = std::numeric_limits<double>::quiet_NaN();
    else if (text == "Infinity")
        *value = std::numeric_limits<double>::infinity();
    else if (text == "-Infinity")
        *value = -std::numeric_limits<double>::infinity();
    else
        return false;
    return true;
}

}  // namespace

PgKind PgKindOf(unsigned int typeOid)
{
    switch (typeOid) {
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid:
        return PgKind::Integer;
    case kFloat4:
        return PgKind::Single;
    case kFloat8:
    case kNumeric:
        return PgKind::Double;
    case kBool:
        return PgKind::Boolean;
    case kBytea:
        return PgKind::Bytes;
    default:
        return PgKind::Text;
    }
}

QString PgDeclaration(unsigned int typeOid, int typmod)
{
    switch (typeOid) {
    case kInt2:
    case kInt4:
    case kInt8:
        return QStringLiteral("INTEGER");
    case kFloat4:
        return QStringLiteral("REAL");
    case kFloat8:
        return QStringLiteral("DOUBLE");
    case kBool:
        return QStringLiteral("BOOLEAN");
    case kVarchar:
        return sized("VARCHAR", typmod);
    case kBpchar:
        return sized("CHAR", typmod);
    case kText:
    case kName:
        return QStringLiteral("TEXT");
    case kNumeric:
        return QStringLiteral("NUMERIC");
    case kBytea:
        return QStringLiteral("BLOB");
    case kDate:
        return QStringLiteral("DATE");
    case kTime:
        return QStringLiteral("TIME");
    case kTimestamp:
    case kTimestamptz:
        return QStringLiteral("TIMESTAMP");
    case kUuid:
        return QStringLiteral("UUID");
    case kJson:
    case kJsonb:
        return QStringLiteral("JSON");
    default:
        // Other types' names may hold "INT" or "CHAR" (interval, point) and
        // would be read as a number or text field they are not.
        return QString();
    }
}

QByteArray PgBytesOf(QByteArrayView text)
{
    if (text.startsWith("\\x"))
        return QByteArray::fromHex(text.sliced(2).toByteArray());
    return text.toByteArray();
}

double PgRealOf(PgKind kind, QByteArrayView text)
{
    double special = 0;
    switch (kind) {
    case PgKind::Boolean:
        return text == "t" ? 1.0 : 0.0;
    case PgKind::Single:
        if (specialDouble(text, &special))
            return special;
        return static_cast<double>(text.toByteArray().toFloat());
    default:
        if (specialDouble(text, &special))
            return special;
        return text.toByteArray().toDouble();
    }
}

qint64 PgInt64Of(PgKind kind, QByteArrayView text)
{
    switch (kind) {
    case PgKind::Integer:
        return text.toByteArray().toLongLong();
    case PgKind::Boolean:
        return text == "t" ? 1 : 0;
    default: {
        // As SQLite reads a number from text or a real: the whole part.
        const double d = PgRealOf(kind, text);
        return std::isfinite(d) && std::fabs(d) < 9.2e18 ? static_cast<qint64>(d) : 0;
    }
    }
}

QVariant PgValueOf(PgKind kind, QByteArrayView text)
{
    switch (kind) {
    case PgKind::Integer:
        return QVariant(PgInt64Of(kind, text));
    case PgKind::Single:
    case PgKind::Double:
        return QVariant(PgRealOf(kind, text));
    case PgKind::Boolean:
        return QVariant(text == "t");
    case PgKind::Bytes:
        return QVariant(PgBytesOf(text));
    case PgKind::Text:
        break;
    }
    return QVariant(QString::fromUtf8(text));
}

}  // namespace k7
