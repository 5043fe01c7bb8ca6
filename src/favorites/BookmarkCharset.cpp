// BookmarkCharset.cpp -- encoding detection and conversion for bookmark files.
#include "favorites/BookmarkCharset.h"
#include "platform/Text.h"

#include "favorites/BookmarkTree.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <iconv.h>

namespace tessaly {

namespace {

constexpr std::size_t kHeadBytes = 4096;

std::size_t lineOf(std::string_view text, std::size_t pos) {
    return 1 +
           static_cast<std::size_t>(std::count(text.begin(), text.begin() + static_cast<long>(pos), '\n'));
}

// The charset named in the head of the file ("...; charset=windows-1252" or <meta charset="...">).
std::string declaredCharset(std::string_view bytes) {
    const std::string head = lowerAscii(bytes.substr(0, kHeadBytes));
    const std::size_t at = head.find("charset=");
    if (at == std::string::npos)
        return {};
    std::size_t p = at + 8;
    while (p < head.size() && (head[p] == '"' || head[p] == '\'' || head[p] == ' '))
        ++p;
    std::string name;
    while (p < head.size() && (std::isalnum(static_cast<unsigned char>(head[p])) ||
                               std::string_view("-_.:").find(head[p]) != std::string_view::npos))
        name += head[p++];
    return name;
}

bool isUtf8Name(const std::string& charset) {
    return charset.empty() || charset == "utf-8" || charset == "utf8";
}

void checkUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        if (static_cast<unsigned char>(text[pos]) < 0x80) {
            ++pos;
            continue;
        }
        const std::size_t len = utf8::decode(text, pos);
        if (len == 0)
            throw FavoritesError("it is not UTF-8 text (line " + std::to_string(lineOf(text, pos)) +
                                 " holds bytes that are not UTF-8) and names no other character set");
        pos += len;
    }
}

} // namespace

std::string convertToUtf8(std::string_view bytes, const std::string& charset) {
    iconv_t cd = iconv_open("UTF-8", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw FavoritesError("it is written in the character set \"" + charset + "\", which is not known");
    std::string out(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    const int err = errno;
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) {
        const std::size_t failedAt = bytes.size() - inLeft;
        throw FavoritesError(std::string("it is not valid ") + charset + " text" +
                             (err == EINVAL ? " (it ends inside a character)"
                                            : " (line " + std::to_string(lineOf(bytes, failedAt)) + ")"));
    }
    out.resize(out.size() - outLeft);
    return out;
}

std::string bookmarkFileText(std::string_view bytes) {
    std::string text;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        text = bytes.substr(3);
        checkUtf8(text);
    } else if (bytes.starts_with("\xFF\xFE")) {
        text = convertToUtf8(bytes.substr(2), "UTF-16LE");
    } else if (bytes.starts_with("\xFE\xFF")) {
        text = convertToUtf8(bytes.substr(2), "UTF-16BE");
    } else if (const std::string charset = declaredCharset(bytes); isUtf8Name(charset)) {
        text = bytes;
        checkUtf8(text);
    } else {
        text = convertToUtf8(bytes, charset);
    }
    if (const std::size_t nul = text.find('\0'); nul != std::string::npos)
        throw FavoritesError("it is not a text file (line " + std::to_string(lineOf(text, nul)) +
                             " holds a NUL byte)");
    return text;
}

} // namespace tessaly
