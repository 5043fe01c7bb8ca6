// StrongContainer.cpp -- writing and reading the strong container, one 64 KiB chunk at a time.
#include "backupfile/StrongContainer.h"

#include "backupfile/FileIo.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
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

// What the memo keeps of a file: its opslimit, memlimit and salt, as the header holds them.
constexpr std::size_t kMemoParams = kOffCheck - kOffOps;
constexpr std::size_t kDigestSize = 32, kKeysSize = 64;

} // namespace

struct StrongKeyMemo::Entries {
    struct Entry {
        std::array<unsigned char, kMemoParams> params;
        unsigned char* secret; // the password's keyed digest, then the stream key and the key-check value
    };
    unsigned char* digestKey = nullptr; // keys the password digests, for this memo only
    std::vector<Entry> list;
    int reused = 0;

    ~Entries() {
        for (Entry& e : list)
            sodium_free(e.secret);
        sodium_free(digestKey);
    }
    void digest(const std::string& password, unsigned char* out) const {
        crypto_generichash(out, kDigestSize, reinterpret_cast<const unsigned char*>(password.data()),
                           password.size(), digestKey, kDigestSize);
    }
};

namespace {

std::mutex memoLock;
StrongKeyMemo::Entries* activeMemo = nullptr; // guarded by memoLock

} // namespace

StrongKeyMemo::StrongKeyMemo() : entries_(std::make_unique<Entries>()) {
    initSodium();
    entries_->digestKey = static_cast<unsigned char*>(sodium_malloc(kDigestSize));
    if (!entries_->digestKey)
        throw std::bad_alloc();
    randombytes_buf(entries_->digestKey, kDigestSize);
    std::lock_guard<std::mutex> lock(memoLock);
    if (!activeMemo)
        activeMemo = entries_.get();
}

StrongKeyMemo::~StrongKeyMemo() {
    std::lock_guard<std::mutex> lock(memoLock);
    if (activeMemo == entries_.get())
        activeMemo = nullptr;
}

int StrongKeyMemo::reused() const {
    std::lock_guard<std::mutex> lock(memoLock);
    return entries_->reused;
}

namespace {

// The keys the memo in effect holds for this header and password, copied into `keys`; false without.
bool recallKeys(const Header& h, const std::string& password, unsigned char* keys) {
    std::lock_guard<std::mutex> lock(memoLock);
    StrongKeyMemo::Entries* memo = activeMemo;
    if (!memo)
        return false;
    unsigned char* digest = static_cast<unsigned char*>(sodium_malloc(kDigestSize));
    if (!digest)
        return false;
    memo->digest(password, digest);
    bool found = false;
    for (const auto& e : memo->list)
        if (std::memcmp(e.params.data(), h.data() + kOffOps, kMemoParams) == 0 &&
            sodium_memcmp(e.secret, digest, kDigestSize) == 0) {
            std::memcpy(keys, e.secret + kDigestSize, kKeysSize);
            ++memo->reused;
            found = true;
            break;
        }
    sodium_free(digest);
    return found;
}

void rememberKeys(const Header& h, const std::string& password, const unsigned char* keys) {
    std::lock_guard<std::mutex> lock(memoLock);
    StrongKeyMemo::Entries* memo = activeMemo;
    if (!memo)
        return;
    auto* secret = static_cast<unsigned char*>(sodium_malloc(kDigestSize + kKeysSize));
    if (!secret)
        return;
    if (memo->list.size() >= 4) { // a run reads the previous file, seals the new one and reads it back
        sodium_free(memo->list.front().secret);
        memo->list.erase(memo->list.begin());
    }
    memo->digest(password, secret);
    std::memcpy(secret + kDigestSize, keys, kKeysSize);
    StrongKeyMemo::Entries::Entry entry{{}, secret};
    std::memcpy(entry.params.data(), h.data() + kOffOps, kMemoParams);
    memo->list.push_back(entry);
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
        if (recallKeys(h, password, mem_))
            return;
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
            throw std::runtime_error("not enough memory for the key derivation (" +
                                     std::to_string(readLe(h.data() + kOffMem, 8) >> 20) + " MiB)");
        rememberKeys(h, password, mem_);
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
    if (h[kOffKdf] != kKdfArgon2id13)
        throw ContainerError(BackupFileCheck::NotABackupFile, file.string() + " names a key derivation (" +
                                                                  std::to_string(h[kOffKdf]) +
                                                                  ") that this Tessaly does not know");
    if (h[kOffReserved] != 0 || h[kOffReserved + 1] != 0)
        throw ContainerError(BackupFileCheck::NotABackupFile,
                             file.string() +
                                 " uses its header's reserved field, which this Tessaly cannot read");
    std::uint64_t ops = readLe(h.data() + kOffOps, 4), mem = readLe(h.data() + kOffMem, 8);
    std::string params =
        " (opslimit " + std::to_string(ops) + ", memlimit " + std::to_string(mem) + " bytes)";
    if (ops < crypto_pwhash_OPSLIMIT_MIN || mem < crypto_pwhash_MEMLIMIT_MIN)
        damaged(file, "asks for a key derivation below the library's minimum" + params);
    if (!kdfWithinLimits(ops, mem))
        damaged(file, "asks for a key derivation above Tessaly's limits" + params +
                          "; refused without trying (limits: opslimit " + std::to_string(kMaxOpslimit) +
                          ", memlimit 256 MiB, opslimit x memlimit " + std::to_string(kMaxKdfWork >> 20) +
                          " MiB)");
    const std::uint64_t size = fileSize(fd, file);
    if (size == kStrongHeaderSize)
        damaged(file, "is cut short: it holds no encrypted data after its header");
    if (size < kStrongMinimumSize)
        damaged(file, "is cut short: it is " + std::to_string(size) +
                          " bytes long, shorter than the shortest strong backup file (" +
                          std::to_string(kStrongMinimumSize) + " bytes)");
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

std::string plural(std::uint64_t n, const std::string& noun) {
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

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
            damaged(file, "has " + plural(size - pos - m - kMarkSize, "byte") + " added after its end");
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
        // A full chunk is followed by at least the shortest last chunk and the end mark; otherwise the
        // rest but the end mark is the last chunk, which holds less than a full chunk of archive.
        const bool full = left >= kCipherChunk + kAbytes + kMarkSize;
        const std::uint64_t n = full ? kCipherChunk : left > kMarkSize ? left - kMarkSize : 0;
        unsigned long long plen = 0;
        unsigned char tag = 0;
        const bool first = chunk == 0;
        Stream before = state;
        // Only a chunk that fits the buffer is read. A last chunk of full size is read as a full one, so
        // that a dropped last chunk (a sound MESSAGE chunk with nothing after it) is told from an overlong
        // one.
        const bool ok = n >= kAbytes && n <= kCipherChunk &&
                        readAt(in, cipher.chars(), static_cast<std::size_t>(n), pos, file) == n &&
                        crypto_secretstream_xchacha20poly1305_pull(
                            &state, plain.bytes.data(), &plen, &tag, cipher.bytes.data(), n,
                            first ? h.data() : nullptr, first ? h.size() : 0) == 0;
        if (!full && n >= kCipherChunk) {
            if (ok && tag != crypto_secretstream_xchacha20poly1305_TAG_FINAL)
                damaged(file, "is cut short: it ends after chunk " + std::to_string(chunk + 1) +
                                  ", before its last chunk");
            if (ok || endsWithStrongMark(file))
                damaged(file, "is damaged: its last chunk (chunk " + std::to_string(chunk + 1) +
                                  ", at byte " + std::to_string(pos) + ") is " + std::to_string(n) +
                                  " bytes long, more than a last chunk can hold (" +
                                  std::to_string(kCipherChunk - 1) + ")");
        }
        if (!ok)
            diagnose(in, file, size, pos, before, first, h, chunk);
        const bool final = tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL;
        if (tag != (full ? crypto_secretstream_xchacha20poly1305_TAG_MESSAGE
                         : crypto_secretstream_xchacha20poly1305_TAG_FINAL))
            damaged(file, "is damaged: chunk " + std::to_string(chunk + 1) +
                              " of its encrypted data (at byte " + std::to_string(pos) +
                              ") carries the tag " + std::to_string(tag) + " where the " +
                              (full ? "format allows only MESSAGE (0)" : "last chunk must carry FINAL (3)"));
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

bool kdfWithinLimits(std::uint64_t opslimit, std::uint64_t memlimit) {
    return opslimit >= crypto_pwhash_OPSLIMIT_MIN && memlimit >= crypto_pwhash_MEMLIMIT_MIN &&
           opslimit <= kMaxOpslimit && memlimit <= kMaxMemlimit && opslimit * memlimit <= kMaxKdfWork;
}

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
    if (!kdfWithinLimits(kdf.opslimit, kdf.memlimit))
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
    s_->fd.emplace(createNewFile(out));
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
