// BookmarkEntities.cpp -- escaping text for bookmark files and decoding character references.
#include "favorites/BookmarkEntities.h"

#include "platform/Utf8.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

namespace tessaly {

namespace {

struct NamedEntity {
    std::string_view name;
    char32_t codePoint;
};

// U+00A0..U+00FF in order; these (and amp, lt, gt, quot) are also read without a closing ';'.
constexpr std::array<std::string_view, 96> kLatin1Names = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",
    "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",
    "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12",
    "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
    "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde",
    "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",
    "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",
    "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
    "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

constexpr NamedEntity kBasicNames[] = {{"amp", '&'},   {"lt", '<'},  {"gt", '>'}, {"quot", '"'},
                                       {"AMP", '&'},   {"LT", '<'},  {"GT", '>'}, {"QUOT", '"'},
                                       {"COPY", 0xA9}, {"REG", 0xAE}};

// Read only with their closing ';'.
constexpr NamedEntity kOtherNames[] = {
    {"apos", 0x27},     {"OElig", 0x152},   {"oelig", 0x153},   {"Scaron", 0x160},  {"scaron", 0x161},
    {"Yuml", 0x178},    {"fnof", 0x192},    {"circ", 0x2C6},    {"tilde", 0x2DC},   {"ensp", 0x2002},
    {"emsp", 0x2003},   {"thinsp", 0x2009}, {"zwnj", 0x200C},   {"zwj", 0x200D},    {"lrm", 0x200E},
    {"rlm", 0x200F},    {"ndash", 0x2013},  {"mdash", 0x2014},  {"lsquo", 0x2018},  {"rsquo", 0x2019},
    {"sbquo", 0x201A},  {"ldquo", 0x201C},  {"rdquo", 0x201D},  {"bdquo", 0x201E},  {"dagger", 0x2020},
    {"Dagger", 0x2021}, {"bull", 0x2022},   {"hellip", 0x2026}, {"permil", 0x2030}, {"prime", 0x2032},
    {"lsaquo", 0x2039}, {"rsaquo", 0x203A}, {"euro", 0x20AC},   {"trade", 0x2122},  {"larr", 0x2190},
    {"uarr", 0x2191},   {"rarr", 0x2192},   {"darr", 0x2193},   {"harr", 0x2194},   {"hearts", 0x2665}};

// How a browser reads &#128; .. &#159;: as the windows-1252 characters of those bytes.
constexpr char32_t kWindows1252High[32] = {0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021,
                                           0x2C6,  0x2030, 0x160,  0x2039, 0x152,  0x8D,   0x17D,  0x8F,
                                           0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};

std::optional<char32_t> legacyEntity(std::string_view name) {
    for (const auto& e : kBasicNames)
        if (e.name == name)
            return e.codePoint;
    for (std::size_t i = 0; i < kLatin1Names.size(); ++i)
        if (kLatin1Names[i] == name)
            return static_cast<char32_t>(0xA0 + i);
    return std::nullopt;
}

std::optional<char32_t> namedEntity(std::string_view name) {
    if (auto c = legacyEntity(name))
        return c;
    for (const auto& e : kOtherNames)
        if (e.name == name)
            return e.codePoint;
    return std::nullopt;
}

char32_t numericCharacter(std::uint32_t value) {
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0xFFFD;
    if (value >= 0x80 && value <= 0x9F)
        return kWindows1252High[value - 0x80];
    return value;
}

bool isAlnum(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

// Decodes the reference at text[pos] == '&' into out; returns the position after it, or pos when
// there is none to decode there.
std::size_t decodeReference(std::string_view text, std::size_t pos, bool inAttribute, std::string& out) {
    std::size_t p = pos + 1;
    if (p < text.size() && text[p] == '#') {
        ++p;
        const bool hex = p < text.size() && (text[p] == 'x' || text[p] == 'X');
        if (hex)
            ++p;
        const std::size_t digitsStart = p;
        std::uint32_t value = 0;
        while (p < text.size() && (hex ? std::isxdigit(static_cast<unsigned char>(text[p]))
                                       : std::isdigit(static_cast<unsigned char>(text[p])))) {
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[p])));
            const std::uint32_t digit = c <= '9' ? static_cast<std::uint32_t>(c - '0') : 10u + (c - 'a');
            value = std::min<std::uint32_t>(value * (hex ? 16 : 10) + digit, 0x110000);
            ++p;
        }
        if (p == digitsStart)
            return pos;
        if (p < text.size() && text[p] == ';')
            ++p;
        utf8::append(out, numericCharacter(value));
        return p;
    }

    std::size_t end = p;
    while (end < text.size() && isAlnum(text[end]))
        ++end;
    if (end == p)
        return pos;
    const std::string_view name = text.substr(p, end - p);
    if (end < text.size() && text[end] == ';') {
        if (auto c = namedEntity(name)) {
            utf8::append(out, *c);
            return end + 1;
        }
    }
    // Without ';' only the legacy names count, longest first ("&notin" reads as "¬in").
    for (std::size_t len = name.size(); len > 0; --len) {
        auto c = legacyEntity(name.substr(0, len));
        if (!c)
            continue;
        const std::size_t after = p + len;
        // In attribute values "&copy=2" stays as written, so query strings survive.
        if (inAttribute && after < text.size() && (isAlnum(text[after]) || text[after] == '='))
            return pos;
        utf8::append(out, *c);
        return after;
    }
    return pos;
}

} // namespace

std::string escapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string decodeEntities(std::string_view text, bool inAttribute) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t amp = text.find('&', pos);
        if (amp == std::string_view::npos) {
            out.append(text.substr(pos));
            break;
        }
        out.append(text.substr(pos, amp - pos));
        const std::size_t next = decodeReference(text, amp, inAttribute, out);
        if (next == amp) {
            out += '&';
            pos = amp + 1;
        } else {
            pos = next;
        }
    }
    return out;
}

} // namespace tessaly
