// MailCollection.h -- the message stores of one identity arranged as the client's folder tree.
#pragma once

#include "mailstore/MessageStore.h"
#include "mailstore/StoreImage.h"

#include <memory>
#include <string>
#include <vector>

namespace tessaly {

struct MailFolder {
    std::vector<std::string> path;       // folder names from the top (the client's root left out)
    std::string storeFile;               // empty for a folder that only holds folders
    std::unique_ptr<MessageStore> store; // null when there is no store
    bool storeMissing = false;           // the folder list names a store file that is not there
    std::string displayPath() const;     // the names joined by "/"
    std::size_t depth() const { return path.empty() ? 0 : path.size() - 1; }
};

class MailCollection {
public:
    // Folders deeper than this are shown at the top instead.
    static constexpr std::size_t kMaxDepth = 64;

    // Arranges the stores: the folder list store among them (if any) gives names and parents, in its
    // order; stores it does not name follow at the top under their file names (names that differ
    // only in letter case both). Files that are not message stores (other kinds of store, anything
    // else) are left out.
    explicit MailCollection(std::vector<StoreImage> images);

    std::vector<MailFolder>& folders() { return folders_; }
    const std::vector<MailFolder>& folders() const { return folders_; }
    // Damaged records of the folder list (its folders may then show under their file names).
    std::size_t folderListDamage() const { return folderListDamage_; }
    bool hasFolderList() const { return hasFolderList_; }
    // Bytes of every message store, for progress.
    std::uint64_t storeBytes() const;

private:
    std::vector<StoreImage> images_;
    std::vector<MailFolder> folders_;
    std::size_t folderListDamage_ = 0;
    bool hasFolderList_ = false;
};

} // namespace tessaly
