// ArchiveKit.cpp -- helpers for archive tests.
#include "ArchiveKit.h"

#include "TempDir.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

#include <zip.h>

namespace fs = std::filesystem;

namespace tessaly::test {

std::string quoted(const fs::path& path) {
    std::string out = "'";
    for (char c : path.string()) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

CommandResult runCommand(const std::string& command) {
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p)
        throw std::runtime_error("cannot run " + command);
    std::string output;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        output.append(buf, n);
    int status = pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

int infoZipTest(const fs::path& archive) {
    return runCommand("unzip -t -q " + quoted(archive)).exitCode;
}

std::vector<std::string> infoZipNames(const fs::path& archive) {
    auto r = runCommand("unzip -Z1 " + quoted(archive));
    std::vector<std::string> names;
    std::istringstream in(r.output);
    for (std::string line; std::getline(in, line);)
        names.push_back(line);
    return names;
}

void makeArchive(const fs::path& archive, const std::vector<RawEntry>& entries) {
    int code = 0;
    zip_t* za = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!za)
        throw std::runtime_error("cannot create " + archive.string());
    for (const auto& e : entries) {
        zip_source_t* src = zip_source_buffer(za, e.data.data(), e.data.size(), 0);
        zip_int64_t index = zip_file_add(za, e.name.c_str(), src, ZIP_FL_ENC_RAW);
        if (index < 0)
            throw std::runtime_error("cannot add " + e.name);
        zip_set_file_compression(za, zip_uint64_t(index), e.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    }
    if (zip_close(za) < 0)
        throw std::runtime_error("cannot write " + archive.string() + ": " + zip_strerror(za));
}

std::set<std::string> treeOf(const fs::path& folder) {
    std::set<std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); it != fs::recursive_directory_iterator();
         ++it)
        out.insert(fs::relative(it->path(), folder).string());
    return out;
}

std::string noise(std::size_t size, std::uint32_t seed) {
    std::string out(size, '\0');
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& c : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = char(x);
    }
    return out;
}

} // namespace tessaly::test
