// BackupFileVerbs.cpp -- tessaly-cli inspect, verify and extract: reading a backup file without restoring it.
#include "archive/ArchiveError.h"
#include "archive/ArchiveListing.h"
#include "archive/CGmodule.h"
#include "backupfile/BackupContainer.h"
#include "backupfile/InfoFile.h"
#include "cli/CliCommon.h"
#include "cli/PasswordOption.h"
#include "cli/Verbs.h"
#include "engine/BackupAudit.h"
#include "engine/BackupItems.h"
#include "engine/HandlerSupport.h"
#include "engine/ItemHandlers.h"
#include "platform/TempFiles.h"
#include "platform/UnnamedFile.h"

#include <iostream>
#include <set>

namespace tessaly::cli {

namespace {

const char* kPasswordHelp =
    "The password comes from the first line of standard input with --password-stdin, else from\n"
    "$TESSALY_PASSWORD; without either the empty password is tried and, on a terminal, a prompt asks.\n"
    "Both formats, strong and compatible, open the same way; the file's first bytes tell which it is.\n"
    "Exit code 2 for a wrong password, 1 for a file that is damaged or is no backup file.\n";

// A backup file whose password was accepted, opened into a private folder.
class OpenedBackup {
public:
    PrivateWorkDir work;
    UnnamedFile plain{work.path()}; // the plain archive, never named on disk
    std::filesystem::path archive = plain.path();
    std::filesystem::path info = work.path() / kInfoFileName;
    std::unique_ptr<ProfileSession> session;
    CodePage codePage;
    std::vector<ArchiveMember> members;
    Protection protection = Protection::Compatible;

    // Returns an exit code when the file does not open.
    std::optional<int> open(const std::filesystem::path& file, const CommonOptions& options) {
        TerminalUi ui(options.yes);
        session = openProfile(options, ui);
        codePage = session->codePage();
        std::optional<std::string> given = passwordFromOptions(options.has("--password-stdin"));
        protection = detectProtection(file).value_or(Protection::Compatible);
        if (auto code = openWithPassword(file, given, archive, codePage, ui))
            return code;
        try {
            members = ListArchive(archive.string());
        } catch (const ArchiveError& e) {
            return fail(kExitFailed,
                        file.string() + " is damaged: its archive cannot be read (" + e.description() + ")");
        }
        return std::nullopt;
    }

    bool readInfo() {
        try {
            UnzipToFolder(archive.string(), work.path().string(), ZipNameList{kInfoFileName});
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }
    std::string get(const char* key) { return GetINI(key, info, codePage); }
};

const char* kInspectUsage = "usage: tessaly-cli inspect FILE [--password-stdin] [--profile DIR]\n"
                            "Shows what a backup file holds: its details, note, items and members.\n";
const char* kVerifyUsage =
    "usage: tessaly-cli verify FILE [--password-stdin] [--profile DIR]\n"
    "Checks a backup file: password, every member's CRC, the info file's item flags and that every member\n"
    "it records is present. Exit code 0 only when all of that holds.\n";
const char* kExtractUsage =
    "usage: tessaly-cli extract FILE DIR [--member NAME] [--password-stdin] [--profile DIR]\n"
    "Extracts every member of a backup file (or only NAME) into the folder DIR.\n";

// Parses a verb's arguments and opens its backup file (the first positional argument); an exit
// code when it should stop there.
std::optional<int> openFromArgs(const Args& args, const char* usage, size_t positional,
                                CommonOptions& options, OpenedBackup& backup,
                                const std::set<std::string>& values = {}) {
    options = parseCommonOptions(args, values, {"--password-stdin"});
    if (options.help) {
        std::cout << usage << kPasswordHelp;
        return kExitOk;
    }
    if (options.positional.size() != positional)
        return fail(kExitRefused, std::string("wrong number of arguments\n") + usage);
    return backup.open(options.positional[0], options);
}

} // namespace

int runInspect(const Args& args) {
    CommonOptions options;
    OpenedBackup backup;
    if (auto code = openFromArgs(args, kInspectUsage, 1, options, backup))
        return *code;
    if (!backup.readInfo())
        return fail(kExitFailed, "the backup file holds no readable info file");
    std::cout << "Computer:" << backup.get("BackupComputer") << "\nUser:" << backup.get("BackupLogonUser")
              << "\nIdentity:" << backup.get("BackupIdentity") << "\nDate:" << backup.get("BackupTime")
              << "\nProtection:" << describeProtection(backup.protection)
              << "\nNote:" << replaceAll(UnescapeNote(backup.get("BackupInformation")), "\r\n", "\n      ")
              << "\nItems:";
    std::string flags = backup.get("BackupItem");
    for (int i = 0; i < kBackupItemCount; ++i)
        if (i < static_cast<int>(flags.size()) && flags[i] == '1')
            std::cout << ' ' << kBackupItems[i].cliName;
    std::cout << "\nMembers:\n";
    for (const ArchiveMember& m : backup.members)
        std::cout << "  " << m.size << '\t' << m.name << '\n';
    return kExitOk;
}

int runVerify(const Args& args) {
    CommonOptions options;
    OpenedBackup backup;
    if (auto code = openFromArgs(args, kVerifyUsage, 1, options, backup))
        return *code;
    int problems = 0;
    auto problem = [&](const std::string& text) {
        std::cout << "FAIL " << text << '\n';
        ++problems;
    };
    std::cout << "ok   password\n";
    BackupAudit audit = auditBackupArchive(backup.archive, backup.work.path(), backup.codePage);
    for (const std::string& text : audit.problems)
        problem(text);
    // What a restore would refuse when it stages the items: the same checks, on a trial identity.
    if (audit.problems.empty() && backup.readInfo()) {
        MainWindowState state;
        state.TempArchivePath = backup.archive.string();
        state.ItemFlags = backup.get("BackupItem");
        for (int i = 0; i < kBackupItemCount; ++i)
            if (state.ItemFlags[i] == '1')
                state.RecordedItemValue[i] = backup.get(kBackupItems[i].infoKey.data());
        TerminalUi ui(options.yes);
        HandlerContext context{*backup.session, state, ui, backup.work.path(), ""};
        for (const std::string& text : ItemHandlers(context).restoreRefusals(state.ItemFlags))
            problem(text);
    }
    if (problems == 0)
        std::cout << "ok   " << backup.members.size() << " members read back with correct CRCs\n"
                  << "ok   every item's recorded members are present\n";
    return problems == 0 ? kExitOk : kExitFailed;
}

int runExtract(const Args& args) {
    CommonOptions options;
    OpenedBackup backup;
    if (auto code = openFromArgs(args, kExtractUsage, 2, options, backup, {"--member"}))
        return *code;
    std::filesystem::path dir = options.positional[1];
    std::filesystem::create_directories(dir);
    std::optional<ZipNameList> only;
    if (auto member = options.value("--member"))
        only = ZipNameList{*member};
    try {
        UnzipToFolder(backup.archive.string(), dir.string(), only);
    } catch (const ArchiveError& e) {
        return fail(kExitFailed, "extraction failed: " + e.description());
    }
    std::cerr << "extracted " << (only ? 1 : backup.members.size()) << " member(s) into " << dir.string()
              << std::endl;
    return kExitOk;
}

} // namespace tessaly::cli
