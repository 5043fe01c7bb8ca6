// SafeNames.cpp -- Windows-1252 to UTF-8 for texts that are not UTF-8, and safe file names.
#include "mailstore/SafeNames.h"

#include <cstdint>

namespace tessaly {

namespace {

// Windows-1252 0x80..0x9F; 0 where the code page has no character.
constexpr std::uint16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                     0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool validUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        if (n == 9 || (n > 0 && (c < 0xC2 || i + n >= s.size())))
            return false;
        for (std::size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += n + 1;
    }
    return true;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | cp >> 6);
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xE0 | cp >> 12);
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::string storeText(const std::string& text) {
    std::string out;
    if (validUtf8(text)) {
        out = text;
    } else {
        for (unsigned char c : text) {
            std::uint32_t cp = c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c;
            appendUtf8(out, cp ? cp : '?');
        }
    }
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return out;
}

std::string safeFileName(const std::string& text, std::size_t limit, const std::string& fallback) {
    std::string s = storeText(text);
    for (char& c : s)
        if (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' ||
            c == '|')
            c = '_';
    auto trim = [](char c) { return c == ' ' || c == '.'; };
    std::size_t b = 0;
    while (b < s.size() && trim(s[b]))
        ++b;
    s.erase(0, b);
    if (s.size() > limit) {
        std::size_t cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80)
            --cut;
        s.resize(cut);
    }
    while (!s.empty() && trim(s.back()))
        s.pop_back();
    return s.empty() ? fallback : s;
}

} // namespace tessaly
