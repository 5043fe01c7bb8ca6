// QtUi.h -- the engine's Ui port on Qt: message boxes, the password prompt and the progress panel.
#pragma once

#include "platform/Ui.h"

#include <QPointer>

class QLabel;
class QProgressBar;
class QWidget;

namespace tessaly {

class QtUi : public Ui {
public:
    QtUi() = default;

    // The window the dialogs belong to and its progress panel (picCon3 with pbshow and Label1).
    void attachWindow(QWidget* window, QWidget* panel, QProgressBar* bar, QLabel* label);

    MsgResult messageBox(const std::string& text, const std::string& title, MsgIcon icon,
                         MsgButtons buttons) override;
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title) override;
    std::optional<std::string> askPassword() override;
    void showProgress(bool visible) override;
    void setProgress(int value) override;
    void setStatusText(const std::string& text) override;
    void pumpEvents() override;

private:
    QPointer<QWidget> window_;
    QPointer<QWidget> panel_;
    QPointer<QProgressBar> bar_;
    QPointer<QLabel> label_;
};

// The engine's texts end lines with CR LF; Qt's widgets want LF.
QString displayText(const std::string& text);

} // namespace tessaly
