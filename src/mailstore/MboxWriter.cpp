// MboxWriter.cpp -- the mboxrd quoting, one scan over the text.
#include "mailstore/MboxWriter.h"

#include "mailstore/FileTime.h"

#include <cstring>

namespace tessaly {

namespace {

bool plainAddress(const std::string& s) {
    if (s.empty() || s.size() > 254)
        return false;
    for (unsigned char c : s)
        if (c <= ' ' || c == 0x7F)
            return false;
    return true;
}

// True when the line starting at p (n bytes left) is ">"* "From ".
bool needsQuote(const char* p, std::size_t n) {
    std::size_t i = 0;
    while (i < n && p[i] == '>')
        ++i;
    return n - i >= 5 && std::memcmp(p + i, "From ", 5) == 0;
}

} // namespace

void appendMboxMessage(std::string& out, std::string_view text, const std::string& sender,
                       std::uint64_t fileTime) {
    out += "From ";
    out += plainAddress(sender) ? sender : "MAILER-DAEMON";
    out += ' ';
    out += mboxTime(fileTime);
    out += '\n';
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        if (needsQuote(p, std::size_t(end - p)))
            out += '>';
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', std::size_t(end - p)));
        const char* lineEnd = nl ? nl + 1 : end;
        out.append(p, std::size_t(lineEnd - p));
        p = lineEnd;
    }
    if (text.empty() || text.back() != '\n')
        out += '\n';
    out += '\n';
}

} // namespace tessaly
