// ModReg.h -- registry access by textual key path ("HKEY_CURRENT_USER\Identities") and the text dump.
#pragma once

#include "platform/Ui.h"
#include "registry/AnsiRegistry.h"
#include "registry/KeyedCollection.h"

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessaly {

// A registry text dump that cannot be written or loaded; the message says where and why.
class KeyDumpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Paths, names and texts are UTF-8; they cross into the registry as ANSI text of the profile's code page.
// The module keeps the root, key handle and result of its last operation, as its callers expect.
class ModReg {
public:
    ModReg(AnsiRegistry& registry, Ui& ui) : reg_(registry), ui_(ui) {}

    // Replaces keyPath by its sub-path and sets root; a malformed path is shown to the user and gives root
    // none.
    void SplitKeyPath(std::string& keyPath, HKEY& root);
    static HKEY RootKeyFromName(std::string_view rootName);

    bool RegKeyExists(std::string keyPath);
    long CreateRegKey(std::string keyPath);
    long RemoveKey(std::string keyPath);
    void RemoveKeyTree(const std::string& keyPath);
    // The value's text, "Error" when it cannot be read, nullopt (an empty value) when the root is none.
    std::optional<std::string> ReadStringValue(std::string keyPath, const std::string& valueName);
    bool ReadDefaultValue(std::string keyPath, std::string& value);
    KeyedCollection<std::string> ListSubKeys(std::string keyPath);
    KeyedCollection<RegListValue> ListValues(std::string keyPath);

    // The text dump (ANSI text, CR LF). An empty relativePath starts a new file. Throws KeyDumpError.
    void DumpKeyTree(const std::string& keyPath, const std::string& relativePath,
                     const std::filesystem::path& dumpFile);
    void DumpKeyValues(const std::string& keyPath, const std::filesystem::path& dumpFile);
    // Checks the whole dump first: a malformed one changes nothing and throws KeyDumpError.
    void LoadKeyDump(const std::string& target, const std::filesystem::path& dumpFile);

    long lastResult() const { return lastResult_; }
    AnsiRegistry& registry() { return reg_; }

private:
    AnsiRegistry& reg_;
    Ui& ui_;
    HKEY rootHandle_ = kHkeyNone;
    HKEY keyHandle_ = 0;
    long lastResult_ = 0;

    std::string toAnsi(const std::string& utf8) const { return reg_.codePage().toAnsi(utf8); }
    std::string fromAnsi(const std::string& ansi) const { return reg_.codePage().fromAnsi(ansi); }

    // Opens a key for reading through the module's state (root, key handle, last result).
    std::optional<HKEY> openForReading(std::string keyPath);
    // The same with handles of its own, for the dump, which recurses.
    std::optional<HKEY> openWithOwnHandles(const std::string& keyPath);
    // A key's subkey names in the registry's order; empty when it cannot be opened.
    std::vector<std::string> subKeyNames(const std::string& keyPath);

    struct DumpSink;
    void dumpTree(const std::string& keyPath, const std::string& relativePath, DumpSink& sink);
    void dumpValues(const std::string& keyPath, DumpSink& sink);
    // Why a value line would not load back as the value it was written from; empty when it would.
    std::string lineProblem(const std::string& line, const std::string& name, std::uint32_t type,
                            const std::string& data) const;
};

} // namespace tessaly
