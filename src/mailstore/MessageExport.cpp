// MessageExport.cpp -- the mbox and eml export: one buffer per message, files named when complete.
#include "mailstore/MessageExport.h"

#include "mailstore/MboxWriter.h"
#include "mailstore/OutputFile.h"
#include "mailstore/SafeNames.h"

#include <cstdio>
#include <map>
#include <memory>

namespace tessaly {

namespace {

constexpr std::size_t kNameLimit = 100;

bool sameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// The folders of the export by their path, made when first needed. For mbox a folder's sub-folders
// go in "<the name its mbox file took>.sbd"; for eml each folder is a folder of the same name.
class FolderPlaces {
public:
    FolderPlaces(const std::filesystem::path& dir, ExportFormat format) : root_(dir), format_(format) {}

    // Where the files of the folder at `path` go (mbox: its parent's place).
    const OutputDir& placeOf(const std::vector<std::string>& path) {
        std::size_t depth = format_ == ExportFormat::Mbox ? path.size() - 1 : path.size();
        const OutputDir* at = &root_;
        std::string key;
        for (std::size_t i = 0; i < depth; ++i) {
            key += '/' + path[i];
            auto it = places_.find(key);
            if (it == places_.end()) {
                std::string name = safeFileName(path[i], kNameLimit, "folder");
                auto taken = mboxNames_.find(key);
                if (format_ == ExportFormat::Mbox)
                    name = (taken != mboxNames_.end() ? taken->second : name) + ".sbd";
                it = places_.emplace(key, std::make_unique<OutputDir>(at->sub(name))).first;
            }
            at = it->second.get();
        }
        return *at;
    }
    // Records the name a folder's mbox file took, for its ".sbd" folder.
    void mboxNamed(const std::vector<std::string>& path, const std::string& name) {
        std::string key;
        for (const std::string& p : path)
            key += '/' + p;
        mboxNames_[key] = name;
    }

private:
    OutputDir root_;
    ExportFormat format_;
    std::map<std::string, std::unique_ptr<OutputDir>> places_;
    std::map<std::string, std::string> mboxNames_;
};

} // namespace

std::string describeExport(const ExportSummary& summary, const std::filesystem::path& dir) {
    return "Exported " + std::to_string(summary.messages) + " message(s) of " +
           std::to_string(summary.folders) + " folder(s) into " + dir.string() + "; " +
           std::to_string(summary.damaged) + " damaged message(s) skipped";
}

bool folderMatches(const MailFolder& folder, const std::string& wanted) {
    return sameText(folder.displayPath(), wanted) ||
           (!folder.path.empty() && sameText(folder.path.back(), wanted));
}

ExportSummary exportMessages(MailCollection& mail, const std::filesystem::path& dir, ExportFormat format,
                             const std::optional<std::string>& only, Ui& ui) {
    ExportSummary summary;
    FolderPlaces places(dir, format);
    summary.damaged = mail.folderListDamage();
    std::uint64_t total = 0;
    for (const MailFolder& f : mail.folders())
        if (f.store && (!only || folderMatches(f, *only)))
            total += f.store->image().size();
    std::uint64_t before = 0;
    std::string text;
    std::string chunk;
    for (MailFolder& folder : mail.folders()) {
        if (only && !folderMatches(folder, *only))
            continue;
        if (!folder.store)
            continue;
        const MessageStore& store = *folder.store;
        const std::string label = folder.displayPath();
        const std::uint64_t storeSize = store.image().size();
        const std::size_t count = store.messages().size();
        summary.damaged += store.damaged();
        const OutputDir& place = places.placeOf(folder.path);
        std::unique_ptr<OutputFile> mbox;
        if (format == ExportFormat::Mbox)
            mbox = std::make_unique<OutputFile>(place);
        for (std::size_t i = 0; i < count; ++i) {
            const MessageEntry& m = store.messages()[i];
            if (!store.messageText(m, text)) {
                ++summary.damaged;
            } else if (mbox) {
                chunk.clear();
                appendMboxMessage(chunk, text, m.senderAddress, m.time);
                mbox->write(chunk);
                ++summary.messages;
            } else {
                OutputFile eml(place);
                eml.write(text);
                char number[16];
                std::snprintf(number, sizeof number, "%04zu ", i + 1);
                eml.commit(number + safeFileName(m.subject, kNameLimit, "message"), ".eml", false);
                ++summary.messages;
            }
            ui.reportBytes(label, before + storeSize * (i + 1) / count, total);
            ui.throwIfStopped();
        }
        if (mbox) {
            std::string name = mbox->commit(safeFileName(folder.path.back(), kNameLimit, "folder"), "", true);
            places.mboxNamed(folder.path, name);
        }
        before += storeSize;
        ui.reportBytes(label, before, total);
        ++summary.folders;
    }
    return summary;
}

} // namespace tessaly
