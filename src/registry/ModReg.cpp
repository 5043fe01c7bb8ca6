// ModReg.cpp -- registry access by key path: split, test, create, remove, read and list.
#include "registry/ModReg.h"

#include "platform/Text.h"

#include <array>
#include <cstring>
#include <vector>

namespace tessaly {

namespace {

struct RootName {
    const char* name;
    HKEY root;
};
constexpr std::array<RootName, 7> kRoots{{
    {"HKEY_CLASSES_ROOT", kHkeyClassesRoot},
    {"HKEY_CURRENT_USER", kHkeyCurrentUser},
    {"HKEY_LOCAL_MACHINE", kHkeyLocalMachine},
    {"HKEY_USERS", kHkeyUsers},
    {"HKEY_PERFORMANCE_DATA", kHkeyPerformanceData},
    {"HKEY_CURRENT_CONFIG", kHkeyCurrentConfig},
    {"HKEY_DYN_DATA", kHkeyDynData},
}};

// Drops the last character of a UTF-8 text.
void dropLastCharacter(std::string& s) {
    if (s.empty())
        return;
    size_t i = s.size() - 1;
    while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
        --i;
    s.erase(i);
}

} // namespace

HKEY ModReg::RootKeyFromName(std::string_view rootName) {
    for (const RootName& r : kRoots)
        if (rootName == r.name)
            return r.root;
    return kHkeyNone;
}

void ModReg::SplitKeyPath(std::string& keyPath, HKEY& root) {
    if (keyPath.compare(0, 5, "HKEY_") != 0 || keyPath.size() < 5 || keyPath.back() == '\\') {
        ui_.messageBox("Incorrect Format:\n\n" + keyPath, kAppTitle, MsgIcon::None, MsgButtons::Ok);
        root = kHkeyNone;
        return;
    }
    size_t slash = keyPath.find('\\');
    if (slash != std::string::npos) {
        root = RootKeyFromName(std::string_view(keyPath).substr(0, slash));
        keyPath.erase(0, slash + 1);
    } else {
        root = RootKeyFromName(keyPath);
        keyPath.clear();
    }
}

std::optional<HKEY> ModReg::openForReading(std::string keyPath) {
    SplitKeyPath(keyPath, rootHandle_);
    if (rootHandle_ == kHkeyNone)
        return std::nullopt;
    lastResult_ = reg_.RegOpenKeyExA(rootHandle_, toAnsi(keyPath), kKeyRead, &keyHandle_);
    if (lastResult_ != kErrorSuccess)
        return std::nullopt;
    return keyHandle_;
}

std::optional<HKEY> ModReg::openWithOwnHandles(const std::string& keyPath) {
    std::string sub = keyPath;
    HKEY root = kHkeyNone;
    SplitKeyPath(sub, root);
    HKEY key = 0;
    if (root == kHkeyNone || reg_.RegOpenKeyExA(root, toAnsi(sub), kKeyRead, &key) != kErrorSuccess)
        return std::nullopt;
    return key;
}

bool ModReg::RegKeyExists(std::string keyPath) {
    std::optional<HKEY> key = openForReading(std::move(keyPath));
    if (key)
        reg_.RegCloseKey(*key);
    return key.has_value();
}

long ModReg::CreateRegKey(std::string keyPath) {
    SplitKeyPath(keyPath, rootHandle_);
    if (rootHandle_ == kHkeyNone)
        return lastResult_;
    lastResult_ = reg_.RegCreateKeyA(rootHandle_, toAnsi(keyPath), &keyHandle_);
    if (lastResult_ == kErrorSuccess)
        reg_.RegCloseKey(keyHandle_);
    return lastResult_;
}

long ModReg::RemoveKey(std::string keyPath) {
    SplitKeyPath(keyPath, rootHandle_);
    if (rootHandle_ == kHkeyNone)
        return lastResult_;
    size_t slash = keyPath.rfind('\\');
    std::string parent = slash == std::string::npos ? std::string() : keyPath.substr(0, slash);
    std::string last = slash == std::string::npos ? keyPath : keyPath.substr(slash + 1);
    lastResult_ = reg_.RegOpenKeyExA(rootHandle_, toAnsi(parent), kKeyWrite, &keyHandle_);
    if (lastResult_ == kErrorSuccess) {
        lastResult_ = reg_.RegDeleteKeyA(keyHandle_, toAnsi(last));
        reg_.RegCloseKey(keyHandle_);
    }
    return lastResult_;
}

void ModReg::RemoveKeyTree(const std::string& keyPath) {
    // Every key goes after its subkeys, depth first; a key's subkeys are listed before any of them
    // is deleted. The walk keeps its own list, so a deep tree cannot exhaust the stack.
    struct Pending {
        std::string path;
        bool listed = false;
    };
    std::vector<Pending> pending{{keyPath}};
    while (!pending.empty()) {
        if (pending.back().listed) {
            RemoveKey(pending.back().path);
            pending.pop_back();
            continue;
        }
        pending.back().listed = true;
        std::string path = pending.back().path;
        std::vector<std::string> names = subKeyNames(path);
        for (auto it = names.rbegin(); it != names.rend(); ++it)
            pending.push_back({path + "\\" + *it});
    }
}

std::vector<std::string> ModReg::subKeyNames(const std::string& keyPath) {
    // The whole name, NUL included: a key whose name holds one is removed like any other.
    std::vector<std::string> names;
    std::optional<HKEY> opened = openForReading(keyPath);
    if (!opened)
        return names;
    for (std::uint32_t index = 0;; ++index) {
        std::string name;
        std::uint32_t size = 260;
        lastResult_ = reg_.RegEnumKeyExA(*opened, index, &name, &size);
        if (lastResult_ != kErrorSuccess)
            break;
        names.push_back(fromAnsi(name));
    }
    reg_.RegCloseKey(*opened);
    return names;
}

std::optional<std::string> ModReg::ReadStringValue(std::string keyPath, const std::string& valueName) {
    std::optional<HKEY> opened = openForReading(std::move(keyPath));
    if (rootHandle_ == kHkeyNone)
        return std::nullopt;
    if (!opened)
        return std::string("Error");
    std::string buffer(255, ' ');
    std::string data;
    std::uint32_t size = 255;
    std::uint32_t type = 0;
    lastResult_ = reg_.RegQueryValueExA(keyHandle_, toAnsi(valueName), &type, &data, &size);
    reg_.RegCloseKey(keyHandle_);
    if (lastResult_ != kErrorSuccess)
        return std::string("Error");
    // The data lands at the start of a buffer of blanks: the trim keeps blanks that stand before the
    // terminating zero, and dropping the last character removes that zero.
    buffer.replace(0, data.size(), data);
    std::string text = trimBlanks(fromAnsi(buffer));
    dropLastCharacter(text);
    return text;
}

bool ModReg::ReadDefaultValue(std::string keyPath, std::string& value) {
    SplitKeyPath(keyPath, rootHandle_);
    if (rootHandle_ == kHkeyNone)
        return false;
    std::int32_t size = 0;
    lastResult_ = reg_.RegQueryValueA(rootHandle_, toAnsi(keyPath), nullptr, &size);
    if (lastResult_ != kErrorSuccess && lastResult_ != kErrorMoreData)
        return false;
    std::string buffer;
    lastResult_ = reg_.RegQueryValueA(rootHandle_, toAnsi(keyPath), &buffer, &size);
    if (lastResult_ != kErrorSuccess)
        return false;
    value = fromAnsi(buffer.substr(0, size > 0 ? static_cast<size_t>(size - 1) : 0));
    return true;
}

KeyedCollection<std::string> ModReg::ListSubKeys(std::string keyPath) {
    KeyedCollection<std::string> result;
    std::optional<HKEY> opened = openForReading(keyPath);
    if (!opened)
        return result;
    HKEY key = *opened;
    for (std::uint32_t index = 0;; ++index) {
        std::string name;
        std::uint32_t size = 260;
        lastResult_ = reg_.RegEnumKeyExA(key, index, &name, &size);
        if (lastResult_ != kErrorSuccess)
            break;
        std::string utf8 = fromAnsi(name.substr(0, name.find('\0')));
        result.add(utf8, utf8);
    }
    reg_.RegCloseKey(key);
    return result;
}

KeyedCollection<RegListValue> ModReg::ListValues(std::string keyPath) {
    KeyedCollection<RegListValue> result;
    std::optional<HKEY> opened = openForReading(keyPath);
    if (!opened)
        return result;
    HKEY key = *opened;
    for (std::uint32_t index = 0;; ++index) {
        std::string name, data;
        std::uint32_t nameSize = 260, dataSize = 4096, type = 0;
        lastResult_ = reg_.RegEnumValueA(key, index, &name, &nameSize, &type, &data, &dataSize);
        if (lastResult_ == kErrorMoreData) {
            nameSize = 260;
            lastResult_ = reg_.RegEnumValueA(key, index, &name, &nameSize, &type, &data, &dataSize);
        }
        if (lastResult_ != kErrorSuccess)
            break;
        RegListValue value;
        switch (type) {
        case kRegSz:
        case kRegExpandSz:
            value = dataSize == 0 ? std::string() : fromAnsi(data.substr(0, dataSize - 1));
            break;
        case kRegBinary:
            value = dataSize <= 1 ? std::string() : fromAnsi(data.substr(0, dataSize - 1));
            break;
        case kRegDword: {
            std::int32_t n = 0;
            std::memcpy(&n, data.data(), std::min<size_t>(4, data.size()));
            value = n;
            break;
        }
        default:
            break;
        }
        result.add(fromAnsi(name.substr(0, nameSize)), std::move(value));
    }
    reg_.RegCloseKey(key);
    return result;
}

} // namespace tessaly
