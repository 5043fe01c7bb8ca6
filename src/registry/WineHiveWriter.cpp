// WineHiveWriter.cpp -- writing a key tree back in the form Wine writes its registry files.
#include "registry/WineHive.h"

#include "platform/AtomicFile.h"
#include "registry/Utf16.h"
#include "registry/WineEscape.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace tessaly {

namespace {

constexpr std::uint64_t kTicks1601To1970 = 116444736000000000ull;

void appendPath(std::string& out, const RegKey& key) {
    std::vector<const RegKey*> chain; // from the key up to the top-level key
    for (const RegKey* k = &key; k->parent; k = k->parent)
        chain.push_back(k);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (it != chain.rbegin())
            out += "\\\\";
        appendWineEscaped(out, (*it)->name, "[]");
    }
}

bool isTerminatedString(const RegValue& v) {
    return v.data.size() >= 2 && v.data.size() % 2 == 0 && v.data[v.data.size() - 1] == 0 &&
           v.data[v.data.size() - 2] == 0;
}

void appendValue(std::string& out, const RegValue& v) {
    size_t count;
    if (!v.name.empty()) {
        out += '"';
        count = 1 + appendWineEscaped(out, v.name, "\"\"");
        out += "\"=";
        count += 2;
    } else {
        out += "@=";
        count = 2;
    }
    char buf[32];
    switch (v.type) {
    case 1:
    case 2:
    case 7:
        if (!isTerminatedString(v))
            break;
        if (v.type != 1) {
            std::snprintf(buf, sizeof buf, "str(%x):", v.type);
            out += buf;
        }
        out += '"';
        appendWineEscaped(out, utf16FromBytes(std::string_view(v.data).substr(0, v.data.size() - 2)), "\"\"");
        out += "\"\n";
        return;
    case 4:
        if (v.data.size() != 4)
            break;
        {
            std::uint32_t dw = static_cast<unsigned char>(v.data[0]) |
                               (static_cast<unsigned char>(v.data[1]) << 8) |
                               (static_cast<unsigned char>(v.data[2]) << 16) |
                               (static_cast<std::uint32_t>(static_cast<unsigned char>(v.data[3])) << 24);
            std::snprintf(buf, sizeof buf, "dword:%08x\n", dw);
            out += buf;
        }
        return;
    default:
        break;
    }
    if (v.type == 3)
        std::snprintf(buf, sizeof buf, "hex:");
    else
        std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
    out += buf;
    count += std::string_view(buf).size();
    static const char digits[] = "0123456789abcdef";
    for (size_t i = 0; i < v.data.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(v.data[i]);
        out += digits[b >> 4];
        out += digits[b & 15];
        count += 2;
        if (i + 1 < v.data.size()) {
            out += ',';
            if (++count > 76) {
                out += "\\\n  ";
                count = 2;
            }
        }
    }
    out += '\n';
}

bool wineWouldWrite(const RegKey& key) {
    return !key.values.empty() || key.subkeys.empty() || key.keyClass || key.isLink;
}

void appendBlock(std::string& out, const RegKey& k) {
    bool useRaw = k.hasRaw && !k.rewrite;
    if (!useRaw && !wineWouldWrite(k))
        return;
    // Each block is preceded by one blank line.
    if (!out.ends_with("\n\n"))
        out += out.ends_with('\n') ? "\n" : "\n\n";
    if (useRaw)
        out += k.rawBlock;
    else
        out += wineKeyBlock(k);
}

// Every key below `top`, depth first, each before its subkeys.
void appendBlocks(std::string& out, const RegKey& top) {
    std::vector<std::pair<const RegKey*, size_t>> stack{{&top, 0}}; // a key and its next subkey
    while (!stack.empty()) {
        auto& [key, next] = stack.back();
        if (next == key->subkeys.size()) {
            stack.pop_back();
            continue;
        }
        const RegKey& child = *key->subkeys[next++];
        appendBlock(out, child);
        stack.emplace_back(&child, 0);
    }
}

} // namespace

std::string wineKeyPath(const RegKey& key) {
    std::string out;
    appendPath(out, key);
    return out;
}

std::string wineKeyBlock(const RegKey& key) {
    std::string out = "[";
    appendPath(out, key);
    char buf[64];
    std::uint64_t secs = key.modif >= kTicks1601To1970 ? (key.modif - kTicks1601To1970) / 10000000ull : 0;
    std::snprintf(buf, sizeof buf, "] %u\n#time=%x%08x\n", static_cast<unsigned>(secs),
                  static_cast<unsigned>(key.modif >> 32), static_cast<unsigned>(key.modif & 0xFFFFFFFFu));
    out += buf;
    if (key.keyClass) {
        out += "#class=\"";
        appendWineEscaped(out, *key.keyClass, "\"\"");
        out += "\"\n";
    }
    if (key.isLink)
        out += "#link\n";
    for (const RegValue& v : key.values)
        appendValue(out, v);
    return out;
}

std::string WineHive::serialize() const {
    std::string out = header_;
    out.reserve(header_.size() + 64 * 1024);
    appendBlocks(out, *root_);
    return out;
}

FileVersion WineHive::save(const std::filesystem::path& file, const FileVersion& readVersion) const {
    return writeFileAtomically(file, serialize(), readVersion);
}

} // namespace tessaly
