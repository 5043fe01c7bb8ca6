// CodePage.h -- the ANSI code page of a profile: conversion between UTF-8 and its 8-bit text.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace tessaly {

// Converts through iconv. Cheap to copy; copies share the conversion descriptors (guarded by a mutex).
class CodePage {
public:
    // Throws std::runtime_error when iconv knows no code page of that number.
    explicit CodePage(unsigned number = 1252);

    unsigned number() const { return number_; }

    // A character the code page cannot hold becomes '?', and so does every byte that is not
    // well-formed UTF-8.
    std::string toAnsi(std::string_view utf8) const;
    // To UTF-8; a byte (or byte sequence) that the code page leaves undefined becomes '?'.
    std::string fromAnsi(std::string_view ansi) const;

private:
    struct Converters;
    unsigned number_;
    std::shared_ptr<Converters> conv_;
};

// The iconv name under which a Windows code page number is looked up ("CP1252", "UTF-8" for 65001).
std::string iconvNameOfCodePage(unsigned number);

} // namespace tessaly
