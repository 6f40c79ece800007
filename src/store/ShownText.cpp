#include "store/ShownText.h"

#include "cfg/NumberText.h"

#include <sqlite3.h>

#include <algorithm>

namespace k7 {

QString ShownText(const QVariant& value, FieldType type)
{
    if (value.isNull())
        return QString();
    switch (type) {
    case FieldType::Single:
        return ShortestSingle(value.toDouble());
    case FieldType::YesNo:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value.toString();
    }
}

std::optional<QVariant> ValueShowing(const QString& text, FieldType type)
{
    const QString t = text.trimmed();
    bool ok = false;
    switch (type) {
    case FieldType::Single: {
        const double d = t.toDouble(&ok);
        if (!ok)
            return std::nullopt;
        return QVariant(static_cast<double>(static_cast<float>(d)));
    }
    case FieldType::Long: {
        const qint64 n = t.toLongLong(&ok);
        return ok ? std::optional<QVariant>(QVariant(n)) : std::nullopt;
    }
    case FieldType::YesNo:
        if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return QVariant(qint64(1));
        if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return QVariant(qint64(0));
        return std::nullopt;
    default:
        return QVariant(text);
    }
}

QChar ShownTypeLetter(FieldType type)
{
    switch (type) {
    case FieldType::Single: return u's';
    case FieldType::YesNo: return u'y';
    case FieldType::Long: return u'l';
    case FieldType::Text: return u't';
    case FieldType::Other: break;
    }
    return u'o';
}

namespace {

FieldType typeOfLetter(char letter)
{
    switch (letter) {
    case 's': return FieldType::Single;
    case 'y': return FieldType::YesNo;
    case 'l': return FieldType::Long;
    case 't': return FieldType::Text;
    default: return FieldType::Other;
    }
}

// The search text, prepared once per statement.
struct Needle {
    QString lower;
    QByteArray ascii;          // the lower-cased text when it is plain ASCII, else empty
    bool isAscii = false;
    bool mayShowInNumber = false;  // could occur in a number's text at all

    explicit Needle(const QString& text) : lower(text.toLower())
    {
        isAscii = std::all_of(lower.cbegin(), lower.cend(), [](QChar c) { return c.unicode() < 0x80; });
        if (isAscii)
            ascii = lower.toLatin1();
        static const QString numberChars = QStringLiteral("0123456789.-+einfa");
        mayShowInNumber = std::all_of(lower.cbegin(), lower.cend(), [](QChar c) { return numberChars.contains(c); });
    }
};

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Case-insensitive search of ASCII `needle` (already lower-cased) in ASCII `hay`.
bool asciiContains(const char* hay, int length, const QByteArray& needle)
{
    const int n = static_cast<int>(needle.size());
    if (n == 0)
        return true;
    const char first = needle[0];
    for (int i = 0; i + n <= length; ++i) {
        if (lowerAscii(hay[i]) != first)
            continue;
        int k = 1;
        while (k < n && lowerAscii(hay[i + k]) == needle[k])
            ++k;
        if (k == n)
            return true;
    }
    return false;
}

bool isAsciiText(const char* text, int length)
{
    for (int i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80)
            return false;
    }
    return true;
}

// The value as the record set reads it.
QVariant variantOf(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qint64>(sqlite3_value_int64(v)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_value_double(v));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                          sqlite3_value_bytes(v)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_value_blob(v)), sqlite3_value_bytes(v)));
    default:
        return QVariant();
    }
}

bool shows(sqlite3_value* v, FieldType type, const Needle& needle)
{
    const int storage = sqlite3_value_type(v);
    if (storage == SQLITE_NULL)
        return false;
    const bool number = storage == SQLITE_INTEGER || storage == SQLITE_FLOAT;
    if (number && type != FieldType::YesNo && !needle.mayShowInNumber)
        return false;
    if (storage == SQLITE_TEXT && needle.isAscii && type != FieldType::Single && type != FieldType::YesNo) {
        const char* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
        const int length = sqlite3_value_bytes(v);
        if (isAsciiText(text, length))
            return asciiContains(text, length, needle.ascii);
    }
    return ShownText(variantOf(v), type).toLower().contains(needle.lower);
}

void deleteNeedle(void* p)
{
    delete static_cast<Needle*>(p);
}

bool anyShows(int argc, sqlite3_value** argv, const Needle& needle)
{
    const char* types = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    const int typeCount = sqlite3_value_bytes(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const char letter = i - 2 < typeCount ? types[i - 2] : 'o';
        if (shows(argv[i], typeOfLetter(letter), needle))
            return true;
    }
    return false;
}

void showsFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (argc < 2 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_int(context, 0);
        return;
    }
    // The needle is prepared once per statement and kept with its argument.
    if (const auto* kept = static_cast<const Needle*>(sqlite3_get_auxdata(context, 0))) {
        sqlite3_result_int(context, anyShows(argc, argv, *kept) ? 1 : 0);
        return;
    }
    auto* needle = new Needle(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])),
                                                sqlite3_value_bytes(argv[0])));
    sqlite3_result_int(context, anyShows(argc, argv, *needle) ? 1 : 0);
    // SQLite owns it from here and may delete it at once.
    sqlite3_set_auxdata(context, 0, needle, deleteNeedle);
}

}  // namespace

bool RegisterShownTextFunction(sqlite3* db)
{
    return sqlite3_create_function_v2(db, "k7_shows", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                      showsFunction, nullptr, nullptr, nullptr)
           == SQLITE_OK;
}

}  // namespace k7
