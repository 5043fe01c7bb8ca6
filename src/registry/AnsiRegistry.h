// AnsiRegistry.h -- the ANSI ("A") forms of the registry calls, converting through the profile's code page.
#pragma once

#include "platform/CodePage.h"
#include "registry/RegistryBackend.h"

#include <cstdint>
#include <string>

namespace tessaly {

// Names and string data cross this boundary as 8-bit text of the code page; sizes are in bytes of
// that text and buffers behave as the platform's do: a buffer too small gives kErrorMoreData.
class AnsiRegistry {
public:
    AnsiRegistry(RegistryBackend& backend, CodePage codePage)
        : backend_(backend), codePage_(std::move(codePage)) {}

    long RegOpenKeyExA(HKEY key, const std::string& subKey, std::uint32_t access, HKEY* result);
    long RegCreateKeyA(HKEY key, const std::string& subKey, HKEY* result);
    long RegDeleteKeyA(HKEY key, const std::string& subKey);
    long RegCloseKey(HKEY key);
    // *nameSize: the buffer's size in characters on entry, the name's length on return.
    long RegEnumKeyExA(HKEY key, std::uint32_t index, std::string* name, std::uint32_t* nameSize);
    // *dataSize: the buffer's size in bytes on entry; on return the data's size, or the size needed
    // when the buffer is too small (kErrorMoreData).
    long RegEnumValueA(HKEY key, std::uint32_t index, std::string* name, std::uint32_t* nameSize,
                       std::uint32_t* type, std::string* data, std::uint32_t* dataSize);
    long RegQueryValueExA(HKEY key, const std::string& valueName, std::uint32_t* type, std::string* data,
                          std::uint32_t* dataSize);
    // The default value of a subkey as a string; *size counts the terminating zero. data may be null.
    long RegQueryValueA(HKEY key, const std::string& subKey, std::string* data, std::int32_t* size);
    long RegSetValueExA(HKEY key, const std::string& valueName, std::uint32_t type, const std::string& data);

    const CodePage& codePage() const { return codePage_; }
    RegistryBackend& backend() { return backend_; }

    std::u16string wide(const std::string& ansi) const;
    std::string ansi(std::u16string_view wide) const;

private:
    RegistryBackend& backend_;
    CodePage codePage_;

    std::string ansiData(std::uint32_t type, const std::string& raw) const;
};

} // namespace tessaly
