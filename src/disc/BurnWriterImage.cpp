// BurnWriterImage.cpp -- the data image: adding, removing, renaming, listing, sizes, import and ISO files.
#include "BurnWriterCore.h"

#include "BurnErrors.h"
#include "BurnLibrary.h"
#include "ImagePath.h"
#include "ImageSource.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tessaly {

namespace {

std::string parentOf(const std::string& path) {
    const std::vector<std::string> names = SplitImagePath(path);
    return ImagePathOf(names, names.empty() ? 0 : names.size() - 1);
}

} // namespace

void BurnWriterCore::clearImage() {
    if (!libraryReady_ || busy_)
        return;
    tree_->clear();
    invalidate();
    emit([](DiscEvents& e) { e.ImageCleared(); });
}

IsoTree::AddHooks BurnWriterCore::addHooks() {
    IsoTree::AddHooks hooks;
    hooks.added = [this](const IsoTree::Item& item) {
        emit([item](DiscEvents& e) {
            e.ItemAdded(item.parentPath, item.path, item.name, item.source, item.isFolder);
        });
    };
    hooks.replaceImported = [this](const std::string& importedPath, const std::string& newSource) {
        return askReplace(importedPath, newSource, "A file of this name was imported from the last session.");
    };
    hooks.fileError = [this](int code, const std::string& file) {
        emit([code, file](DiscEvents& e) { e.FileError(code, file); });
    };
    return hooks;
}

// Only a waiting caller can answer; without one the imported file stays.
bool BurnWriterCore::askReplace(const std::string& importedPath, const std::string& newSource,
                                const std::string& text) {
    if (!worker_.hasCaller())
        return false;
    bool replace = false;
    emit([&](DiscEvents& e) { e.ReplaceImported(importedPath, newSource, text, replace); });
    return replace;
}

bool BurnWriterCore::addFile(const std::string& path, const std::string& source) {
    if (!libraryReady_ || busy_)
        return false;
    invalidate();
    return tree_->addFile(path, source, addHooks());
}

bool BurnWriterCore::addFolder(const std::string& path, const std::string& source) {
    if (!libraryReady_ || busy_)
        return false;
    invalidate();
    return tree_->addFolder(path, source, addHooks());
}

bool BurnWriterCore::removeItem(const std::string& path) {
    if (!libraryReady_ || busy_)
        return false;
    const IsoTree::Kind kind = tree_->kindOf(path);
    const std::string canonical = tree_->canonicalPath(path);
    const bool ok = tree_->remove(path);
    invalidate();
    if (kind == IsoTree::Kind::Folder) {
        const std::vector<std::string> names = SplitImagePath(canonical);
        const std::string name = names.empty() ? std::string() : names.back();
        emit([canonical, name, ok](DiscEvents& e) { e.FolderRemoved(canonical, name, ok); });
    }
    return ok;
}

bool BurnWriterCore::renameItem(const std::string& path, const std::string& newName, bool folder) {
    if (!libraryReady_ || busy_)
        return false;
    if (tree_->kindOf(path) != (folder ? IsoTree::Kind::Folder : IsoTree::Kind::File))
        return false;
    const std::string oldPath = tree_->canonicalPath(path);
    const bool ok = tree_->rename(path, newName);
    invalidate();
    if (folder) {
        const std::string newPath = ok ? JoinImagePath(parentOf(oldPath), newName) : oldPath;
        emit([oldPath, newPath, ok](DiscEvents& e) { e.FolderRenamed(oldPath, newPath, ok); });
    }
    return ok;
}

bool BurnWriterCore::listFolder(const std::string& path) {
    if (!libraryReady_)
        return false;
    return tree_->list(path, [this](const IsoTree::Item& item) {
        emit([item](DiscEvents& e) {
            e.ItemListed(item.parentPath, item.path, item.name, item.source, item.isFolder, item.modified,
                         item.size);
        });
    });
}

long long BurnWriterCore::imageBlocks(const DiscSettings& settings) {
    if (!libraryReady_)
        return 0;
    const std::string key = settings.volumeLabel + "|" + std::to_string(settings.joliet);
    if (cachedBlocks_ >= 0 && (busy_ || key == cachedBlocksKey_))
        return cachedBlocks_;
    if (busy_)
        return 0;
    ImageSourceOptions options;
    options.volumeLabel = settings.volumeLabel;
    options.joliet = settings.joliet != 0;
    options.appendable = tree_->hasImported();
    const long long blocks = ImageSizeBlocks(tree_->image(), options);
    drainBurnMessages();
    cachedBlocks_ = std::max(0LL, blocks);
    cachedBlocksKey_ = key;
    return cachedBlocks_;
}

bool BurnWriterCore::importSession(bool askEach, std::string& volumeLabel) {
    if (!libraryReady_ || busy_ || !ensureIsoburnDrive())
        return false;
    const burn::burn_disc_status status = burn::isoburn_disc_get_status(drive_);
    if (status != burn::BURN_DISC_APPENDABLE && status != burn::BURN_DISC_FULL)
        return false;
    int msc1 = 0, blocks = 0;
    if (burn::isoburn_disc_get_msc1(drive_, &msc1) <= 0 ||
        burn::isoburn_read_iso_head(drive_, msc1, &blocks, nullptr, 0) <= 0) {
        drainBurnMessages();
        return false;
    }
    const int session = std::max(1, computeFacts().sessionCount);
    emit([session](DiscEvents& e) { e.ReadProgress("Reading the last session", 0, session); });

    burn::isoburn_read_opts* ropts = nullptr;
    if (burn::isoburn_ropt_new(&ropts, 0) <= 0)
        return false;
    burn::isoburn_ropt_set_extensions(ropts, isoburn_ropt_noiso1999 | isoburn_ropt_noaaip |
                                                 isoburn_ropt_noacl | isoburn_ropt_noea);
    IsoImage* imported = nullptr;
    const int result = burn::isoburn_read_image(drive_, ropts, &imported);
    burn::isoburn_ropt_destroy(&ropts, 0);
    drainBurnMessages();
    if (result <= 0 || !imported)
        return false;

    std::function<bool(const std::string&, const std::string&)> ask;
    if (askEach)
        ask = [this](const std::string& importedPath, const std::string& newSource) {
            return this->askReplace(importedPath, newSource,
                                    "A file of this name is on the disc's last session.");
        };
    tree_->adoptImported(imported, ask);
    const char* id = iso_image_get_volume_id(imported);
    volumeLabel = id ? id : "";
    invalidate();
    const long long count = tree_->fileCount();
    emit([count, session](DiscEvents& e) { e.ReadProgress("Session imported", count, session); });
    return true;
}

bool BurnWriterCore::saveIso(const std::string& file, const DiscSettings& settings) {
    if (!libraryReady_ || busy_ || file.empty())
        return false;
    abort_ = false;
    if (auto missing = tree_->refreshSources()) {
        const std::string source = missing->source;
        emit([source](DiscEvents& e) { e.FileError(kFileErrorOpen, source); });
        return false;
    }
    ImageSourceOptions options;
    options.volumeLabel = settings.volumeLabel;
    options.joliet = settings.joliet != 0;
    drainBurnMessages();
    burn::burn_source* source = CreateImageSource(tree_->image(), options, nullptr);
    if (!source)
        return false;

    // Written beside the target and renamed over it at the end: a failed save leaves any old file.
    std::string temp = file + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        DisposeImageSource(source);
        return false;
    }
    const long long total = source->get_size(source);
    std::vector<unsigned char> block(kBlockBytes);
    long long done = 0;
    long long lastReported = -1;
    bool ok = true;
    while (ok && done < total) {
        if (abort_) {
            ok = false;
            break;
        }
        // More than one block per read loses the end of the image (libisofs 1.5.4).
        const int got = source->read_xt(source, block.data(), kBlockBytes);
        if (got <= 0) {
            ok = false;
            break;
        }
        if (::write(fd, block.data(), static_cast<std::size_t>(got)) != got)
            ok = false;
        done += got;
        const long long doneBlocks = done / kBlockBytes, totalBlocks = total / kBlockBytes;
        if (doneBlocks == totalBlocks || doneBlocks - lastReported >= std::max(1LL, totalBlocks / 100)) {
            lastReported = doneBlocks;
            emit([doneBlocks, totalBlocks](DiscEvents& e) { e.WriteProgress(1, doneBlocks, totalBlocks); });
        }
    }
    DisposeImageSource(source);
    if (ok && ::fsync(fd) != 0)
        ok = false;
    if (::close(fd) != 0)
        ok = false;
    const std::vector<BurnMessage> messages = drainBurnMessages();
    if (!ok || std::rename(temp.c_str(), file.c_str()) != 0) {
        std::remove(temp.c_str());
        if (auto failure = FindFileFailure(messages)) {
            const FileFailure f = *failure;
            emit([f](DiscEvents& e) { e.FileError(f.code, f.fileName); });
        }
        return false;
    }
    return true;
}

} // namespace tessaly
