// BlockDeflate.cpp -- reading a file in blocks, compressing them (on workers when there are any)
// and writing their output in order, with the CRC combined from the blocks' own.
#include "archive/BlockDeflate.h"

#include "archive/ArchiveError.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <future>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include <libdeflate.h>
#include <zip.h>
#include <zlib.h>

namespace tessaly {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kReadSlice = 256 * 1024;
constexpr int kLevel = 6; // the compressor's default: as small as zip -6 on most data, in half the time

[[noreturn]] void fail(const std::string& what, int code) {
    throw ArchiveError(kErrZipEngine, "ZipSession", "error: " + what, code);
}

using Fd = UniqueFd;

struct Block {
    std::vector<unsigned char> input;
    std::size_t length = 0; // of the input, which is freed once compressed
    bool last = false;
    std::vector<unsigned char> output;
    std::uint32_t crc = 0;
    bool failed = false;
};

libdeflate_compressor* threadCompressor() {
    struct Owner {
        libdeflate_compressor* c = libdeflate_alloc_compressor(kLevel);
        ~Owner() { libdeflate_free_compressor(c); }
    };
    thread_local Owner owner;
    return owner.c;
}

void compress(Block& b) {
    b.crc = libdeflate_crc32(0, b.input.data(), b.input.size());
    libdeflate_compressor* c = threadCompressor();
    if (!c) {
        b.failed = true;
        return;
    }
    b.output.resize(libdeflate_deflate_compress_bound(c, b.input.size()));
    std::size_t n =
        libdeflate_deflate_compress(c, b.input.data(), b.input.size(), b.output.data(), b.output.size());
    b.output.resize(n);
    b.failed = n == 0 || (!b.last && !makeJoinable(b.output));
    b.input = {};
}

// Fills buf with up to n bytes; fewer only at the end of the file.
std::size_t readFull(int fd, unsigned char* buf, std::size_t n, const fs::path& file) {
    std::size_t got = 0;
    while (got < n) {
        ssize_t r = ::read(fd, buf + got, n - got);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            fail("cannot read " + file.string() + ": " + std::strerror(errno), ZIP_ER_READ);
        if (r == 0)
            break;
        got += std::size_t(r);
    }
    return got;
}

void writeAll(int fd, std::vector<unsigned char>& data, std::uint64_t offset, const SpoolCipher& cipher,
              const fs::path& out) {
    cipher.xorAt(offset, data.data(), data.size());
    const unsigned char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        ssize_t w = ::write(fd, p, left);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            fail("cannot write the spool file " + out.string() + ": " + std::strerror(w < 0 ? errno : ENOSPC),
                 ZIP_ER_WRITE);
        p += w;
        left -= std::size_t(w);
    }
}

DeflatedFile deflateInto(int in, int spool, const SpoolCipher& cipher, const fs::path& file,
                         const fs::path& out, WorkerPool* pool, Ui* ui, const std::string& displayName) {
    struct stat sb {};
    std::uint64_t expected = ::fstat(in, &sb) == 0 ? std::uint64_t(sb.st_size) : 0;
    DeflatedFile result;
    // Blocks in flight: enough to keep every worker busy while the oldest is written out.
    const std::size_t depth = pool ? 2 * std::size_t(pool->size()) + 1 : 1;
    std::deque<std::pair<std::shared_ptr<Block>, std::future<void>>> inFlight;
    auto writeOldest = [&] {
        auto& [block, done] = inFlight.front();
        try {
            done.get(); // what compress() threw (no memory for the output, ...) comes out here
        } catch (const std::exception& e) {
            fail("cannot compress " + file.string() + ": " + e.what(), ZIP_ER_MEMORY);
        }
        if (block->failed)
            fail("cannot compress " + file.string(), ZIP_ER_INTERNAL);
        result.compressedCrc =
            libdeflate_crc32(result.compressedCrc, block->output.data(), block->output.size());
        writeAll(spool, block->output, result.compressedSize, cipher, out); // encrypts the output in place
        result.compressedSize += block->output.size();
        result.crc = std::uint32_t(crc32_combine(result.crc, block->crc, z_off_t(block->length)));
        result.size += block->length;
        inFlight.pop_front();
    };

    std::uint64_t read = 0;
    for (bool last = false; !last;) {
        auto block = std::make_shared<Block>();
        block->input.resize(kDeflateBlock);
        // Read in slices, so that the bar moves and a stop is heard within a fraction of a block.
        std::size_t got = 0;
        for (std::size_t slice = 0; slice < kDeflateBlock && got == slice; slice += kReadSlice) {
            if (ui)
                ui->throwIfStopped();
            got += readFull(in, block->input.data() + slice, kReadSlice, file);
            read += got - slice;
            if (ui && got > slice)
                ui->reportBytes(displayName, read, std::max(expected, read));
        }
        block->input.resize(got);
        block->length = got;
        last = block->last = got < kDeflateBlock;
        if (inFlight.size() >= depth)
            writeOldest();
        auto task = std::make_shared<std::packaged_task<void()>>([block] { compress(*block); });
        inFlight.emplace_back(block, task->get_future());
        if (pool)
            pool->submit([task] { (*task)(); });
        else
            (*task)();
    }
    while (!inFlight.empty())
        writeOldest();
    if (ui)
        ui->reportBytes(displayName, result.size, result.size);
    return result;
}

} // namespace

bool makeJoinable(std::vector<unsigned char>& stream) {
    z_stream zs{};
    if (inflateInit2(&zs, -15) != Z_OK)
        return false;
    unsigned char sink[1 << 15];
    zs.next_in = stream.data();
    zs.avail_in = uInt(stream.size());
    std::uint64_t lastHeader = 0, end = 0;
    bool complete = false;
    for (;;) {
        zs.next_out = sink;
        zs.avail_out = sizeof sink;
        int rc = inflate(&zs, Z_BLOCK);
        std::uint64_t used = std::uint64_t(stream.size() - zs.avail_in) * 8 - std::uint64_t(zs.data_type & 7);
        if (rc == Z_STREAM_END) {
            complete = zs.avail_in == 0;
            break;
        }
        if (rc != Z_OK)
            break;
        // 128: stopped before the next block header; 64: the block just ended was the last one.
        if ((zs.data_type & 128) && (zs.data_type & 64))
            end = used;
        else if (zs.data_type & 128)
            lastHeader = used;
    }
    inflateEnd(&zs);
    std::size_t finalByte = std::size_t(lastHeader / 8);
    unsigned char finalBit = static_cast<unsigned char>(1u << (lastHeader % 8));
    if (!complete || !(stream[finalByte] & finalBit))
        return false;
    stream[finalByte] &= static_cast<unsigned char>(~finalBit);
    // An empty stored block: three zero header bits at `end`, zero padding to the byte border, then
    // LEN 0 and NLEN 0xFFFF.
    std::size_t bytes = std::size_t((end + 7) / 8);
    stream.resize(bytes);
    if (end % 8)
        stream.back() &= static_cast<unsigned char>((1u << (end % 8)) - 1);
    if (bytes * 8 - end < 3)
        stream.push_back(0);
    for (unsigned char c : {0x00, 0x00, 0xFF, 0xFF})
        stream.push_back(c);
    return true;
}

DeflatedFile deflateFile(const fs::path& file, const fs::path& out, const SpoolCipher& cipher,
                         WorkerPool* pool, Ui* ui, const std::string& displayName) {
    Fd in(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        fail("cannot read " + file.string() + ": " + std::strerror(errno), ZIP_ER_OPEN);
    Fd spool(::open(out.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (spool.get() < 0)
        fail("cannot create the spool file " + out.string() + ": " + std::strerror(errno), ZIP_ER_TMPOPEN);
    try {
        DeflatedFile result = deflateInto(in.get(), spool.get(), cipher, file, out, pool, ui, displayName);
        if (::close(spool.release()) != 0)
            fail("cannot write the spool file " + out.string() + ": " + std::strerror(errno), ZIP_ER_WRITE);
        return result;
    } catch (...) {
        std::error_code ec;
        fs::remove(out, ec);
        throw;
    }
}

} // namespace tessaly
