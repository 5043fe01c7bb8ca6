// Ui.h -- the one port through which the engine and the layers below talk to a person.
#pragma once

#include <optional>
#include <string>

namespace tessaly {

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

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

    // The progress panel: shown or hidden, a value 0..100 and a status text.
    virtual void showProgress(bool visible) = 0;
    virtual void setProgress(int value) = 0;
    virtual void setStatusText(const std::string& text) = 0;
    // Lets pending window messages run during long work.
    virtual void pumpEvents() = 0;
};

// The application's title, used on every message box.
inline constexpr const char* kAppTitle = "Tessaly";

} // namespace tessaly
