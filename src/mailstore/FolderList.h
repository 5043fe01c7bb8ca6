// FolderList.h -- the folder list store: each folder's id, parent, name and store file.
#pragma once

#include "mailstore/StoreImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

struct FolderRecord {
    std::uint32_t id = 0;
    std::uint32_t parent = 0;
    std::string name;
    std::string file; // the message store's file name; empty for a folder that only holds folders
};

struct FolderListRead {
    std::vector<FolderRecord> folders; // in the tree's order
    std::size_t damaged = 0;           // records and nodes left out
};

// Throws StoreError when the image is not a folder list store.
FolderListRead readFolderList(const StoreImage& image);

} // namespace tessaly
