// HiveRegistry.cpp -- registry calls answered from Windows hive files through libhivex.
#include "registry/HiveRegistry.h"

#include "registry/Utf16.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <hivex.h>

namespace tessaly {

namespace {

bool isPredefinedRoot(HKEY key) {
    return key >= kHkeyClassesRoot && key <= kHkeyDynData;
}

std::u16string takeName(char* utf8) {
    std::u16string name = utf8ToUtf16(utf8);
    std::free(utf8);
    return name;
}

} // namespace

struct HiveRegistry::Hive {
    std::filesystem::path file;
    hive_h* h = nullptr;
    std::u16string mountName; // its key below HKEY_LOCAL_MACHINE; empty for the user's hive
    ~Hive() {
        if (h)
            hivex_close(h);
    }
};

HiveRegistry::HiveRegistry(const HiveFiles& files) {
    openHive(files.user);
    if (files.software) {
        softwareHive_ = openHive(*files.software);
        hives_[std::size_t(softwareHive_)]->mountName = u"SOFTWARE";
    }
    if (files.system) {
        systemHive_ = openHive(*files.system);
        hives_[std::size_t(systemHive_)]->mountName = u"SYSTEM";
    }
}

HiveRegistry::~HiveRegistry() = default;

int HiveRegistry::openHive(const std::filesystem::path& file) {
    HiveHeader header = readHiveHeader(file);
    if (header.dirty())
        warning_ += (warning_.empty() ? "" : " ") + dirtyHiveWarning(file);
    auto hive = std::make_unique<Hive>();
    hive->file = file;
    errno = 0;
    hive->h = hivex_open(file.c_str(), 0);
    if (!hive->h)
        throw HiveError("The registry hive " + file.string() + " cannot be read: it is damaged (" +
                        std::strerror(errno ? errno : EINVAL) + "). Nothing was read from it.");
    hives_.push_back(std::move(hive));
    return int(hives_.size() - 1);
}

void HiveRegistry::damaged(int hive, const std::string& what) const {
    throw HiveError("The registry hive " + hives_[std::size_t(hive)]->file.string() + " is damaged: " + what +
                    " cannot be read (" + std::strerror(errno ? errno : EINVAL) + ")");
}

void HiveRegistry::checkCanChange() const {
    throw std::runtime_error("The registry hive " + hives_[0]->file.string() +
                             " belongs to a Windows profile, which Tessaly reads but never changes.");
}

bool HiveRegistry::resolve(HKEY key, Node* out) const {
    if (key == kHkeyCurrentUser) {
        *out = {0, hivex_root(hives_[0]->h)};
        return true;
    }
    if (key == kHkeyLocalMachine) {
        *out = {-1, 0};
        return true;
    }
    auto it = handles_.find(key);
    if (it == handles_.end())
        return false;
    *out = it->second;
    return true;
}

const std::vector<HiveRegistry::Child>& HiveRegistry::children(const Node& node) {
    auto it = children_.find(node);
    if (it != children_.end())
        return it->second;
    std::vector<Child> list;
    if (node.hive < 0) {
        for (std::size_t i = 1; i < hives_.size(); ++i)
            list.push_back({hives_[i]->mountName, {int(i), hivex_root(hives_[i]->h)}});
    } else {
        hive_h* h = hives_[std::size_t(node.hive)]->h;
        errno = 0;
        hive_node_h* nodes = hivex_node_children(h, node.node);
        if (!nodes)
            damaged(node.hive, "a key's list of subkeys");
        for (hive_node_h* n = nodes; *n; ++n) {
            errno = 0;
            char* name = hivex_node_name(h, *n);
            if (!name) {
                std::free(nodes);
                damaged(node.hive, "a key's name");
            }
            list.push_back({takeName(name), {node.hive, *n}});
        }
        std::free(nodes);
    }
    // The Wine back end's order, so that both give the same enumerations and dumps.
    std::stable_sort(list.begin(), list.end(),
                     [](const Child& a, const Child& b) { return compareNames(a.name, b.name) < 0; });
    return children_.emplace(node, std::move(list)).first->second;
}

const std::vector<HiveRegistry::Value>& HiveRegistry::values(const Node& node) {
    auto it = values_.find(node);
    if (it != values_.end())
        return it->second;
    std::vector<Value> list;
    if (node.hive >= 0) {
        hive_h* h = hives_[std::size_t(node.hive)]->h;
        errno = 0;
        hive_value_h* handles = hivex_node_values(h, node.node);
        if (!handles)
            damaged(node.hive, "a key's list of values");
        for (hive_value_h* v = handles; *v; ++v) {
            errno = 0;
            char* name = hivex_value_key(h, *v);
            if (!name) {
                std::free(handles);
                damaged(node.hive, "a value's name");
            }
            list.push_back({takeName(name), *v});
        }
        std::free(handles);
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const Value& a, const Value& b) { return compareNames(a.name, b.name) < 0; });
    return values_.emplace(node, std::move(list)).first->second;
}

std::optional<HiveRegistry::Node> HiveRegistry::child(const Node& node, std::u16string_view name) {
    // CurrentControlSet is a link Windows makes at start-up; the hive names the set in Select\Current.
    if (node.hive >= 0 && node.hive == systemHive_ &&
        node.node == hivex_root(hives_[std::size_t(node.hive)]->h) && sameName(name, u"CurrentControlSet")) {
        std::uint32_t current = 1;
        if (auto select = find(node, u"Select")) {
            std::uint32_t type = 0;
            std::string data;
            for (const Value& v : values(*select))
                if (sameName(v.name, u"Current") &&
                    readValue(*select, v.handle, &type, &data) == kErrorSuccess && type == kRegDword &&
                    data.size() == 4)
                    std::memcpy(&current, data.data(), 4);
        }
        char set[32];
        std::snprintf(set, sizeof set, "ControlSet%03u", current % 1000);
        return child(node, utf8ToUtf16(set));
    }
    for (const Child& c : children(node))
        if (sameName(c.name, name))
            return c.node;
    return std::nullopt;
}

std::optional<HiveRegistry::Node> HiveRegistry::find(Node from, std::u16string_view path) {
    std::size_t i = 0;
    while (i <= path.size()) {
        std::size_t j = path.find(u'\\', i);
        if (j == std::u16string_view::npos)
            j = path.size();
        if (j > i) {
            auto next = child(from, path.substr(i, j - i));
            if (!next)
                return std::nullopt;
            from = *next;
        }
        i = j + 1;
    }
    return from;
}

long HiveRegistry::readValue(const Node& node, std::size_t handle, std::uint32_t* type, std::string* data) {
    hive_h* h = hives_[std::size_t(node.hive)]->h;
    hive_type t{};
    std::size_t len = 0;
    errno = 0;
    char* raw = hivex_value_value(h, handle, &t, &len);
    if (!raw)
        damaged(node.hive, "a value's data");
    *type = static_cast<std::uint32_t>(t);
    data->assign(raw, len);
    std::free(raw);
    return kErrorSuccess;
}

long HiveRegistry::openKey(HKEY parent, std::u16string_view subKey, HKEY* result) {
    Node from;
    if (!resolve(parent, &from))
        return isPredefinedRoot(parent) ? kErrorFileNotFound : kErrorInvalidHandle;
    auto node = find(from, subKey);
    if (!node)
        return kErrorFileNotFound;
    HKEY h = nextHandle_;
    nextHandle_ += 4;
    handles_[h] = *node;
    *result = h;
    return kErrorSuccess;
}

long HiveRegistry::createKey(HKEY parent, std::u16string_view subKey, HKEY* result) {
    long rc = openKey(parent, subKey, result);
    return rc == kErrorFileNotFound ? kErrorAccessDenied : rc;
}

long HiveRegistry::deleteKey(HKEY parent, std::u16string_view subKey) {
    Node from;
    if (!resolve(parent, &from))
        return isPredefinedRoot(parent) ? kErrorFileNotFound : kErrorInvalidHandle;
    return find(from, subKey) ? kErrorAccessDenied : kErrorFileNotFound;
}

long HiveRegistry::closeKey(HKEY key) {
    if (isPredefinedRoot(key))
        return kErrorSuccess;
    return handles_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

long HiveRegistry::enumKey(HKEY key, std::uint32_t index, std::u16string* name) {
    Node node;
    if (!resolve(key, &node))
        return kErrorInvalidHandle;
    const std::vector<Child>& list = children(node);
    if (index >= list.size())
        return kErrorNoMoreItems;
    *name = list[index].name;
    return kErrorSuccess;
}

long HiveRegistry::enumValue(HKEY key, std::uint32_t index, std::u16string* name, std::uint32_t* type,
                             std::string* data) {
    Node node;
    if (!resolve(key, &node))
        return kErrorInvalidHandle;
    const std::vector<Value>& list = values(node);
    if (index >= list.size())
        return kErrorNoMoreItems;
    *name = list[index].name;
    return readValue(node, list[index].handle, type, data);
}

long HiveRegistry::queryValue(HKEY key, std::u16string_view name, std::uint32_t* type, std::string* data) {
    Node node;
    if (!resolve(key, &node))
        return kErrorInvalidHandle;
    for (const Value& v : values(node))
        if (sameName(v.name, name))
            return readValue(node, v.handle, type, data);
    return kErrorFileNotFound;
}

long HiveRegistry::setValue(HKEY key, std::u16string_view, std::uint32_t, std::string_view) {
    Node node;
    return resolve(key, &node) ? kErrorAccessDenied : kErrorInvalidHandle;
}

long HiveRegistry::deleteValue(HKEY key, std::u16string_view) {
    Node node;
    return resolve(key, &node) ? kErrorAccessDenied : kErrorInvalidHandle;
}

} // namespace tessaly
