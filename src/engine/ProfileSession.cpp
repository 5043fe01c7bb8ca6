// ProfileSession.cpp -- opening a profile: registry files, code page, environment probe, identities.
#include "engine/ProfileSession.h"

#include "engine/RestoreJournal.h"
#include "platform/AtomicFile.h"
#include "platform/Leftovers.h"
#include "platform/TempFiles.h"
#include "platform/WindowsProfile.h"
#include "registry/HiveRegistry.h"
#include "registry/Utf16.h"
#include "registry/WineRegistry.h"

#include <cerrno>
#include <cstring>

namespace tessaly {

namespace {

// A string value of HKEY_LOCAL_MACHINE read before the code page is known (the values are ASCII).
std::optional<std::string> machineString(RegistryBackend& reg, std::u16string_view key,
                                         std::u16string_view name) {
    HKEY k = 0;
    if (reg.openKey(kHkeyLocalMachine, key, &k) != kErrorSuccess)
        return std::nullopt;
    std::uint32_t type = 0;
    std::string data;
    long rc = reg.queryValue(k, name, &type, &data);
    reg.closeKey(k);
    if (rc != kErrorSuccess || (type != kRegSz && type != kRegExpandSz))
        return std::nullopt;
    std::u16string s = utf16FromBytes(data);
    while (!s.empty() && s.back() == 0)
        s.pop_back();
    return utf16ToUtf8(s);
}

std::unique_ptr<RegistryBackend> openRegistry(const Profile& profile) {
    if (!profile.isWindowsProfile())
        return std::make_unique<WineRegistry>(profile.prefix);
    WindowsHivePaths paths = windowsHivePaths(profile);
    return std::make_unique<HiveRegistry>(HiveFiles{paths.user, paths.software, paths.system});
}

} // namespace

ProfileSession::ProfileSession(Profile profile, Ui& ui)
    : profile_(std::move(profile)), registry_(openRegistry(profile_)) {
    if (auto* hives = dynamic_cast<HiveRegistry*>(registry_.get()))
        registryNotice_ = hives->warning();
    auto acp = machineString(*registry_, u"System\\CurrentControlSet\\Control\\Nls\\CodePage", u"ACP");
    unsigned number = 1252;
    if (acp && !acp->empty() && acp->find_first_not_of("0123456789") == std::string::npos)
        number = static_cast<unsigned>(std::stoul(*acp));
    try {
        codePage_ = CodePage(number);
    } catch (const std::exception&) {
        codePageNotice_ =
            "The profile's code page " + std::to_string(number) + " is unknown here; using 1252.";
        codePage_ = CodePage(1252);
    }
    ansi_ = std::make_unique<AnsiRegistry>(*registry_, codePage_);
    modReg_ = std::make_unique<ModReg>(*ansi_, ui);
    auto computer = machineString(
        *registry_, u"System\\CurrentControlSet\\Control\\ComputerName\\ComputerName", u"ComputerName");
    environment_ = probeEnvironment(profile_, computer);
    leftoverNotice_ = leftoversNotice(removeLeftovers(hostTempDir()));
    // A Windows profile is never written, not even to tidy up.
    if (!profile_.isWindowsProfile())
        removeAtomicSaveLeftovers(profile_.prefix);
    // A restore killed half-way is finished or undone before anybody reads the profile.
    std::error_code ec;
    if (!profile_.isWindowsProfile() && std::filesystem::exists(std::filesystem::symlink_status(
                                            RestoreJournal::journalFile(profile_.prefix), ec))) {
        try {
            ProfileLock lock(profile_.prefix, std::string(program_invocation_short_name) + " start-up",
                             std::chrono::milliseconds(0));
            recoverInterruptedRestore();
        } catch (const std::exception&) {
            // Another run holds the profile: it is that run's journal, or it recovers it itself.
        }
    }
}

void ProfileSession::recoverInterruptedRestore() {
    std::string notice = RestoreJournal::recover(profile_.prefix);
    if (notice.empty())
        return;
    leftoverNotice_ += (leftoverNotice_.empty() ? "" : " ") + notice;
    registry_->reloadIfChanged();
}

std::unique_ptr<ProfileLock> ProfileSession::lockForChanges(const std::string& action) {
    if (profile_.isWindowsProfile())
        throw ProfileReadOnly(readOnlyProfileMessage(profile_, action));
    auto lock = std::make_unique<ProfileLock>(profile_.prefix,
                                              std::string(program_invocation_short_name) + " " + action);
    registry_->reloadIfChanged();
    recoverInterruptedRestore();
    return lock;
}

void LoadMainWindowState(MainWindowState& state, ProfileSession& session, const std::string& infoFolder) {
    state.InfoFilePath = InfoFilePathIn(infoFolder);
    const EnvironmentInfo& env = session.environment();
    state.sComputerName = env.computerName.substr(0, 254);
    state.LogonUserName = env.userName;
    state.windowsdir = env.windowsDir;
    state.OENotInstalled = false;
    state.InspectionInvalid = true;
    EnumerateIdentities(session.modReg(), state.IdentityTable, state.OENotInstalled);
}

} // namespace tessaly
