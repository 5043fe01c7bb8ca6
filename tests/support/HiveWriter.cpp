// HiveWriter.cpp -- writing test hives: the empty hive by hand, the keys and values through hivex.
#include "HiveWriter.h"

#include "registry/Utf16.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <hivex.h>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace tessaly::test {

namespace {

constexpr std::size_t kBlock = 4096;
constexpr std::uint64_t kTimestamp = 0x01D84D3C30DB2C60ull; // a FILETIME in 2022

void put16(std::string& b, std::size_t at, std::uint16_t v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}
void put32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + std::size_t(i)] = char((v >> (8 * i)) & 0xFF);
}
void put64(std::string& b, std::size_t at, std::uint64_t v) {
    put32(b, at, std::uint32_t(v));
    put32(b, at + 4, std::uint32_t(v >> 32));
}
std::uint32_t get32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b[at + std::size_t(i)]);
    return v;
}
void fixChecksum(std::string& b) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < 0x1FC; i += 4)
        sum ^= get32(b, i);
    put32(b, 0x1FC, sum);
}

void writeBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("hive writer: cannot write " + file.string());
}

[[noreturn]] void failed(const std::string& what) {
    throw std::runtime_error("hive writer: " + what + ": " + std::strerror(errno));
}

// Copies the tree below `from` under the root without recursion. With `controlSet` (a system hive),
// CurrentControlSet directly below `from` is stored as ControlSet001 and Select\Current names it, as
// Windows keeps them, unless Wine's own Select key came with the tree.
void writeHiveWith(const fs::path& file, const RegKey& from, bool controlSet) {
    writeEmptyHive(file);
    std::unique_ptr<hive_h, int (*)(hive_h*)> hive(hivex_open(file.c_str(), HIVEX_OPEN_WRITE), hivex_close);
    hive_h* h = hive.get();
    if (!h)
        failed("opening " + file.string());
    std::vector<std::pair<const RegKey*, hive_node_h>> pending{{&from, hivex_root(h)}};
    while (!pending.empty()) {
        auto [key, at] = pending.back();
        pending.pop_back();
        std::vector<std::string> names;
        for (const RegValue& v : key->values)
            names.push_back(utf16ToUtf8(v.name));
        std::vector<hive_set_value> values;
        for (std::size_t i = 0; i < key->values.size(); ++i)
            values.push_back({names[i].data(), static_cast<hive_type>(key->values[i].type),
                              key->values[i].data.size(), const_cast<char*>(key->values[i].data.data())});
        if (!values.empty() && hivex_node_set_values(h, at, values.size(), values.data(), 0) != 0)
            failed("setting the values of " + utf16ToUtf8(key->name));
        for (const auto& sub : key->subkeys) {
            bool renamed = controlSet && key == &from && sameName(sub->name, u"CurrentControlSet");
            hive_node_h child =
                hivex_node_add_child(h, at, renamed ? "ControlSet001" : utf16ToUtf8(sub->name).c_str());
            if (!child)
                failed("adding the key " + utf16ToUtf8(sub->name));
            pending.emplace_back(sub.get(), child);
        }
    }
    if (controlSet && !hivex_node_get_child(h, hivex_root(h), "Select")) {
        hive_node_h select = hivex_node_add_child(h, hivex_root(h), "Select");
        std::uint32_t one = 1;
        hive_set_value current{const_cast<char*>("Current"), hive_t_REG_DWORD, 4,
                               reinterpret_cast<char*>(&one)};
        if (!select || hivex_node_set_values(h, select, 1, &current, 0) != 0)
            failed("adding Select\\Current");
    }
    if (hivex_commit(h, file.c_str(), 0) != 0)
        failed("writing " + file.string());
}

} // namespace

void writeEmptyHive(const fs::path& file) {
    std::string b(2 * kBlock, '\0');
    // Base block.
    std::memcpy(b.data(), "regf", 4);
    put32(b, 0x04, 1); // primary sequence number
    put32(b, 0x08, 1); // secondary sequence number: equal, the hive is clean
    put64(b, 0x0C, kTimestamp);
    put32(b, 0x14, 1);    // major version
    put32(b, 0x18, 3);    // minor version
    put32(b, 0x20, 1);    // direct memory load
    put32(b, 0x24, 0x20); // root cell, relative to the first hive bin
    put32(b, 0x28, kBlock);
    put32(b, 0x2C, 1); // clustering factor
    const std::u16string fileName = u"NTUSER.DAT";
    for (std::size_t i = 0; i < fileName.size(); ++i)
        put16(b, 0x30 + 2 * i, fileName[i]);
    fixChecksum(b);

    // The one hive bin: its header, the root key's cell, its security cell, then free space.
    const std::size_t bin = kBlock;
    std::memcpy(b.data() + bin, "hbin", 4);
    put32(b, bin + 0x08, kBlock);
    put64(b, bin + 0x14, kTimestamp);

    const std::string rootName = "$$$PROTO.HIV";
    const std::size_t nk = bin + 0x20;
    const std::size_t nkSize = (4 + 0x4C + rootName.size() + 7) / 8 * 8;
    const std::size_t sk = nk + nkSize;
    const std::size_t sdSize = 20; // a self-relative security descriptor without owner, group or lists
    const std::size_t skSize = (4 + 0x14 + sdSize + 7) / 8 * 8;
    const std::uint32_t skOffset = std::uint32_t(sk - bin);

    put32(b, nk, std::uint32_t(-std::int32_t(nkSize)));
    std::memcpy(b.data() + nk + 4, "nk", 2);
    put16(b, nk + 4 + 0x02, 0x2C); // hive entry, not deletable, name in 8-bit characters
    put64(b, nk + 4 + 0x04, kTimestamp);
    // No parent, subkey list, volatile subkey list, value list or class name.
    for (std::size_t at : {0x10, 0x1C, 0x20, 0x28, 0x30})
        put32(b, nk + 4 + at, 0xFFFFFFFF);
    put32(b, nk + 4 + 0x2C, skOffset);
    put16(b, nk + 4 + 0x48, std::uint16_t(rootName.size()));
    std::memcpy(b.data() + nk + 4 + 0x4C, rootName.data(), rootName.size());

    put32(b, sk, std::uint32_t(-std::int32_t(skSize)));
    std::memcpy(b.data() + sk + 4, "sk", 2);
    put32(b, sk + 4 + 0x04, skOffset); // the only security cell: its own neighbour both ways
    put32(b, sk + 4 + 0x08, skOffset);
    put32(b, sk + 4 + 0x0C, 1); // used by the root key
    put32(b, sk + 4 + 0x10, std::uint32_t(sdSize));
    b[sk + 4 + 0x14] = 1;            // revision
    put16(b, sk + 4 + 0x16, 0x8000); // self-relative

    const std::size_t freeCell = sk + skSize;
    put32(b, freeCell, std::uint32_t(bin + kBlock - freeCell));
    writeBytes(file, b);
}

void writeHive(const fs::path& file, const RegKey& from) {
    writeHiveWith(file, from, false);
}

void writeMachineHives(const WineHive& machine, const fs::path& software, const fs::path& system) {
    RegKey empty;
    const RegKey* sw = machine.find(u"Software");
    writeHiveWith(software, sw ? *sw : empty, false);
    const RegKey* sys = machine.find(u"System");
    writeHiveWith(system, sys ? *sys : empty, true);
}

void markHiveDirty(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string b(std::istreambuf_iterator<char>(in), {});
    put32(b, 0x08, get32(b, 0x04) + 1);
    fixChecksum(b);
    writeBytes(file, b);
}

} // namespace tessaly::test
