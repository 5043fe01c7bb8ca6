// IsoTree.cpp -- image path operations on a libisofs tree.
#include "IsoTree.h"

#include "DiscCodes.h"
#include "ImagePath.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly {

namespace {

// The extended-info tag that marks a folder read from a disc; libisofs identifies xinfo by function.
int importedFolderTag(void* /*data*/, int /*flag*/) {
    return 1;
}

bool isFolder(IsoNode* node) {
    return iso_node_get_type(node) == LIBISO_DIR;
}
bool isFile(IsoNode* node) {
    return iso_node_get_type(node) == LIBISO_FILE;
}

bool isImportedFile(IsoNode* node) {
    if (!isFile(node))
        return false;
    int count = 0;
    struct iso_file_section* sections = nullptr;
    const int result =
        iso_file_get_old_image_sections(reinterpret_cast<IsoFile*>(node), &count, &sections, 0);
    std::free(sections);
    return result == 1;
}

bool isImportedFolder(IsoNode* node) {
    void* data = nullptr;
    return isFolder(node) && iso_node_get_xinfo(node, importedFolderTag, &data) == 1;
}

std::string sourceOf(IsoNode* node) {
    if (!isFile(node) || isImportedFile(node))
        return {};
    char* path = iso_stream_get_source_path(iso_file_get_stream(reinterpret_cast<IsoFile*>(node)), 0);
    std::string source = path ? path : "";
    std::free(path);
    return source;
}

std::vector<IsoNode*> childrenOf(IsoDir* dir) {
    std::vector<IsoNode*> children;
    IsoDirIter* iter = nullptr;
    if (iso_dir_get_children(dir, &iter) < 0)
        return children;
    IsoNode* node = nullptr;
    while (iso_dir_iter_next(iter, &node) == 1)
        children.push_back(node);
    iso_dir_iter_free(iter);
    return children;
}

IsoNode* childNamed(IsoDir* dir, std::string_view name) {
    for (IsoNode* child : childrenOf(dir))
        if (SameItemName(iso_node_get_name(child), name))
            return child;
    return nullptr;
}

IsoTree::Item itemOf(IsoNode* node, const std::string& parentPath) {
    IsoTree::Item item;
    item.parentPath = parentPath;
    item.name = iso_node_get_name(node);
    item.path = JoinImagePath(parentPath, item.name);
    item.isFolder = isFolder(node);
    item.modified = iso_node_get_mtime(node);
    item.imported = isImportedFile(node) || isImportedFolder(node);
    if (isFile(node)) {
        item.size = iso_file_get_size(reinterpret_cast<IsoFile*>(node));
        item.source = sourceOf(node);
    }
    return item;
}

void markImportedFolders(IsoDir* dir) {
    for (IsoNode* child : childrenOf(dir)) {
        if (isFolder(child)) {
            iso_node_add_xinfo(child, importedFolderTag, nullptr);
            markImportedFolders(reinterpret_cast<IsoDir*>(child));
        }
    }
}

template <class F> void walk(IsoDir* dir, const std::string& path, F&& each) {
    for (IsoNode* child : childrenOf(dir)) {
        const std::string childPath = JoinImagePath(path, iso_node_get_name(child));
        each(child, path, childPath);
        if (isFolder(child))
            walk(reinterpret_cast<IsoDir*>(child), childPath, each);
    }
}

std::string stripWildcard(std::string folder) {
    for (const char* suffix : {"\\*.*", "/*.*", "/*", "\\*"}) {
        const std::string s = suffix;
        if (folder.size() > s.size() && folder.compare(folder.size() - s.size(), s.size(), s) == 0) {
            folder.resize(folder.size() - s.size());
            break;
        }
    }
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\'))
        folder.pop_back();
    return folder;
}

bool readableRegularFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return ok;
}

// How many nodes below the root of `image` satisfy `matches`.
int countNodes(IsoImage* image, bool (*matches)(IsoNode*)) {
    int count = 0;
    walk(iso_image_get_root(image), kImageRoot, [&](IsoNode* node, const std::string&, const std::string&) {
        if (matches(node))
            ++count;
    });
    return count;
}

} // namespace

IsoTree::IsoTree() {
    clear();
}

IsoTree::~IsoTree() {
    if (image_)
        iso_image_unref(image_);
}

void IsoTree::prepareImage(IsoImage* image) {
    // Links to files are written as the files they point to; ACLs and xattrs stay off the disc.
    iso_tree_set_follow_symlinks(image, 1);
    iso_image_set_ignore_aclea(image, 3);
}

void IsoTree::clear() {
    IsoImage* fresh = nullptr;
    if (iso_image_new("New Disc", &fresh) < 0)
        return;
    iso_node_set_permissions(reinterpret_cast<IsoNode*>(iso_image_get_root(fresh)), 0755);
    prepareImage(fresh);
    if (image_)
        iso_image_unref(image_);
    image_ = fresh;
}

IsoNode* IsoTree::findNode(IsoImage* image, std::string_view path) {
    IsoNode* node = reinterpret_cast<IsoNode*>(iso_image_get_root(image));
    for (const std::string& name : SplitImagePath(path)) {
        if (!isFolder(node))
            return nullptr;
        node = childNamed(reinterpret_cast<IsoDir*>(node), name);
        if (!node)
            return nullptr;
    }
    return node;
}

std::string IsoTree::canonicalPath(std::string_view path) const {
    IsoNode* node = reinterpret_cast<IsoNode*>(iso_image_get_root(image_));
    std::string canonical;
    for (const std::string& name : SplitImagePath(path)) {
        if (!isFolder(node))
            return {};
        node = childNamed(reinterpret_cast<IsoDir*>(node), name);
        if (!node)
            return {};
        canonical = JoinImagePath(canonical, iso_node_get_name(node));
    }
    return canonical.empty() ? kImageRoot : canonical;
}

IsoTree::Kind IsoTree::kindOf(std::string_view path) const {
    if (SplitImagePath(path).empty())
        return Kind::Root;
    IsoNode* node = findNode(image_, path);
    if (!node)
        return Kind::Missing;
    return isFolder(node) ? Kind::Folder : Kind::File;
}

IsoDir* IsoTree::ensureFolders(const std::vector<std::string>& names, std::size_t count,
                               const std::string& lastSource, std::time_t lastModified,
                               const AddHooks& hooks) {
    IsoDir* dir = iso_image_get_root(image_);
    std::string path = kImageRoot;
    for (std::size_t i = 0; i < count; ++i) {
        IsoNode* child = childNamed(dir, names[i]);
        if (child && !isFolder(child))
            return nullptr;
        if (!child) {
            if (!IsValidItemName(names[i]))
                return nullptr;
            IsoDir* created = nullptr;
            if (iso_tree_add_new_dir(dir, names[i].c_str(), &created) < 0)
                return nullptr;
            child = reinterpret_cast<IsoNode*>(created);
            iso_node_set_permissions(child, 0755);
            const bool last = i + 1 == count;
            if (last && lastModified)
                iso_node_set_mtime(child, lastModified);
            if (hooks.added) {
                Item item = itemOf(child, path);
                item.source = last ? lastSource : std::string();
                hooks.added(item);
            }
        }
        path = JoinImagePath(path, iso_node_get_name(child));
        dir = reinterpret_cast<IsoDir*>(child);
    }
    return dir;
}

bool IsoTree::addFileTo(IsoDir* parent, const std::string& parentPath, const std::string& name,
                        const std::string& source, const AddHooks& hooks) {
    if (!IsValidItemName(name))
        return false;
    if (!readableRegularFile(source)) {
        if (hooks.fileError)
            hooks.fileError(kFileErrorOpen, source);
        return false;
    }
    if (IsoNode* existing = childNamed(parent, name)) {
        if (isFolder(existing))
            return false;
        if (isImportedFile(existing)) {
            const std::string existingPath = JoinImagePath(parentPath, iso_node_get_name(existing));
            if (!hooks.replaceImported || !hooks.replaceImported(existingPath, source))
                return false;
        }
        iso_node_remove(existing);
    }
    IsoNode* node = nullptr;
    if (iso_tree_add_new_node(image_, parent, name.c_str(), source.c_str(), &node) < 0 || !node)
        return false;
    if (!isFile(node)) {
        iso_node_remove(node);
        return false;
    }
    if (hooks.added)
        hooks.added(itemOf(node, parentPath));
    return true;
}

bool IsoTree::addFile(std::string_view path, const std::string& sourceFile, const AddHooks& hooks) {
    // Verify reads the source again later, from wherever the process is then.
    std::error_code ec;
    const std::string source = sourceFile.empty() ? sourceFile : fs::absolute(sourceFile, ec).string();
    const std::vector<std::string> names = SplitImagePath(path);
    if (names.empty() || !IsValidItemName(names.back()))
        return false;
    struct stat st {};
    if (::stat(source.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        if (hooks.fileError)
            hooks.fileError(kFileErrorOpen, source);
        return false;
    }
    IsoDir* parent = ensureFolders(names, names.size() - 1, {}, 0, hooks);
    if (!parent)
        return false;
    return addFileTo(parent, canonicalPath(ImagePathOf(names, names.size() - 1)), names.back(), source,
                     hooks);
}

void IsoTree::addTree(IsoDir* dir, const std::string& dirPath, const std::string& hostDir,
                      std::vector<std::pair<unsigned long, unsigned long>>& visited, const AddHooks& hooks) {
    std::vector<fs::path> entries;
    std::error_code ec;
    for (fs::directory_iterator it(hostDir, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(it->path());
    if (ec && hooks.fileError)
        hooks.fileError(kFileErrorRead, hostDir);
    std::sort(entries.begin(), entries.end());
    for (const fs::path& entry : entries) {
        const std::string name = entry.filename().string();
        struct stat st {};
        if (::stat(entry.c_str(), &st) != 0) {
            if (hooks.fileError)
                hooks.fileError(kFileErrorOpen, entry.string());
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            const std::pair<unsigned long, unsigned long> id{st.st_dev, st.st_ino};
            if (std::find(visited.begin(), visited.end(), id) != visited.end())
                continue; // a link back up the tree
            IsoNode* child = childNamed(dir, name);
            if (child && !isFolder(child))
                continue;
            if (!child) {
                IsoDir* created = nullptr;
                if (!IsValidItemName(name) || iso_tree_add_new_dir(dir, name.c_str(), &created) < 0)
                    continue;
                child = reinterpret_cast<IsoNode*>(created);
                iso_node_set_permissions(child, 0755);
                iso_node_set_mtime(child, st.st_mtime);
                if (hooks.added) {
                    Item item = itemOf(child, dirPath);
                    item.source = entry.string();
                    hooks.added(item);
                }
            }
            visited.push_back(id);
            addTree(reinterpret_cast<IsoDir*>(child), JoinImagePath(dirPath, iso_node_get_name(child)),
                    entry.string(), visited, hooks);
            visited.pop_back();
        } else if (S_ISREG(st.st_mode)) {
            addFileTo(dir, dirPath, name, entry.string(), hooks);
        }
    }
}

bool IsoTree::addFolder(std::string_view path, const std::string& sourceFolder, const AddHooks& hooks) {
    std::error_code ec;
    const std::string stripped = stripWildcard(sourceFolder);
    const std::string host = stripped.empty() ? stripped : fs::absolute(stripped, ec).string();
    struct stat st {};
    if (host.empty() || ::stat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        if (hooks.fileError)
            hooks.fileError(kFileErrorOpen, host);
        return false;
    }
    const std::vector<std::string> names = SplitImagePath(path);
    IsoDir* target = ensureFolders(names, names.size(), host, st.st_mtime, hooks);
    if (!target)
        return false;
    std::vector<std::pair<unsigned long, unsigned long>> visited{{st.st_dev, st.st_ino}};
    addTree(target, canonicalPath(path), host, visited, hooks);
    return true;
}

bool IsoTree::remove(std::string_view path) {
    if (SplitImagePath(path).empty())
        return false;
    IsoNode* node = findNode(image_, path);
    // iso_node_remove_tree() of libisofs 1.5.4 can take the parent folder along; iso_node_remove()
    // drops exactly this node and what hangs below it.
    return node && iso_node_remove(node) == 1;
}

bool IsoTree::rename(std::string_view path, const std::string& newName) {
    if (SplitImagePath(path).empty() || !IsValidItemName(newName))
        return false;
    IsoNode* node = findNode(image_, path);
    if (!node)
        return false;
    if (newName == iso_node_get_name(node))
        return true;
    IsoDir* parent = iso_node_get_parent(node);
    IsoNode* clash = childNamed(parent, newName);
    if (clash && clash != node)
        return false;
    return iso_node_set_name(node, newName.c_str()) == 1;
}

bool IsoTree::list(std::string_view path, const std::function<void(const Item&)>& each) const {
    IsoNode* node = findNode(image_, path);
    if (!node || !isFolder(node))
        return false;
    const std::string folderPath = canonicalPath(path);
    for (IsoNode* child : childrenOf(reinterpret_cast<IsoDir*>(node)))
        each(itemOf(child, folderPath));
    return true;
}

int IsoTree::fileCount() const {
    return countNodes(image_, isFile);
}

int IsoTree::folderCount() const {
    return countNodes(image_, isFolder);
}

bool IsoTree::hasImported() const {
    bool found = false;
    walk(iso_image_get_root(image_), kImageRoot, [&](IsoNode* node, const std::string&, const std::string&) {
        if (isImportedFile(node) || isImportedFolder(node))
            found = true;
    });
    return found;
}

std::vector<IsoTree::LocalFile> IsoTree::localFiles() const {
    std::vector<LocalFile> files;
    walk(iso_image_get_root(image_), kImageRoot,
         [&](IsoNode* node, const std::string&, const std::string& path) {
             if (isFile(node) && !isImportedFile(node))
                 files.push_back(LocalFile{path, sourceOf(node)});
         });
    return files;
}

std::optional<IsoTree::LocalFile> IsoTree::refreshSources() {
    std::optional<LocalFile> failed;
    walk(iso_image_get_root(image_), kImageRoot,
         [&](IsoNode* node, const std::string&, const std::string& path) {
             if (failed || !isFile(node) || isImportedFile(node))
                 return;
             const std::string source = sourceOf(node);
             if (!readableRegularFile(source)) {
                 failed = LocalFile{path, source};
                 return;
             }
             iso_stream_update_size(iso_file_get_stream(reinterpret_cast<IsoFile*>(node)));
         });
    return failed;
}

std::vector<std::string> IsoTree::stripImported() {
    std::vector<std::string> removedFolders;
    std::function<void(IsoDir*, const std::string&)> strip = [&](IsoDir* dir, const std::string& path) {
        for (IsoNode* child : childrenOf(dir)) {
            const std::string childPath = JoinImagePath(path, iso_node_get_name(child));
            if (isFolder(child)) {
                strip(reinterpret_cast<IsoDir*>(child), childPath);
                if (isImportedFolder(child) &&
                    iso_dir_get_children_count(reinterpret_cast<IsoDir*>(child)) == 0) {
                    iso_node_remove(child);
                    removedFolders.push_back(childPath);
                }
            } else if (isImportedFile(child)) {
                iso_node_remove(child);
            }
        }
    };
    strip(iso_image_get_root(image_), kImageRoot);
    return removedFolders;
}

void IsoTree::mergeDir(IsoDir* from, IsoDir* to, const std::string& toPath,
                       const std::function<bool(const std::string&, const std::string&)>& askReplace) {
    const auto replace = [&](const std::string& importedPath, const std::string& source) {
        return askReplace ? askReplace(importedPath, source) : true;
    };
    for (IsoNode* child : childrenOf(from)) {
        const std::string name = iso_node_get_name(child);
        IsoNode* match = childNamed(to, name);
        const std::string matchPath = match ? JoinImagePath(toPath, iso_node_get_name(match)) : std::string();
        if (isFolder(child)) {
            if (match && isFolder(match)) {
                mergeDir(reinterpret_cast<IsoDir*>(child), reinterpret_cast<IsoDir*>(match), matchPath,
                         askReplace);
                continue;
            }
            if (match && !replace(matchPath, JoinImagePath(toPath, name)))
                continue;
            if (match)
                iso_node_remove(match);
            if (isImportedFolder(child)) {
                // Read from an earlier session: keep only what was added to it from this computer.
                IsoDir* created = nullptr;
                if (iso_tree_add_new_dir(to, name.c_str(), &created) >= 0) {
                    iso_node_set_permissions(reinterpret_cast<IsoNode*>(created), 0755);
                    mergeDir(reinterpret_cast<IsoDir*>(child), created, JoinImagePath(toPath, name),
                             askReplace);
                }
            } else {
                iso_node_take(child);
                if (iso_dir_add_node(to, child, ISO_REPLACE_NEVER) < 0)
                    iso_node_unref(child);
            }
        } else if (isFile(child) && !isImportedFile(child)) {
            if (match && !replace(matchPath, sourceOf(child)))
                continue;
            if (match)
                iso_node_remove(match);
            iso_node_take(child);
            if (iso_dir_add_node(to, child, ISO_REPLACE_NEVER) < 0)
                iso_node_unref(child);
        }
    }
}

void IsoTree::adoptImported(IsoImage* imported,
                            const std::function<bool(const std::string&, const std::string&)>& askReplace) {
    prepareImage(imported);
    markImportedFolders(iso_image_get_root(imported));
    mergeDir(iso_image_get_root(image_), iso_image_get_root(imported), kImageRoot, askReplace);
    iso_image_unref(image_);
    image_ = imported;
}

} // namespace tessaly
