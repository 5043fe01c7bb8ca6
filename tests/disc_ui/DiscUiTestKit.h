// DiscUiTestKit.h -- the disc windows headless: finding controls, simulated drops, waiting for jobs,
// pseudo-drives.
#pragma once

#include "DiscUiFiles.h"
#include "FakeDiscWriter.h"
#include "RecordingUi.h"
#include "TempDir.h"

#include "disc/BurnDiscWriter.h"
#include "disc/ui/frmMaindvdwrite.h"

#include <QAbstractButton>
#include <QAction>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

namespace tessaly::test {

template <class T> T* control(QObject* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromUtf8(name));
    if (!found)
        ADD_FAILURE() << "no control " << name;
    return found;
}

void click(QObject* window, const char* name);
void trigger(QObject* window, const char* actionName);
// Processes events until done() holds or the time is up; returns done().
bool waitFor(const std::function<bool()>& done, int milliseconds = 30000);
// Lets queued work (events posted by the control, deferred refreshes) run.
void settle();

std::vector<std::string> texts(const RecordingUi& ui);
void clearMessages(RecordingUi& ui);

// Drops files and folders from the desktop onto a view, as a drag from a file manager does.
void dropOnto(QWidget* view, const std::vector<std::filesystem::path>& paths);
// Ends the label edit that is open in `view` with `text` and Enter.
bool finishLabelEdit(QTreeWidget* view, const QString& text);

// The writing window on a real control with one stdio pseudo-drive in a temporary folder.
struct PseudoDriveWindow {
    TempDir dir;
    std::filesystem::path disc = dir / "disc.iso";
    ExtraDrives drives;
    RecordingUi ui;
    std::unique_ptr<BurnDiscWriter> control;
    std::optional<std::string> nextIso; // what the ISO file dialogs answer
    std::vector<IsoFileRequest> isoRequests;
    std::vector<std::string> nextFiles, nextFolder; // what the Add Files / Add Folder dialogs answer
    std::unique_ptr<frmMaindvdwrite> window;

    explicit PseudoDriveWindow(DiscHandOver handOver = {});
    ~PseudoDriveWindow() { close(); }
    // Closes the window and opens a new one on a new control over the same disc.
    void reopen() {
        close();
        open({});
    }

    frmMaindvdwrite& w() { return *window; }
    QTreeWidget* tree() { return test::control<QTreeWidget>(window.get(), "tvwDirectories"); }
    QTreeWidget* list() { return test::control<QTreeWidget>(window.get(), "lvwImageFiles"); }
    void selectFolder(const QString& key);
    // Waits until the window is idle again and the control has finished.
    bool waitForIdle();
    // Starts the write and waits for its end.
    bool writeAndWait();

private:
    void open(DiscHandOver handOver);
    void close();
};

// A test on the pseudo-drive window, with a folder for source files.
class PseudoDriveTest : public ::testing::Test {
protected:
    std::unique_ptr<PseudoDriveWindow> rig = std::make_unique<PseudoDriveWindow>();
    std::filesystem::path src = rig->dir / "src";

    frmMaindvdwrite& w() { return rig->w(); }
    QTreeWidget* tree() { return rig->tree(); }
    QTreeWidget* list() { return rig->list(); }
    RecordingUi& ui() { return rig->ui; }
};

// The writing window on a scripted control.
struct FakeWindow {
    RecordingUi ui;
    FakeDiscWriter control;
    std::optional<std::string> nextIso = std::string("/nowhere/image.iso");
    std::unique_ptr<frmMaindvdwrite> window;

    // configure runs on the control before the window starts.
    explicit FakeWindow(const std::function<void(FakeDiscWriter&)>& configure = {});
    frmMaindvdwrite& w() { return *window; }
};

} // namespace tessaly::test
