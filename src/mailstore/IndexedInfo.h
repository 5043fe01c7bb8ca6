// IndexedInfo.h -- one indexed-info record of a store (a message's or a folder's details), checked.
#pragma once

#include "mailstore/StoreImage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tessaly {

class IndexedInfo {
public:
    // Reads the record at `offset`; nullopt when its marker, lengths or any index point outside it.
    static std::optional<IndexedInfo> read(const StoreImage& image, std::uint32_t offset);

    bool has(unsigned index) const { return index < kIndexes && fields_[index].present; }
    // A number: held in the index word itself, or the first four data bytes.
    std::optional<std::uint32_t> number(unsigned index) const;
    // A text up to its NUL (or the end of its field).
    std::string text(unsigned index) const;
    // An eight-byte value (a file time); nullopt when the field is shorter.
    std::optional<std::uint64_t> u64(unsigned index) const;

private:
    static constexpr unsigned kIndexes = 128;
    struct Field {
        bool present = false;
        bool direct = false;
        std::uint32_t value = 0; // the number itself, or the field's offset in the file
        std::uint32_t length = 0;
    };
    const unsigned char* base_ = nullptr;
    std::array<Field, kIndexes> fields_{};
};

} // namespace tessaly
