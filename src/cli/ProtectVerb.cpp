// ProtectVerb.cpp -- tessaly-cli protect: rewriting a backup file in the other protection.
#include "backupfile/BackupContainer.h"
#include "cli/CliCommon.h"
#include "cli/PasswordOption.h"
#include "cli/ProtectionOption.h"
#include "cli/TerminalUi.h"
#include "cli/Verbs.h"
#include "engine/HandlerSupport.h"
#include "platform/TargetFile.h"
#include "platform/TempFiles.h"
#include "platform/UnnamedFile.h"

#include <iostream>

namespace tessaly::cli {

namespace {

const char* kProtectUsage =
    "usage: tessaly-cli protect FILE --to strong|compatible [--password-stdin] [--profile DIR]\n"
    "Rewrites the backup file FILE in the strong format (a key derived from the password with Argon2id,\n"
    "XChaCha20-Poly1305) or in the compatible one (scrambled only; it opens without the password with\n"
    "little effort). The archive inside is kept byte for byte.\n"
    "Old password: the first line of standard input with --password-stdin, else $TESSALY_PASSWORD; without\n"
    "either the empty password is tried and, on a terminal, a prompt asks.\n"
    "New password: the second line of standard input with --password-stdin, else $TESSALY_NEW_PASSWORD;\n"
    "without either, on a terminal, a prompt asks. A strong file needs a non-empty one; for a compatible\n"
    "file an empty one means no password.\n"
    "FILE is replaced only when the new file is complete.\n"
    "Exit code: 0 rewritten, 1 the file is damaged or could not be written, 2 refused (wrong password,\n"
    "bad option, missing new password).\n";

} // namespace

int runProtect(const Args& args) {
    CommonOptions options = parseCommonOptions(args, {"--to"}, {"--password-stdin"});
    if (options.help) {
        std::cout << kProtectUsage;
        return kExitOk;
    }
    if (options.positional.size() != 1)
        return fail(kExitRefused, "protect needs one backup file\n" + std::string(kProtectUsage));
    if (!options.value("--to"))
        return fail(kExitRefused, "--to strong|compatible is needed\n" + std::string(kProtectUsage));
    const Protection to = parseProtection(*options.value("--to"), "--to");
    const std::filesystem::path file = options.positional[0];
    const bool fromStdin = options.has("--password-stdin");
    std::optional<std::string> oldPassword = passwordFromOptions(fromStdin);
    std::optional<std::string> newPassword = newPasswordFromOptions(fromStdin);
    if (!newPassword)
        newPassword = readSecretLine("New password: ");
    if (!newPassword)
        return fail(kExitRefused, "the new password is missing: give it as the second line of standard input "
                                  "with --password-stdin, or in $TESSALY_NEW_PASSWORD");
    if (to == Protection::Strong && newPassword->empty())
        return fail(kExitRefused, "a strong backup file needs a password: the new password is empty");

    TerminalUi ui(options.yes);
    std::unique_ptr<ProfileSession> session = openProfile(options, ui);
    PrivateWorkDir work;
    UnnamedFile plain(work.path()); // the plain archive, never named on disk
    const std::filesystem::path archive = plain.path();
    if (auto code = openWithPassword(file, oldPassword, archive, session->codePage(), ui))
        return *code;

    // A link has the file it names rewritten; the link stays.
    const std::filesystem::path target = resolveTargetLink(file);
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    // Reserved and marked as this run's while it lives, so no other run takes it for a leftover.
    OwnedTempFile reserved(folder, "TSY");
    std::filesystem::path sealed = reserved.path();
    sealed += "E";
    RemoveOnExit sealedFile(sealed);
    sealArchive(archive, sealed, *newPassword, to, session->codePage(), ui);
    applyReplacedMode(sealed, target);
    std::filesystem::rename(sealed, target);
    std::cout << file.string() << ": " << describeProtection(to) << std::endl;
    return kExitOk;
}

} // namespace tessaly::cli
