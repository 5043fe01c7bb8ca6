// IsoTree.h -- the data image: a libisofs tree addressed by image paths that ignore letter case.
#pragma once

#include "BurnLibs.h"

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

class IsoTree {
public:
    struct Item {
        std::string parentPath;
        std::string path;
        std::string name;
        std::string source; // host path of a file added from this computer; empty for imported items
        bool isFolder = false;
        std::time_t modified = 0;
        long long size = 0;
        bool imported = false;
    };
    struct LocalFile {
        std::string path;
        std::string source;
    };
    // What an add reports while it works.
    struct AddHooks {
        std::function<void(const Item&)> added;
        // An item would replace a file imported from a disc: true lets it.
        std::function<bool(const std::string& importedPath, const std::string& newSource)> replaceImported;
        std::function<void(int code, const std::string& file)> fileError;
    };
    enum class Kind { Missing, Root, Folder, File };

    IsoTree();
    ~IsoTree();
    IsoTree(const IsoTree&) = delete;
    IsoTree& operator=(const IsoTree&) = delete;

    IsoImage* image() const { return image_; }
    void clear();
    // Takes over an image read from a disc (one reference) and moves this tree's own items into it.
    // askReplace decides each clash with a file of that image; without it the own item wins.
    void adoptImported(
        IsoImage* imported,
        const std::function<bool(const std::string& importedPath, const std::string& newSource)>& askReplace);

    bool addFile(std::string_view path, const std::string& source, const AddHooks& hooks);
    // sourceFolder may end in "\*.*", "/*.*" or "/*".
    bool addFolder(std::string_view path, const std::string& sourceFolder, const AddHooks& hooks);
    Kind kindOf(std::string_view path) const;
    bool remove(std::string_view path);
    // Refused when a sibling already has the name (letter case ignored) or the name is not valid.
    bool rename(std::string_view path, const std::string& newName);
    bool list(std::string_view path, const std::function<void(const Item&)>& each) const;
    // The path as the tree spells it (the names' own letter case); empty when missing.
    std::string canonicalPath(std::string_view path) const;

    int fileCount() const;
    int folderCount() const;
    bool hasImported() const;
    // Removes what was imported from a disc that is no longer available, and the imported folders
    // left empty; returns the removed folders' paths, deepest first.
    std::vector<std::string> stripImported();
    std::vector<LocalFile> localFiles() const;
    // Brings every recorded size up to date with its source file; returns the first file that
    // cannot be opened any more.
    std::optional<LocalFile> refreshSources();

    static IsoNode* findNode(IsoImage* image, std::string_view path);

private:
    static void prepareImage(IsoImage* image);
    IsoDir* ensureFolders(const std::vector<std::string>& names, std::size_t count,
                          const std::string& lastSource, std::time_t lastModified, const AddHooks& hooks);
    bool addFileTo(IsoDir* parent, const std::string& parentPath, const std::string& name,
                   const std::string& source, const AddHooks& hooks);
    void addTree(IsoDir* dir, const std::string& dirPath, const std::string& hostDir,
                 std::vector<std::pair<unsigned long, unsigned long>>& visited, const AddHooks& hooks);
    void mergeDir(IsoDir* from, IsoDir* to, const std::string& toPath,
                  const std::function<bool(const std::string&, const std::string&)>& askReplace);

    IsoImage* image_ = nullptr;
};

} // namespace tessaly
