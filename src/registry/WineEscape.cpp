// WineEscape.cpp -- escaping and unescaping of names and strings in Wine registry files.
#include "registry/WineEscape.h"

#include <cstdio>

namespace tessaly {

namespace {
bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return c - 'A' + 10;
}
} // namespace

size_t appendWineEscaped(std::string& out, std::u16string_view s, const char delims[2]) {
    static const char escapes[33] = ".......abtnvfr.............e....";
    size_t start = out.size();
    char buf[16];
    for (size_t i = 0; i < s.size(); ++i) {
        char16_t c = s[i];
        bool hasNext = i + 1 < s.size();
        if (c > 127) {
            bool padded = hasNext && s[i + 1] < 128 && isHexDigit(static_cast<char>(s[i + 1]));
            std::snprintf(buf, sizeof buf, padded ? "\\x%04x" : "\\x%x", static_cast<unsigned>(c));
            out += buf;
        } else if (c < 32) {
            if (escapes[c] != '.') {
                out += '\\';
                out += escapes[c];
            } else {
                bool padded = hasNext && s[i + 1] >= '0' && s[i + 1] <= '7';
                std::snprintf(buf, sizeof buf, padded ? "\\%03o" : "\\%o", static_cast<unsigned>(c));
                out += buf;
            }
        } else {
            if (c == '\\' || c == delims[0] || c == delims[1])
                out += '\\';
            out += static_cast<char>(c);
        }
    }
    return out.size() - start;
}

std::optional<std::u16string> parseWineEscaped(std::string_view src, size_t& pos, char endChar) {
    std::u16string out;
    size_t p = pos;
    while (p < src.size() && src[p] != endChar) {
        unsigned char c = static_cast<unsigned char>(src[p]);
        if (c == '\\') {
            ++p;
            if (p >= src.size())
                return std::nullopt;
            char e = src[p];
            switch (e) {
            case 'a':
                out += u'\a';
                ++p;
                break;
            case 'b':
                out += u'\b';
                ++p;
                break;
            case 'e':
                out += char16_t(0x1b);
                ++p;
                break;
            case 'f':
                out += u'\f';
                ++p;
                break;
            case 'n':
                out += u'\n';
                ++p;
                break;
            case 'r':
                out += u'\r';
                ++p;
                break;
            case 't':
                out += u'\t';
                ++p;
                break;
            case 'v':
                out += u'\v';
                ++p;
                break;
            case 'x': {
                ++p;
                unsigned v = 0;
                int n = 0;
                while (n < 4 && p < src.size() && isHexDigit(src[p])) {
                    v = v * 16 + hexValue(src[p]);
                    ++p;
                    ++n;
                }
                if (n == 0)
                    out += u'x';
                else
                    out += static_cast<char16_t>(v);
                break;
            }
            case '0':
            case '1':
            case '2':
            case '3':
            case '4':
            case '5':
            case '6':
            case '7': {
                unsigned v = 0;
                int n = 0;
                while (n < 3 && p < src.size() && src[p] >= '0' && src[p] <= '7') {
                    v = v * 8 + (src[p] - '0');
                    ++p;
                    ++n;
                }
                out += static_cast<char16_t>(v);
                break;
            }
            default:
                out += static_cast<char16_t>(static_cast<unsigned char>(e));
                ++p;
                break;
            }
        } else if (c < 0x80) {
            out += static_cast<char16_t>(c);
            ++p;
        } else {
            // Raw UTF-8, as a hand edit leaves it; an invalid byte stands for itself.
            char32_t cp = c;
            size_t len = 1;
            if ((c & 0xE0) == 0xC0)
                cp = c & 0x1F, len = 2;
            else if ((c & 0xF0) == 0xE0)
                cp = c & 0x0F, len = 3;
            else if ((c & 0xF8) == 0xF0)
                cp = c & 0x07, len = 4;
            bool valid = len > 1 && p + len <= src.size();
            for (size_t k = 1; valid && k < len; ++k) {
                unsigned char cc = static_cast<unsigned char>(src[p + k]);
                if ((cc & 0xC0) != 0x80)
                    valid = false;
                else
                    cp = (cp << 6) | (cc & 0x3F);
            }
            if (!valid) {
                cp = c;
                len = 1;
            }
            p += len;
            if (cp >= 0x10000) {
                cp -= 0x10000;
                out += static_cast<char16_t>(0xD800 + (cp >> 10));
                out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
            } else {
                out += static_cast<char16_t>(cp);
            }
        }
    }
    if (p >= src.size())
        return std::nullopt;
    pos = p + 1;
    return out;
}

} // namespace tessaly
