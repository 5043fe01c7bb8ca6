// WineRegistry.cpp -- registry calls answered from a Wine prefix's registry files.
#include "registry/WineRegistry.h"

#include "platform/WineServer.h"

#include <stdexcept>

namespace tessaly {

WineRegistry::WineRegistry(std::filesystem::path prefix) : prefix_(std::move(prefix)) {
    reload();
}

void WineRegistry::reload() {
    // The stamps are taken before reading: a change made while reading counts as a change.
    FileVersion user = fileVersionOf(prefix_ / "user.reg");
    FileVersion machine = fileVersionOf(prefix_ / "system.reg");
    user_ = WineHive::load(prefix_ / "user.reg");
    machine_ = WineHive::load(prefix_ / "system.reg");
    userStamp_ = user;
    machineStamp_ = machine;
    for (auto& [h, handle] : handles_)
        handle.key = nullptr;
}

bool WineRegistry::reloadIfChanged() {
    if (fileVersionOf(prefix_ / "user.reg") == userStamp_ &&
        fileVersionOf(prefix_ / "system.reg") == machineStamp_)
        return false;
    reload();
    return true;
}

void WineRegistry::checkUnchanged(const std::filesystem::path& file, const FileVersion& seen) const {
    if (!(fileVersionOf(file) == seen))
        throw std::runtime_error("The registry file " + file.string() +
                                 " was changed by another program since Tessaly read it; nothing was saved, "
                                 "so those changes are kept. Run again to work on the current file.");
}

void WineRegistry::checkCanChange() const {
    if (wineserverRunning(prefix_))
        throw std::runtime_error(wineserverRunningMessage(prefix_));
}

void WineRegistry::save() {
    if (!hasUnsavedChanges())
        return;
    checkCanChange();
    if (user_.dirty())
        checkUnchanged(prefix_ / "user.reg", userStamp_);
    if (machine_.dirty())
        checkUnchanged(prefix_ / "system.reg", machineStamp_);
    if (user_.dirty()) {
        userStamp_ = user_.save(prefix_ / "user.reg", userStamp_);
        user_.markClean();
    }
    if (machine_.dirty()) {
        machineStamp_ = machine_.save(prefix_ / "system.reg", machineStamp_);
        machine_.markClean();
    }
}

WineHive& WineRegistry::hive(HKEY root) {
    return root == kHkeyLocalMachine ? machine_ : user_;
}

bool WineRegistry::resolve(HKEY key, Handle* out) const {
    if (key == kHkeyCurrentUser) {
        *out = {const_cast<WineHive*>(&user_), const_cast<RegKey*>(&user_.root())};
        return true;
    }
    if (key == kHkeyLocalMachine) {
        *out = {const_cast<WineHive*>(&machine_), const_cast<RegKey*>(&machine_.root())};
        return true;
    }
    auto it = handles_.find(key);
    if (it == handles_.end() || !it->second.key)
        return false;
    *out = it->second;
    return true;
}

HKEY WineRegistry::newHandle(WineHive* hive, RegKey* key) {
    HKEY h = nextHandle_;
    nextHandle_ += 4;
    handles_[h] = {hive, key};
    return h;
}

namespace {
bool isOtherRoot(HKEY key) {
    return key >= kHkeyClassesRoot && key <= kHkeyDynData;
}
} // namespace

long WineRegistry::openKey(HKEY parent, std::u16string_view subKey, HKEY* result) {
    Handle h;
    if (!resolve(parent, &h))
        return isOtherRoot(parent) ? kErrorFileNotFound : kErrorInvalidHandle;
    RegKey* key = findKeyBelow(*h.key, subKey);
    if (!key)
        return kErrorFileNotFound;
    *result = newHandle(h.hive, key);
    return kErrorSuccess;
}

long WineRegistry::createKey(HKEY parent, std::u16string_view subKey, HKEY* result) {
    Handle h;
    if (!resolve(parent, &h))
        return isOtherRoot(parent) ? kErrorFileNotFound : kErrorInvalidHandle;
    // Windows refuses keys deeper than it allows; a file holding one could not be read back.
    if (keyDepth(*h.key) + pathDepth(subKey) > kMaxKeyDepth)
        return kErrorInvalidParameter;
    RegKey* key = h.key;
    size_t i = 0;
    while (i <= subKey.size()) {
        size_t j = subKey.find(u'\\', i);
        if (j == std::u16string_view::npos)
            j = subKey.size();
        if (j > i) {
            std::u16string_view part = subKey.substr(i, j - i);
            RegKey* child = key->findSubkey(part);
            if (!child) {
                // Create the rest of the path through the hive so that order and stamps stay Wine's.
                std::u16string rest;
                for (const RegKey* k = key; k && k->parent; k = k->parent)
                    rest = k->name + (rest.empty() ? u"" : u"\\") + rest;
                std::u16string full = rest.empty() ? std::u16string(subKey.substr(i))
                                                   : rest + u"\\" + std::u16string(subKey.substr(i));
                key = &h.hive->create(full);
                break;
            }
            key = child;
        }
        i = j + 1;
    }
    *result = newHandle(h.hive, key);
    return kErrorSuccess;
}

long WineRegistry::deleteKey(HKEY parent, std::u16string_view subKey) {
    Handle h;
    if (!resolve(parent, &h))
        return isOtherRoot(parent) ? kErrorFileNotFound : kErrorInvalidHandle;
    HKEY opened;
    long rc = openKey(parent, subKey, &opened);
    if (rc != kErrorSuccess)
        return rc;
    RegKey* key = handles_[opened].key;
    handles_.erase(opened);
    if (!key->subkeys.empty())
        return kErrorAccessDenied;
    if (!key->parent)
        return kErrorAccessDenied;
    for (auto& [handle, entry] : handles_)
        if (entry.key == key)
            entry.key = nullptr;
    h.hive->remove(*key);
    return kErrorSuccess;
}

long WineRegistry::closeKey(HKEY key) {
    if (isOtherRoot(key))
        return kErrorSuccess;
    return handles_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

long WineRegistry::enumKey(HKEY key, std::uint32_t index, std::u16string* name) {
    Handle h;
    if (!resolve(key, &h))
        return kErrorInvalidHandle;
    if (index >= h.key->subkeys.size())
        return kErrorNoMoreItems;
    *name = h.key->subkeys[index]->name;
    return kErrorSuccess;
}

long WineRegistry::enumValue(HKEY key, std::uint32_t index, std::u16string* name, std::uint32_t* type,
                             std::string* data) {
    Handle h;
    if (!resolve(key, &h))
        return kErrorInvalidHandle;
    if (index >= h.key->values.size())
        return kErrorNoMoreItems;
    const RegValue& v = h.key->values[index];
    *name = v.name;
    *type = v.type;
    *data = v.data;
    return kErrorSuccess;
}

long WineRegistry::queryValue(HKEY key, std::u16string_view name, std::uint32_t* type, std::string* data) {
    Handle h;
    if (!resolve(key, &h))
        return kErrorInvalidHandle;
    const RegValue* v = h.key->findValue(name);
    if (!v)
        return kErrorFileNotFound;
    *type = v->type;
    *data = v->data;
    return kErrorSuccess;
}

long WineRegistry::setValue(HKEY key, std::u16string_view name, std::uint32_t type, std::string_view data) {
    Handle h;
    if (!resolve(key, &h))
        return kErrorInvalidHandle;
    h.hive->setValue(*h.key, name, type, data);
    return kErrorSuccess;
}

long WineRegistry::deleteValue(HKEY key, std::u16string_view name) {
    Handle h;
    if (!resolve(key, &h))
        return kErrorInvalidHandle;
    return h.hive->deleteValue(*h.key, name) ? kErrorSuccess : kErrorFileNotFound;
}

} // namespace tessaly
