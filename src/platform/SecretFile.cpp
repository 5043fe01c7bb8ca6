// SecretFile.cpp -- writing and reading a secret in a private file, refusing anything others could see.
#include "platform/SecretFile.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaly {

namespace {

std::string reason(const std::string& what, const std::filesystem::path& path) {
    return what + " " + path.string() + ": " + std::strerror(errno);
}

using Fd = UniqueFd;

// Opens the folder without following a link, checks it is ours and leaves it 0700.
int openPrivateFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    if (!std::filesystem::exists(folder.parent_path(), ec)) {
        std::filesystem::create_directories(folder.parent_path(), ec);
        if (ec)
            throw std::runtime_error("cannot create " + folder.parent_path().string() + ": " + ec.message());
        ::chmod(folder.parent_path().c_str(), 0700);
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw std::runtime_error(reason("cannot create the folder", folder));
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error(reason("cannot open the folder", folder));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid()) {
        ::close(fd);
        throw std::runtime_error("the folder " + folder.string() + " does not belong to you");
    }
    if ((st.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) != 0) {
        ::close(fd);
        throw std::runtime_error(reason("cannot make private the folder", folder));
    }
    return fd;
}

} // namespace

std::filesystem::path defaultJobsFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path base;
    if (config && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home && *home ? home : "/") / ".config";
    }
    return base / "tessaly" / "jobs";
}

void writeSecretFile(const std::filesystem::path& file, const std::string& secret) {
    Fd folder(openPrivateFolder(file.parent_path()));
    const std::string name = file.filename().string();
    Fd fd(::openat(folder.get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.get() < 0)
        throw std::runtime_error(reason("cannot create", file));
    size_t done = 0;
    while (done < secret.size()) {
        ssize_t n = ::write(fd.get(), secret.data() + done, secret.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            std::string why = reason("cannot write", file);
            ::unlinkat(folder.get(), name.c_str(), 0);
            throw std::runtime_error(why);
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd.get()) != 0) {
        std::string why = reason("cannot write", file);
        ::unlinkat(folder.get(), name.c_str(), 0);
        throw std::runtime_error(why);
    }
}

std::optional<std::string> readSecretFile(const std::filesystem::path& file, std::string* error) {
    Fd fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        *error = reason("cannot open the password file", file);
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = "the password file " + file.string() + " is not a regular file";
        return std::nullopt;
    }
    if (st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
        *error = "the password file " + file.string() +
                 " must belong to you and be readable by you alone (chmod 600)";
        return std::nullopt;
    }
    std::string secret;
    char buffer[4096];
    while (true) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = reason("cannot read the password file", file);
            return std::nullopt;
        }
        if (n == 0)
            break;
        secret.append(buffer, static_cast<size_t>(n));
        if (secret.size() > (1u << 16)) {
            *error = "the password file " + file.string() + " is too long to hold a password";
            return std::nullopt;
        }
    }
    if (secret.ends_with("\r\n"))
        secret.resize(secret.size() - 2);
    else if (secret.ends_with('\n'))
        secret.pop_back();
    return secret;
}

} // namespace tessaly
