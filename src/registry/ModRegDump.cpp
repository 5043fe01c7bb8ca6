// ModRegDump.cpp -- the registry text dump: key trees to ANSI text lines and back.
#include "registry/ModReg.h"

#include "platform/Text.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <vector>

namespace tessaly {

namespace {

// Line breaks inside string data travel as this token, the one the info file uses too.
constexpr std::string_view kLineBreakToken = "ZQ$KMX";

std::string encodeLineBreaks(const std::string& data) {
    if (data.find_first_of("\r\n") == std::string::npos)
        return data;
    std::string out;
    for (size_t i = 0; i < data.size(); ++i) {
        char c = data[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
                ++i;
            out += kLineBreakToken;
        } else {
            out += c;
        }
    }
    return out;
}

std::string decodeLineBreaks(const std::string& data) {
    std::string out;
    size_t pos = 0;
    for (size_t hit; (hit = data.find(kLineBreakToken, pos)) != std::string::npos;
         pos = hit + kLineBreakToken.size())
        out.append(data, pos, hit - pos).append("\r\n");
    out.append(data, pos, std::string::npos);
    return out;
}

// A whole number as the dump reader accepts it: blanks around, an optional sign, decimal digits.
bool parseWhole(std::string_view text, long long lo, long long hi, long long* out) {
    std::string t = trimBlanks(text);
    if (t.empty())
        return false;
    const char* first = t.data();
    if (*first == '+')
        ++first;
    long long v = 0;
    auto [ptr, ec] = std::from_chars(first, t.data() + t.size(), v);
    if (ec != std::errc() || ptr != t.data() + t.size() || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

// The "=" between a value's name and its type word. The writer puts a name between quotes
// unchanged, so a name may hold "=" itself: the separator is the first "=" that follows a quote and
// precedes a known type word and ":". Lines without such a place fall back to the first "=".
size_t separatorOf(const std::string& line) {
    static constexpr std::string_view kWords[] = {" sz:", "esz:", "bin:", " dw:"};
    for (size_t p = line.find("\"="); p != std::string::npos; p = line.find("\"=", p + 1)) {
        for (std::string_view w : kWords)
            if (line.compare(p + 2, w.size(), w) == 0)
                return p + 1;
    }
    return line.find('=');
}

// One step of a dump, checked before anything is applied.
struct DumpStep {
    enum Kind { ClearTarget, OpenKey, SetValue } kind;
    std::string keyPath; // UTF-8, for OpenKey
    std::string name;    // UTF-8 value name
    std::uint32_t type = 0;
    std::string data; // ANSI bytes as the registry call takes them
};

// Why the loader refuses a line.
struct BadLine {
    std::string why;
};

// A value line (UTF-8) as the loader reads it. nullopt for a type word the format does not carry;
// throws BadLine for a line the loader refuses.
std::optional<DumpStep> parseValueLine(const std::string& utf8, const CodePage& codePage) {
    // The name is taken from behind the first character, which the writer makes a quote: a line
    // without one would load under a name no dump writes.
    if (utf8.empty() || utf8[0] != '"')
        throw BadLine{"a line that begins with neither '\\' nor a double quote"};
    size_t eq = separatorOf(utf8);
    if (eq == std::string::npos || eq < 2)
        throw BadLine{"a value line without a name and '='"};
    std::string name = utf8.substr(1, eq - 2);
    std::string word = trimBlanks(utf8.substr(eq + 1, 3));
    std::string data = eq + 5 <= utf8.size() ? utf8.substr(eq + 5) : std::string();
    DumpStep step{DumpStep::SetValue, {}, name, 0, {}};
    if (word == "sz" || word == "esz") {
        step.type = word == "sz" ? kRegSz : kRegExpandSz;
        // Stored with its terminating zero, as the value was before it was dumped.
        step.data = codePage.toAnsi(decodeLineBreaks(data));
        step.data.push_back('\0');
    } else if (word == "dw") {
        long long n = 0;
        if (!parseWhole(data, INT32_MIN, INT32_MAX, &n))
            throw BadLine{"\"" + data + "\" is not a 32-bit whole number"};
        std::int32_t v = static_cast<std::int32_t>(n);
        step.type = kRegDword;
        step.data.assign(reinterpret_cast<const char*>(&v), 4);
    } else if (word == "bin") {
        step.type = kRegBinary;
        if (!data.empty()) {
            size_t p = 0;
            for (;;) {
                size_t comma = data.find(',', p);
                std::string_view piece = std::string_view(data).substr(
                    p, comma == std::string::npos ? std::string::npos : comma - p);
                long long b = 0;
                if (!parseWhole(piece, 0, 255, &b))
                    throw BadLine{"\"" + std::string(piece) + "\" is not a byte from 0 to 255"};
                step.data.push_back(static_cast<char>(b));
                if (comma == std::string::npos)
                    break;
                p = comma + 1;
            }
        }
    } else {
        return std::nullopt;
    }
    return step;
}

// Every CR LF, lone CR and lone LF as CR LF: string data as it comes back from a dump.
std::string normalizeLineBreaks(const std::string& data) {
    std::string out;
    for (size_t i = 0; i < data.size(); ++i) {
        if (data[i] == '\r' || data[i] == '\n') {
            if (data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
                ++i;
            out += "\r\n";
        } else {
            out += data[i];
        }
    }
    return out;
}

// Key names separated by '\\' in a path; with a root name in front, the levels below that root.
size_t namesIn(std::string_view path) {
    size_t names = 0;
    bool inName = false;
    for (char c : path) {
        if (c != '\\' && !inName)
            ++names;
        inName = c != '\\';
    }
    return names;
}
size_t levelsBelowRoot(std::string_view keyPath) {
    size_t names = namesIn(keyPath);
    return names ? names - 1 : 0;
}

// A name as a message shows it: the control characters a dump cannot hold made visible.
std::string visible(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (c == '\0')
            out += "\\0";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

const std::string kTooDeep =
    "more than " + std::to_string(kMaxKeyDepth) + " levels deep, which Windows does not allow";

} // namespace

struct ModReg::DumpSink {
    std::ofstream out;
    std::filesystem::path file;

    void line(const std::string& text) {
        out << text << "\r\n";
        if (!out)
            throw KeyDumpError("cannot write the registry dump " + file.string() + ": " +
                               std::strerror(errno));
    }
};

void ModReg::DumpKeyTree(const std::string& keyPath, const std::string& relativePath,
                         const std::filesystem::path& dumpFile) {
    DumpSink sink;
    sink.file = dumpFile;
    std::error_code ec;
    if (relativePath.empty() && std::filesystem::exists(dumpFile, ec))
        std::filesystem::remove(dumpFile, ec);
    sink.out.open(dumpFile, std::ios::binary | std::ios::app);
    if (!sink.out)
        throw KeyDumpError("cannot create the registry dump " + dumpFile.string() + ": " +
                           std::strerror(errno));
    dumpTree(keyPath, relativePath, sink);
    sink.out.close();
    if (sink.out.fail())
        throw KeyDumpError("cannot write the registry dump " + dumpFile.string() + ": " +
                           std::strerror(errno));
}

void ModReg::DumpKeyValues(const std::string& keyPath, const std::filesystem::path& dumpFile) {
    DumpSink sink;
    sink.file = dumpFile;
    sink.out.open(dumpFile, std::ios::binary | std::ios::app);
    if (!sink.out)
        throw KeyDumpError("cannot open the registry dump " + dumpFile.string() + ": " +
                           std::strerror(errno));
    dumpValues(keyPath, sink);
}

void ModReg::dumpTree(const std::string& keyPath, const std::string& relativePath, DumpSink& sink) {
    struct Pending {
        std::string keyPath, relativePath;
    };
    // Depth first with a list of our own, each key before its subkeys in the registry's order.
    std::vector<Pending> pending{{keyPath, relativePath}};
    while (!pending.empty()) {
        Pending at = std::move(pending.back());
        pending.pop_back();
        if (levelsBelowRoot(at.keyPath) > kMaxKeyDepth)
            throw KeyDumpError("cannot dump " + keyPath + ": it holds a key " + kTooDeep);
        sink.line(at.relativePath.empty() ? std::string("\\") : toAnsi(at.relativePath));
        dumpValues(at.keyPath, sink);
        std::optional<HKEY> opened = openWithOwnHandles(at.keyPath);
        if (!opened)
            continue;
        std::vector<Pending> children;
        for (std::uint32_t index = 0;; ++index) {
            std::string name;
            std::uint32_t size = 260;
            if (reg_.RegEnumKeyExA(*opened, index, &name, &size) != kErrorSuccess)
                break;
            std::string child = fromAnsi(name);
            // The loader splits lines at LF only and key paths at '\\'; a NUL ends a name for the
            // registry calls of other implementations.
            if (name.find_first_of(std::string_view("\0\n\\", 3)) != std::string::npos ||
                toAnsi(child) != name) {
                reg_.RegCloseKey(*opened);
                throw KeyDumpError("cannot dump " + at.keyPath + ": the subkey name \"" + visible(child) +
                                   "\" cannot be carried by a registry dump");
            }
            children.push_back({at.keyPath + "\\" + child, at.relativePath + "\\" + child});
        }
        reg_.RegCloseKey(*opened);
        pending.insert(pending.end(), std::make_move_iterator(children.rbegin()),
                       std::make_move_iterator(children.rend()));
    }
}

void ModReg::dumpValues(const std::string& keyPath, DumpSink& sink) {
    std::optional<HKEY> opened = openWithOwnHandles(keyPath);
    if (!opened)
        return;
    HKEY key = *opened;
    for (std::uint32_t index = 0;; ++index) {
        std::string name, data;
        // Value names may be as long as the registry allows, so no value is left out.
        std::uint32_t nameSize = 16384, dataSize = 4096, type = 0;
        long rc = reg_.RegEnumValueA(key, index, &name, &nameSize, &type, &data, &dataSize);
        if (rc == kErrorMoreData) {
            nameSize = 16384;
            rc = reg_.RegEnumValueA(key, index, &name, &nameSize, &type, &data, &dataSize);
        }
        if (rc != kErrorSuccess)
            break;
        std::string word, text;
        switch (type) {
        case kRegSz:
        case kRegExpandSz:
            word = type == kRegSz ? " sz" : "esz";
            // Only the terminating zero is dropped; a value stored without one keeps its last character.
            text = data;
            if (!text.empty() && text.back() == '\0')
                text.pop_back();
            text = encodeLineBreaks(text);
            break;
        case kRegBinary:
            word = "bin";
            for (size_t i = 0; i < data.size(); ++i) {
                if (i)
                    text += ',';
                text += std::to_string(static_cast<unsigned char>(data[i]));
            }
            break;
        case kRegDword: {
            word = " dw";
            std::int32_t n = 0;
            std::memcpy(&n, data.data(), std::min<size_t>(4, data.size()));
            text = std::to_string(n);
            break;
        }
        default:
            continue;
        }
        name.resize(nameSize);
        std::string line = "\"" + name + "\"=" + word + ":" + text;
        if (std::string why = lineProblem(line, name, type, data); !why.empty()) {
            reg_.RegCloseKey(key);
            throw KeyDumpError("cannot dump " + keyPath + ": the value \"" + visible(fromAnsi(name)) + "\" " +
                               why);
        }
        sink.line(line);
    }
    reg_.RegCloseKey(key);
}

std::string ModReg::lineProblem(const std::string& line, const std::string& name, std::uint32_t type,
                                const std::string& data) const {
    // The line must read back as the value it was written from; what the format cannot carry fails
    // here, at backup time, rather than at restore.
    if (line.find('\n') != std::string::npos)
        return "has a line break in its name, which a registry dump cannot carry";
    std::optional<DumpStep> step;
    try {
        step = parseValueLine(fromAnsi(line), reg_.codePage());
    } catch (const BadLine&) {
    }
    if (!step || toAnsi(step->name) != name)
        return "has a name that a registry dump cannot carry (it would load back under another name)";
    std::string expected;
    if (type == kRegDword) {
        expected.assign(4, '\0');
        std::memcpy(expected.data(), data.data(), std::min<size_t>(4, data.size()));
    } else if (type == kRegBinary) {
        expected = data;
    } else {
        expected = data;
        if (!expected.empty() && expected.back() == '\0')
            expected.pop_back();
        expected = normalizeLineBreaks(expected);
        expected.push_back('\0');
    }
    if (step->type != type || step->data != expected) {
        if (data.find(kLineBreakToken) != std::string::npos)
            return "holds the text \"" + std::string(kLineBreakToken) +
                   "\", which stands for a line break in a registry dump";
        return "holds data that a registry dump cannot carry";
    }
    return {};
}

void ModReg::LoadKeyDump(const std::string& target, const std::filesystem::path& dumpFile) {
    std::ifstream in(dumpFile, std::ios::binary);
    if (!in)
        throw KeyDumpError("cannot open the registry dump " + dumpFile.string() + ": " +
                           std::strerror(errno));
    std::ostringstream all;
    all << in.rdbuf();
    std::string text = all.str();

    // Read and check every line first; the registry is touched only when the whole dump is sound.
    std::vector<DumpStep> steps;
    std::string current;
    size_t pos = 0;
    int lineNo = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        size_t end = nl == std::string::npos ? text.size() : nl;
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        pos = nl == std::string::npos ? text.size() : nl + 1;
        ++lineNo;
        if (line.empty())
            break; // an empty line ends the dump
        std::string utf8 = fromAnsi(line);
        auto bad = [&](const std::string& why) {
            return KeyDumpError("registry dump " + dumpFile.string() + ", line " + std::to_string(lineNo) +
                                ": " + why);
        };
        if (utf8[0] == '\\' && target + utf8 != current) {
            if (levelsBelowRoot(target) + namesIn(utf8) > kMaxKeyDepth)
                throw bad("a key " + kTooDeep);
            if (utf8.find('\0') != std::string::npos)
                throw bad("a key name holding a NUL character");
            current = target + utf8;
            if (utf8.back() == '\\')
                steps.push_back({DumpStep::ClearTarget, target, {}, 0, {}});
            else
                steps.push_back({DumpStep::OpenKey, current, {}, 0, {}});
            continue;
        }
        std::optional<DumpStep> step;
        try {
            step = parseValueLine(utf8, reg_.codePage());
        } catch (const BadLine& line) {
            throw bad(line.why);
        }
        if (!step)
            continue; // a type this format does not carry
        steps.push_back(std::move(*step));
    }

    HKEY key = 0;
    bool haveKey = false;
    auto closeKey = [&] {
        if (haveKey)
            reg_.RegCloseKey(key);
        haveKey = false;
    };
    auto openKey = [&](const std::string& path) {
        closeKey();
        std::string sub = path;
        HKEY root = kHkeyNone;
        SplitKeyPath(sub, root);
        if (root != kHkeyNone && reg_.RegCreateKeyA(root, toAnsi(sub), &key) == kErrorSuccess)
            haveKey = true;
    };
    for (const DumpStep& step : steps) {
        switch (step.kind) {
        case DumpStep::ClearTarget:
            closeKey();
            RemoveKeyTree(target);
            openKey(target);
            break;
        case DumpStep::OpenKey:
            openKey(step.keyPath);
            break;
        case DumpStep::SetValue:
            if (haveKey)
                reg_.RegSetValueExA(key, toAnsi(step.name), step.type, step.data);
            break;
        }
    }
    closeKey();
}

} // namespace tessaly
