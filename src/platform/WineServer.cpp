// WineServer.cpp -- finding a live wineserver of a Wine prefix through its socket.
#include "platform/WineServer.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly {

namespace {

enum class SocketState { Absent, Stale, Live };

SocketState probeSocket(const fs::path& socketPath) {
    struct stat st {};
    if (::lstat(socketPath.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode))
        return SocketState::Absent;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string text = socketPath.string();
    int folderFd = -1;
    if (text.size() >= sizeof addr.sun_path) {
        // Too long for an address (a deep $TMPDIR): reach the socket through its open folder instead.
        folderFd = ::open(socketPath.parent_path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (folderFd < 0)
            return SocketState::Live; // cannot ask; a socket is there, so assume the worst
        text = "/proc/self/fd/" + std::to_string(folderFd) + "/" + socketPath.filename().string();
    }
    std::memcpy(addr.sun_path, text.c_str(), std::min(text.size() + 1, sizeof addr.sun_path));

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    int rc = -1;
    int err = EAGAIN;
    if (fd >= 0 && text.size() < sizeof addr.sun_path) {
        do {
            rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
        } while (rc != 0 && errno == EINTR);
        err = errno;
    }
    if (fd >= 0)
        ::close(fd);
    if (folderFd >= 0)
        ::close(folderFd);
    if (rc == 0)
        return SocketState::Live;
    // Nobody listens on a stale socket file. Anything else (a full backlog, no permission to ask)
    // leaves a server possibly running, and changing its prefix then would lose data.
    return (err == ECONNREFUSED || err == ENOENT) ? SocketState::Stale : SocketState::Live;
}

std::string shellQuoted(const std::string& text) {
    const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || std::strchr("/._-+,:@%", c);
    });
    if (plain)
        return text;
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

} // namespace

std::string wineserverFolderName(const fs::path& prefix) {
    struct stat st {};
    if (::stat(prefix.c_str(), &st) != 0)
        return {};
    char name[64];
    std::snprintf(name, sizeof name, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    return name;
}

std::vector<fs::path> wineserverTempDirs() {
    std::vector<fs::path> dirs{"/tmp"};
    const char* tmpdir = std::getenv("TMPDIR");
    if (!tmpdir || tmpdir[0] != '/')
        return dirs;
    struct stat a {
    }, b{};
    const bool same =
        ::stat("/tmp", &a) == 0 && ::stat(tmpdir, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    if (!same)
        dirs.emplace_back(tmpdir);
    return dirs;
}

std::vector<fs::path> wineserverSocketRoots(const fs::path& prefix, const fs::path& tmpDir) {
    std::vector<fs::path> roots;
    auto addRoot = [&roots](const fs::path& p) {
        if (std::find(roots.begin(), roots.end(), p) == roots.end())
            roots.push_back(p);
    };
    const uid_t self = ::getuid();
    uid_t owner = self;
    struct stat st {};
    if (::stat(prefix.c_str(), &st) == 0)
        owner = st.st_uid;
    addRoot(tmpDir / (".wine-" + std::to_string(self)));
    addRoot(tmpDir / (".wine-" + std::to_string(owner)));
    // Debian's Wine makes its folder with mkdtemp, so the name says nothing about the user; the owner
    // does. A folder another user planted there cannot make a prefix look busy.
    std::error_code ec;
    std::vector<fs::path> others;
    for (auto it = fs::directory_iterator(tmpDir, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        struct stat folder {};
        if (it->path().filename().string().rfind("wine-", 0) == 0 &&
            ::lstat(it->path().c_str(), &folder) == 0 && S_ISDIR(folder.st_mode) &&
            (folder.st_uid == self || folder.st_uid == owner))
            others.push_back(it->path());
    }
    std::sort(others.begin(), others.end());
    for (const auto& p : others)
        addRoot(p);
    return roots;
}

bool wineserverRunning(const fs::path& prefix, const std::vector<fs::path>& socketRoots) {
    const std::string folder = wineserverFolderName(prefix);
    if (folder.empty())
        return false;
    for (const auto& root : socketRoots) {
        if (probeSocket(root / folder / "socket") == SocketState::Live)
            return true;
    }
    return false;
}

bool wineserverRunning(const fs::path& prefix) {
    std::vector<fs::path> roots;
    for (const fs::path& dir : wineserverTempDirs()) {
        const std::vector<fs::path> more = wineserverSocketRoots(prefix, dir);
        roots.insert(roots.end(), more.begin(), more.end());
    }
    return wineserverRunning(prefix, roots);
}

std::string wineserverRunningMessage(const fs::path& prefix) {
    return "A wineserver of the Wine prefix " + prefix.string() +
           " is running; it would overwrite the registry files when it exits, so Tessaly does not change "
           "them now. Close the Windows programs of that prefix, or stop it with: WINEPREFIX=" +
           shellQuoted(prefix.string()) + " wineserver -k";
}

} // namespace tessaly
