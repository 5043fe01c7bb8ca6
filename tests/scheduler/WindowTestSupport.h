// WindowTestSupport.h -- the schedule window on a copy of the sample profile, and finding its controls.
#pragma once

#include "engine/ProfileSession.h"
#include "scheduler/CronScheduler.h"
#include "scheduler/ui/Frmoption.h"

#include "RecordingUi.h"
#include "SchedulerTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace tessaly::test {

inline const std::string kMainIdentity = "{7C2E9A41-5B3D-4E8F-9A16-D04B3C2F8E57}";

template <class T> T* control(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromUtf8(name));
    if (!found)
        ADD_FAILURE() << "no control " << name;
    return found;
}

inline void click(QWidget* window, const char* name) {
    if (auto* b = control<QAbstractButton>(window, name))
        b->click();
}

// Runs `act` on the modal window that the next statement opens, once it is shown.
inline void whenModalOpens(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            ADD_FAILURE() << "no modal window opened";
            return;
        }
        act(modal);
    });
}

struct ProfileCopy {
    TempDir dir;
    std::filesystem::path prefix = dir / "prefix";
    RecordingUi ui;
    std::unique_ptr<ProfileSession> session;

    // The sample profile, or (withIdentities false) a profile whose registry has no identities.
    explicit ProfileCopy(bool withIdentities = true) {
        if (withIdentities) {
            copyTree(TESSALY_SAMPLE_PROFILE_DIR, prefix);
        } else {
            std::filesystem::create_directories(prefix);
            writeFile(prefix / "user.reg", "WINE REGISTRY Version 2\n;; All keys relative to "
                                           "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n");
            writeFile(prefix / "system.reg",
                      readFile(std::filesystem::path(TESSALY_SAMPLE_PROFILE_DIR) / "system.reg"));
        }
        open();
    }
    void open() { session = std::make_unique<ProfileSession>(Profile{prefix, false, "sample"}, ui); }
};

} // namespace tessaly::test
