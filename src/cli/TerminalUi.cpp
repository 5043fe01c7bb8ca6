// TerminalUi.cpp -- messages, questions and a progress bar on the terminal.
#include "cli/TerminalUi.h"

#include "engine/HandlerSupport.h"

#include <cstdio>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace tessaly {

TerminalUi::TerminalUi(bool assumeYes)
    : assumeYes_(assumeYes), interactive_(isatty(STDIN_FILENO) && isatty(STDERR_FILENO)),
      progressOnTerminal_(isatty(STDERR_FILENO)) {}

MsgResult TerminalUi::messageBox(const std::string& text, const std::string&, MsgIcon icon,
                                 MsgButtons buttons) {
    if (progressVisible_ && progressOnTerminal_)
        std::cerr << '\n';
    // Reports go to standard output; warnings, refusals and questions to standard error.
    bool report = icon == MsgIcon::Information && buttons == MsgButtons::Ok;
    (report ? std::cout : std::cerr) << replaceAll(text, "\r\n", "\n") << std::endl;
    if (buttons == MsgButtons::Ok)
        return MsgResult::Ok;
    bool okCancel = buttons == MsgButtons::OkCancel;
    if (assumeYes_)
        return okCancel ? MsgResult::Ok : MsgResult::Yes;
    if (!interactive_) {
        std::cerr << "(no terminal to answer on: taken as " << (okCancel ? "Cancel" : "No")
                  << "; --yes answers yes)" << std::endl;
        return okCancel ? MsgResult::Cancel : MsgResult::No;
    }
    std::cerr << (okCancel ? "[o]k / [c]ancel? " : "[y]es / [n]o? ") << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    bool yes =
        !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y' || answer[0] == 'o' || answer[0] == 'O');
    if (okCancel)
        return yes ? MsgResult::Ok : MsgResult::Cancel;
    return yes ? MsgResult::Yes : MsgResult::No;
}

std::optional<std::string> TerminalUi::inputBox(const std::string& prompt, const std::string&) {
    if (!interactive_)
        return std::nullopt;
    std::cerr << prompt << ' ' << std::flush;
    std::string line;
    if (!std::getline(std::cin, line))
        return std::nullopt;
    return line;
}

std::optional<std::string> TerminalUi::askPassword() {
    if (!interactive_)
        return std::nullopt;
    return readSecretLine("Password: ");
}

void TerminalUi::showProgress(bool visible) {
    if (progressVisible_ && !visible && progressOnTerminal_)
        std::cerr << '\n';
    progressVisible_ = visible;
    if (visible)
        drawProgress();
}

void TerminalUi::setProgress(int value) {
    progress_ = value;
    drawProgress();
}

void TerminalUi::showBytes(const std::string& file, std::uint64_t, std::uint64_t, double percent) {
    progress_ = percent;
    file_ = file;
    drawProgress();
}

void TerminalUi::setStatusText(const std::string& text) {
    status_ = text;
    file_.clear();
    if (!progressOnTerminal_)
        std::cerr << text << std::endl;
    else
        drawProgress();
}

void TerminalUi::drawProgress() {
    if (!progressVisible_ || !progressOnTerminal_)
        return;
    double value = progress_ < 0 ? 0 : progress_ > 100 ? 100 : progress_;
    std::string bar(static_cast<std::size_t>(value * 30 / 100), '#');
    bar.resize(30, '.');
    std::string text = status_ + (file_.empty() ? "" : " " + file_);
    std::cerr << "\r[" << bar << "] " << static_cast<int>(value) << "% " << text.substr(0, 40) << "\x1b[K"
              << std::flush;
}

namespace {
volatile sig_atomic_t gStopSignal = 0;

void onStopSignal(int number) {
    gStopSignal = number;
}
} // namespace

bool TerminalUi::stopRequested() {
    return gStopSignal != 0;
}

StopOnSignals::StopOnSignals() {
    gStopSignal = 0;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
}

StopOnSignals::~StopOnSignals() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
}

int StopOnSignals::signalNumber() {
    return gStopSignal;
}

std::optional<std::string> readSecretLine(const std::string& prompt) {
    if (!isatty(STDIN_FILENO))
        return std::nullopt;
    std::cerr << prompt << std::flush;
    termios old{};
    tcgetattr(STDIN_FILENO, &old);
    termios quiet = old;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    std::string line;
    bool ok = static_cast<bool>(std::getline(std::cin, line));
    tcsetattr(STDIN_FILENO, TCSANOW, &old);
    std::cerr << std::endl;
    if (!ok)
        return std::nullopt;
    return line;
}

} // namespace tessaly
