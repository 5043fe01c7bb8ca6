// TerminalUi.h -- the Ui port on a terminal: messages on stderr, questions answered by --yes or the user.
#pragma once

#include "platform/Ui.h"

namespace tessaly {

class TerminalUi : public Ui {
public:
    explicit TerminalUi(bool assumeYes = false);

    MsgResult messageBox(const std::string& text, const std::string& title, MsgIcon icon,
                         MsgButtons buttons) override;
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title) override;
    std::optional<std::string> askPassword() override;
    void showProgress(bool visible) override;
    void setProgress(int value) override;
    void setStatusText(const std::string& text) override;
    void pumpEvents() override {}

private:
    bool assumeYes_;
    bool interactive_;
    bool progressOnTerminal_;
    bool progressVisible_ = false;
    int progress_ = 0;
    std::string status_;

    void drawProgress();
};

// Reads a line from the terminal without echo; nullopt when there is no terminal or input ends.
std::optional<std::string> readSecretLine(const std::string& prompt);

} // namespace tessaly
