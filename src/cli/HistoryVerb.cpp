// HistoryVerb.cpp -- tessaly-cli history: the versions of a backup file, and pinning one.
#include "backupfile/BackupContainer.h"
#include "cli/CliCommon.h"
#include "cli/PasswordOption.h"
#include "cli/Verbs.h"
#include "engine/history/BackupPlacement.h"
#include "engine/history/BackupReread.h"
#include "platform/TempFiles.h"

#include <iostream>

namespace tessaly::cli {

namespace {

const char* kHistoryUsage =
    "usage: tessaly-cli history FILE [--password-stdin] [--profile DIR]\n"
    "       tessaly-cli history pin VERSION\n"
    "Lists the versions of the backup file FILE, newest first: backup time, size, protection, items,\n"
    "messages per store (when the password opens the file) and state: current (FILE itself), earlier,\n"
    "pinned (never deleted by a retention policy), partial (an item failed) or suspect (message stores\n"
    "shrank). pin protects a version from deletion: X.<time>.tsy becomes X.<time>.keep.tsy; FILE itself\n"
    "gets a pinned copy (a hard link where possible) and keeps its name.\n"
    "The password comes from --password-stdin or $TESSALY_PASSWORD; without it the empty one is tried.\n";

int pin(const std::filesystem::path& file) {
    std::filesystem::path target = targetOfVersion(file);
    auto version = versionOf(target, file);
    if (!version || !std::filesystem::is_regular_file(file))
        return fail(kExitFailed, file.string() + " is no backup file or version of one");
    if (version->kind == VersionKind::Current) {
        for (const BackupVersion& v : listVersions(target))
            if (v.kind == VersionKind::Current)
                version->time = v.time;
    }
    try {
        std::filesystem::path pinned = pinVersion(target, *version);
        std::cout << pinned.string() << "\n";
        return kExitOk;
    } catch (const std::exception& e) {
        return fail(kExitFailed, e.what());
    }
}

} // namespace

int runHistory(const Args& args) {
    CommonOptions options = parseCommonOptions(args, {}, {"--password-stdin"});
    if (options.help) {
        std::cout << kHistoryUsage;
        return kExitOk;
    }
    if (options.positional.size() == 2 && options.positional[0] == "pin")
        return pin(options.positional[1]);
    if (options.positional.size() != 1)
        return fail(kExitRefused, "history needs one backup file\n" + std::string(kHistoryUsage));
    std::filesystem::path target = targetOfVersion(options.positional[0]);
    std::vector<BackupVersion> versions = listVersions(target);
    if (versions.empty())
        return fail(kExitFailed, "no backup file " + target.string() + " and no versions of it");
    std::string password = passwordFromOptions(options.has("--password-stdin")).value_or("");
    TerminalUi ui(true);
    CodePage codePage = openProfile(options, ui)->codePage();
    PrivateWorkDir work;
    for (const BackupVersion& v : versions) {
        auto protection = detectProtection(v.file);
        RecordedFacts facts = readRecordedFacts(v.file, password, work.path(), codePage);
        std::cout << formatLocalTime(v.time, "%Y-%m-%d %H:%M:%S") << "  " << v.size << " bytes  "
                  << (protection ? protectionName(*protection) : "unreadable") << "  items "
                  << (facts.opened ? facts.itemFlags : "?") << "  ";
        if (!facts.opened) {
            std::cout << "messages ?";
        } else if (facts.stores.empty()) {
            std::cout << "messages -";
        } else {
            std::string list;
            for (const StoreFact& s : facts.stores)
                list += (list.empty() ? "" : ", ") + s.name + " " +
                        (s.messages ? std::to_string(*s.messages) : "?");
            std::cout << "messages " << list;
        }
        std::string kind = versionKindName(v.kind);
        std::cout << "  " << (kind.empty() ? "current" : kind) << "  " << v.file.filename().string() << "\n";
    }
    return kExitOk;
}

} // namespace tessaly::cli
