#include "exports/xlsx/CellXml.h"

#include <array>
#include <charconv>
#include <cmath>

namespace k7 {

namespace {

enum Byte : unsigned char { Plain, Markup, Escaped, Underscore, Lead };

// What each byte of UTF-8 text asks of the escaping.
constexpr std::array<unsigned char, 256> byteKinds()
{
    std::array<unsigned char, 256> kinds{};
    for (int b = 0; b < 0x20; ++b)
        kinds[b] = Escaped;
    kinds['\t'] = Plain;
    kinds['\n'] = Plain;
    kinds['&'] = Markup;
    kinds['<'] = Markup;
    kinds['>'] = Markup;
    kinds['_'] = Underscore;
    kinds[0xEF] = Lead;  // of U+FFFE and U+FFFF
    return kinds;
}

constexpr std::array<unsigned char, 256> kByteKinds = byteKinds();

void appendEscape(std::string& out, unsigned code)
{
    constexpr char hex[] = "0123456789ABCDEF";
    const char escape[] = {
        '_', 'x', hex[(code >> 12) & 15], hex[(code >> 8) & 15], hex[(code >> 4) & 15], hex[code & 15], '_'};
    out.append(escape, sizeof escape);
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Whether the text at `at` has the form _xHHHH_.
bool looksEscaped(QByteArrayView text, qsizetype at)
{
    if (at + 7 > text.size() || (text[at + 1] != 'x' && text[at + 1] != 'X') || text[at + 6] != '_')
        return false;
    return isHex(text[at + 2]) && isHex(text[at + 3]) && isHex(text[at + 4]) && isHex(text[at + 5]);
}

// Appends the special byte at `at`; returns the bytes it stood for.
qsizetype appendSpecial(std::string& out, QByteArrayView text, qsizetype at)
{
    const auto byte = static_cast<unsigned char>(text[at]);
    switch (kByteKinds[byte]) {
    case Markup: out.append(byte == '&' ? "&amp;" : byte == '<' ? "&lt;" : "&gt;"); return 1;
    case Escaped: appendEscape(out, byte); return 1;
    case Underscore:
        // The "_" that starts what would read as an escape is escaped itself.
        if (looksEscaped(text, at))
            appendEscape(out, '_');
        else
            out.push_back('_');
        return 1;
    default: break;
    }
    // U+FFFE and U+FFFF are EF BF BE and EF BF BF.
    if (at + 2 < text.size() && static_cast<unsigned char>(text[at + 1]) == 0xBF) {
        const auto last = static_cast<unsigned char>(text[at + 2]);
        if (last == 0xBE || last == 0xBF) {
            appendEscape(out, last == 0xBE ? 0xFFFEu : 0xFFFFu);
            return 3;
        }
    }
    out.push_back(static_cast<char>(byte));
    return 1;
}

}  // namespace

QByteArray ColumnLetters(int column)
{
    QByteArray letters;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(static_cast<char>('A' + (n - 1) % 26));
    return letters;
}

bool NeedsSpacePreserved(QByteArrayView text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    return !text.isEmpty() && (blank(text.front()) || blank(text.back()));
}

void AppendCellText(std::string& out, QByteArrayView text)
{
    qsizetype plainFrom = 0;
    qsizetype at = 0;
    while (at < text.size()) {
        if (kByteKinds[static_cast<unsigned char>(text[at])] == Plain) {
            ++at;
            continue;
        }
        out.append(text.data() + plainFrom, static_cast<size_t>(at - plainFrom));
        at += appendSpecial(out, text, at);
        plainFrom = at;
    }
    out.append(text.data() + plainFrom, static_cast<size_t>(at - plainFrom));
}

bool AppendCellNumber(std::string& out, double value)
{
    if (!std::isfinite(value))
        return false;
    char digits[32];
    // Whole numbers, the most common, are printed as integers.
    const bool whole = std::fabs(value) < 1e15 && value == std::trunc(value);
    const std::to_chars_result printed = whole
        ? std::to_chars(digits, digits + sizeof digits, static_cast<long long>(value))
        : std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, static_cast<size_t>(printed.ptr - digits));
    return true;
}

qsizetype CharacterCount(QByteArrayView text)
{
    qsizetype count = 0;
    for (const char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

}  // namespace k7
