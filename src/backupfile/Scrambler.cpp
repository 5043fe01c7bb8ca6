// Scrambler.cpp -- password digests, the trailer check and the chunked XOR keystream.
#include "backupfile/Scrambler.h"

#include "backupfile/FileIo.h"
#include "backupfile/VbRandom.h"
#include "digest/clsMD5.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tessaly {

namespace {

std::string passwordKey(const std::string& password, const CodePage& codePage) {
    return codePage.toAnsi(password + kPasswordSalt);
}

// XORs `total` bytes of `in` with the keystream into `out`, reporting progress per chunk.
// A stoppable stream (a backup being written) ends with RunStopped when the person asks for it.
void xorStream(int in, int out, std::uint64_t total, VbRandom& rng, Ui& ui,
               const std::filesystem::path& inPath, const std::filesystem::path& outPath, bool stoppable) {
    std::vector<char> chunk(kScrambleChunk);
    // At most one period of keystream (16 MiB), computed once; the file is then XORed at memory speed.
    KeystreamTable keystream(rng, total);
    ui.showProgress(true);
    ui.setProgress(0);
    double factor = total ? 100.0 / static_cast<double>(total) : 0.0;
    std::uint64_t done = 0;
    while (done < total) {
        size_t want = static_cast<size_t>(std::min<std::uint64_t>(kScrambleChunk, total - done));
        size_t got = readUpTo(in, chunk.data(), want, inPath);
        if (got < want)
            throw ScrambleError("the file " + inPath.string() + " ended early");
        keystream.xorAt(done, chunk.data(), want);
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

// Runs one direction of the scrambling; every failure hides the progress panel and is a ScrambleError.
template <class Work> void scrambling(Ui& ui, Work work) {
    try {
        work();
    } catch (const ScrambleError&) {
        ui.showProgress(false);
        throw;
    } catch (const std::runtime_error& e) {
        ui.showProgress(false);
        throw ScrambleError(e.what());
    }
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

VbRandom keystreamGenerator(const std::string& password, const CodePage& codePage) {
    VbRandom rng;
    rng.restart(-static_cast<double>(static_cast<std::int64_t>(passwordSeed(password, codePage))));
    return rng;
}

std::shared_ptr<const KeystreamTable> passwordKeystream(const std::string& password,
                                                        const CodePage& codePage) {
    static std::mutex guard;
    static std::map<std::int32_t, std::weak_ptr<const KeystreamTable>> tables; // by the keystream's seed
    const std::int32_t seed = passwordSeed(password, codePage);
    std::lock_guard<std::mutex> lock(guard);
    std::weak_ptr<const KeystreamTable>& slot = tables[seed];
    if (auto table = slot.lock())
        return table;
    VbRandom rng = keystreamGenerator(password, codePage);
    auto table = std::make_shared<const KeystreamTable>(rng, KeystreamTable::kPeriod);
    slot = table;
    return table;
}

void scrambleInto(const std::filesystem::path& archive, const std::filesystem::path& out,
                  const std::string& password, const CodePage& codePage, Ui& ui) {
    scrambling(ui, [&] {
        Fd in = openForReading(archive);
        std::uint64_t size = fileSize(in.get(), archive);
        VbRandom rng = keystreamGenerator(password, codePage);
        Fd fd = createNewFile(out);
        xorStream(in.get(), fd.get(), size, rng, ui, archive, out, true);
        std::string trailer = passwordDigest(password, codePage);
        trailer.push_back('\0');
        writeAll(fd.get(), trailer.data(), trailer.size(), out);
        syncAndClose(fd, out);
    });
}

void ScrambleFile(const std::filesystem::path& file, const std::string& password, bool scramble,
                  const std::filesystem::path& destination, const CodePage& codePage, Ui& ui) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        return;
    if (scramble) {
        std::filesystem::path scrambled = file;
        scrambled += "E";
        try {
            scrambleInto(file, scrambled, password, codePage, ui);
        } catch (...) {
            std::filesystem::remove(scrambled, ec);
            throw;
        }
        std::filesystem::rename(scrambled, file, ec);
        if (ec) {
            std::filesystem::remove(scrambled, ec);
            throw ScrambleError("cannot replace " + file.string() + ": " + ec.message());
        }
        return;
    }
    scrambling(ui, [&] {
        Fd in = openForReading(file);
        std::uint64_t size = fileSize(in.get(), file);
        if (size < kTrailerSize)
            throw ScrambleError("the file " + file.string() + " is too short to be a backup file");
        VbRandom rng = keystreamGenerator(password, codePage);
        Fd out = openForWriting(destination, 0600);
        xorStream(in.get(), out.get(), size - kTrailerSize, rng, ui, file, destination, false);
        out.close(destination);
    });
}

} // namespace tessaly
