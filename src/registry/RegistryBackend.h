// RegistryBackend.h -- the registry operations Tessaly needs, in their wide-character form.
#pragma once

#include "registry/RegTypes.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly {

// Key paths below a handle are '\'-separated; names compare without regard to letter case.
// Every call returns a Windows result code (kErrorSuccess, kErrorFileNotFound, ...).
class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;

    virtual long openKey(HKEY parent, std::u16string_view subKey, HKEY* result) = 0;
    // Opens a key, creating it and any missing parents.
    virtual long createKey(HKEY parent, std::u16string_view subKey, HKEY* result) = 0;
    // Deletes one key below parent; fails with kErrorAccessDenied while it has subkeys.
    virtual long deleteKey(HKEY parent, std::u16string_view subKey) = 0;
    virtual long closeKey(HKEY key) = 0;
    // kErrorNoMoreItems past the last one.
    virtual long enumKey(HKEY key, std::uint32_t index, std::u16string* name) = 0;
    virtual long enumValue(HKEY key, std::uint32_t index, std::u16string* name, std::uint32_t* type,
                           std::string* data) = 0;
    virtual long queryValue(HKEY key, std::u16string_view name, std::uint32_t* type, std::string* data) = 0;
    // String data is UTF-16LE, with or without its terminating NUL, as the caller gives it.
    virtual long setValue(HKEY key, std::u16string_view name, std::uint32_t type, std::string_view data) = 0;
    virtual long deleteValue(HKEY key, std::u16string_view name) = 0;

    // The files behind the calls. A back end that never writes has nothing to save or read again.
    virtual bool hasUnsavedChanges() const { return false; }
    // Throws std::runtime_error, saying why, when the registry must not be changed now.
    virtual void checkCanChange() const {}
    virtual void save() {}
    // Forgets unsaved changes.
    virtual void reload() {}
    // Reads the files again when another program changed them; true when it did.
    virtual bool reloadIfChanged() { return false; }
};

} // namespace tessaly
