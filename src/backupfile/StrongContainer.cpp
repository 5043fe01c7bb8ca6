// StrongContainer.cpp -- writing and reading the strong container, one 64 KiB chunk at a time.
#include "backupfile/StrongContainer.h"

#include "backupfile/FileIo.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace tessaly {

namespace {

using Stream = crypto_secretstream_xchacha20poly1305_state;
constexpr std::size_t kAbytes = crypto_secretstream_xchacha20poly1305_ABYTES;
constexpr std::size_t kCipherChunk = kStrongChunk + kAbytes;
constexpr std::size_t kMarkSize = sizeof kStrongEndMark;
constexpr char kKdfContext[crypto_kdf_CONTEXTBYTES + 1] = "TSYstrng";
constexpr std::uint64_t kStreamKeyId = 1;
constexpr std::uint64_t kCheckKeyId = 2;

// Header field offsets.
constexpr std::size_t kOffVersion = 8, kOffKdf = 9, kOffReserved = 10, kOffOps = 12, kOffMem = 16,
                      kOffSalt = 24, kOffCheck = 40, kOffStream = 72, kOffChecksum = 96;
static_assert(kOffSalt + crypto_pwhash_SALTBYTES == kOffCheck);
static_assert(kOffStream + crypto_secretstream_xchacha20poly1305_HEADERBYTES == kOffChecksum);
static_assert(kOffChecksum + 16 == kStrongHeaderSize);

using Header = std::array<unsigned char, kStrongHeaderSize>;

void initSodium() {
    if (sodium_init() < 0)
        throw std::runtime_error("the cryptography library cannot start");
}

std::uint64_t readLe(const unsigned char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

void writeLe(unsigned char* p, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i, v >>= 8)
        p[i] = static_cast<unsigned char>(v & 0xFF);
}

void headerChecksum(const Header& h, unsigned char out[16]) {
    crypto_generichash(out, 16, h.data(), kOffChecksum, nullptr, 0);
}

// The stream key and the key-check value, in memory that is locked and wiped when freed.
class Keys {
public:
    Keys() : mem_(static_cast<unsigned char*>(sodium_malloc(64))) {
        if (!mem_)
            throw std::bad_alloc();
    }
    ~Keys() { sodium_free(mem_); }
    Keys(const Keys&) = delete;
    Keys& operator=(const Keys&) = delete;
    unsigned char* stream() { return mem_; }
    unsigned char* check() { return mem_ + 32; }

    // Argon2id over the password's UTF-8 bytes, then two subkeys of the result.
    void derive(const std::string& password, const Header& h) {
        unsigned char* master = static_cast<unsigned char*>(sodium_malloc(32));
        if (!master)
            throw std::bad_alloc();
        int rc = crypto_pwhash(master, 32, password.data(), password.size(), h.data() + kOffSalt,
                               readLe(h.data() + kOffOps, 4), readLe(h.data() + kOffMem, 8),
                               crypto_pwhash_ALG_ARGON2ID13);
        if (rc == 0) {
            crypto_kdf_derive_from_key(stream(), 32, kStreamKeyId, kKdfContext, master);
            crypto_kdf_derive_from_key(check(), 32, kCheckKeyId, kKdfContext, master);
        }
        sodium_free(master);
        if (rc != 0)
            throw std::runtime_error("not enough memory for the key derivation");
    }

private:
    unsigned char* mem_;
};

// A buffer whose contents are wiped when it goes.
struct WipedBuffer {
    std::vector<unsigned char> bytes;
    explicit WipedBuffer(std::size_t n) : bytes(n) {}
    ~WipedBuffer() { sodium_memzero(bytes.data(), bytes.size()); }
    char* chars() { return reinterpret_cast<char*>(bytes.data()); }
};

[[noreturn]] void damaged(const std::filesystem::path& file, const std::string& what) {
    throw ContainerError(BackupFileCheck::Damaged, file.string() + " " + what);
}

// Reads and checks the header; no key derivation yet.
Header readHeader(int fd, const std::filesystem::path& file) {
    Header h{};
    std::size_t got = readAt(fd, reinterpret_cast<char*>(h.data()), h.size(), 0, file);
    if (got < sizeof kStrongMagic || std::memcmp(h.data(), kStrongMagic, sizeof kStrongMagic) != 0)
        throw ContainerError(BackupFileCheck::NotABackupFile, file.string() + " is not a strong backup file");
    if (got < h.size())
        damaged(file, "is cut short inside its header");
    unsigned char sum[16];
    headerChecksum(h, sum);
    if (sodium_memcmp(sum, h.data() + kOffChecksum, 16) != 0)
        damaged(file, "is damaged: its header does not match the header's checksum");
    if (h[kOffVersion] != kStrongVersion)
        throw ContainerError(BackupFileCheck::NotABackupFile,
                             file.string() + " is a strong backup file of format version " +
                                 std::to_string(h[kOffVersion]) + ", which this Tessaly cannot read");
    if (h[kOffKdf] != kKdfArgon2id13 || h[kOffReserved] != 0 || h[kOffReserved + 1] != 0)
        throw ContainerError(BackupFileCheck::NotABackupFile,
                             file.string() + " names a key derivation that this Tessaly does not know");
    std::uint64_t ops = readLe(h.data() + kOffOps, 4), mem = readLe(h.data() + kOffMem, 8);
    std::string params =
        " (opslimit " + std::to_string(ops) + ", memlimit " + std::to_string(mem) + " bytes)";
    if (ops > kMaxOpslimit || mem > kMaxMemlimit)
        damaged(file, "asks for a key derivation above Tessaly's limits" + params +
                          "; refused without trying (limits: opslimit " + std::to_string(kMaxOpslimit) +
                          ", memlimit 1 GiB)");
    if (ops < crypto_pwhash_OPSLIMIT_MIN || mem < crypto_pwhash_MEMLIMIT_MIN)
        damaged(file, "asks for a key derivation below the library's minimum" + params);
    return h;
}

// Derives the keys and compares the key-check value; throws WrongPassword.
void unlock(Keys& keys, const Header& h, const std::string& password, const std::filesystem::path& file) {
    if (password.empty())
        throw ContainerError(BackupFileCheck::WrongPassword, "wrong password for " + file.string() +
                                                                 " (a strong backup file always has one)");
    keys.derive(password, h);
    if (sodium_memcmp(keys.check(), h.data() + kOffCheck, 32) != 0)
        throw ContainerError(BackupFileCheck::WrongPassword, "wrong password for " + file.string());
}

void reportProgress(Ui& ui, std::uint64_t done, std::uint64_t total) {
    ui.setProgress(
        total ? static_cast<int>(std::lround(100.0 * static_cast<double>(done) / static_cast<double>(total)))
              : 100);
    ui.pumpEvents();
}

class ProgressPanel {
public:
    explicit ProgressPanel(Ui& ui) : ui_(ui) {
        ui_.showProgress(true);
        ui_.setProgress(0);
    }
    ~ProgressPanel() {
        ui_.setProgress(0);
        ui_.showProgress(false);
    }

private:
    Ui& ui_;
};

// Why the chunk at `pos` did not authenticate: bytes added after a complete file, a file cut short,
// or a damaged, missing or reordered chunk.
[[noreturn]] void diagnose(int fd, const std::filesystem::path& file, std::uint64_t size, std::uint64_t pos,
                           const Stream& state, bool first, const Header& h, std::uint64_t chunk) {
    WipedBuffer window(kCipherChunk + kMarkSize);
    std::size_t got = readAt(fd, window.chars(), window.bytes.size(), pos, file);
    WipedBuffer plain(kStrongChunk);
    for (std::size_t m = kAbytes; m + kMarkSize <= got; ++m) {
        if (std::memcmp(window.bytes.data() + m, kStrongEndMark, kMarkSize) != 0)
            continue;
        Stream trial = state;
        unsigned long long plen = 0;
        unsigned char tag = 0;
        if (crypto_secretstream_xchacha20poly1305_pull(&trial, plain.bytes.data(), &plen, &tag,
                                                       window.bytes.data(), m, first ? h.data() : nullptr,
                                                       first ? h.size() : 0) == 0 &&
            tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL && pos + m + kMarkSize < size)
            damaged(file, "has " + std::to_string(size - pos - m - kMarkSize) + " bytes added after its end");
    }
    if (!endsWithStrongMark(file))
        damaged(file, "is cut short: its encrypted data ends inside chunk " + std::to_string(chunk + 1));
    damaged(file, "is damaged: chunk " + std::to_string(chunk + 1) + " of its encrypted data (at byte " +
                      std::to_string(pos) + ") fails authentication, or chunks are missing or out of order");
}

void decryptBody(int in, int out, const std::filesystem::path& file, const std::filesystem::path& archive,
                 const Header& h, Keys& keys, Ui& ui) {
    Stream state;
    if (crypto_secretstream_xchacha20poly1305_init_pull(&state, h.data() + kOffStream, keys.stream()) != 0)
        damaged(file, "is damaged: its stream header is invalid");
    const std::uint64_t size = fileSize(in, file);
    WipedBuffer cipher(kCipherChunk);
    WipedBuffer plain(kStrongChunk);
    ProgressPanel panel(ui);
    std::uint64_t pos = kStrongHeaderSize;
    for (std::uint64_t chunk = 0;; ++chunk) {
        const std::uint64_t left = size - pos;
        if (left == 0)
            damaged(file, chunk == 0 ? "is cut short: it holds no encrypted data after its header"
                                     : "is cut short: it ends after chunk " + std::to_string(chunk) +
                                           ", before its last chunk");
        // A full chunk is followed by at least the shortest last chunk and the end mark.
        const bool full = left >= kCipherChunk + kAbytes + kMarkSize;
        const std::size_t n = full ? kCipherChunk
                                   : static_cast<std::size_t>(std::min<std::uint64_t>(
                                         left > kMarkSize ? left - kMarkSize : 0, kCipherChunk));
        unsigned long long plen = 0;
        unsigned char tag = 0;
        const bool first = chunk == 0;
        Stream before = state;
        bool ok = n >= kAbytes && readAt(in, cipher.chars(), n, pos, file) == n &&
                  crypto_secretstream_xchacha20poly1305_pull(
                      &state, plain.bytes.data(), &plen, &tag, cipher.bytes.data(), n,
                      first ? h.data() : nullptr, first ? h.size() : 0) == 0;
        const bool final = tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL;
        // A sound chunk with no room left after it should have been the last: the last one is missing.
        if (ok && !final && !full)
            damaged(file, "is cut short: it ends after chunk " + std::to_string(chunk + 1) +
                              ", before its last chunk");
        if (!ok || final == full)
            diagnose(in, file, size, pos, before, first, h, chunk);
        writeAll(out, plain.chars(), plen, archive);
        pos += n;
        reportProgress(ui, pos, size);
        if (final)
            break;
    }
    char tail[kMarkSize] = {};
    if (size - pos != kMarkSize || readAt(in, tail, kMarkSize, pos, file) != kMarkSize ||
        std::memcmp(tail, kStrongEndMark, kMarkSize) != 0)
        damaged(file, "is damaged at its end: the end mark after the last chunk is wrong");
}

} // namespace

bool hasStrongHeader(const std::filesystem::path& file) {
    try {
        Fd fd = openForReading(file);
        char magic[sizeof kStrongMagic];
        return readAt(fd.get(), magic, sizeof magic, 0, file) == sizeof magic &&
               std::memcmp(magic, kStrongMagic, sizeof magic) == 0;
    } catch (const std::exception&) {
        return false;
    }
}

bool endsWithStrongMark(const std::filesystem::path& file) {
    try {
        Fd fd = openForReading(file);
        std::uint64_t size = fileSize(fd.get(), file);
        char tail[kMarkSize];
        return size >= kMarkSize && readAt(fd.get(), tail, kMarkSize, size - kMarkSize, file) == kMarkSize &&
               std::memcmp(tail, kStrongEndMark, kMarkSize) == 0;
    } catch (const std::exception&) {
        return false;
    }
}

struct StrongSealer::State {
    std::filesystem::path out;
    std::optional<Fd> fd;
    Header h{};
    Keys keys;
    Stream stream{};
    WipedBuffer plain{kStrongChunk};
    WipedBuffer cipher{kCipherChunk};
    std::size_t buffered = 0;
    std::uint64_t added = 0;
    bool first = true;

    void push(std::size_t n, bool final) {
        unsigned long long clen = 0;
        crypto_secretstream_xchacha20poly1305_push(&stream, cipher.bytes.data(), &clen, plain.bytes.data(), n,
                                                   first ? h.data() : nullptr, first ? h.size() : 0,
                                                   final ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
                                                         : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE);
        writeAll(fd->get(), cipher.chars(), clen, out);
        first = false;
    }
    ~State() { sodium_memzero(&stream, sizeof stream); }
};

StrongSealer::StrongSealer(const std::filesystem::path& out, const std::string& password,
                           const KdfParameters& kdf) {
    if (password.empty())
        throw ContainerError(BackupFileCheck::WrongPassword, "a strong backup file needs a password");
    if (kdf.opslimit > kMaxOpslimit || kdf.memlimit > kMaxMemlimit ||
        kdf.opslimit < crypto_pwhash_OPSLIMIT_MIN || kdf.memlimit < crypto_pwhash_MEMLIMIT_MIN)
        throw std::invalid_argument("key derivation parameters outside the allowed range");
    initSodium();
    s_ = std::make_unique<State>();
    Header& h = s_->h;
    std::memcpy(h.data(), kStrongMagic, sizeof kStrongMagic);
    h[kOffVersion] = kStrongVersion;
    h[kOffKdf] = kKdfArgon2id13;
    writeLe(h.data() + kOffOps, kdf.opslimit, 4);
    writeLe(h.data() + kOffMem, kdf.memlimit, 8);
    randombytes_buf(h.data() + kOffSalt, crypto_pwhash_SALTBYTES);
    s_->keys.derive(password, h);
    std::memcpy(h.data() + kOffCheck, s_->keys.check(), 32);
    crypto_secretstream_xchacha20poly1305_init_push(&s_->stream, h.data() + kOffStream, s_->keys.stream());
    headerChecksum(h, h.data() + kOffChecksum);
    s_->out = out;
    s_->fd.emplace(openForWriting(out, 0666));
    writeAll(s_->fd->get(), reinterpret_cast<const char*>(h.data()), h.size(), out);
}

StrongSealer::~StrongSealer() = default;

void StrongSealer::add(const char* data, std::size_t n) {
    State& s = *s_;
    s.added += n;
    while (n > 0) {
        // A full buffer is pushed only when more comes: the last chunk must be the short one (maybe empty).
        if (s.buffered == kStrongChunk) {
            s.push(kStrongChunk, false);
            s.buffered = 0;
        }
        std::size_t take = std::min(n, kStrongChunk - s.buffered);
        std::memcpy(s.plain.bytes.data() + s.buffered, data, take);
        s.buffered += take;
        data += take;
        n -= take;
    }
}

void StrongSealer::finish() {
    State& s = *s_;
    if (s.buffered == kStrongChunk) {
        s.push(kStrongChunk, false);
        s.buffered = 0;
    }
    s.push(s.buffered, true);
    writeAll(s.fd->get(), kStrongEndMark, kMarkSize, s.out);
    syncAndClose(*s.fd, s.out);
}

std::uint64_t StrongSealer::added() const {
    return s_->added;
}

void sealStrong(const std::filesystem::path& archive, const std::filesystem::path& out,
                const std::string& password, const KdfParameters& kdf, Ui& ui) {
    Fd in = openForReading(archive);
    const std::uint64_t total = fileSize(in.get(), archive);
    StrongSealer sealer(out, password, kdf);
    WipedBuffer plain(kStrongChunk);
    ProgressPanel panel(ui);
    for (;;) {
        std::size_t n = readUpTo(in.get(), plain.chars(), kStrongChunk, archive);
        sealer.add(plain.chars(), n);
        reportProgress(ui, sealer.added(), total);
        ui.throwIfStopped(); // a backup being sealed can be stopped; opening cannot
        if (n < kStrongChunk)
            break;
    }
    if (sealer.added() != total)
        throw std::runtime_error("the archive " + archive.string() + " changed while it was encrypted");
    sealer.finish();
}

BackupFileCheck checkStrong(const std::filesystem::path& file, const std::string& password) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return BackupFileCheck::Missing;
    try {
        initSodium();
        Fd in = openForReading(file);
        Header h = readHeader(in.get(), file);
        Keys keys;
        unlock(keys, h, password, file);
        return BackupFileCheck::Ok;
    } catch (const ContainerError& e) {
        return e.check;
    } catch (const std::exception&) {
        return BackupFileCheck::NotABackupFile;
    }
}

void openStrong(const std::filesystem::path& file, const std::string& password,
                const std::filesystem::path& archive, Ui& ui) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        throw ContainerError(BackupFileCheck::Missing, "there is no file " + file.string());
    initSodium();
    Fd in = openForReading(file);
    Header h = readHeader(in.get(), file);
    Keys keys;
    unlock(keys, h, password, file);
    try {
        Fd out = openForWriting(archive, 0600);
        decryptBody(in.get(), out.get(), file, archive, h, keys, ui);
        out.close(archive);
    } catch (...) {
        // Plain data of a file that did not authenticate to its end is never left behind.
        std::filesystem::remove(archive, ec);
        throw;
    }
}

} // namespace tessaly
