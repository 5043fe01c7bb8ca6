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
      rng_(keystreamGenerator(password, codePage)) {
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
    if (!keystream_)
        keystream_ = std::make_unique<KeystreamTable>(rng_, KeystreamTable::kPeriod);
}

void ScrambledOutput::write(std::uint64_t offset, const char* data, std::size_t n) {
    while (n > 0) {
        std::size_t piece = std::min(n, kScrambleChunk);
        buffer_.assign(data, data + piece);
        keystream_->xorAt(offset, buffer_.data(), piece);
        writeAt(fd_->get(), buffer_.data(), piece, offset, file_);
        data += piece;
        offset += piece;
        n -= piece;
    }
}

void ScrambledOutput::commit(std::uint64_t size) {
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
