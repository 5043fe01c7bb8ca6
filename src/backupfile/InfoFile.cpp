// InfoFile.cpp -- reading and writing the info file's KEY=VALUE lines.
#include "backupfile/InfoFile.h"

#include "registry/Utf16.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace tessaly {

void SaveINI(const std::string& KeyName, const std::string& KeyValue, const std::filesystem::path& filename,
             const CodePage& codePage) {
    std::ofstream out(filename, std::ios::binary | std::ios::app);
    if (!out)
        throw InfoFileError("cannot open the info file " + filename.string() + ": " + std::strerror(errno));
    out << codePage.toAnsi(KeyName + "=" + KeyValue) << "\r\n";
    out.close();
    if (!out)
        throw InfoFileError("cannot write the info file " + filename.string() + ": " + std::strerror(errno));
}

std::string GetINI(const std::string& KeyName, const std::filesystem::path& filename,
                   const CodePage& codePage) {
    std::ifstream in(filename, std::ios::binary);
    if (!in)
        throw InfoFileError("cannot read the info file " + filename.string() + ": " + std::strerror(errno));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            break; // entries after an empty line are not read
        std::string text = codePage.fromAnsi(line);
        size_t eq = text.find('=');
        if (eq == std::string::npos)
            continue;
        if (sameNameUtf8(std::string_view(text).substr(0, eq), KeyName))
            return text.substr(eq + 1);
    }
    return "";
}

std::string EscapeNote(const std::string& note) {
    std::string out;
    for (size_t i = 0; i < note.size(); ++i) {
        if (note[i] == '\r' || note[i] == '\n') {
            if (note[i] == '\r' && i + 1 < note.size() && note[i + 1] == '\n')
                ++i;
            out += kLineBreakToken;
        } else {
            out += note[i];
        }
    }
    return out;
}

std::string UnescapeNote(const std::string& value) {
    std::string out;
    const std::string token = kLineBreakToken;
    size_t pos = 0;
    for (size_t hit; (hit = value.find(token, pos)) != std::string::npos; pos = hit + token.size())
        out.append(value, pos, hit - pos).append("\r\n");
    out.append(value, pos, std::string::npos);
    return out;
}

std::string TempItemValue(const std::string& bareName) {
    return bareName + std::string(1, '\0');
}

std::string MemberNameOf(const std::string& value) {
    return value.substr(0, value.find('\0'));
}

} // namespace tessaly
