// MailText.h -- generated text that compresses about as well as a mail store, for the benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace bench {

// Text that compresses about as well as a mail store: words, headers, and base64 "attachments".
class MailText {
public:
    explicit MailText(std::uint64_t seed) : x_(seed * 0x9E3779B97F4A7C15ull + 1) {}

    void fill(std::string& out, std::size_t size) {
        static const char* words[] = {"the",     "meeting", "tomorrow", "invoice", "please", "attached",
                                      "regards", "project", "update",   "thanks",  "about",  "report",
                                      "Monday",  "budget",  "review",   "client",  "server", "backup",
                                      "and",     "with",    "from",     "for",     "this",   "that"};
        static const char b64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        out.clear();
        while (out.size() < size) {
            std::uint64_t r = next();
            if (r % 16 == 0) { // an attachment line
                for (int i = 0; i < 76; ++i)
                    out += b64[next() & 63];
            } else if (r % 16 == 1) {
                out += "Message-ID: <" + std::to_string(next() % 100000000) + "@example.net>";
            } else {
                int n = 6 + int(r % 9);
                for (int i = 0; i < n; ++i) {
                    out += words[next() % (sizeof words / sizeof *words)];
                    out += ' ';
                }
            }
            out += "\r\n";
        }
        out.resize(size);
    }

private:
    std::uint64_t next() {
        x_ ^= x_ << 13;
        x_ ^= x_ >> 7;
        x_ ^= x_ << 17;
        return x_;
    }
    std::uint64_t x_;
};

} // namespace bench
