// WineRegistry.h -- the registry of a Wine prefix: HKEY_CURRENT_USER from user.reg, HKEY_LOCAL_MACHINE from
// system.reg.
#pragma once

#include "registry/RegistryBackend.h"
#include "registry/WineHive.h"

#include <cstdint>
#include <filesystem>
#include <map>

namespace tessaly {

class WineRegistry : public RegistryBackend {
public:
    // Reads both files; throws RegistryFileError naming the file (and line) that cannot be read.
    explicit WineRegistry(std::filesystem::path prefix);

    const std::filesystem::path& prefix() const { return prefix_; }
    bool hasUnsavedChanges() const override { return user_.dirty() || machine_.dirty(); }
    // Throws std::runtime_error when the prefix must not be changed now (a wineserver of it runs).
    void checkCanChange() const override;
    // Writes the changed files atomically; nothing when nothing changed. Throws on failure (the
    // files on disk stay as they were), when a wineserver of the prefix runs, and when a file was
    // changed on disk since it was read, up to the moment it is replaced (another program's changes
    // are never overwritten).
    void save() override;
    // Forgets unsaved changes by reading the files again.
    void reload() override;
    // Reads the files again when either changed on disk since it was read; true when it did.
    bool reloadIfChanged() override;

    WineHive& hive(HKEY root);

    long openKey(HKEY parent, std::u16string_view subKey, HKEY* result) override;
    long createKey(HKEY parent, std::u16string_view subKey, HKEY* result) override;
    long deleteKey(HKEY parent, std::u16string_view subKey) override;
    long closeKey(HKEY key) override;
    long enumKey(HKEY key, std::uint32_t index, std::u16string* name) override;
    long enumValue(HKEY key, std::uint32_t index, std::u16string* name, std::uint32_t* type,
                   std::string* data) override;
    long queryValue(HKEY key, std::u16string_view name, std::uint32_t* type, std::string* data) override;
    long setValue(HKEY key, std::u16string_view name, std::uint32_t type, std::string_view data) override;
    long deleteValue(HKEY key, std::u16string_view name) override;

private:
    struct Handle {
        WineHive* hive = nullptr;
        RegKey* key = nullptr; // nullptr once the key was deleted
    };

    // What each registry file was on disk when it was read or written.
    void checkUnchanged(const std::filesystem::path& file, const FileVersion& seen) const;

    std::filesystem::path prefix_;
    WineHive user_;
    WineHive machine_;
    FileVersion userStamp_;
    FileVersion machineStamp_;
    std::map<HKEY, Handle> handles_;
    HKEY nextHandle_ = 0x100;

    bool resolve(HKEY key, Handle* out) const;
    HKEY newHandle(WineHive* hive, RegKey* key);
};

} // namespace tessaly
