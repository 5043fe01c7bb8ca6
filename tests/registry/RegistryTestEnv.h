// RegistryTestEnv.h -- a Wine prefix in a temporary folder with the registry layers over it.
#pragma once

#include "registry/ModReg.h"
#include "registry/Utf16.h"
#include "registry/WineRegistry.h"

#include "RecordingUi.h"
#include "TempDir.h"

#include <memory>

namespace tessaly::test {

inline const std::string kEmptyUserReg = "WINE REGISTRY Version 2\n;; All keys relative to "
                                         "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n";
inline const std::string kEmptySystemReg =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";

inline std::string utf16z(std::u16string_view s) {
    std::string b;
    for (char16_t c : s) {
        b.push_back(static_cast<char>(c & 0xFF));
        b.push_back(static_cast<char>(c >> 8));
    }
    b.append(2, '\0');
    return b;
}

inline std::string dword(std::uint32_t v) {
    return std::string(reinterpret_cast<const char*>(&v), 4);
}

struct RegistryEnv {
    TempDir dir;
    RecordingUi ui;
    std::unique_ptr<WineRegistry> wine;
    std::unique_ptr<AnsiRegistry> ansi;
    std::unique_ptr<ModReg> mod;

    // Starts from the Wine fixture's files, or from empty hives.
    explicit RegistryEnv(bool fromFixture = true, unsigned codePage = 1252) {
        if (fromFixture) {
            writeFile(dir / "user.reg", readFile(wineFixtureDir() / "user.reg"));
            writeFile(dir / "system.reg", readFile(wineFixtureDir() / "system.reg"));
        } else {
            writeFile(dir / "user.reg", kEmptyUserReg);
            writeFile(dir / "system.reg", kEmptySystemReg);
        }
        wine = std::make_unique<WineRegistry>(dir.path());
        ansi = std::make_unique<AnsiRegistry>(*wine, CodePage(codePage));
        mod = std::make_unique<ModReg>(*ansi, ui);
    }

    // Sets a value below HKEY_CURRENT_USER directly in the hive.
    void set(std::u16string_view keyPath, std::u16string_view name, std::uint32_t type,
             const std::string& data) {
        WineHive& hive = wine->hive(kHkeyCurrentUser);
        hive.setValue(hive.create(keyPath), name, type, data);
    }
    const RegValue* get(std::u16string_view keyPath, std::u16string_view name) {
        RegKey* key = wine->hive(kHkeyCurrentUser).find(keyPath);
        return key ? key->findValue(name) : nullptr;
    }
};

} // namespace tessaly::test
