// MailCollection.cpp -- building the folder tree from the folder list and the store files.
#include "mailstore/MailCollection.h"

#include "mailstore/FolderList.h"

#include <algorithm>
#include <map>
#include <set>

namespace tessaly {

namespace {

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

} // namespace

std::string MailFolder::displayPath() const {
    std::string out;
    for (const std::string& name : path)
        out += (out.empty() ? "" : "/") + name;
    return out;
}

MailCollection::MailCollection(std::vector<StoreImage> images) : images_(std::move(images)) {
    std::multimap<std::string, const StoreImage*> stores; // message stores by lower-case file name
    FolderListRead list;
    for (const StoreImage& image : images_) {
        StoreKind kind = storeKind(image);
        if (kind == StoreKind::Messages)
            stores.emplace(lower(image.name()), &image);
        else if (kind == StoreKind::FolderList && !hasFolderList_) {
            list = readFolderList(image);
            hasFolderList_ = true;
        }
    }
    folderListDamage_ = list.damaged;

    auto addFolder = [&](std::vector<std::string> path, const std::string& file) {
        MailFolder folder;
        folder.path = std::move(path);
        auto it = file.empty() ? stores.end() : stores.find(lower(file));
        if (it != stores.end()) {
            folder.storeFile = it->second->name();
            folder.store = std::make_unique<MessageStore>(*it->second);
            stores.erase(it);
        } else if (!file.empty()) {
            folder.storeFile = file;
            folder.storeMissing = true;
        }
        folders_.push_back(std::move(folder));
    };

    // Folders by parent; id 0 is the client's own root, which is not shown.
    std::map<std::uint32_t, std::vector<const FolderRecord*>> children;
    std::set<std::uint32_t> ids;
    for (const FolderRecord& f : list.folders)
        ids.insert(f.id);
    for (const FolderRecord& f : list.folders) {
        if (f.id == 0)
            continue;
        bool knownParent = f.parent != f.id && (f.parent == 0 || ids.count(f.parent));
        children[knownParent ? f.parent : 0].push_back(&f);
    }
    std::set<std::uint32_t> placed;
    struct Pending {
        const FolderRecord* folder;
        std::vector<std::string> path;
    };
    std::vector<Pending> stack;
    auto pushChildren = [&](std::uint32_t parent, const std::vector<std::string>& path) {
        auto it = children.find(parent);
        if (it == children.end() || path.size() >= kMaxDepth)
            return;
        for (auto c = it->second.rbegin(); c != it->second.rend(); ++c) {
            std::vector<std::string> childPath = path;
            childPath.push_back((*c)->name.empty() ? (*c)->file : (*c)->name);
            stack.push_back({*c, std::move(childPath)});
        }
    };
    pushChildren(0, {});
    while (!stack.empty()) {
        Pending p = std::move(stack.back());
        stack.pop_back();
        if (!placed.insert(p.folder->id).second)
            continue;
        addFolder(p.path, p.folder->file);
        pushChildren(p.folder->id, p.path);
    }
    // Stores the folder list does not name (or names only from a folder it cannot place).
    std::vector<const StoreImage*> rest;
    for (const auto& [name, image] : stores)
        rest.push_back(image);
    for (const StoreImage* image : rest) {
        std::string name = image->name();
        std::string stem = name.size() > 4 ? name.substr(0, name.size() - 4) : name;
        addFolder({stem}, name);
    }
}

std::uint64_t MailCollection::storeBytes() const {
    std::uint64_t total = 0;
    for (const MailFolder& f : folders_)
        if (f.store)
            total += f.store->image().size();
    return total;
}

} // namespace tessaly
