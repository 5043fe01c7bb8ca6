// BlockDeflateTest.cpp -- the block-parallel deflate: its stream inflates to the file, a block whose
// compression throws fails the whole file instead of leaving a hole in the stream, and streams are joined.
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

std::string rawDeflate(const std::string& data) {
    z_stream zs{};
    deflateInit2(&zs, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&zs, uLong(data.size())), '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = uInt(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = uInt(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

TEST(BlockDeflate, BlocksCompressedOnWorkersMakeOneStreamOfTheFile) {
    TempDir dir;
    const std::string data = test::noise(3 * kDeflateBlock + 4321, 5) + std::string(kDeflateBlock, 'a');
    writeFile(dir / "in", data);
    WorkerPool pool(2);
    const SpoolCipher cipher;
    DeflatedFile result = deflateFile(dir / "in", dir / "out", cipher, &pool, nullptr, "in");
    // The spool is encrypted; the same keystream at the same offsets gives the stream back.
    std::string stream = readFile(dir / "out");
    EXPECT_NE(inflateRaw(stream, data.size()), data);
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

// Streams ending at every bit position of their last byte, joined to the next: one stream whose data
// is both in order. Anything but one complete stream is refused.
TEST(BlockDeflate, JoinedStreamsInflateToTheirDataInOrder) {
    const std::string tail = "and the next block\r\n";
    for (std::size_t n = 0; n < 64; ++n) {
        std::string head = test::noise(n, std::uint32_t(n)) + std::string(n % 7, 'a');
        std::string stream = rawDeflate(head);
        std::vector<unsigned char> bytes(stream.begin(), stream.end());
        ASSERT_TRUE(makeJoinable(bytes)) << n;
        EXPECT_EQ(
            inflateRaw(std::string(bytes.begin(), bytes.end()) + rawDeflate(tail), n + n % 7 + tail.size()),
            head + tail)
            << n;
    }
    std::string stream = rawDeflate(test::noise(5000, 3));
    for (std::string bad : {stream.substr(0, stream.size() - 1), stream + "x", std::string("\xff\xff\xff")}) {
        std::vector<unsigned char> bytes(bad.begin(), bad.end());
        EXPECT_FALSE(makeJoinable(bytes));
    }
}

} // namespace
} // namespace tessaly
