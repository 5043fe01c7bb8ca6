// WineHive.cpp -- reading a Wine registry file into a key tree, and changing the tree.
#include "registry/WineHive.h"

#include "registry/Utf16.h"
#include "registry/WineEscape.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>

namespace tessaly {

namespace {

constexpr std::uint64_t kTicks1601To1970 = 116444736000000000ull;
constexpr std::string_view kMagic = "WINE REGISTRY Version 2";

template <class T, class NameOf>
size_t lowerBound(const std::vector<T>& v, std::u16string_view name, NameOf nameOf) {
    size_t lo = 0, hi = v.size();
    while (lo < hi) {
        size_t mid = (lo + hi) / 2;
        if (compareNames(nameOf(v[mid]), name) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

const std::u16string& keyName(const std::unique_ptr<RegKey>& k) {
    return k->name;
}
const std::u16string& valueName(const RegValue& v) {
    return v.name;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

// Reads a file line by line, keeping each line's byte offset for the key blocks.
class WineHiveParser {
public:
    WineHiveParser(std::string_view text, const std::string& fileName) : text_(text), file_(fileName) {}

    WineHive run() {
        WineHive hive;
        hive.loading_ = true;
        if (!nextLine() || line_ != kMagic)
            fail("not a Wine registry file (the first line must be \"WINE REGISTRY Version 2\")");
        size_t headerEnd = std::string_view::npos;
        RegKey* current = nullptr;
        size_t blockStart = 0;
        while (nextLine()) {
            size_t i = 0;
            while (i < line_.size() && isSpace(line_[i]))
                ++i;
            char c = i < line_.size() ? line_[i] : 0;
            switch (c) {
            case '[':
                closeBlock(current, blockStart, lineStart_);
                if (headerEnd == std::string_view::npos)
                    headerEnd = lineStart_;
                current = keyLine(hive, i + 1);
                blockStart = lineStart_;
                break;
            case '@':
            case '"':
                if (!current)
                    fail("a value before the first key");
                valueLine(*current, i);
                break;
            case '#':
                if (current)
                    optionLine(*current, i);
                break;
            case ';':
            case 0:
                break;
            default:
                fail("a line that is neither a key, a value, an option nor a comment");
            }
        }
        closeBlock(current, blockStart, text_.size());
        header = std::string(text_.substr(0, headerEnd == std::string_view::npos ? text_.size() : headerEnd));
        hive.loading_ = false;
        hive.header_ = std::move(header);
        hive.markClean();
        return hive;
    }

    std::string header;

private:
    std::string_view text_;
    std::string file_;
    size_t pos_ = 0;
    size_t lineStart_ = 0;
    int lineNo_ = 0;
    std::string_view line_;
    std::vector<RegKey*> seen_;
    size_t continuedTo_ = 0; // the end of the last line a hex value continued onto

    bool nextLine() {
        if (pos_ >= text_.size())
            return false;
        lineStart_ = pos_;
        size_t nl = text_.find('\n', pos_);
        size_t end = nl == std::string_view::npos ? text_.size() : nl;
        pos_ = nl == std::string_view::npos ? text_.size() : nl + 1;
        line_ = text_.substr(lineStart_, end - lineStart_);
        if (!line_.empty() && line_.back() == '\r')
            line_.remove_suffix(1);
        ++lineNo_;
        return true;
    }

    [[noreturn]] void fail(const std::string& what) const {
        std::ostringstream msg;
        msg << file_ << ", line " << std::max(lineNo_, 1) << ": " << what;
        throw RegistryFileError(msg.str());
    }

    void closeBlock(RegKey* key, size_t start, size_t end) {
        if (!key)
            return;
        std::string_view block = text_.substr(start, end - start);
        // The blank line that separates blocks belongs to neither, unless a hex value continued
        // with '\\' took it as its last line: the block then keeps it, or it would not read back.
        const size_t keep = continuedTo_ > start && continuedTo_ <= end ? continuedTo_ - start : 0;
        while (block.size() >= 2 && block.size() > keep && block.ends_with("\n\n"))
            block.remove_suffix(1);
        while (block.size() >= 4 && block.size() > keep && block.ends_with("\r\n\r\n"))
            block.remove_suffix(2);
        if (key->hasRaw || key->rewrite) {
            // A second block for the same key: Wine merges them, so do we.
            key->rawBlock.clear();
            key->hasRaw = false;
            key->rewrite = true;
        } else {
            key->rawBlock.assign(block);
            key->hasRaw = true;
        }
    }

    RegKey* keyLine(WineHive& hive, size_t i) {
        size_t p = i;
        std::string_view lineText = line_;
        auto path = parseWineEscaped(lineText, p, ']');
        if (!path)
            fail("a key line without its closing ']'");
        bool any = false;
        for (char16_t ch : *path)
            any = any || ch != u'\\';
        if (!any)
            fail("a key line without a key name");
        if (pathDepth(*path) > kMaxKeyDepth)
            fail("a key more than " + std::to_string(kMaxKeyDepth) +
                 " levels deep, which Windows does not allow");
        bool created = false;
        RegKey& key = hive.create(*path, &created);
        // A block that spells a name in another case than the key was created with would rename
        // the key when the file is read again: such a block is written afresh.
        if (!spelledAsStored(key, *path))
            key.rewrite = true;
        // "] <seconds>" is optional; "#time=" on the next line wins over it.
        while (p < lineText.size() && isSpace(lineText[p]))
            ++p;
        std::uint64_t secs = 0;
        bool haveSecs = false;
        while (p < lineText.size() && lineText[p] >= '0' && lineText[p] <= '9') {
            secs = secs * 10 + (lineText[p] - '0');
            haveSecs = true;
            ++p;
        }
        if (haveSecs)
            key.modif = secs * 10000000ull + kTicks1601To1970;
        else if (created)
            key.modif = 0;
        return &key;
    }

    static bool spelledAsStored(const RegKey& key, std::u16string_view path) {
        const RegKey* k = &key;
        size_t end = path.size();
        while (k && k->parent) {
            while (end > 0 && path[end - 1] == u'\\')
                --end;
            size_t start = path.rfind(u'\\', end == 0 ? 0 : end - 1);
            start = start == std::u16string_view::npos ? 0 : start + 1;
            if (path.substr(start, end - start) != k->name)
                return false;
            end = start;
            k = k->parent;
        }
        return true;
    }

    void optionLine(RegKey& key, size_t i) {
        std::string_view opt = line_.substr(i);
        if (opt.starts_with("#time=")) {
            std::uint64_t v = 0;
            for (char ch : opt.substr(6)) {
                if (!std::isxdigit(static_cast<unsigned char>(ch)))
                    break;
                v = v * 16 + static_cast<std::uint64_t>(
                                 std::isdigit(static_cast<unsigned char>(ch))
                                     ? ch - '0'
                                     : (std::tolower(static_cast<unsigned char>(ch)) - 'a' + 10));
            }
            key.modif = v;
        } else if (opt.starts_with("#class=\"")) {
            size_t p = 8;
            auto cls = parseWineEscaped(opt, p, '"');
            if (!cls)
                fail("a #class line without its closing quote");
            key.keyClass = *cls;
        } else if (opt == "#link") {
            key.isLink = true;
        }
    }

    void valueLine(RegKey& key, size_t i) {
        std::string_view s = line_;
        std::u16string name;
        size_t p = i;
        if (s[p] == '@') {
            ++p;
        } else {
            ++p;
            auto n = parseWineEscaped(s, p, '"');
            if (!n)
                fail("a value name without its closing quote");
            name = *n;
        }
        while (p < s.size() && isSpace(s[p]))
            ++p;
        if (p >= s.size() || s[p] != '=')
            fail("a value without '='");
        ++p;
        while (p < s.size() && isSpace(s[p]))
            ++p;
        std::string_view rest = s.substr(p);
        std::uint32_t type = 0;
        std::string data;
        if (rest.starts_with("\"") || rest.starts_with("str:\"") || rest.starts_with("str(2):\"") ||
            rest.starts_with("str(7):\"")) {
            size_t q = rest.find('"') + 1;
            type = rest.starts_with("str(2)") ? 2 : rest.starts_with("str(7)") ? 7 : 1;
            auto str = parseWineEscaped(rest, q, '"');
            if (!str)
                fail("a string value without its closing quote");
            data = utf16Bytes(*str + u'\0');
        } else if (rest.starts_with("dword:")) {
            type = 4;
            // strtoul(16), as Wine reads it.
            std::uint64_t v = 0;
            size_t q = 6;
            while (q < rest.size() && isSpace(rest[q]))
                ++q;
            while (q < rest.size() && std::isxdigit(static_cast<unsigned char>(rest[q]))) {
                char ch = static_cast<char>(std::tolower(static_cast<unsigned char>(rest[q])));
                v = v * 16 + static_cast<std::uint64_t>(ch <= '9' ? ch - '0' : ch - 'a' + 10);
                if (v > 0xFFFFFFFFull)
                    v = 0xFFFFFFFFull;
                ++q;
            }
            std::uint32_t dw = static_cast<std::uint32_t>(v);
            data.assign(reinterpret_cast<const char*>(&dw), 4);
        } else if (rest.starts_with("hex:") || rest.starts_with("hex(")) {
            size_t q = 4;
            type = 3;
            if (rest[3] == '(') {
                std::uint64_t t = 0;
                size_t digits = 0;
                while (q < rest.size() && std::isxdigit(static_cast<unsigned char>(rest[q]))) {
                    char ch = static_cast<char>(std::tolower(static_cast<unsigned char>(rest[q])));
                    t = t * 16 + static_cast<std::uint64_t>(ch <= '9' ? ch - '0' : ch - 'a' + 10);
                    ++q;
                    ++digits;
                }
                if (!digits || rest.substr(q, 2) != "):")
                    fail("a hex(...) value type that is not a number");
                type = static_cast<std::uint32_t>(t);
                q += 2;
            }
            hexData(rest.substr(q), data);
        } else {
            fail("a value of unknown form");
        }
        auto& values = key.values;
        size_t at = lowerBound(values, name, valueName);
        if (at < values.size() && sameName(values[at].name, name)) {
            values[at].type = type;
            values[at].data = std::move(data);
            key.rewrite = true;
        } else {
            if (at != values.size())
                key.rewrite = true; // values out of Wine's order
            values.insert(values.begin() + static_cast<long>(at),
                          RegValue{std::move(name), type, std::move(data)});
        }
    }

    void hexData(std::string_view s, std::string& data) {
        for (;;) {
            size_t p = 0;
            for (;;) {
                while (p < s.size() && isSpace(s[p]))
                    ++p;
                if (p >= s.size() || !std::isxdigit(static_cast<unsigned char>(s[p])))
                    break;
                unsigned v = 0;
                int n = 0;
                while (n < 2 && p < s.size() && std::isxdigit(static_cast<unsigned char>(s[p]))) {
                    char ch = static_cast<char>(std::tolower(static_cast<unsigned char>(s[p])));
                    v = v * 16 + static_cast<unsigned>(ch <= '9' ? ch - '0' : ch - 'a' + 10);
                    ++p;
                    ++n;
                }
                data.push_back(static_cast<char>(v));
                while (p < s.size() && isSpace(s[p]))
                    ++p;
                if (p < s.size() && s[p] == ',')
                    ++p;
                else
                    break;
            }
            while (p < s.size() && isSpace(s[p]))
                ++p;
            if (p >= s.size())
                return;
            if (s[p] != '\\')
                fail("hex data with a character that is not a hex digit, ',' or '\\'");
            if (!nextLine())
                fail("the file ends inside a hex value");
            continuedTo_ = pos_;
            s = line_;
        }
    }
};

RegKey::~RegKey() {
    std::vector<std::unique_ptr<RegKey>> pending = std::move(subkeys);
    while (!pending.empty()) {
        std::unique_ptr<RegKey> key = std::move(pending.back());
        pending.pop_back();
        for (auto& child : key->subkeys)
            pending.push_back(std::move(child));
        key->subkeys.clear();
    }
}

RegKey* RegKey::findSubkey(std::u16string_view n) const {
    size_t at = lowerBound(subkeys, n, keyName);
    return at < subkeys.size() && sameName(subkeys[at]->name, n) ? subkeys[at].get() : nullptr;
}

const RegValue* RegKey::findValue(std::u16string_view n) const {
    size_t at = lowerBound(values, n, valueName);
    return at < values.size() && sameName(values[at].name, n) ? &values[at] : nullptr;
}

WineHive::WineHive() : root_(std::make_unique<RegKey>()) {}
WineHive::WineHive(WineHive&&) noexcept = default;
WineHive& WineHive::operator=(WineHive&&) noexcept = default;
WineHive::~WineHive() = default;

std::uint64_t WineHive::now() const {
    if (clock_)
        return clock_();
    auto since = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() /
                                      100) +
           kTicks1601To1970;
}

WineHive WineHive::parse(std::string_view text, const std::string& fileName) {
    return WineHiveParser(text, fileName).run();
}

WineHive WineHive::load(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw RegistryFileError(file.string() + ": cannot be opened for reading");
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        throw RegistryFileError(file.string() + ": read error");
    return parse(text.str(), file.string());
}

RegKey* findKeyBelow(const RegKey& from, std::u16string_view path) {
    RegKey* key = const_cast<RegKey*>(&from);
    size_t i = 0;
    while (key && i <= path.size()) {
        size_t j = path.find(u'\\', i);
        if (j == std::u16string_view::npos)
            j = path.size();
        if (j > i)
            key = key->findSubkey(path.substr(i, j - i));
        i = j + 1;
    }
    return key;
}

std::size_t keyDepth(const RegKey& key) {
    std::size_t depth = 0;
    for (const RegKey* k = key.parent; k; k = k->parent)
        ++depth;
    return depth;
}

std::size_t pathDepth(std::u16string_view path) {
    std::size_t depth = 0;
    bool inName = false;
    for (char16_t c : path) {
        if (c != u'\\' && !inName)
            ++depth;
        inName = c != u'\\';
    }
    return depth;
}

RegKey* WineHive::find(std::u16string_view path) const {
    return findKeyBelow(*root_, path);
}

RegKey& WineHive::create(std::u16string_view path, bool* created) {
    RegKey* key = root_.get();
    bool isNew = false;
    size_t i = 0;
    while (i <= path.size()) {
        size_t j = path.find(u'\\', i);
        if (j == std::u16string_view::npos)
            j = path.size();
        if (j > i) {
            std::u16string_view part = path.substr(i, j - i);
            size_t at = lowerBound(key->subkeys, part, keyName);
            if (at < key->subkeys.size() && sameName(key->subkeys[at]->name, part)) {
                key = key->subkeys[at].get();
                isNew = false;
            } else {
                auto child = std::make_unique<RegKey>();
                child->name = std::u16string(part);
                child->parent = key;
                child->modif = loading_ ? 0 : now();
                child->rewrite = !loading_;
                RegKey* raw = child.get();
                key->subkeys.insert(key->subkeys.begin() + static_cast<long>(at), std::move(child));
                key = raw;
                isNew = true;
                dirty_ = !loading_;
            }
        }
        i = j + 1;
    }
    if (created)
        *created = isNew;
    return *key;
}

void WineHive::remove(RegKey& key) {
    RegKey* parent = key.parent;
    if (!parent)
        return;
    auto it = std::find_if(parent->subkeys.begin(), parent->subkeys.end(),
                           [&](const std::unique_ptr<RegKey>& k) { return k.get() == &key; });
    if (it == parent->subkeys.end())
        return;
    parent->subkeys.erase(it);
    if (parent != root_.get())
        touch(*parent);
    dirty_ = true;
}

void WineHive::setValue(RegKey& key, std::u16string_view name, std::uint32_t type, std::string_view data) {
    size_t at = lowerBound(key.values, name, valueName);
    if (at < key.values.size() && sameName(key.values[at].name, name)) {
        key.values[at].type = type;
        key.values[at].data.assign(data);
    } else {
        key.values.insert(key.values.begin() + static_cast<long>(at),
                          RegValue{std::u16string(name), type, std::string(data)});
    }
    touch(key);
}

bool WineHive::deleteValue(RegKey& key, std::u16string_view name) {
    size_t at = lowerBound(key.values, name, valueName);
    if (at >= key.values.size() || !sameName(key.values[at].name, name))
        return false;
    key.values.erase(key.values.begin() + static_cast<long>(at));
    touch(key);
    return true;
}

void WineHive::touch(RegKey& key) {
    key.modif = now();
    key.rewrite = true;
    dirty_ = true;
}

} // namespace tessaly
