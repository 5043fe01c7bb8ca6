// BookmarkTokenizer.h -- splitting a bookmark file's HTML into tags and text, as leniently as a browser.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessaly {

struct BookmarkToken {
    enum class Type { StartTag, EndTag, Text };

    Type type = Type::Text;
    std::string name; // tags: the name in upper case
    // Start tags: upper-case names with their values, character references decoded; the first of
    // two attributes of the same name wins. A name without "=" has an empty value.
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string_view text; // Text: as written, character references not yet decoded
    std::size_t line = 1;  // where the token begins

    // The value of an attribute (name in upper case), or nullptr when the tag has none.
    const std::string* attribute(std::string_view upperName) const;
};

// Comments, declarations (<!DOCTYPE ...>) and processing instructions are skipped; a '<' that does not
// begin a tag is text. Throws FavoritesError when the text ends inside a tag, an attribute value or a
// comment, which is how a cut-off file looks.
class BookmarkTokenizer {
public:
    explicit BookmarkTokenizer(std::string_view text) : text_(text) {}

    // The next token; false at the end of the text.
    bool next(BookmarkToken& token);

private:
    std::size_t lineAt(std::size_t pos);
    [[noreturn]] void cutOff(const char* inside, std::size_t start);
    void readAttributes(BookmarkToken& token);
    std::size_t skipTo(std::string_view end, const char* inside, std::size_t start);

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
    std::size_t lineCountedTo_ = 0;
};

} // namespace tessaly
