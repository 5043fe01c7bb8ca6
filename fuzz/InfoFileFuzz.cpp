// InfoFileFuzz.cpp -- the info file reader on any bytes, and a note that can never add a line of its own.
#include "FuzzSupport.h"

#include "backupfile/InfoFile.h"

#include <cstdint>

using namespace tessaly;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CodePage codePage(1252);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::filesystem::path file = fuzz::scratch() / "vantrel.dat";
    fuzz::writeBytes(file, bytes);
    for (const char* key : {"Computer", "User", "Note", "Accounts", "Messages", "ZQ$KMX", ""}) {
        std::string value = GetINI(key, file, codePage);
        if (value.find('\n') != std::string::npos)
            fuzz::failed(std::string("the value of ") + key + " holds a line break");
        UnescapeNote(value);
    }

    // The same bytes as a note: stored escaped, it reads back as stored and hides every other key.
    const std::string stored = EscapeNote(codePage.fromAnsi(bytes));
    std::filesystem::remove(file);
    SaveINI("Note", stored, file, codePage);
    if (GetINI("Note", file, codePage) != codePage.fromAnsi(codePage.toAnsi(stored)))
        fuzz::failed("a note does not read back as it was stored");
    if (!GetINI("Computer", file, codePage).empty())
        fuzz::failed("a note added an entry of its own");
    return 0;
}
