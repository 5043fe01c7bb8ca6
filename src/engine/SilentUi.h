// SilentUi.h -- the Ui of an unattended run: no window, no question; messages are kept for the caller.
#pragma once

#include "platform/Ui.h"

#include <string>
#include <vector>

namespace tessaly {

class SilentUi : public Ui {
public:
    std::vector<std::string> messages;

    MsgResult messageBox(const std::string& text, const std::string&, MsgIcon, MsgButtons buttons) override {
        messages.push_back(text);
        return buttons == MsgButtons::OkCancel ? MsgResult::Cancel
               : buttons == MsgButtons::Ok     ? MsgResult::Ok
                                               : MsgResult::No;
    }
    std::optional<std::string> inputBox(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> askPassword() override { return std::nullopt; }
    void showProgress(bool) override {}
    void setProgress(int) override {}
    void setStatusText(const std::string&) override {}
    void pumpEvents() override {}
};

} // namespace tessaly
