// Utf8.cpp -- strict UTF-8 decoding and simple case folding.
#include "platform/Utf8.h"

#include <clocale>
#include <cwctype>
#include <locale.h>

namespace tessaly::utf8 {

namespace {

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The lead byte fixes the length and, for E0, ED, F0 and F4, a narrower range for the second byte
// (this is what rules out overlong forms, surrogates and values above U+10FFFF).
struct LeadInfo {
    std::size_t length;
    unsigned char secondMin, secondMax;
};

LeadInfo leadInfo(unsigned char c) {
    if (c < 0x80)
        return {1, 0, 0};
    if (c >= 0xC2 && c <= 0xDF)
        return {2, 0x80, 0xBF};
    if (c == 0xE0)
        return {3, 0xA0, 0xBF};
    if (c == 0xED)
        return {3, 0x80, 0x9F};
    if (c >= 0xE1 && c <= 0xEF)
        return {3, 0x80, 0xBF};
    if (c == 0xF0)
        return {4, 0x90, 0xBF};
    if (c >= 0xF1 && c <= 0xF3)
        return {4, 0x80, 0xBF};
    if (c == 0xF4)
        return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

locale_t utf8Locale() {
    // C.UTF-8 is built into glibc; without it only ASCII letters fold.
    static locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return loc;
}

} // namespace

std::size_t decode(std::string_view text, std::size_t pos, char32_t* codePoint) {
    if (pos >= text.size())
        return 0;
    const auto lead = static_cast<unsigned char>(text[pos]);
    const LeadInfo info = leadInfo(lead);
    if (info.length == 0 || pos + info.length > text.size())
        return 0;
    if (info.length == 1) {
        if (codePoint)
            *codePoint = lead;
        return 1;
    }
    const auto second = static_cast<unsigned char>(text[pos + 1]);
    if (second < info.secondMin || second > info.secondMax)
        return 0;
    char32_t cp = lead & (0xFF >> (info.length + 1));
    for (std::size_t i = 1; i < info.length; ++i) {
        const auto c = static_cast<unsigned char>(text[pos + i]);
        if (!isContinuation(c))
            return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (codePoint)
        *codePoint = cp;
    return info.length;
}

void append(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string foldCase(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    const locale_t loc = utf8Locale();
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t cp = 0;
        const std::size_t len = decode(text, pos, &cp);
        if (len == 0) {
            out += text[pos++];
            continue;
        }
        char32_t upper = cp;
        if (cp < 0x80)
            upper = (cp >= 'a' && cp <= 'z') ? cp - 'a' + 'A' : cp;
        else if (loc)
            upper = static_cast<char32_t>(towupper_l(static_cast<wint_t>(cp), loc));
        append(out, upper);
        pos += len;
    }
    return out;
}

} // namespace tessaly::utf8
