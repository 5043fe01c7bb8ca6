// TerminalUi.h -- the Ui port on a terminal: messages on stderr, questions answered by --yes or the user.
#pragma once

#include "platform/Ui.h"

#include <csignal>

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
    // True once SIGINT or SIGTERM arrived while a StopOnSignals lived.
    bool stopRequested() override;

protected:
    void showBytes(const std::string& file, std::uint64_t done, std::uint64_t total, double percent) override;

private:
    bool assumeYes_;
    bool interactive_;
    bool progressOnTerminal_;
    bool progressVisible_ = false;
    double progress_ = 0;
    std::string status_;
    std::string file_;

    void drawProgress();
};

// While it lives, SIGINT and SIGTERM ask the running backup or restore to stop (it cleans up and
// returns) instead of ending the program; the earlier handlers come back when it goes.
class StopOnSignals {
public:
    StopOnSignals();
    ~StopOnSignals();
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;
    // The signal that asked for the stop, 0 when none did.
    static int signalNumber();
    // The exit code of a run stopped by that signal: 128 + its number, as a shell reports it.
    static int exitCode() { return 128 + signalNumber(); }

private:
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

// Reads a line from the terminal without echo; nullopt when there is no terminal or input ends.
std::optional<std::string> readSecretLine(const std::string& prompt);

} // namespace tessaly
