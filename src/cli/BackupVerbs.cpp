// BackupVerbs.cpp -- tessaly-cli backup and restore: the drivers of the windows, on the terminal.
#include "backupfile/BackupContainer.h"
#include "cli/CliCommon.h"
#include "cli/ItemsOption.h"
#include "cli/PasswordOption.h"
#include "cli/ProtectionOption.h"
#include "cli/Verbs.h"
#include "engine/BackupAudit.h"
#include "engine/BackupDriver.h"
#include "engine/BackupItems.h"
#include "engine/HandlerSupport.h"
#include "engine/PreviousBackup.h"
#include "engine/RestoreDriver.h"
#include "engine/UnattendedBackup.h"
#include "engine/history/BackupHistory.h"
#include "engine/history/VersionChoice.h"
#include "platform/TempFiles.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <unistd.h>

namespace tessaly::cli {

namespace {

const char* kBackupUsage =
    "usage: tessaly-cli backup --identity NAME|KEY --out FILE [--items LIST] [--note TEXT]\n"
    "                          [--protection strong|compatible] [--password-stdin] [--profile DIR]\n"
    "                          [--keep POLICY] [--accept-shrink] [--full]\n"
    "Backs up the chosen items of an identity into FILE (*.tsy). The password comes from the first line of\n"
    "standard input with --password-stdin, else from $TESSALY_PASSWORD; without either the file has no\n"
    "password. An earlier FILE is replaced only when the new one is complete and reads back correctly.\n"
    "--keep POLICY (else $TESSALY_KEEP) keeps earlier backups beside FILE, e.g. 7d,4w,6m: counts of\n"
    "l (last), d (daily), w (weekly), m (monthly), y (yearly) backups, chosen as borg prune does; the\n"
    "earlier FILE becomes FILE's name with its backup time (X.2026-12-01_031500.tsy) and versions beyond\n"
    "the policy are deleted. Without a policy a complete backup replaces FILE. A run in which an item\n"
    "fails leaves every earlier file as it was and keeps the new one as X.<time>.partial.tsy. When a\n"
    "message store lost more than half of its messages or bytes since the previous backup, the new file\n"
    "is kept as X.<time>.suspect.tsy and the previous one pinned (exit 1); --accept-shrink accepts it.\n"
    "A file that FILE (opened with the same password and protection) holds unchanged, by its size, time\n"
    "and CRC-32, is copied from it instead of being compressed again; --full (or $TESSALY_FULL=1)\n"
    "compresses every file.\n"
    "--protection (else $TESSALY_PROTECTION, else compatible): strong encrypts the file with a key derived\n"
    "from the password (Argon2id, XChaCha20-Poly1305) and needs a password; compatible is the older format,\n"
    "which only scrambles the file: it opens without the password with little effort.\n"
    "Exit code: 0 every item backed up, 1 an item failed, the stores shrank or the file could not be\n"
    "written, 2 refused;\n"
    "130 or 143 stopped by SIGINT or SIGTERM (an earlier FILE is then left as it was).\n";

const char* kRestoreUsage =
    "usage: tessaly-cli restore FILE --identity NAME|KEY [--items LIST] [--yes] [--password-stdin]\n"
    "                           [--profile DIR] [--from TIME]\n"
    "Restores the chosen items of a backup file into an identity, replacing what the identity holds.\n"
    "--from \"2026-12-01\" (or \"2026-12-01 14:30\", local time; a date alone means the end of that day)\n"
    "takes the newest complete version of FILE made at or before that time ('tessaly-cli history FILE').\n"
    "The password comes from --password-stdin or $TESSALY_PASSWORD; without either the empty password is\n"
    "tried and, on a terminal, a prompt asks. --yes confirms the replacement without asking.\n"
    "Exit code: 0 every item restored, 1 an item failed or is not in the file, 2 refused; 130 or 143\n"
    "stopped by SIGINT or SIGTERM between two items (the items not yet restored are left as they were).\n";

struct Session {
    TerminalUi ui;
    std::unique_ptr<ProfileSession> profile;
    PrivateWorkDir work;
    MainWindowState state;

    explicit Session(const CommonOptions& options) : ui(options.yes), profile(openProfile(options, ui)) {
        LoadMainWindowState(state, *profile, work.path().string());
    }
    ~Session() { dropTempArchive(state); }
};

const IdentityColumn* chooseIdentity(Session& s, const std::optional<std::string>& wanted) {
    if (s.state.OENotInstalled)
        throw std::invalid_argument(std::string(kOENotInstalledMessage) + "(the profile has no identities)");
    if (!wanted)
        throw std::invalid_argument("--identity NAME|KEY is needed; 'tessaly-cli identities' lists them");
    const IdentityColumn* id = findIdentity(s.state.IdentityTable, *wanted);
    if (!id)
        throw std::invalid_argument("no identity named \"" + *wanted +
                                    "\"; 'tessaly-cli identities' lists them");
    return id;
}

void printFailures(const std::array<std::string, kBackupItemCount>& failures) {
    for (int i = 0; i < kBackupItemCount; ++i)
        if (!failures[i].empty())
            std::cerr << kBackupItems[i].cliName << ": " << failures[i] << std::endl;
}

// Why --out cannot take a backup file, before any work is done; nullopt when it can.
std::optional<std::string> unusableOutput(const std::filesystem::path& given) {
    std::error_code ec;
    const std::filesystem::path out = std::filesystem::absolute(given, ec);
    const std::string text = given.string();
    if (std::filesystem::is_directory(out, ec) || (!text.empty() && text.back() == '/') ||
        !out.has_filename())
        return "--out " + text + " names a folder; give the backup file's name, e.g. " +
               (out / "backup.tsy").lexically_normal().string();
    const std::filesystem::path folder = out.parent_path();
    if (!std::filesystem::is_directory(folder, ec))
        return "cannot write " + text + ": the folder " + folder.string() + " does not exist";
    // The file is made beside its final name and renamed over it: the folder must take new files.
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        std::string why = std::strerror(errno);
        why[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(why[0])));
        return "cannot write " + text + ": the folder " + folder.string() + " cannot be written (" + why +
               ")";
    }
    auto status = std::filesystem::status(out, ec);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return "cannot write " + text + ": it is there and is not a regular file";
    return std::nullopt;
}

// The damage found in a backup file, in verify's words.
void printDamage(const std::filesystem::path& file, const BackupAudit& audit) {
    std::cerr << file.string() << " is damaged; nothing was restored:" << std::endl;
    for (const std::string& problem : audit.problems)
        std::cerr << "FAIL " << problem << std::endl;
}

} // namespace

int runBackup(const Args& args) {
    CommonOptions options =
        parseCommonOptions(args, {"--identity", "--out", "--items", "--note", "--protection", "--keep"},
                           {"--password-stdin", "--accept-shrink", "--full"});
    if (options.help) {
        std::cout << kBackupUsage << kItemsHelp;
        return kExitOk;
    }
    if (!options.positional.empty())
        return fail(kExitRefused,
                    "backup takes no file arguments: use --out FILE\n" + std::string(kBackupUsage));
    if (!options.value("--out"))
        return fail(kExitRefused, "--out FILE is needed\n" + std::string(kBackupUsage));
    if (auto why = unusableOutput(*options.value("--out")))
        return fail(kExitRefused, *why);
    Protection protection = protectionFromOptions(options);
    std::string keepError;
    std::optional<std::string> keepText = options.value("--keep");
    auto keep =
        keepText ? std::optional<std::optional<RetentionPolicy>>(parseRetentionPolicy(*keepText, &keepError))
                 : RetentionOfVariable(std::getenv(kKeepVariable), &keepError);
    if (!keep || (keepText && !*keep))
        return fail(kExitRefused, keepError);
    std::optional<std::string> password = passwordFromOptions(options.has("--password-stdin"));
    if (protection == Protection::Strong && password.value_or("").empty())
        return fail(kExitRefused, "a strong backup file needs a password: give it with --password-stdin or "
                                  "$TESSALY_PASSWORD");
    Session s(options);
    const IdentityColumn* id = chooseIdentity(s, options.value("--identity"));

    BackupRequest request;
    request.protection = protection;
    request.items = itemsFromOption(options.value("--items"));
    request.identityUserName = id->userName;
    request.identityKey = id->key;
    request.protect = password && !password->empty();
    request.password = request.password2 = password.value_or("");
    request.note = options.value("--note").value_or("");
    request.keep = *keep;
    request.acceptShrink = options.has("--accept-shrink");
    request.full = options.has("--full") || fullOfVariable(std::getenv(kFullVariable));
    s.state.BackupFileName = std::filesystem::absolute(*options.value("--out")).string();
    BackupDriver driver(*s.profile, s.state, s.ui);
    StopOnSignals stopSignals;
    BackupOutcome outcome = driver.run(request, false);
    if (outcome.stopped)
        return StopOnSignals::exitCode();
    if (!outcome.started)
        return kExitRefused;
    if (!outcome.completed)
        return kExitFailed;
    printFailures(outcome.failures);
    if (std::string placement = describePlacement(outcome.result); !placement.empty())
        std::cerr << "tessaly-cli: " << replaceAll(placement, "\r\n", "\n") << std::endl;
    for (int i = 0; i < kBackupItemCount; ++i)
        if (request.items[i] && outcome.itemFlags[i] != '1')
            return kExitFailed;
    return outcome.result.placed.placement == Placement::Suspect ? kExitFailed : kExitOk;
}

int runRestore(const Args& args) {
    CommonOptions options =
        parseCommonOptions(args, {"--identity", "--items", "--from"}, {"--password-stdin"});
    if (options.help) {
        std::cout << kRestoreUsage << kItemsHelp;
        return kExitOk;
    }
    if (options.positional.size() != 1)
        return fail(kExitRefused, "restore needs one backup file\n" + std::string(kRestoreUsage));
    std::filesystem::path file = options.positional[0];
    if (auto from = options.value("--from")) {
        auto when = parseFromTime(*from);
        if (!when)
            return fail(kExitRefused,
                        "--from \"" + *from + "\" is no time; write it as 2026-12-01 or 2026-12-01 14:30");
        auto version = newestCompleteAtOrBefore(listVersions(targetOfVersion(file)), *when);
        if (!version)
            return fail(kExitFailed, "no complete version of " + targetOfVersion(file).string() +
                                         " was made at or before " + *from);
        file = version->file;
        std::cerr << "tessaly-cli: restoring from " << file.string() << std::endl;
    }
    std::optional<std::string> password = passwordFromOptions(options.has("--password-stdin"));
    std::array<bool, kBackupItemCount> wanted = itemsFromOption(options.value("--items"));
    Session s(options);
    const IdentityColumn* id = chooseIdentity(s, options.value("--identity"));

    s.state.rtPassword = password.value_or("");
    if (!detectProtection(file))
        return fail(kExitFailed, describe(BackupFileCheck::Missing, file));
    RestoreDriver driver(*s.profile, s.state, s.ui);
    InspectionView view = driver.inspect(file);
    if (s.state.InspectionInvalid) {
        if (view.check != BackupFileCheck::Ok)
            return fail(view.check == BackupFileCheck::WrongPassword ? kExitRefused : kExitFailed,
                        view.problem);
        // The password opens it, so what is inside is damaged: say what, as verify does.
        printDamage(file, auditBackupArchive(s.state.TempArchivePath, s.work.path(), s.profile->codePage()));
        return kExitFailed;
    }
    std::cout << replaceAll(view.details, "\r\n", "\n") << "\n";
    bool missing = false;
    for (int i = 0; i < kBackupItemCount; ++i) {
        if (wanted[i] && options.value("--items") && view.enableItem[i] != true) {
            std::cerr << kBackupItems[i].cliName << ": not in this backup file" << std::endl;
            missing = true;
        }
    }
    if (s.ui.messageBox(
            "Your current Email and News messages will be replaced with the messages from the selected "
            "backup file.\r\n\r\nDo you want to countinue?",
            kAppTitle, MsgIcon::Information, MsgButtons::OkCancel) != MsgResult::Ok)
        return fail(kExitRefused, "nothing was restored");
    StopOnSignals stopSignals;
    RestoreOutcome outcome = driver.run(wanted, id->key);
    if (outcome.stopped)
        return StopOnSignals::exitCode();
    if (!outcome.started) {
        if (!outcome.problems.empty()) {
            printDamage(file, BackupAudit{true, {}, outcome.problems});
            return kExitFailed;
        }
        printFailures(outcome.failures);
        for (const std::string& f : outcome.failures)
            if (!f.empty())
                return kExitFailed;
        return kExitRefused;
    }
    printFailures(outcome.failures);
    for (const std::string& f : outcome.failures)
        if (!f.empty())
            return kExitFailed;
    return missing ? kExitFailed : kExitOk;
}

} // namespace tessaly::cli
