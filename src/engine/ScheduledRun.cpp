// ScheduledRun.cpp -- the unattended backup from a recorded command line, with its exit code.
#include "engine/ScheduledRun.h"

#include "engine/PreviousBackup.h"
#include "engine/ProfileSession.h"
#include "engine/SilentUi.h"
#include "engine/UnattendedBackup.h"
#include "platform/SecretFile.h"
#include "platform/TempFiles.h"

#include <cstdlib>

namespace tessaly {

int RunScheduledBackup(const std::string& recordedCommandLine, std::ostream& err) {
    std::string error;
    auto command = ParseUnattendedCommandLine(recordedCommandLine, &error);
    if (!command) {
        err << "tessaly: " << error << std::endl;
        return 2;
    }
    // A job that asks for a protection we do not know must not quietly write a weaker file.
    auto protection = ProtectionOfVariable(std::getenv("TESSALY_PROTECTION"), &error);
    if (!protection) {
        err << "tessaly: " << error << std::endl;
        return 2;
    }
    command->protection = *protection;
    // A policy that cannot be read must not be taken for "no history" (which replaces the file).
    auto keep = RetentionOfVariable(std::getenv(kKeepVariable), &error);
    if (!keep) {
        err << "tessaly: " << error << std::endl;
        return 2;
    }
    command->keep = *keep;
    // A job's password lives in a private file that the line names rather than in its ps= piece.
    if (const char* file = std::getenv("TESSALY_PASSWORD_FILE"); file && *file) {
        auto password = readSecretFile(file, &error);
        if (!password) {
            err << "tessaly: " << error << ". Nothing was backed up." << std::endl;
            return 2;
        }
        command->password = *password;
    }
    command->full = fullOfVariable(std::getenv(kFullVariable));
    try {
        std::string notice;
        Profile profile = resolveProfile(std::nullopt, &notice);
        if (!notice.empty())
            err << "tessaly: " << notice << std::endl;
        SilentUi ui;
        ProfileSession session(profile, ui);
        PrivateWorkDir work;
        MainWindowState state;
        LoadMainWindowState(state, session, work.path().string());
        if (!session.leftoverNotice().empty())
            err << "tessaly: " << session.leftoverNotice() << std::endl;
        // Without identities the address book and stationery, which need none, are still backed up.
        if (state.OENotInstalled)
            err << "tessaly: " << kOENotInstalledMessage << std::endl;
        std::string message;
        BackupResult result;
        bool written = RunUnattendedBackup(session, state, ui, *command, &message, &result);
        err << "tessaly: " << message << std::endl;
        if (!written)
            return 2;
        if (result.placed.placement == Placement::Suspect)
            return 1;
        auto chosen = ItemsOfMask(command->itemMask);
        for (int i = 0; i < kBackupItemCount; ++i)
            if (chosen[i] && state.AutoItemFlags[i] != '1')
                return 1;
        return 0;
    } catch (const std::exception& e) {
        err << "tessaly: " << e.what() << std::endl;
        return 2;
    }
}

} // namespace tessaly
