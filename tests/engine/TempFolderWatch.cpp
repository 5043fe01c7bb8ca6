// TempFolderWatch.cpp -- every engine test runs with its own temporary folder, which must be empty at the
// end.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <unistd.h>

namespace {

class TempFolderWatch : public ::testing::Environment {
public:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-engine-tmp-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        folder_ = pattern;
        setenv("TMPDIR", folder_.c_str(), 1);
    }
    void TearDown() override {
        for (const auto& entry : std::filesystem::directory_iterator(folder_))
            ADD_FAILURE() << "temporary file left behind: " << entry.path().filename();
        std::filesystem::remove_all(folder_);
    }

private:
    std::filesystem::path folder_;
};

const auto* const kWatch = ::testing::AddGlobalTestEnvironment(new TempFolderWatch);

} // namespace
