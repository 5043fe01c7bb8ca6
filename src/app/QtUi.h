// QtUi.h -- the engine's Ui port on Qt: message boxes, the password prompt and the progress panel.
#pragma once

#include "platform/Ui.h"

#include <QPointer>

#include <functional>

class QLabel;
class QProgressBar;
class QWidget;

namespace tessaly {

class QtUi : public Ui {
public:
    QtUi() = default;

    // The window the dialogs belong to and its progress panel (picCon3 with pbshow, Label1 and the
    // line that names the file being worked on).
    void attachWindow(QWidget* window, QWidget* panel, QProgressBar* bar, QLabel* label, QLabel* fileLabel);

    // The Stop button, Escape and the quit question ask the running backup or restore to stop; a new
    // run starts without a request.
    void requestStop() { stopRequested_ = true; }
    void clearStop() { stopRequested_ = false; }
    bool stopRequested() override { return stopRequested_; }
    // While quiet, message boxes are not shown and take their most cautious answer (the program is
    // quitting and the person has already said so).
    void setQuiet(bool quiet) { quiet_ = quiet; }
    // Called when the progress panel comes and goes: the work of a run, not its checks or its report.
    std::function<void(bool visible)> progressShown;

    MsgResult messageBox(const std::string& text, const std::string& title, MsgIcon icon,
                         MsgButtons buttons) override;
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title) override;
    std::optional<std::string> askPassword() override;
    std::optional<std::string> askPasswordFor(const std::string& file, bool again) override;
    void showProgress(bool visible) override;
    void setProgress(int value) override;
    void setStatusText(const std::string& text) override;
    void pumpEvents() override;

protected:
    void showBytes(const std::string& file, std::uint64_t done, std::uint64_t total, double percent) override;

private:
    bool stopRequested_ = false;
    bool quiet_ = false;
    QPointer<QLabel> fileLabel_;
    QPointer<QWidget> window_;
    QPointer<QWidget> panel_;
    QPointer<QProgressBar> bar_;
    QPointer<QLabel> label_;
};

// The engine's texts end lines with CR LF; Qt's widgets want LF.
QString displayText(const std::string& text);

} // namespace tessaly
