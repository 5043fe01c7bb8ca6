// Text.cpp -- small text helpers.
#include "platform/Text.h"

namespace tessaly {

std::string trimBlanks(std::string_view text) {
    size_t b = text.find_first_not_of(' ');
    if (b == std::string_view::npos)
        return "";
    return std::string(text.substr(b, text.find_last_not_of(' ') - b + 1));
}

std::vector<std::string> splitAt(std::string_view text, char separator) {
    std::vector<std::string> pieces;
    size_t pos = 0;
    for (;;) {
        size_t hit = text.find(separator, pos);
        pieces.emplace_back(
            text.substr(pos, hit == std::string_view::npos ? std::string_view::npos : hit - pos));
        if (hit == std::string_view::npos)
            return pieces;
        pos = hit + 1;
    }
}

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + ('a' - 'A'));
    return out;
}

std::string upperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - ('a' - 'A'));
    return out;
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    for (size_t pos = 0; (pos = text.find(from, pos)) != std::string::npos; pos += to.size())
        text.replace(pos, from.size(), to);
    return text;
}

} // namespace tessaly
