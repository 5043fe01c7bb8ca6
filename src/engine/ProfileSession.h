// ProfileSession.h -- one Windows profile opened for work: its registry, code page and environment.
#pragma once

#include "engine/MainWindowState.h"
#include "platform/CodePage.h"
#include "platform/Environment.h"
#include "platform/Profile.h"
#include "platform/ProfileLock.h"
#include "platform/Ui.h"
#include "registry/AnsiRegistry.h"
#include "registry/ModReg.h"
#include "registry/RegistryBackend.h"
#include "registry/WineRegistry.h"

#include <memory>
#include <string>

namespace tessaly {

class ProfileSession {
public:
    // Reads the profile's registry files; throws RegistryFileError for a Wine registry file and
    // HiveError for a Windows hive that cannot be read.
    ProfileSession(Profile profile, Ui& ui);

    const Profile& profile() const { return profile_; }
    RegistryBackend& registry() { return *registry_; }
    AnsiRegistry& ansiRegistry() { return *ansi_; }
    ModReg& modReg() { return *modReg_; }
    const CodePage& codePage() const { return codePage_; }
    const EnvironmentInfo& environment() const { return environment_; }
    // Holds the profile for a run that may change it (`action` names the run for other runs' messages)
    // and reads the registry files again when another program changed them meanwhile. Throws
    // ProfileBusy when another run holds it past a short wait, and ProfileReadOnly saying so for a
    // Windows profile, which is never changed.
    std::unique_ptr<ProfileLock> lockForChanges(const std::string& action);

    // Set when the profile's code page was unknown and 1252 stands in for it.
    const std::string& codePageNotice() const { return codePageNotice_; }
    // Set when opening the profile removed what killed runs had left in the temporary folder.
    const std::string& leftoverNotice() const { return leftoverNotice_; }
    // Set when a hive of a Windows profile was not closed cleanly and is read as it is.
    const std::string& registryNotice() const { return registryNotice_; }

private:
    void recoverInterruptedRestore();

    Profile profile_;
    std::unique_ptr<RegistryBackend> registry_;
    CodePage codePage_;
    std::string codePageNotice_;
    std::string leftoverNotice_;
    std::string registryNotice_;
    std::unique_ptr<AnsiRegistry> ansi_;
    std::unique_ptr<ModReg> modReg_;
    EnvironmentInfo environment_;
};

// The start-up probe of the main window: computer, user and Windows folder, the info file's place
// and the identities. The caller shows the missing-client message when OENotInstalled is set.
void LoadMainWindowState(MainWindowState& state, ProfileSession& session, const std::string& infoFolder);

// What the main window shows when the profile has no identity (with its trailing blank).
inline constexpr const char* kOENotInstalledMessage = "Your Windows System have not install Outlook Express ";

} // namespace tessaly
