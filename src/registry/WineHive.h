// WineHive.h -- one Wine registry file (user.reg or system.reg) held in memory as a key tree.
#pragma once

#include "platform/AtomicFile.h"
#include "registry/RegTypes.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// A registry file that cannot be read; the message names the file and the line.
class RegistryFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct RegValue {
    std::u16string name; // empty for the default value
    std::uint32_t type = 0;
    std::string data; // raw bytes as the registry holds them (strings in UTF-16LE with their NUL)
};

struct RegKey {
    std::u16string name;
    RegKey* parent = nullptr;
    std::vector<std::unique_ptr<RegKey>> subkeys; // in Wine's sort order
    std::vector<RegValue> values;                 // in Wine's sort order
    std::optional<std::u16string> keyClass;
    bool isLink = false;
    std::uint64_t modif = 0; // FILETIME: 100-ns ticks since 1601

    std::string rawBlock; // the key's block as read from the file, reused while the key is unchanged
    bool hasRaw = false;
    bool rewrite = false; // the block must be generated afresh on save

    RegKey() = default;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey(); // takes the subtree apart without recursion

    RegKey* findSubkey(std::u16string_view name) const;
    const RegValue* findValue(std::u16string_view name) const;
};

// The key at a '\'-separated path below `from` (empty components skipped), or nullptr.
RegKey* findKeyBelow(const RegKey& from, std::u16string_view path);
// How many levels below its root a key lies (the root's subkeys lie 1 level below it).
std::size_t keyDepth(const RegKey& key);
// The number of key names in a '\'-separated path (empty components skipped).
std::size_t pathDepth(std::u16string_view path);

class WineHive {
public:
    // Parses the text of a registry file; fileName is used in error messages only.
    static WineHive parse(std::string_view text, const std::string& fileName);
    static WineHive load(const std::filesystem::path& file);

    WineHive();
    WineHive(WineHive&&) noexcept;
    WineHive& operator=(WineHive&&) noexcept;
    ~WineHive();

    // The file's text: unchanged keys come back as they were read, changed ones as Wine writes them.
    std::string serialize() const;
    // Writes the file over the version that was read only (FileChangedMeanwhile otherwise); returns
    // the version written.
    FileVersion save(const std::filesystem::path& file, const FileVersion& readVersion) const;

    RegKey& root() { return *root_; }
    const RegKey& root() const { return *root_; }
    bool dirty() const { return dirty_; }
    void markClean() { dirty_ = false; }

    // Path components separated by '\'; empty components are skipped. nullptr when missing.
    RegKey* find(std::u16string_view path) const;
    // Creates missing keys along the path; *created tells whether the last one is new.
    RegKey& create(std::u16string_view path, bool* created = nullptr);
    // Removes one key and everything below it; its parent counts as changed.
    void remove(RegKey& key);
    void setValue(RegKey& key, std::u16string_view name, std::uint32_t type, std::string_view data);
    bool deleteValue(RegKey& key, std::u16string_view name);

    // Marks a key as changed: a new timestamp and a freshly generated block.
    void touch(RegKey& key);

    // The clock that stamps changed keys, as FILETIME ticks; the system clock unless a test sets one.
    void setClock(std::function<std::uint64_t()> clock) { clock_ = std::move(clock); }

private:
    friend class WineHiveParser;
    std::string header_;
    bool loading_ = false;
    std::unique_ptr<RegKey> root_;
    bool dirty_ = false;
    std::function<std::uint64_t()> clock_;

    std::uint64_t now() const;
};

// Wine's text form of a key path relative to the file's root, as written between '[' and ']'.
std::string wineKeyPath(const RegKey& key);
// The block Wine writes for a key (without the blank line before it).
std::string wineKeyBlock(const RegKey& key);

} // namespace tessaly
