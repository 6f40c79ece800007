#include "store/FoldedMatch.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace k7 {

namespace {

using Bytes = std::string_view;

bool isAscii(Bytes text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The blanks QString::trimmed() takes off, among ASCII characters.
bool isAsciiSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

Bytes trimmedAscii(Bytes text)
{
    while (!text.empty() && isAsciiSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isAsciiSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

char foldedAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// The folded key of UTF-8 text, as UTF-8. ASCII text, the common case, is
// folded in place of a round trip through QString.
QByteArray foldedUtf8(Bytes text)
{
    if (!isAscii(text))
        return FoldKey(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))).toUtf8();
    const Bytes trimmed = trimmedAscii(text);
    QByteArray key(static_cast<qsizetype>(trimmed.size()), Qt::Uninitialized);
    std::transform(trimmed.begin(), trimmed.end(), key.begin(), foldedAscii);
    return key;
}

// Byte order of UTF-8 is code point order, the order the key function's
// results sort in, so the collation and the key always agree.
int compareBytes(Bytes a, Bytes b)
{
    const int d = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (d != 0)
        return d;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// Two ASCII texts compared without making either key: a sort of a million
// rows compares some twenty million pairs.
int compareAscii(Bytes a, Bytes b)
{
    a = trimmedAscii(a);
    b = trimmedAscii(b);
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const int d = int(static_cast<unsigned char>(foldedAscii(a[i])))
                      - int(static_cast<unsigned char>(foldedAscii(b[i])));
        if (d != 0)
            return d;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int compareFolded(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    const Bytes left(static_cast<const char*>(a), static_cast<size_t>(lengthA));
    const Bytes right(static_cast<const char*>(b), static_cast<size_t>(lengthB));
    if (isAscii(left) && isAscii(right))
        return compareAscii(left, right);
    const QByteArray x = foldedUtf8(left);
    const QByteArray y = foldedUtf8(right);
    return compareBytes(Bytes(x.constData(), static_cast<size_t>(x.size())),
                        Bytes(y.constData(), static_cast<size_t>(y.size())));
}

// Short ASCII text, most of what a sort keys, is folded on the stack: a sort
// of ten million rows calls the key function once a row, and a heap copy per
// call is a tenth of the sort.
constexpr size_t kStackKey = 256;

void foldKeyFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) {
        sqlite3_result_value(context, argv[0]);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const Bytes value(text, static_cast<size_t>(sqlite3_value_bytes(argv[0])));
    if (value.size() <= kStackKey && isAscii(value)) {
        const Bytes trimmed = trimmedAscii(value);
        char key[kStackKey];
        std::transform(trimmed.begin(), trimmed.end(), key, foldedAscii);
        sqlite3_result_text(context, key, static_cast<int>(trimmed.size()), SQLITE_TRANSIENT);
        return;
    }
    const QByteArray key = foldedUtf8(value);
    sqlite3_result_text(context, key.constData(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
}

}  // namespace

QString FoldKey(const QString& value)
{
    return value.trimmed().toCaseFolded();
}

QString FoldKeyOf(const QString& expr)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(kFoldKeyFunction), expr);
}

bool RegisterFoldCollation(sqlite3* db)
{
    return sqlite3_create_collation_v2(db, kFoldCollation, SQLITE_UTF8, nullptr, compareFolded, nullptr)
               == SQLITE_OK
           && sqlite3_create_function_v2(db, kFoldKeyFunction, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                         foldKeyFunction, nullptr, nullptr, nullptr)
                  == SQLITE_OK;
}

QString FoldSensitiveCondition(const QString& quotedField)
{
    return QStringLiteral("(%1 GLOB '*[^ -~]*' OR %1 GLOB ' *' OR %1 GLOB '* ')").arg(quotedField);
}

QString FoldedOrder(const QString& quotedField, bool textField)
{
    // A Text field sorts by its keys, made once a row, with plain byte
    // comparisons: twice as fast on a million rows as the collation, which
    // folds both sides of every comparison. Other fields hold mostly
    // numbers, which the collation leaves alone.
    if (textField)
        return FoldKeyOf(quotedField);
    return quotedField + QStringLiteral(" COLLATE ") + QLatin1String(kFoldCollation);
}

}  // namespace k7
