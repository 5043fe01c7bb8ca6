// FuzzSupport.h -- what the fuzz harnesses share: a silent Ui, a private scratch folder, a failed check.
#pragma once

#include "platform/Ui.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <unistd.h>

namespace tessaly::fuzz {

class NullUi : public Ui {
public:
    MsgResult messageBox(const std::string&, const std::string&, MsgIcon, MsgButtons) override {
        return MsgResult::Ok;
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

// A property of the code under test that does not hold: say which, and stop so the input is kept.
[[noreturn]] inline void failed(const std::string& what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

// One 0700 folder for the whole process, removed when it ends.
inline const std::filesystem::path& scratch() {
    struct Folder {
        std::filesystem::path path;
        Folder() {
            std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-fuzz-XXXXXX").string();
            if (!mkdtemp(pattern.data()))
                failed("cannot make a scratch folder");
            path = pattern;
        }
        ~Folder() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    };
    static Folder folder;
    return folder.path;
}

// `name` below the scratch folder, emptied for the next input.
inline std::filesystem::path freshFolder(const std::string& name) {
    const std::filesystem::path folder = scratch() / name;
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    std::filesystem::create_directories(folder);
    return folder;
}

inline void writeBytes(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        failed("cannot write " + file.string());
}

inline std::string readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace tessaly::fuzz
