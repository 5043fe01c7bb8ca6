// IndexedInfo.cpp -- reading an indexed-info record with every offset and length inside the record.
#include "mailstore/IndexedInfo.h"

#include "mailstore/DbxLayout.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tessaly {

std::optional<IndexedInfo> IndexedInfo::read(const StoreImage& image, std::uint32_t offset) {
    std::optional<std::uint32_t> marker = image.u32(offset);
    std::optional<std::uint32_t> body = image.u32(std::uint64_t(offset) + 4);
    if (!marker || *marker != offset || !body ||
        !image.has(offset, dbx::kRecordHeaderSize + std::uint64_t(*body)))
        return std::nullopt;
    unsigned count = image.data()[offset + 10];
    std::uint64_t words = std::uint64_t(count) * 4;
    if (words > *body)
        return std::nullopt;
    std::uint64_t dataStart = offset + dbx::kRecordHeaderSize + words;
    std::uint64_t dataEnd = offset + dbx::kRecordHeaderSize + std::uint64_t(*body);
    IndexedInfo info;
    info.base_ = image.data();
    // Fields held in the data run from their start to the next field's start (or the data's end).
    std::vector<std::uint64_t> starts;
    for (unsigned i = 0; i < count; ++i) {
        std::uint32_t word = *image.u32(offset + dbx::kRecordHeaderSize + 4 * std::uint64_t(i));
        Field& f = info.fields_[word & 0x7F];
        f.present = true;
        f.direct = (word & 0x80) != 0;
        f.value = word >> 8;
        if (!f.direct) {
            if (dataStart + f.value >= dataEnd)
                return std::nullopt;
            starts.push_back(dataStart + f.value);
        }
    }
    std::sort(starts.begin(), starts.end());
    for (Field& f : info.fields_) {
        if (!f.present || f.direct)
            continue;
        std::uint64_t at = dataStart + f.value;
        auto next = std::upper_bound(starts.begin(), starts.end(), at);
        std::uint64_t end = next == starts.end() ? dataEnd : *next;
        f.value = std::uint32_t(at);
        f.length = std::uint32_t(end - at);
    }
    return info;
}

std::optional<std::uint32_t> IndexedInfo::number(unsigned index) const {
    if (!has(index))
        return std::nullopt;
    const Field& f = fields_[index];
    if (f.direct)
        return f.value;
    if (f.length < 4)
        return std::nullopt;
    const unsigned char* p = base_ + f.value;
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

std::string IndexedInfo::text(unsigned index) const {
    if (!has(index) || fields_[index].direct)
        return {};
    const char* p = reinterpret_cast<const char*>(base_ + fields_[index].value);
    const void* nul = std::memchr(p, 0, fields_[index].length);
    return std::string(p, nul ? static_cast<const char*>(nul) - p : fields_[index].length);
}

std::optional<std::uint64_t> IndexedInfo::u64(unsigned index) const {
    if (!has(index) || fields_[index].direct || fields_[index].length < 8)
        return std::nullopt;
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | base_[fields_[index].value + unsigned(i)];
    return v;
}

} // namespace tessaly
