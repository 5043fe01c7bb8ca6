// DiscWindowHooks.h -- what the disc windows ask of their surroundings: file dialogs, the about box.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace tessaly {

// The file dialog of the ISO commands.
struct IsoFileRequest {
    std::string title;    // "Save as ISO File", "Write ISO File"
    std::string fileName; // the name offered at first
    std::string filter;   // "ISO file (*.iso)|*.iso"
    bool save = false;    // the file may not exist yet
};

// The chosen path, or nullopt when the dialog was cancelled.
using IsoFileChooser =
    std::function<std::optional<std::string>(QWidget* parent, const IsoFileRequest& request)>;

// The dialogs of this build; tests answer the file dialog themselves.
std::optional<std::string> ChooseIsoFile(QWidget* parent, const IsoFileRequest& request);
// The files or the one folder to add to the image; empty when the dialog was cancelled.
std::vector<std::string> ChooseFilesToAdd(QWidget* parent);
std::vector<std::string> ChooseFolderToAdd(QWidget* parent);

struct DiscWindowHooks {
    IsoFileChooser chooseIsoFile = ChooseIsoFile;
    std::function<std::vector<std::string>(QWidget* parent)> chooseFilesToAdd = ChooseFilesToAdd;
    std::function<std::vector<std::string>(QWidget* parent)> chooseFolderToAdd = ChooseFolderToAdd;
    // The program's about box, modal over the given window; unset shows the program's name.
    std::function<void(QWidget* parent)> showAbout;
};

} // namespace tessaly
