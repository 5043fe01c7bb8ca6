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

    struct ByteReport {
        std::string file;
        std::uint64_t done;
        std::uint64_t total;
        double percent;
    };
    std::vector<ByteReport> byteReports;
    // Asked each time the engine looks for a stop request.
    std::function<bool(const RecordingUi&)> stopWhen;

    // Answers handed out in order; when a queue is empty: Ok, and cancel for the input boxes.
    std::deque<MsgResult> messageAnswers;
    std::deque<std::optional<std::string>> inputAnswers;
    std::deque<std::optional<std::string>> passwordAnswers;

    MsgResult messageBox(const std::string& text, const std::string& title, MsgIcon icon,
                         MsgButtons buttons) override {
        messages.push_back({text, title, icon, buttons});
        return next(messageAnswers, MsgResult::Ok);
    }
    std::optional<std::string> inputBox(const std::string& prompt, const std::string&) override {
        inputPrompts.push_back(prompt);
        return next(inputAnswers, {});
    }
    std::optional<std::string> askPassword() override {
        ++passwordPrompts;
        return next(passwordAnswers, {});
    }
    void showProgress(bool visible) override { progressVisible = visible; }
    bool stopRequested() override { return stopWhen && stopWhen(*this); }
    void setProgress(int value) override { progressValues.push_back(value); }
    void setStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void pumpEvents() override { ++pumps; }

protected:
    void showBytes(const std::string& file, std::uint64_t done, std::uint64_t total,
                   double percent) override {
        byteReports.push_back({file, done, total, percent});
    }

private:
    template <class T> static T next(std::deque<T>& answers, T otherwise) {
        if (answers.empty())
            return otherwise;
        T r = std::move(answers.front());
        answers.pop_front();
        return r;
    }
};

} // namespace tessaly::test
