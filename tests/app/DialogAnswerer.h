// DialogAnswerer.h -- answers the modal dialogs a window opens, in order, as a person would.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tessaly::test {

// What a message box showed.
struct SeenBox {
    std::string text; // line breaks as LF
    std::string title;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
};

// Watches for modal dialogs and hands each one, when shown, to the next queued step. A dialog with
// no step left fails the test and is closed, so that a test never hangs.
class DialogAnswerer : public QObject {
    Q_OBJECT
public:
    using Step = std::function<void(QWidget* dialog)>;

    DialogAnswerer();
    ~DialogAnswerer() override;

    void then(Step step) { steps_.push_back(std::move(step)); }
    // A message box answered with `button`; `during` runs first while the box is open.
    void thenAnswer(QMessageBox::StandardButton button, std::function<void()> during = {});
    // The password prompt: types `text` and presses Enter, or clicks OK.
    void thenTypePassword(const QString& text, bool pressEnter = true);
    void thenCancelPassword();

    std::vector<SeenBox> boxes;
    int dialogsSeen = 0;

private:
    void poll();
    QTimer timer_;
    std::deque<Step> steps_;
};

} // namespace tessaly::test
