// EntryName.cpp -- entry-name safety checks and name helpers of the archive layer.
#include "archive/EntryName.h"

#include <vector>

namespace tessaly {

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

std::vector<std::string_view> components(std::string_view name) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || isSeparator(name[i])) {
            out.push_back(name.substr(start, i - start));
            start = i + 1;
        }
    }
    return out;
}

bool climbsUp(std::string_view component) {
    int dots = 0;
    for (char c : component) {
        if (c == '.')
            ++dots;
        else if (c != ' ')
            return false;
    }
    return dots >= 2;
}

// Folds one UTF-8 character at text[i] to a comparable code, advancing i.
unsigned foldAt(std::string_view text, std::size_t& i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
        ++i;
        return (c >= 'a' && c <= 'z') ? c - 32 : c;
    }
    if ((c & 0xE0) == 0xC0 && i + 1 < text.size()) {
        unsigned cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
        i += 2;
        if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7)
            cp -= 0x20;
        return cp;
    }
    ++i;
    return 0x10000u + c; // other bytes compare as themselves
}

} // namespace

EntryNameDefect entryNameDefect(std::string_view name) {
    if (!name.empty() && isSeparator(name.front()))
        return EntryNameDefect::Absolute;
    if (name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
        return EntryNameDefect::DriveLetter;
    bool namesSomething = false;
    for (auto c : components(name)) {
        if (climbsUp(c))
            return EntryNameDefect::ParentComponent;
        if (!c.empty() && c != ".")
            namesSomething = true;
    }
    return namesSomething ? EntryNameDefect::None : EntryNameDefect::Empty;
}

std::string describeDefect(EntryNameDefect defect) {
    switch (defect) {
    case EntryNameDefect::Empty:
        return "an empty name";
    case EntryNameDefect::Absolute:
        return "an absolute name";
    case EntryNameDefect::DriveLetter:
        return "a drive letter";
    case EntryNameDefect::ParentComponent:
        return "a \"..\" component";
    case EntryNameDefect::None:
        break;
    }
    return "a safe name";
}

std::filesystem::path entryRelativePath(std::string_view name, bool keepFolders, bool spacesToUnderscores) {
    std::filesystem::path out;
    auto parts = components(name);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].empty() || parts[i] == ".")
            continue;
        if (!keepFolders && i + 1 != parts.size())
            continue;
        std::string part(parts[i]);
        if (spacesToUnderscores)
            for (auto& c : part)
                if (c == ' ')
                    c = '_';
        out /= part;
    }
    return out;
}

bool isFolderEntry(std::string_view name) {
    return !name.empty() && isSeparator(name.back());
}

std::string bareName(std::string_view path) {
    auto pos = path.find_last_of("/\\");
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size())
        if (foldAt(a, i) != foldAt(b, j))
            return false;
    return i == a.size() && j == b.size();
}

std::string_view upToNul(std::string_view text) {
    auto nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

} // namespace tessaly
