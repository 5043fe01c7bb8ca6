// KeyDumpFuzz.cpp -- a registry dump loaded, dumped and loaded again must give the same tree.
#include "FuzzSupport.h"
#include "RegistryTreeCompare.h"

#include "registry/ModReg.h"
#include "registry/Utf16.h"
#include "registry/WineRegistry.h"

#include <cstdint>

using namespace tessaly;

namespace {

const std::filesystem::path& emptyPrefix() {
    static const std::filesystem::path prefix = [] {
        std::filesystem::path p = fuzz::scratch() / "prefix";
        std::filesystem::create_directories(p);
        fuzz::writeBytes(p / "user.reg", "WINE REGISTRY Version 2\n\n#arch=win64\n");
        fuzz::writeBytes(p / "system.reg", "WINE REGISTRY Version 2\n\n#arch=win64\n");
        return p;
    }();
    return prefix;
}

// A dump carries every line break in string data as CR LF (a lone CR or LF included): the tree a
// written dump loads as holds its strings so.
void pairLineBreaks(RegKey& top) {
    std::vector<RegKey*> pending{&top};
    while (!pending.empty()) {
        RegKey* key = pending.back();
        pending.pop_back();
        for (RegValue& value : key->values) {
            if (value.type != kRegSz && value.type != kRegExpandSz)
                continue;
            std::u16string text = utf16FromBytes(value.data), paired;
            for (size_t i = 0; i < text.size(); ++i) {
                if (text[i] == u'\r' || text[i] == u'\n') {
                    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                        ++i;
                    paired += u"\r\n";
                } else {
                    paired += text[i];
                }
            }
            value.data = utf16Bytes(paired);
        }
        for (auto& child : key->subkeys)
            pending.push_back(child.get());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path in = fuzz::scratch() / "in.txt";
    const std::filesystem::path out = fuzz::scratch() / "out.txt";
    fuzz::writeBytes(in, std::string_view(reinterpret_cast<const char*>(data), size));
    WineRegistry wine(emptyPrefix());
    AnsiRegistry ansi(wine, CodePage(1252));
    fuzz::NullUi ui;
    ModReg mod(ansi, ui);
    try {
        mod.LoadKeyDump("HKEY_CURRENT_USER\\A\\T", in);
    } catch (const KeyDumpError&) {
        return 0;
    }
    WineHive& hive = wine.hive(kHkeyCurrentUser);
    RegKey* first = hive.find(u"A\\T");
    if (!first)
        return 0; // nothing was loaded into the target
    try {
        mod.DumpKeyTree("HKEY_CURRENT_USER\\A\\T", "", out);
    } catch (const KeyDumpError& e) {
        fuzz::failed(std::string("a loaded tree cannot be dumped: ") + e.what());
    }
    try {
        mod.LoadKeyDump("HKEY_CURRENT_USER\\B\\T", out);
    } catch (const KeyDumpError& e) {
        fuzz::failed(std::string("a written dump does not load: ") + e.what());
    }
    const RegKey* second = hive.find(u"B\\T");
    if (!second)
        fuzz::failed("a written dump loads nothing");
    pairLineBreaks(*first);
    if (std::string diff = fuzz::treeDifference(*first, *second, false); !diff.empty())
        fuzz::failed("a written dump loads as another tree: " + diff);
    return 0;
}
