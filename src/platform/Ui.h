// Ui.h -- the one port through which the engine and the layers below talk to a person.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tessaly {

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

// Thrown where a run notices that the person asked it to stop. Deliberately not a std::exception:
// the handlers' "catch every failure" must not turn a stop into a failed item.
struct RunStopped {};

// Implemented by the main window (Qt), the command line (terminal), the unattended backup (silent)
// and the tests (a recorder). Texts are UTF-8.
class Ui {
public:
    virtual ~Ui() = default;

    virtual MsgResult messageBox(const std::string& text, const std::string& title, MsgIcon icon,
                                 MsgButtons buttons) = 0;
    // A plain input box; nullopt when the user cancels.
    virtual std::optional<std::string> inputBox(const std::string& prompt, const std::string& title) = 0;
    // The password prompt of a backup file; nullopt when the user cancels.
    virtual std::optional<std::string> askPassword() = 0;
    // The same for the named file; `again` after the password typed last was wrong. A Ui that can
    // show the name overrides it.
    virtual std::optional<std::string> askPasswordFor(const std::string& file, bool again) {
        (void)file, (void)again;
        return askPassword();
    }

    // The progress panel: shown or hidden, a value 0..100 and a status text.
    virtual void showProgress(bool visible) = 0;
    virtual void setProgress(int value) = 0;
    virtual void setStatusText(const std::string& text) = 0;
    // Lets pending window messages run during long work.
    virtual void pumpEvents() = 0;

    // True once the person has asked the running backup or restore to stop.
    virtual bool stopRequested() { return false; }
    void throwIfStopped() {
        if (stopRequested())
            throw RunStopped{};
    }

    // Progress inside one long item: the bar moves by bytes through the share [from, to] of the item.
    void setProgressSpan(double from, double to) {
        spanFrom_ = from;
        spanTo_ = to;
    }
    double progressSpanFrom() const { return spanFrom_; }
    double progressSpanTo() const { return spanTo_; }
    // `done` of `total` bytes of `file` copied, compressed or extracted. Reports closer together than
    // progressStepBytes() are dropped, except the last one of a file; a report lets messages run.
    void reportBytes(const std::string& file, std::uint64_t done, std::uint64_t total);
    std::uint64_t progressStepBytes() const { return stepBytes_; }
    void setProgressStepBytes(std::uint64_t bytes) { stepBytes_ = bytes ? bytes : 1; }

protected:
    // What a Ui shows of a byte report; `percent` lies in the item's share of the bar.
    virtual void showBytes(const std::string& file, std::uint64_t done, std::uint64_t total, double percent) {
        (void)file, (void)done, (void)total, (void)percent;
    }

private:
    double spanFrom_ = 0;
    double spanTo_ = 0;
    std::uint64_t stepBytes_ = 1 << 20;
    std::string lastFile_;
    std::uint64_t lastDone_ = 0;
};

inline void Ui::reportBytes(const std::string& file, std::uint64_t done, std::uint64_t total) {
    bool sameFile = file == lastFile_ && done >= lastDone_;
    if (sameFile && done - lastDone_ < stepBytes_ && done != total)
        return;
    if (sameFile && done == lastDone_)
        return;
    lastFile_ = file;
    lastDone_ = done;
    double share = total ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
    showBytes(file, done, total, spanFrom_ + (spanTo_ - spanFrom_) * share);
    pumpEvents();
}

// Shares the current span of the bar among the files of one item by their sizes, so that the bar
// moves once through the item instead of once per file. The item's span comes back at the end.
class ProgressShares {
public:
    ProgressShares(Ui& ui, std::uint64_t totalBytes)
        : ui_(ui), from_(ui.progressSpanFrom()), to_(ui.progressSpanTo()), total_(totalBytes) {}
    ~ProgressShares() { ui_.setProgressSpan(from_, to_); }
    ProgressShares(const ProgressShares&) = delete;
    ProgressShares& operator=(const ProgressShares&) = delete;

    // The next file, of `bytes` bytes, takes its share.
    void next(std::uint64_t bytes) {
        auto at = [&](std::uint64_t b) {
            return total_ ? from_ + (to_ - from_) * static_cast<double>(b) / static_cast<double>(total_)
                          : to_;
        };
        ui_.setProgressSpan(at(before_), at(before_ + bytes));
        before_ += bytes;
    }

private:
    Ui& ui_;
    double from_;
    double to_;
    std::uint64_t total_;
    std::uint64_t before_ = 0;
};

// The application's title, used on every message box.
inline constexpr const char* kAppTitle = "Tessaly";

} // namespace tessaly
