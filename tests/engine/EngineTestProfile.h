// EngineTestProfile.h -- a copy of the sample profile in a temporary folder, opened as the engine opens it.
#pragma once

#include "engine/BackupDriver.h"
#include "engine/BackupItems.h"
#include "engine/BackupRunner.h"
#include "engine/MainWindowState.h"
#include "engine/ProfileSession.h"
#include "engine/RestoreDriver.h"
#include "platform/TempFiles.h"
#include "registry/Utf16.h"

#include "RecordingUi.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace tessaly::test {

inline const std::string kIdA = "{7C2E9A41-5B3D-4E8F-9A16-D04B3C2F8E57}"; // "Main Identity"
inline const std::string kIdB = "{E1F04B6A-2C8D-4A39-B5E7-91C3D6A8F024}"; // "Work"
inline const std::string kOE = "\\Software\\Microsoft\\Outlook Express";

inline std::string identityKey(const std::string& id) {
    return "HKEY_CURRENT_USER\\Identities\\" + id;
}

// The version key of an identity's mail settings ("...\\5.0").
inline std::string versionKey(const std::string& id) {
    return identityKey(id) + kOE + "\\5.0";
}

inline std::filesystem::path storeOf(const std::filesystem::path& prefix, const std::string& id) {
    return prefix / "drive_c/users/sample/Local Settings/Application Data/Identities" / id /
           "Microsoft/Outlook Express";
}

struct EngineProfile {
    Profile profile;
    std::filesystem::path prefix;
    RecordingUi ui;
    std::unique_ptr<ProfileSession> session;
    PrivateWorkDir work;
    MainWindowState state;

    // Copies the sample profile (or uses an existing prefix folder) and opens it.
    explicit EngineProfile(const std::filesystem::path& folder, bool copySample = true)
        : profile{folder, false, "sample"}, prefix(folder) {
        if (copySample)
            copyTree(TESSALY_SAMPLE_PROFILE_DIR, prefix);
        reopen();
    }
    explicit EngineProfile(const Profile& resolved) : profile(resolved), prefix(resolved.prefix) { reopen(); }
    // The temporary archive of an opened backup file goes when the program ends, as on quitting.
    ~EngineProfile() {
        std::error_code ec;
        if (!state.TempArchivePath.empty())
            std::filesystem::remove(state.TempArchivePath, ec);
    }
    void reopen() {
        session = std::make_unique<ProfileSession>(profile, ui);
        std::string keepArchive = state.TempArchivePath;
        state = MainWindowState{};
        state.TempArchivePath = keepArchive;
        LoadMainWindowState(state, *session, work.path().string());
    }
    ModReg& mod() { return session->modReg(); }
    // A key tree as a restore sees it.
    std::string dump(const std::string& key) {
        TempDir dir;
        mod().DumpKeyTree(key, "", dir / "dump.txt");
        return readFile(dir / "dump.txt");
    }
    // Backs up the chosen items of an identity without windows; returns the item flags.
    std::string backUp(const std::filesystem::path& file, std::initializer_list<int> items,
                       const std::string& id = kIdA, const std::string& password = "") {
        BackupPlan plan;
        plan.target = file;
        plan.identityKey = id;
        plan.password = password;
        for (int i : items)
            plan.items[i] = true;
        plan.interactive = false;
        return runBackup(*session, state, ui, plan).itemFlags;
    }
    RestoreDriver restorer() { return RestoreDriver(*session, state, ui); }
};

inline const std::array<bool, kBackupItemCount> kAllItems{true, true, true, true, true, true, true, true};

inline BackupRequest allItemsOfA() {
    BackupRequest r;
    r.items.fill(true);
    r.identityUserName = "Main Identity";
    r.identityKey = kIdA;
    return r;
}

// Every file below a folder by its relative name with its bytes (folders with ""), to show what changed.
inline std::map<std::string, std::string> snapshot(const std::filesystem::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        files[e.path().lexically_relative(root).string()] = e.is_regular_file() ? readFile(e.path()) : "";
    return files;
}

// A test on its own copy of the sample profile.
struct OnSample : ::testing::Test {
    TempDir dir;
    EngineProfile p{dir / "p"};
};

} // namespace tessaly::test
