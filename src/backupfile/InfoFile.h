// InfoFile.h -- the info file "vantrel.dat" that describes a backup: KEY=VALUE lines in ANSI text with CR LF.
#pragma once

#include "platform/CodePage.h"

#include <filesystem>
#include <stdexcept>
#include <string>

namespace tessaly {

class InfoFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kInfoFileName = "vantrel.dat";
// Stands for a line break inside a value.
inline constexpr const char* kLineBreakToken = "ZQ$KMX";

// Appends KeyName=KeyValue and CR LF, creating the file. Throws InfoFileError when it cannot write.
void SaveINI(const std::string& KeyName, const std::string& KeyValue, const std::filesystem::path& filename,
             const CodePage& codePage);

// The value of the first KeyName entry (compared without regard to case, nothing trimmed), or "" when
// there is none before the end of the file or the first empty line. Throws InfoFileError when the
// file cannot be read.
std::string GetINI(const std::string& KeyName, const std::filesystem::path& filename,
                   const CodePage& codePage);

// The note as stored: every line break (CR LF, or a lone CR or LF) becomes the token.
std::string EscapeNote(const std::string& note);
// The note as shown: every token becomes CR LF.
std::string UnescapeNote(const std::string& value);

// The value the registry items record: the temporary file's bare name followed by one NUL.
std::string TempItemValue(const std::string& bareName);
// The member name in such a value: the text before the first NUL.
std::string MemberNameOf(const std::string& value);

} // namespace tessaly
