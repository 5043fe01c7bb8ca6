// TempDir.h -- a private temporary folder for one test, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

namespace tessaly::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);
// Copies a folder tree, symlinks kept as links.
void copyTree(const std::filesystem::path& from, const std::filesystem::path& to);
// The bundled Wine 8.0 registry fixtures.
std::filesystem::path wineFixtureDir();

} // namespace tessaly::test
