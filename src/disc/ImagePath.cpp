// ImagePath.cpp -- image path parsing and case-insensitive name comparison.
#include "ImagePath.h"

#include <cwctype>
#include <locale.h>

namespace tessaly {

namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// Decodes one UTF-8 sequence at s[i]; a malformed byte stands for itself, offset into a private
// range so that it never equals a real character.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    int extra = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
    } else {
        ++i;
        return 0x110000 + lead;
    }
    if (i + extra >= s.size()) {
        ++i;
        return 0x110000 + lead;
    }
    for (int k = 1; k <= extra; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return 0x110000 + lead;
        }
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    i += extra + 1;
    return cp;
}

locale_t foldingLocale() {
    static const locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        if (!l)
            l = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(0));
        return l;
    }();
    return locale;
}

char32_t fold(char32_t cp) {
    if (cp < 0x80)
        return (cp >= 'A' && cp <= 'Z') ? cp + ('a' - 'A') : cp;
    if (cp >= 0x110000)
        return cp;
    if (locale_t l = foldingLocale())
        return static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), l));
    return cp;
}

} // namespace

std::vector<std::string> SplitImagePath(std::string_view path) {
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || isSeparator(path[i])) {
            if (i > start)
                names.emplace_back(path.substr(start, i - start));
            start = i + 1;
        }
    }
    return names;
}

std::string JoinImagePath(std::string_view folderPath, std::string_view name) {
    std::string path(folderPath);
    if (path == kImageRoot)
        path.clear();
    path += '\\';
    path += name;
    return path;
}

std::string ImagePathOf(const std::vector<std::string>& names, std::size_t count) {
    if (count == 0)
        return kImageRoot;
    std::string path;
    for (std::size_t i = 0; i < count && i < names.size(); ++i)
        path += "\\" + names[i];
    return path;
}

bool SameItemName(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (fold(nextCodePoint(a, i)) != fold(nextCodePoint(b, j)))
            return false;
    }
    return i == a.size() && j == b.size();
}

bool IsValidItemName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name)
        if (isSeparator(c) || c == '\0')
            return false;
    return true;
}

} // namespace tessaly
