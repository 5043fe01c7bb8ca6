// ScrambledOutput.cpp -- XOR at the write offset, the trailer at commit.
#include "backupfile/ScrambledOutput.h"

#include "backupfile/Scrambler.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace tessaly {

ScrambledOutput::ScrambledOutput(std::filesystem::path file, const std::string& password,
                                 const CodePage& codePage)
    : file_(std::move(file)), trailer_(passwordDigest(password, codePage)),
      keystream_(passwordKeystream(password, codePage)) {
    trailer_.push_back('\0');
}

ScrambledOutput::~ScrambledOutput() {
    rollback();
}

void ScrambledOutput::begin() {
    rollback();
    int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        throw std::system_error(errno, std::generic_category(), "cannot create " + file_.string());
    fd_ = std::make_unique<Fd>(fd);
    pending_.clear();
}

void ScrambledOutput::write(std::uint64_t offset, const char* data, std::size_t n) {
    constexpr std::size_t kGathered = 1 << 20;
    if (!pending_.empty() && (offset != pendingOffset_ + pending_.size() || pending_.size() + n > kGathered))
        flush();
    if (pending_.empty())
        pendingOffset_ = offset;
    pending_.insert(pending_.end(), data, data + n);
    if (pending_.size() >= kGathered)
        flush();
}

void ScrambledOutput::flush() {
    keystream_->xorAt(pendingOffset_, pending_.data(), pending_.size());
    writeAt(fd_->get(), pending_.data(), pending_.size(), pendingOffset_, file_);
    pending_.clear();
}

void ScrambledOutput::commit(std::uint64_t size) {
    if (!pending_.empty())
        flush();
    if (::lseek(fd_->get(), off_t(size), SEEK_SET) < 0 || ::ftruncate(fd_->get(), off_t(size)) != 0)
        throw std::system_error(errno, std::generic_category(), "cannot write " + file_.string());
    writeAll(fd_->get(), trailer_.data(), trailer_.size(), file_);
    syncAndClose(*fd_, file_);
    fd_.reset();
}

void ScrambledOutput::rollback() noexcept {
    if (!fd_)
        return;
    fd_.reset();
    std::error_code ec;
    std::filesystem::remove(file_, ec);
}

} // namespace tessaly
