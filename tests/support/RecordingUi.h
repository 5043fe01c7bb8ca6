// RecordingUi.h -- a Ui that records every message and answers from a script, for tests.
#pragma once

#include "platform/Ui.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tessaly::test {

struct RecordedMessage {
    std::string text;
    std::string title;
    MsgIcon icon;
    MsgButtons buttons;
};

class RecordingUi : public Ui {
public:
    std::vector<RecordedMessage> messages;
    std::vector<std::string> inputPrompts;
    std::vector<std::string> statusTexts;
    std::vector<int> progressValues;
    int passwordPrompts = 0;
    int pumps = 0;
    bool progressVisible = false;
    int progressShown = 0; // showProgress(true) calls

    struct ByteReport {
        std::string file;
        std::uint64_t done;
        std::uint64_t total;
        double percent;
    };
    std::vector<ByteReport> byteReports;
    // Asked each time the engine looks for a stop request.
    std::function<bool(const RecordingUi&)> stopWhen;

    // Answers handed out in order; when a queue is empty the defaults below apply.
    std::deque<MsgResult> messageAnswers;
    std::deque<std::optional<std::string>> inputAnswers;
    std::deque<std::optional<std::string>> passwordAnswers;
    MsgResult defaultAnswer = MsgResult::Ok;

    MsgResult messageBox(const std::string& text, const std::string& title, MsgIcon icon,
                         MsgButtons buttons) override {
        messages.push_back({text, title, icon, buttons});
        if (messageAnswers.empty())
            return defaultAnswer;
        MsgResult r = messageAnswers.front();
        messageAnswers.pop_front();
        return r;
    }
    std::optional<std::string> inputBox(const std::string& prompt, const std::string&) override {
        inputPrompts.push_back(prompt);
        if (inputAnswers.empty())
            return std::nullopt;
        auto r = inputAnswers.front();
        inputAnswers.pop_front();
        return r;
    }
    std::vector<std::pair<std::string, bool>> passwordFiles; // the file each prompt named, and `again`
    std::optional<std::string> askPasswordFor(const std::string& file, bool again) override {
        passwordFiles.emplace_back(file, again);
        return askPassword();
    }
    std::optional<std::string> askPassword() override {
        ++passwordPrompts;
        if (passwordAnswers.empty())
            return std::nullopt;
        auto r = passwordAnswers.front();
        passwordAnswers.pop_front();
        return r;
    }
    void showProgress(bool visible) override {
        progressVisible = visible;
        progressShown += visible ? 1 : 0;
    }
    bool stopRequested() override { return stopWhen && stopWhen(*this); }
    void setProgress(int value) override { progressValues.push_back(value); }
    void setStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void pumpEvents() override { ++pumps; }

protected:
    void showBytes(const std::string& file, std::uint64_t done, std::uint64_t total,
                   double percent) override {
        byteReports.push_back({file, done, total, percent});
    }
};

} // namespace tessaly::test
