// CodePage.cpp -- ANSI code page conversion through iconv.
#include "platform/CodePage.h"

#include "platform/Utf8.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <mutex>
#include <stdexcept>

namespace tessaly {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

bool isAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Runs iconv over `in` from `inPtr` on, appending the output, until all input is used or iconv stops
// at a sequence it cannot convert (false then; `inPtr`/`inLeft` point at it).
bool convertRun(iconv_t cd, char*& inPtr, std::size_t& inLeft, std::string& out) {
    char buffer[4096];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc == static_cast<std::size_t>(-1) && err != E2BIG)
            return false;
    }
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft); // shift state back to the initial one
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    return true;
}

} // namespace

struct CodePage::Converters {
    std::mutex mutex;
    iconv_t toAnsi = kNoConverter;
    iconv_t fromAnsi = kNoConverter;
    bool asciiCompatible = false;

    ~Converters() {
        if (toAnsi != kNoConverter)
            iconv_close(toAnsi);
        if (fromAnsi != kNoConverter)
            iconv_close(fromAnsi);
    }
};

std::string iconvNameOfCodePage(unsigned number) {
    switch (number) {
    case 65001:
        return "UTF-8";
    case 20127:
        return "ASCII";
    case 20932:
    case 51932:
        return "EUC-JP";
    case 54936:
        return "GB18030";
    case 10000:
        return "MACINTOSH";
    default:
        break;
    }
    if (number >= 28591 && number <= 28606 && number != 28602)
        return "ISO-8859-" + std::to_string(number - 28590);
    return "CP" + std::to_string(number);
}

CodePage::CodePage(unsigned number) : number_(number), conv_(std::make_shared<Converters>()) {
    const std::string name = iconvNameOfCodePage(number);
    if (number != 0) {
        conv_->toAnsi = iconv_open(name.c_str(), "WCHAR_T");
        conv_->fromAnsi = iconv_open("WCHAR_T", name.c_str());
    }
    if (conv_->toAnsi == kNoConverter || conv_->fromAnsi == kNoConverter)
        throw std::runtime_error("Unknown ANSI code page " + std::to_string(number) +
                                 ": the system's iconv cannot convert it (looked up as " + name + ")");

    // Windows ANSI code pages keep ASCII as it is; a quick check lets pure ASCII text skip iconv.
    std::string ascii;
    for (int c = 1; c < 0x80; ++c)
        ascii += static_cast<char>(c);
    conv_->asciiCompatible = fromAnsi(ascii) == ascii; // still false here, so this takes the long way
}

// Text goes through iconv as UCS-4 ("WCHAR_T", glibc's own internal form), so each conversion is one
// step and a character that cannot be converted is skipped without reconverting what came before.
std::string CodePage::toAnsi(std::string_view utf8) const {
    if (conv_->asciiCompatible && isAscii(utf8))
        return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    std::u32string chars;
    chars.reserve(utf8.size());
    std::lock_guard lock(conv_->mutex);

    auto flush = [&] {
        char* inPtr = reinterpret_cast<char*>(chars.data());
        std::size_t inLeft = chars.size() * sizeof(char32_t);
        iconv(conv_->toAnsi, nullptr, nullptr, nullptr, nullptr);
        while (!convertRun(conv_->toAnsi, inPtr, inLeft, out)) {
            out += '?'; // a character the code page cannot hold
            inPtr += sizeof(char32_t);
            inLeft -= std::min(inLeft, sizeof(char32_t));
        }
        chars.clear();
    };

    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp = 0;
        const std::size_t len = utf8::decode(utf8, pos, &cp);
        if (len == 0) {
            flush();
            out += '?';
            ++pos;
            continue;
        }
        chars += cp;
        pos += len;
    }
    flush();
    return out;
}

std::string CodePage::fromAnsi(std::string_view ansi) const {
    if (conv_->asciiCompatible && isAscii(ansi))
        return std::string(ansi);
    std::string wide;
    std::lock_guard lock(conv_->mutex);
    iconv(conv_->fromAnsi, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(ansi.data());
    std::size_t inLeft = ansi.size();
    std::string out;
    out.reserve(ansi.size() + ansi.size() / 2);
    auto drain = [&] {
        for (std::size_t i = 0; i + sizeof(char32_t) <= wide.size(); i += sizeof(char32_t)) {
            char32_t cp;
            std::memcpy(&cp, wide.data() + i, sizeof cp);
            utf8::append(out, cp);
        }
        wide.clear();
    };
    while (!convertRun(conv_->fromAnsi, inPtr, inLeft, wide)) {
        // An undefined byte, or a lead byte without a valid trail byte: replace one byte and go on,
        // so the next byte is read on its own.
        drain();
        out += '?';
        ++inPtr;
        --inLeft;
        iconv(conv_->fromAnsi, nullptr, nullptr, nullptr, nullptr);
    }
    drain();
    return out;
}

} // namespace tessaly
