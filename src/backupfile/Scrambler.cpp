// Scrambler.cpp -- password digests, the trailer check and the chunked XOR keystream.
#include "backupfile/Scrambler.h"

#include "backupfile/VbRandom.h"
#include "digest/clsMD5.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tessaly {

namespace {

std::string passwordKey(const std::string& password, const CodePage& codePage) {
    return codePage.toAnsi(password + kPasswordSalt);
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

[[noreturn]] void fail(const std::string& what, const std::filesystem::path& path, int err) {
    throw ScrambleError(what + " " + path.string() + ": " + std::strerror(err));
}

void writeAll(int fd, const char* data, size_t size, const std::filesystem::path& path) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail("cannot write", path, n < 0 ? errno : ENOSPC);
        data += n;
        size -= static_cast<size_t>(n);
    }
}

// XORs `total` bytes of `in` with the keystream into `out`, reporting progress per chunk.
// A stoppable stream (a backup being written) ends with RunStopped when the person asks for it.
void xorStream(int in, int out, std::uint64_t total, VbRandom& rng, Ui& ui,
               const std::filesystem::path& inPath, const std::filesystem::path& outPath, bool stoppable) {
    std::vector<char> chunk(kScrambleChunk);
    ui.showProgress(true);
    ui.setProgress(0);
    double factor = total ? 100.0 / static_cast<double>(total) : 0.0;
    std::uint64_t done = 0;
    while (done < total) {
        size_t want = static_cast<size_t>(std::min<std::uint64_t>(kScrambleChunk, total - done));
        size_t got = 0;
        while (got < want) {
            ssize_t n = ::read(in, chunk.data() + got, want - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                fail("cannot read", inPath, errno);
            if (n == 0)
                throw ScrambleError("the file " + inPath.string() + " ended early");
            got += static_cast<size_t>(n);
        }
        rng.xorKeystream(chunk.data(), want);
        writeAll(out, chunk.data(), want, outPath);
        done += want;
        ui.setProgress(static_cast<int>(std::lround(static_cast<double>(done) * factor)));
        ui.pumpEvents();
        if (stoppable)
            ui.throwIfStopped();
    }
    ui.setProgress(0);
    ui.showProgress(false);
}

VbRandom seededGenerator(const std::string& password, const CodePage& codePage) {
    VbRandom rng;
    rng.restart(-static_cast<double>(static_cast<std::int64_t>(passwordSeed(password, codePage))));
    return rng;
}

} // namespace

std::string passwordDigest(const std::string& password, const CodePage& codePage) {
    return clsMD5().MD5(passwordKey(password, codePage));
}

std::int32_t passwordSeed(const std::string& password, const CodePage& codePage) {
    std::string key = passwordKey(password, codePage);
    std::uint64_t sum = 0;
    for (size_t i = 0; i < key.size(); ++i)
        sum += static_cast<std::uint64_t>(i + 1) * static_cast<unsigned char>(key[i]) * 256u;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(sum));
}

bool CheckPassword(const std::string& password, const std::filesystem::path& file, const CodePage& codePage) {
    Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return false;
    struct stat st {};
    if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) < kTrailerSize)
        return false;
    char trailer[kTrailerSize];
    if (::pread(fd.get(), trailer, kTrailerSize, st.st_size - static_cast<off_t>(kTrailerSize)) !=
        static_cast<ssize_t>(kTrailerSize))
        return false;
    std::string digest = passwordDigest(password, codePage);
    return std::memcmp(trailer, digest.data(), 32) == 0;
}

void ScrambleFile(const std::filesystem::path& file, const std::string& password, bool scramble,
                  const std::filesystem::path& destination, const CodePage& codePage, Ui& ui) {
    Fd in(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) {
        if (errno == ENOENT)
            return;
        fail("cannot open", file, errno);
    }
    struct stat st {};
    if (fstat(in.get(), &st) != 0)
        fail("cannot read", file, errno);
    std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    VbRandom rng = seededGenerator(password, codePage);

    if (!scramble) {
        if (size < kTrailerSize)
            throw ScrambleError("the file " + file.string() + " is too short to be a backup file");
        Fd out(::open(destination.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        if (out.get() < 0)
            fail("cannot create", destination, errno);
        xorStream(in.get(), out.get(), size - kTrailerSize, rng, ui, file, destination, false);
        if (::close(out.release()) != 0)
            fail("cannot write", destination, errno);
        return;
    }

    std::filesystem::path scrambled = file;
    scrambled += "E";
    Fd out(::open(scrambled.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (out.get() < 0)
        fail("cannot create", scrambled, errno);
    try {
        xorStream(in.get(), out.get(), size, rng, ui, file, scrambled, true);
        std::string trailer = passwordDigest(password, codePage);
        trailer.push_back('\0');
        writeAll(out.get(), trailer.data(), trailer.size(), scrambled);
        if (::fsync(out.get()) != 0)
            fail("cannot write", scrambled, errno);
        if (::close(out.release()) != 0)
            fail("cannot write", scrambled, errno);
        std::error_code ec;
        std::filesystem::rename(scrambled, file, ec);
        if (ec)
            throw ScrambleError("cannot replace " + file.string() + ": " + ec.message());
    } catch (...) {
        ui.showProgress(false);
        std::error_code ec;
        std::filesystem::remove(scrambled, ec);
        throw;
    }
}

} // namespace tessaly
