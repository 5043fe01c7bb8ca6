// VBZip.cpp -- the zip engine run: turns a name list and the zip flags into libzip calls.
#include "archive/ArchiveError.h"
#include "archive/CGZipFiles.h"
#include "archive/CGmodule.h"
#include "archive/EngineMessages.h"
#include "archive/EntryName.h"
#include "archive/ZipSession.h"

#include <algorithm>
#include <optional>
#include <system_error>

#include <zip.h>

namespace tessaly {

namespace fs = std::filesystem;

namespace {

struct Candidate {
    fs::path file;
    std::string entryName;
};

bool isHidden(const fs::path& p) {
    std::string name = p.filename().string();
    return !name.empty() && name.front() == '.';
}

// The stored name when folder names are kept: the path as given, without leading "/", "./", "../".
std::string relativeEntryName(const std::string& given) {
    std::string name = given;
    for (auto& c : name)
        if (c == '\\')
            c = '/';
    for (bool trimmed = true; trimmed;) {
        trimmed = false;
        for (std::string prefix : {"/", "./", "../"})
            if (name.rfind(prefix, 0) == 0) {
                name.erase(0, prefix.size());
                trimmed = true;
            }
    }
    return name;
}

std::string entryNameFor(const fs::path& file, const std::string& given, const ZipOptions& o) {
    return o.junk ? bareName(file.string()) : relativeEntryName(given);
}

void collect(const std::string& given, const fs::path& path, const ZipOptions& o,
             std::vector<Candidate>& out) {
    std::error_code ec;
    auto status = fs::status(path, ec);
    if (!ec && fs::is_regular_file(status) && (o.systemFiles || !isHidden(path))) {
        out.push_back({path, entryNameFor(path, given, o)});
        return;
    }
    if (!ec && fs::is_directory(status) && o.recurse) {
        std::vector<fs::path> children;
        for (const auto& e : fs::directory_iterator(path, ec))
            children.push_back(e.path());
        std::sort(children.begin(), children.end());
        for (const auto& child : children) {
            if (!o.systemFiles && isHidden(child))
                continue;
            std::string childGiven = (fs::path(given) / child.filename()).string();
            if (fs::is_directory(child, ec))
                collect(childGiven, child, o, out);
            else if (fs::is_regular_file(child, ec))
                out.push_back({child, entryNameFor(child, childGiven, o)});
        }
        return;
    }
    detail::zipTextOutput("\tzip warning: name not matched: " + given + "\n");
}

int failRun(std::string text, int code) {
    if (text.rfind("error: ", 0) == 0)
        text.erase(0, 7);
    detail::zipTextOutput("zip error: " + text + "\n");
    detail::setLastEngineError(text);
    return code;
}

} // namespace

std::int32_t VBZip(std::int16_t count, const std::string& archive, const ZipNameList& names,
                   const ZipOptions& o) {
    detail::clearEngineMessages();
    try {
        if (o.encrypt || o.crlfToLf || o.lfToCrlf || o.move || o.deleteEntries)
            return failRun("an option this engine does not support was given (encrypt, line-end "
                           "translation, move or delete)",
                           ZIP_ER_OPNOTSUPP);
        if (archive.empty())
            return failRun("no archive named", ZIP_ER_INVAL);

        std::error_code ec;
        fs::path root;
        if (!o.root.empty() && fs::is_directory(o.root, ec))
            root = o.root;
        std::vector<Candidate> files;
        for (int i = 0; i < count && std::size_t(i) < names.size(); ++i) {
            std::string given(upToNul(names[std::size_t(i)]));
            if (given.empty())
                continue;
            // The builder's list starts with its placeholder, which names no file whatever the
            // current folder holds (a scheduled run starts in the home folder).
            if (i == 0 && given == kZipListPlaceholder) {
                detail::zipTextOutput("\tzip warning: name not matched: " + given + "\n");
                continue;
            }
            fs::path path = given;
            if (path.is_relative() && !root.empty())
                path = root / path;
            collect(given, path, o, files);
        }

        ZipSession* session = ZipSession::find(archive);
        std::optional<ZipSession> oneShot;
        if (!session)
            session = &oneShot.emplace(archive);
        for (const auto& c : files) {
            auto added = session->add(c.file, c.entryName, o.update != 0, o.freshen != 0);
            if (!o.quiet && added != ZipSession::Added::Kept)
                detail::zipTextOutput((added == ZipSession::Added::New ? "  adding: " : "updating: ") +
                                      c.entryName + (o.verbose ? "  (" + c.file.string() + ")" : "") + "\n");
        }
        if (oneShot)
            oneShot->finish();
        return 0;
    } catch (const ArchiveError& e) {
        return failRun(e.description(), e.engineResult() ? e.engineResult() : ZIP_ER_INTERNAL);
    } catch (const std::bad_alloc&) {
        return failRun("out of memory", ZIP_ER_MEMORY);
    } catch (const std::exception& e) {
        return failRun(e.what(), ZIP_ER_INTERNAL);
    }
}

} // namespace tessaly
