// MboxWriter.h -- messages in the mboxrd form: a "From " line, then the text with every line that
// starts with ">"* "From " quoted by one more ">", then a blank line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly {

// Appends one message to `out`. `sender` goes on the "From " line when it is a plain address
// (no blanks or controls), else "MAILER-DAEMON". A text that does not end with a line break gets
// one, as the form needs; otherwise the text comes back unchanged when the quoting is undone.
void appendMboxMessage(std::string& out, std::string_view text, const std::string& sender,
                       std::uint64_t fileTime);

} // namespace tessaly
