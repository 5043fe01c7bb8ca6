// FolderList.cpp -- reading the folder records of the folder list store.
#include "mailstore/FolderList.h"

#include "mailstore/DbxLayout.h"
#include "mailstore/IndexTree.h"
#include "mailstore/IndexedInfo.h"
#include "mailstore/MessageStore.h"
#include "mailstore/StoreError.h"

namespace tessaly {

FolderListRead readFolderList(const StoreImage& image) {
    if (storeKind(image) != StoreKind::FolderList)
        throw StoreError(image.name() + " is not a folder list store");
    FolderListRead list;
    TreeWalk walk = walkIndexTree(image, *image.u32(dbx::kTreeRootAt));
    list.damaged = walk.damagedNodes;
    for (std::uint32_t record : walk.records) {
        std::optional<IndexedInfo> info = IndexedInfo::read(image, record);
        if (!info) {
            ++list.damaged;
            continue;
        }
        FolderRecord f;
        f.id = info->number(dbx::kFolderId).value_or(0);
        f.parent = info->number(dbx::kFolderParent).value_or(0);
        f.name = info->text(dbx::kFolderName);
        f.file = info->text(dbx::kFolderFile);
        list.folders.push_back(std::move(f));
    }
    return list;
}

} // namespace tessaly
