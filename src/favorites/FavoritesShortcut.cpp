// FavoritesShortcut.cpp -- reading and writing Internet Shortcut (.url) files.
#include "favorites/FavoritesShortcut.h"
#include "platform/Text.h"

#include "favorites/BookmarkCharset.h"
#include "favorites/BookmarkTree.h"
#include "platform/Utf8.h"

#include <cctype>
#include <vector>

namespace tessaly {

namespace {

constexpr std::string_view kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int base64Value(char c) {
    const std::size_t at = kBase64.find(c);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

// Characters UTF-7 writes as themselves (its sets D and O and the blank); '+' opens a shifted run.
bool isDirect(char32_t c) {
    return c >= 0x20 && c < 0x7F && c != '+' && c != '\\' && c != '~';
}

std::string_view trimBlanksAndTabs(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool isUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t len = utf8::decode(text, pos);
        if (len == 0)
            return false;
        pos += len;
    }
    return true;
}

} // namespace

std::optional<std::string> decodeUtf7(std::string_view text) {
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c != '+') {
            if (static_cast<unsigned char>(c) >= 0x80)
                return std::nullopt;
            out += c;
            continue;
        }
        if (pos < text.size() && text[pos] == '-') {
            out += '+';
            ++pos;
            continue;
        }
        std::uint32_t bits = 0;
        int bitCount = 0;
        char32_t highSurrogate = 0;
        while (pos < text.size() && base64Value(text[pos]) >= 0) {
            bits = (bits << 6) | static_cast<std::uint32_t>(base64Value(text[pos++]));
            bitCount += 6;
            if (bitCount < 16)
                continue;
            bitCount -= 16;
            const char32_t unit = (bits >> bitCount) & 0xFFFF;
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                if (highSurrogate)
                    return std::nullopt;
                highSurrogate = unit;
            } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
                if (!highSurrogate)
                    return std::nullopt;
                utf8::append(out, 0x10000 + ((highSurrogate - 0xD800) << 10) + (unit - 0xDC00));
                highSurrogate = 0;
            } else {
                if (highSurrogate)
                    return std::nullopt;
                utf8::append(out, unit);
            }
        }
        // Left-over bits are padding and must be zero; a '-' ends the run and is absorbed.
        if (highSurrogate || (bits & ((1u << bitCount) - 1)) != 0)
            return std::nullopt;
        if (pos < text.size() && text[pos] == '-')
            ++pos;
    }
    return out;
}

std::string encodeUtf7(std::string_view utf8Text) {
    std::string out;
    std::vector<std::uint16_t> units;
    const auto flush = [&] {
        if (units.empty())
            return;
        out += '+';
        std::uint32_t bits = 0;
        int bitCount = 0;
        for (std::uint16_t unit : units) {
            bits = (bits << 16) | unit;
            bitCount += 16;
            while (bitCount >= 6) {
                bitCount -= 6;
                out += kBase64[(bits >> bitCount) & 0x3F];
            }
        }
        if (bitCount > 0)
            out += kBase64[(bits << (6 - bitCount)) & 0x3F];
        out += '-';
        units.clear();
    };
    for (std::size_t pos = 0; pos < utf8Text.size();) {
        char32_t c = 0;
        std::size_t len = utf8::decode(utf8Text, pos, &c);
        if (len == 0) {
            c = 0xFFFD;
            len = 1;
        }
        pos += len;
        if (c == '+') {
            flush();
            out += "+-";
        } else if (isDirect(c)) {
            flush();
            out += static_cast<char>(c);
        } else if (c >= 0x10000) {
            units.push_back(static_cast<std::uint16_t>(0xD800 + ((c - 0x10000) >> 10)));
            units.push_back(static_cast<std::uint16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<std::uint16_t>(c));
        }
    }
    flush();
    return out;
}

std::optional<std::string> shortcutAddress(std::string_view fileBytes, const CodePage& codePage) {
    std::string text;
    try {
        if (fileBytes.starts_with("\xFF\xFE"))
            text = convertToUtf8(fileBytes.substr(2), "UTF-16LE");
        else
            text = fileBytes.starts_with("\xEF\xBB\xBF") ? fileBytes.substr(3) : fileBytes;
    } catch (const FavoritesError&) {
        return std::nullopt;
    }

    std::optional<std::string> ansi, wide;
    std::string section;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string_view line = trimBlanksAndTabs(std::string_view(text).substr(pos, end - pos));
        pos = end + 1;
        if (line.starts_with('[')) {
            const std::size_t close = line.find(']');
            section =
                lowerAscii(close == std::string_view::npos ? line.substr(1) : line.substr(1, close - 1));
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || lowerAscii(trimBlanksAndTabs(line.substr(0, eq))) != "url")
            continue;
        std::string_view value = trimBlanksAndTabs(line.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (section == "internetshortcut" && !ansi)
            ansi = std::string(value);
        else if (section == "internetshortcut.w" && !wide)
            wide = std::string(value);
    }
    if (wide) {
        if (auto decoded = decodeUtf7(*wide); decoded && !decoded->empty())
            return decoded;
    }
    if (!ansi || ansi->empty())
        return std::nullopt;
    return isUtf8(*ansi) ? *ansi : codePage.fromAnsi(*ansi);
}

std::string shortcutFileText(std::string_view url) {
    std::string ascii;
    bool wide = false;
    for (char c : url) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            ascii += c;
            continue;
        }
        static constexpr char kHex[] = "0123456789ABCDEF";
        ascii += '%';
        ascii += kHex[u >> 4];
        ascii += kHex[u & 0xF];
        wide = true;
    }
    std::string out = "[InternetShortcut]\r\nURL=" + ascii + "\r\n";
    if (wide)
        out += "[InternetShortcut.W]\r\nURL=" + encodeUtf7(url) + "\r\n";
    return out;
}

} // namespace tessaly
