// EngineTestProfile.h -- a copy of the sample profile in a temporary folder, opened as the engine opens it.
#pragma once

#include "engine/MainWindowState.h"
#include "engine/ProfileSession.h"
#include "platform/TempFiles.h"
#include "registry/Utf16.h"

#include "RecordingUi.h"
#include "TempDir.h"

#include <memory>

namespace tessaly::test {

inline const std::string kIdA = "{7C2E9A41-5B3D-4E8F-9A16-D04B3C2F8E57}"; // "Main Identity"
inline const std::string kIdB = "{E1F04B6A-2C8D-4A39-B5E7-91C3D6A8F024}"; // "Work"
inline const std::string kOE = "\\Software\\Microsoft\\Outlook Express";

inline std::string identityKey(const std::string& id) {
    return "HKEY_CURRENT_USER\\Identities\\" + id;
}

inline std::filesystem::path storeOf(const std::filesystem::path& prefix, const std::string& id) {
    return prefix / "drive_c/users/sample/Local Settings/Application Data/Identities" / id /
           "Microsoft/Outlook Express";
}

struct EngineProfile {
    std::filesystem::path prefix;
    RecordingUi ui;
    std::unique_ptr<ProfileSession> session;
    PrivateWorkDir work;
    MainWindowState state;

    // Copies the sample profile (or uses an existing prefix folder) and opens it.
    explicit EngineProfile(const std::filesystem::path& folder, bool copySample = true) : prefix(folder) {
        if (copySample)
            copyTree(TESSALY_SAMPLE_PROFILE_DIR, prefix);
        reopen();
    }
    // The temporary archive of an opened backup file goes when the program ends, as on quitting.
    ~EngineProfile() {
        std::error_code ec;
        if (!state.TempArchivePath.empty())
            std::filesystem::remove(state.TempArchivePath, ec);
    }
    void reopen() {
        session = std::make_unique<ProfileSession>(Profile{prefix, false, "sample"}, ui);
        std::string keepArchive = state.TempArchivePath;
        state = MainWindowState{};
        state.TempArchivePath = keepArchive;
        LoadMainWindowState(state, *session, work.path().string());
    }
    ModReg& mod() { return session->modReg(); }
};

} // namespace tessaly::test
