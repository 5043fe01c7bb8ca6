// BlockDeflateTest.cpp -- the block-parallel deflate: its stream inflates to the file, and a block whose
// compression throws fails the whole file instead of leaving a hole in the stream.
#include "archive/BlockDeflate.h"
#include "archive/ArchiveError.h"

#include "ArchiveKit.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Allocations of exactly this size throw once, on whichever thread asks first.
std::atomic<std::size_t> failingSize{0};

} // namespace

void* operator new(std::size_t size) {
    std::size_t armed = size;
    if (size != 0 && failingSize.compare_exchange_strong(armed, 0))
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace tessaly {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

std::string inflateRaw(const std::string& stream, std::size_t size) {
    std::string out(size, '\0');
    z_stream zs{};
    inflateInit2(&zs, -15);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
    zs.avail_in = static_cast<uInt>(stream.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    int rc = inflate(&zs, Z_FINISH);
    inflateEnd(&zs);
    return rc == Z_STREAM_END && zs.avail_out == 0 && zs.avail_in == 0 ? out : "not one deflate stream";
}

TEST(BlockDeflate, BlocksCompressedOnWorkersMakeOneStreamOfTheFile) {
    TempDir dir;
    const std::string data = test::noise(3 * kDeflateBlock + 4321, 5) + std::string(kDeflateBlock, 'a');
    writeFile(dir / "in", data);
    WorkerPool pool(2);
    SpoolCipher cipher;
    DeflatedFile result = deflateFile(dir / "in", dir / "out", cipher, &pool, nullptr, "in");
    std::string stream = readFile(dir / "out");
    EXPECT_FALSE(inflateRaw(stream, data.size()) == data); // encrypted on disk
    cipher.xorAt(0, reinterpret_cast<unsigned char*>(stream.data()), stream.size());
    EXPECT_EQ(result.size, data.size());
    EXPECT_EQ(result.compressedSize, stream.size());
    EXPECT_EQ(result.crc,
              crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    EXPECT_TRUE(inflateRaw(stream, data.size()) == data);
}

TEST(BlockDeflate, ABlockWhoseCompressionThrowsFailsTheFile) {
    TempDir dir;
    writeFile(dir / "in", test::noise(3 * kDeflateBlock + 10, 9));
    libdeflate_compressor* c = libdeflate_alloc_compressor(6);
    const std::size_t outputOfAFullBlock = libdeflate_deflate_compress_bound(c, kDeflateBlock);
    libdeflate_free_compressor(c);
    for (bool workers : {true, false}) {
        WorkerPool pool(2);
        failingSize = outputOfAFullBlock;
        EXPECT_THROW(
            deflateFile(dir / "in", dir / "out", SpoolCipher(), workers ? &pool : nullptr, nullptr, "in"),
            ArchiveError)
            << "workers: " << workers;
        EXPECT_EQ(failingSize.exchange(0), 0u) << "the allocation to fail was never made";
        EXPECT_FALSE(std::filesystem::exists(dir / "out"));
    }
}

} // namespace
} // namespace tessaly
