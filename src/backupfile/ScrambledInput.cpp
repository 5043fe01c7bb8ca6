// ScrambledInput.cpp -- positioned reads of a compatible backup file, XORed with the keystream at their
// offsets.
#include "backupfile/ScrambledInput.h"

#include "backupfile/Scrambler.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace tessaly {

namespace {

template <class Step> auto asScrambleError(Step step) {
    try {
        return step();
    } catch (const ScrambleError&) {
        throw;
    } catch (const std::runtime_error& e) {
        throw ScrambleError(e.what());
    }
}

} // namespace

ScrambledInput::ScrambledInput(const std::filesystem::path& file, const std::string& password,
                               const CodePage& codePage)
    : file_(file), fd_(asScrambleError([&] { return openForReading(file); })) {
    size_ = asScrambleError([&] { return fileSize(fd_.get(), file); });
    if (size_ < kTrailerSize)
        throw ScrambleError("the file " + file.string() + " is too short to be a backup file");
    size_ -= kTrailerSize;
    keystream_ = passwordKeystream(password, codePage);
}

void ScrambledInput::readAt(std::uint64_t offset, char* data, std::size_t n) {
    // A read that goes on from the window's end (a member's data) gets a large window; a read elsewhere
    // (a header) a small one.
    constexpr std::size_t kSmall = 16 << 10, kLarge = 1 << 20;
    if (n < kLarge) {
        if (offset < windowOffset_ || offset + n > windowOffset_ + window_.size()) {
            std::size_t want = std::max(n, offset == windowOffset_ + window_.size() ? kLarge : kSmall);
            window_.resize(std::size_t(std::min<std::uint64_t>(want, size_ - offset)));
            windowOffset_ = offset;
            readDirect(offset, window_.data(), window_.size());
        }
        std::copy_n(window_.data() + (offset - windowOffset_), n, data);
        return;
    }
    readDirect(offset, data, n);
}

void ScrambledInput::readDirect(std::uint64_t offset, char* data, std::size_t n) {
    for (std::size_t got = 0; got < n;) {
        ssize_t r = ::pread(fd_.get(), data + got, n - got, off_t(offset + got));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            throw ScrambleError("cannot read " + file_.string() + ": " +
                                (r < 0 ? std::strerror(errno) : "the file ended early"));
        got += std::size_t(r);
    }
    keystream_->xorAt(offset, data, n);
}

ArchiveSource scrambledArchive(const std::filesystem::path& file, const std::string& password,
                               const CodePage& codePage) {
    return ArchiveSource(std::make_shared<ScrambledInput>(file, password, codePage), file.string());
}

} // namespace tessaly
