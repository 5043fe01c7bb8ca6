// StoreImage.cpp -- mapping store files read-only, with the size limit checked first.
#include "mailstore/StoreImage.h"

#include "mailstore/DbxLayout.h"
#include "mailstore/StoreError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaly {

namespace {

void checkSize(std::uint64_t size, const std::string& name) {
    if (size > dbx::kMaxStoreSize)
        throw StoreError(name + " is larger than 2 GiB, more than a message store can hold; it is not read");
}

std::string systemError(const std::string& what, const std::string& name, int error) {
    return what + " " + name + ": " + std::strerror(error);
}

} // namespace

StoreImage StoreImage::mapFile(const std::filesystem::path& file) {
    int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        throw StoreError(systemError("cannot open", file.string(), errno));
    try {
        StoreImage image = mapDescriptor(fd, file.filename().string());
        ::close(fd);
        return image;
    } catch (...) {
        ::close(fd);
        throw;
    }
}

StoreImage StoreImage::mapDescriptor(int fd, const std::string& name) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw StoreError(systemError("cannot read", name, errno));
    if (!S_ISREG(st.st_mode))
        throw StoreError(name + " is not a regular file");
    checkSize(std::uint64_t(st.st_size), name);
    if (st.st_size == 0)
        return StoreImage(nullptr, 0, false, name);
    void* p = ::mmap(nullptr, std::size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (p == MAP_FAILED)
        throw StoreError(systemError("cannot map", name, errno));
    ::madvise(p, std::size_t(st.st_size), MADV_SEQUENTIAL);
    return StoreImage(static_cast<const unsigned char*>(p), std::size_t(st.st_size), true, name);
}

StoreImage StoreImage::view(std::string_view bytes, const std::string& name) {
    checkSize(bytes.size(), name);
    return StoreImage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), false, name);
}

StoreImage::StoreImage(StoreImage&& other) noexcept
    : data_(other.data_), size_(other.size_), mapped_(other.mapped_), name_(std::move(other.name_)) {
    other.data_ = nullptr;
    other.size_ = 0;
    other.mapped_ = false;
}

StoreImage& StoreImage::operator=(StoreImage&& other) noexcept {
    if (this != &other) {
        release();
        data_ = other.data_;
        size_ = other.size_;
        mapped_ = other.mapped_;
        name_ = std::move(other.name_);
        other.data_ = nullptr;
        other.size_ = 0;
        other.mapped_ = false;
    }
    return *this;
}

StoreImage::~StoreImage() {
    release();
}

void StoreImage::release() {
    if (mapped_ && data_)
        ::munmap(const_cast<unsigned char*>(data_), size_);
    data_ = nullptr;
    mapped_ = false;
}

} // namespace tessaly
