// ChooseIsoFile.cpp -- the file dialogs of the ISO and Add commands.
#include "disc/ui/DiscWindowHooks.h"

#include <QDir>
#include <QFileDialog>

namespace tessaly {

std::optional<std::string> ChooseIsoFile(QWidget* parent, const IsoFileRequest& request) {
    // "ISO file (*.iso)|*.iso" is a description and its pattern; Qt writes only the description.
    const QString filter = QString::fromStdString(request.filter.substr(0, request.filter.find('|')));
    const QString title = QString::fromStdString(request.title);
    const QString start = QDir::home().filePath(QString::fromStdString(request.fileName));
    const QString chosen = request.save ? QFileDialog::getSaveFileName(parent, title, start, filter)
                                        : QFileDialog::getOpenFileName(parent, title, start, filter);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.toStdString();
}

std::vector<std::string> ChooseFilesToAdd(QWidget* parent) {
    std::vector<std::string> paths;
    for (const QString& path : QFileDialog::getOpenFileNames(parent, "Add Files", QDir::homePath()))
        paths.push_back(path.toStdString());
    return paths;
}

std::vector<std::string> ChooseFolderToAdd(QWidget* parent) {
    const QString folder = QFileDialog::getExistingDirectory(parent, "Add Folder", QDir::homePath());
    if (folder.isEmpty())
        return {};
    return {folder.toStdString()};
}

} // namespace tessaly
