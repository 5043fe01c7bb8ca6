// DiscVerify.cpp -- byte-for-byte comparison of disc contents with their sources.
#include "DiscVerify.h"

#include "DiscCodes.h"
#include "IsoTree.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tessaly {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

// Reads exactly `size` bytes unless the source ends or fails; returns the bytes read or -1.
// `read(at, count)` reads once, like read(2): bytes read, 0 at the end, negative on failure.
template <class Read> long long readUntilFull(unsigned char* buffer, std::size_t size, Read&& read) {
    std::size_t done = 0;
    while (done < size) {
        const auto got = read(buffer + done, size - done);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<long long>(done);
}

long long readFull(int fd, unsigned char* buffer, std::size_t size) {
    return readUntilFull(buffer, size,
                         [fd](unsigned char* at, std::size_t count) { return ::read(fd, at, count); });
}

long long readStream(IsoStream* stream, unsigned char* buffer, std::size_t size) {
    return readUntilFull(buffer, size, [stream](unsigned char* at, std::size_t count) {
        return iso_stream_read(stream, at, count);
    });
}

class Fd {
public:
    explicit Fd(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

int CompareWithDisc(IsoImage* disc, const std::string& imagePath, const std::string& source) {
    Fd in(source);
    struct stat st {};
    if (in.get() < 0 || ::fstat(in.get(), &st) != 0)
        return kVerifySourceUnreadable;
    IsoNode* node = IsoTree::findNode(disc, imagePath);
    if (!node || iso_node_get_type(node) != LIBISO_FILE)
        return kVerifyDiscUnreadable;
    auto* file = reinterpret_cast<IsoFile*>(node);
    if (iso_file_get_size(file) != st.st_size)
        return kVerifySizeMismatch;
    IsoStream* stream = iso_file_get_stream(file);
    if (iso_stream_open(stream) < 0)
        return kVerifyDiscUnreadable;
    std::vector<unsigned char> expected(kChunk), actual(kChunk);
    int result = kVerifyMatched;
    for (;;) {
        const long long want = readFull(in.get(), expected.data(), kChunk);
        if (want < 0) {
            result = kVerifySourceUnreadable;
            break;
        }
        const long long got = readStream(stream, actual.data(), kChunk);
        if (got < 0) {
            result = kVerifyDiscUnreadable;
            break;
        }
        if (got != want) {
            result = kVerifySizeMismatch;
            break;
        }
        if (std::memcmp(expected.data(), actual.data(), static_cast<std::size_t>(want)) != 0) {
            result = kVerifyMismatch;
            break;
        }
        if (want == 0)
            break;
    }
    iso_stream_close(stream);
    return result;
}

int CompareIsoWithDrive(burn::burn_drive* drive, const std::string& isoFile) {
    Fd in(isoFile);
    if (in.get() < 0)
        return kVerifySourceUnreadable;
    if (!drive)
        return kVerifyDiscUnreadable;
    std::vector<unsigned char> expected(kChunk), actual(kChunk);
    off_t address = 0;
    for (;;) {
        const long long want = readFull(in.get(), expected.data(), kChunk);
        if (want < 0)
            return kVerifySourceUnreadable;
        if (want == 0)
            return kVerifyMatched;
        // The medium is read in whole blocks; the file's last block is padded on it.
        const off_t blockBytes = (want + kBlockBytes - 1) / kBlockBytes * kBlockBytes;
        off_t count = 0;
        if (burn::burn_read_data(drive, address, reinterpret_cast<char*>(actual.data()), blockBytes, &count,
                                 2) <= 0 ||
            count < want)
            return kVerifyDiscUnreadable;
        if (std::memcmp(expected.data(), actual.data(), static_cast<std::size_t>(want)) != 0)
            return kVerifyMismatch;
        address += blockBytes;
    }
}

} // namespace tessaly
