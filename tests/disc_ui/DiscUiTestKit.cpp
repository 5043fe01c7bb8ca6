// DiscUiTestKit.cpp -- the disc windows headless: controls, drops, waiting, pseudo-drives, xorriso.
#include "DiscUiTestKit.h"

#include "RunProgram.h"

#include "disc/ui/DiscWindow.h"

#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QTreeWidgetItemIterator>
#include <QUrl>

#include <sstream>

namespace fs = std::filesystem;

namespace tessaly::test {

void click(QObject* window, const char* name) {
    if (auto* b = control<QAbstractButton>(window, name))
        b->click();
}

void trigger(QObject* window, const char* actionName) {
    if (auto* a = control<QAction>(window, actionName))
        a->trigger();
}

bool waitFor(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

std::vector<std::string> texts(const RecordingUi& ui) {
    std::vector<std::string> out;
    for (const RecordedMessage& m : ui.messages)
        out.push_back(m.text);
    return out;
}

void clearMessages(RecordingUi& ui) {
    ui.messages.clear();
}

void dropOnto(QWidget* view, const std::vector<fs::path>& paths) {
    auto* area = qobject_cast<QAbstractItemView*>(view);
    QWidget* target = area ? area->viewport() : view;
    QMimeData data;
    QList<QUrl> urls;
    for (const fs::path& p : paths)
        urls << QUrl::fromLocalFile(QString::fromStdString(p.string()));
    data.setUrls(urls);
    const QPointF at(5, 5);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted()) << "the view refused the drag";
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    EXPECT_TRUE(drop.isAccepted()) << "the view refused the drop";
}

QTreeWidgetItem* itemByKey(QTreeWidget* view, const QString& key) {
    for (QTreeWidgetItemIterator it(view); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toString() == key)
            return *it;
    return nullptr;
}

std::vector<std::string> keysOf(QTreeWidget* view) {
    std::vector<std::string> keys;
    for (QTreeWidgetItemIterator it(view); *it; ++it)
        keys.push_back((*it)->data(0, Qt::UserRole).toString().toStdString());
    return keys;
}

std::vector<std::string> columnOf(QTreeWidget* view, int column) {
    std::vector<std::string> out;
    for (int i = 0; i < view->topLevelItemCount(); ++i)
        out.push_back(view->topLevelItem(i)->text(column).toStdString());
    return out;
}

bool finishLabelEdit(QTreeWidget* view, const QString& text) {
    auto* editor = view->viewport()->findChild<QLineEdit*>();
    if (!editor)
        return false;
    editor->setText(text);
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    return true;
}

std::map<std::string, long long> xorrisoFiles(const fs::path& image) {
    std::map<std::string, long long> files;
    for (const auto& [path, entry] : xorrisoList(image))
        if (!entry.folder)
            files[path] = entry.size;
    return files;
}

std::string xorrisoVolumeId(const fs::path& image) {
    const RunResult r = runProgram({TESSALY_XORRISO, "-indev", image.string(), "-pvd_info"});
    std::istringstream lines(r.out + r.err);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("Volume Id", 0) == 0) {
            const auto colon = line.find(':');
            return colon == std::string::npos ? std::string()
                                              : line.substr(line.find_first_not_of(' ', colon + 1));
        }
    }
    return {};
}

PseudoDriveWindow::PseudoDriveWindow(DiscHandOver handOver) : drives("stdio:" + disc.string()) {
    open(std::move(handOver));
}

void PseudoDriveWindow::close() {
    window.reset();
    control.reset();
    settle();
}

void PseudoDriveWindow::open(DiscHandOver handOver) {
    control = std::make_unique<BurnDiscWriter>(QtEventPoster());
    DiscWindowHooks hooks;
    hooks.chooseIsoFile = [this](QWidget*, const IsoFileRequest& request) {
        isoRequests.push_back(request);
        return nextIso;
    };
    hooks.chooseFilesToAdd = [this](QWidget*) { return nextFiles; };
    hooks.chooseFolderToAdd = [this](QWidget*) { return nextFolder; };
    window = std::make_unique<frmMaindvdwrite>(*control, ui, std::move(handOver), hooks);
    window->show();
    settle();
}

void PseudoDriveWindow::selectFolder(const QString& key) {
    QTreeWidgetItem* node = itemByKey(tree(), key);
    ASSERT_NE(node, nullptr) << key.toStdString();
    tree()->setCurrentItem(node);
    node->setSelected(true);
}

bool PseudoDriveWindow::writeAndWait() {
    click(window.get(), "cmdWriteDisc");
    return waitForIdle();
}

bool PseudoDriveWindow::waitForIdle() {
    const bool ended = waitFor([this] { return !control->IsBusy() && window->windowIdle(); });
    settle();
    return ended;
}

FakeWindow::FakeWindow(const std::function<void(FakeDiscWriter&)>& configure) {
    if (configure)
        configure(control);
    DiscWindowHooks hooks;
    hooks.chooseIsoFile = [this](QWidget*, const IsoFileRequest&) { return nextIso; };
    window = std::make_unique<frmMaindvdwrite>(control, ui, DiscHandOver{}, hooks);
    window->show();
    settle();
}

} // namespace tessaly::test
