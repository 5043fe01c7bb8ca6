// AnsiRegistry.cpp -- ANSI registry calls over a wide-character back end.
#include "registry/AnsiRegistry.h"

#include "registry/Utf16.h"

namespace tessaly {

namespace {

bool isStringType(std::uint32_t type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

} // namespace

std::u16string AnsiRegistry::wide(const std::string& ansi) const {
    return utf8ToUtf16(codePage_.fromAnsi(ansi));
}

std::string AnsiRegistry::ansi(std::u16string_view wide) const {
    return codePage_.toAnsi(utf16ToUtf8(wide));
}

std::string AnsiRegistry::ansiData(std::uint32_t type, const std::string& raw) const {
    return isStringType(type) ? ansi(utf16FromBytes(raw)) : raw;
}

long AnsiRegistry::RegOpenKeyExA(HKEY key, const std::string& subKey, std::uint32_t, HKEY* result) {
    return backend_.openKey(key, wide(subKey), result);
}

long AnsiRegistry::RegCreateKeyA(HKEY key, const std::string& subKey, HKEY* result) {
    return backend_.createKey(key, wide(subKey), result);
}

long AnsiRegistry::RegDeleteKeyA(HKEY key, const std::string& subKey) {
    return backend_.deleteKey(key, wide(subKey));
}

long AnsiRegistry::RegCloseKey(HKEY key) {
    return backend_.closeKey(key);
}

long AnsiRegistry::RegEnumKeyExA(HKEY key, std::uint32_t index, std::string* name, std::uint32_t* nameSize) {
    std::u16string w;
    long rc = backend_.enumKey(key, index, &w);
    if (rc != kErrorSuccess)
        return rc;
    std::string a = ansi(w);
    if (a.size() + 1 > *nameSize)
        return kErrorMoreData;
    *name = a;
    *nameSize = static_cast<std::uint32_t>(a.size());
    return kErrorSuccess;
}

long AnsiRegistry::RegEnumValueA(HKEY key, std::uint32_t index, std::string* name, std::uint32_t* nameSize,
                                 std::uint32_t* type, std::string* data, std::uint32_t* dataSize) {
    std::u16string w;
    std::string raw;
    std::uint32_t t = 0;
    long rc = backend_.enumValue(key, index, &w, &t, &raw);
    if (rc != kErrorSuccess)
        return rc;
    std::string a = ansi(w);
    if (a.size() + 1 > *nameSize)
        return kErrorMoreData;
    *name = a;
    *nameSize = static_cast<std::uint32_t>(a.size());
    *type = t;
    std::string d = ansiData(t, raw);
    if (d.size() > *dataSize) {
        *dataSize = static_cast<std::uint32_t>(d.size());
        return kErrorMoreData;
    }
    *data = std::move(d);
    *dataSize = static_cast<std::uint32_t>(data->size());
    return kErrorSuccess;
}

long AnsiRegistry::RegQueryValueExA(HKEY key, const std::string& valueName, std::uint32_t* type,
                                    std::string* data, std::uint32_t* dataSize) {
    std::string raw;
    std::uint32_t t = 0;
    long rc = backend_.queryValue(key, wide(valueName), &t, &raw);
    if (rc != kErrorSuccess)
        return rc;
    if (type)
        *type = t;
    std::string d = ansiData(t, raw);
    if (!data) {
        *dataSize = static_cast<std::uint32_t>(d.size());
        return kErrorSuccess;
    }
    if (d.size() > *dataSize) {
        *dataSize = static_cast<std::uint32_t>(d.size());
        return kErrorMoreData;
    }
    *data = std::move(d);
    *dataSize = static_cast<std::uint32_t>(data->size());
    return kErrorSuccess;
}

long AnsiRegistry::RegQueryValueA(HKEY key, const std::string& subKey, std::string* data,
                                  std::int32_t* size) {
    HKEY sub = key;
    if (!subKey.empty()) {
        long rc = RegOpenKeyExA(key, subKey, kKeyRead, &sub);
        if (rc != kErrorSuccess)
            return rc;
    }
    std::string raw;
    std::uint32_t t = 0;
    long rc = backend_.queryValue(sub, u"", &t, &raw);
    if (sub != key)
        RegCloseKey(sub);
    std::string d;
    if (rc == kErrorFileNotFound) {
        // A key without a default value reads as the empty string, as on the platform.
        d.assign(1, '\0');
    } else if (rc != kErrorSuccess) {
        return rc;
    } else {
        d = ansiData(t, raw);
        if (d.empty() || d.back() != '\0')
            d.push_back('\0');
    }
    if (!data) {
        *size = static_cast<std::int32_t>(d.size());
        return kErrorSuccess;
    }
    if (static_cast<std::int64_t>(d.size()) > *size) {
        *size = static_cast<std::int32_t>(d.size());
        return kErrorMoreData;
    }
    *data = std::move(d);
    *size = static_cast<std::int32_t>(data->size());
    return kErrorSuccess;
}

long AnsiRegistry::RegSetValueExA(HKEY key, const std::string& valueName, std::uint32_t type,
                                  const std::string& data) {
    std::string raw = isStringType(type) ? utf16Bytes(wide(data)) : data;
    return backend_.setValue(key, wide(valueName), type, raw);
}

} // namespace tessaly
