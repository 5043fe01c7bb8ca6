// FavoritesNames.cpp -- turning bookmark titles into valid Windows file and folder names.
#include "favorites/FavoritesNames.h"
#include "platform/Text.h"

#include "platform/Utf8.h"

#include <array>
#include <cctype>

namespace tessaly {

namespace {

constexpr std::string_view kForbidden = "\\/:*?\"<>|";

bool isTrailingJunk(char c) {
    return c == '.' || c == ' ';
}

// The longest prefix of `text` of at most `limit` bytes that ends at a character boundary.
std::string_view cutAtCharacter(std::string_view text, std::size_t limit) {
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

void trimEnd(std::string& name) {
    while (!name.empty() && isTrailingJunk(name.back()))
        name.pop_back();
}

} // namespace

std::string validUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t len = utf8::decode(text, pos);
        if (len == 0) {
            out += "\xEF\xBF\xBD";
            ++pos;
        } else {
            out.append(text.substr(pos, len));
            pos += len;
        }
    }
    return out;
}

bool isReservedDeviceName(std::string_view name) {
    std::string base(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    base = upperAscii(base);
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
        base == "CONOUT$")
        return true;
    if (!base.starts_with("COM") && !base.starts_with("LPT"))
        return false;
    const std::string_view digit = std::string_view(base).substr(3);
    return (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') || digit == "\xC2\xB9" ||
           digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

std::string windowsSafeName(std::string_view name, std::string_view fallback) {
    std::string out;
    const std::string text = validUtf8(name);
    out.reserve(text.size());
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            out += ' ';
        else if (kForbidden.find(c) != std::string_view::npos)
            out += '_';
        else
            out += c;
    }
    std::size_t lead = 0;
    while (lead < out.size() && out[lead] == ' ')
        ++lead;
    out.erase(0, lead);
    trimEnd(out);
    out = std::string(cutAtCharacter(out, kMaxFavoriteNameBytes));
    trimEnd(out);
    if (out.empty())
        return std::string(fallback);
    if (isReservedDeviceName(out)) {
        std::size_t dot = out.find('.');
        if (dot == std::string::npos)
            dot = out.size();
        while (dot > 0 && out[dot - 1] == ' ')
            --dot;
        out.insert(dot, "_");
        if (out.size() > kMaxFavoriteNameBytes) {
            out = std::string(cutAtCharacter(out, kMaxFavoriteNameBytes));
            trimEnd(out);
        }
    }
    return out;
}

std::string numberedName(std::string_view name, unsigned n) {
    const std::string suffix = " (" + std::to_string(n) + ")";
    std::string base(cutAtCharacter(name, kMaxFavoriteNameBytes - suffix.size()));
    trimEnd(base);
    return base + suffix;
}

} // namespace tessaly
