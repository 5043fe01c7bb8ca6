// BookmarkTokenizer.cpp -- a forgiving HTML tokenizer for bookmark files.
#include "favorites/BookmarkTokenizer.h"
#include "platform/Text.h"

#include "favorites/BookmarkEntities.h"
#include "favorites/BookmarkTree.h"

#include <algorithm>
#include <cctype>

namespace tessaly {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isAlpha(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

} // namespace

const std::string* BookmarkToken::attribute(std::string_view upperName) const {
    for (const auto& [name, value] : attributes)
        if (name == upperName)
            return &value;
    return nullptr;
}

std::size_t BookmarkTokenizer::lineAt(std::size_t pos) {
    if (pos >= lineCountedTo_) {
        line_ += static_cast<std::size_t>(std::count(text_.begin() + static_cast<long>(lineCountedTo_),
                                                     text_.begin() + static_cast<long>(pos), '\n'));
        lineCountedTo_ = pos;
    }
    return line_;
}

void BookmarkTokenizer::cutOff(const char* inside, std::size_t start) {
    throw FavoritesError(std::string("it ends inside ") + inside + " that begins on line " +
                         std::to_string(lineAt(start)) + "; the file may be cut off");
}

std::size_t BookmarkTokenizer::skipTo(std::string_view end, const char* inside, std::size_t start) {
    const std::size_t at = text_.find(end, pos_);
    if (at == std::string_view::npos)
        cutOff(inside, start);
    return at + end.size();
}

void BookmarkTokenizer::readAttributes(BookmarkToken& token) {
    const std::size_t start = pos_;
    for (;;) {
        while (pos_ < text_.size() && (isSpace(text_[pos_]) || text_[pos_] == '/'))
            ++pos_;
        if (pos_ >= text_.size())
            cutOff("a tag", start);
        if (text_[pos_] == '>') {
            ++pos_;
            return;
        }
        const std::size_t nameStart = pos_;
        ++pos_; // a name may begin with any character, even '='
        while (pos_ < text_.size() && !isSpace(text_[pos_]) && text_[pos_] != '=' && text_[pos_] != '>' &&
               text_[pos_] != '/')
            ++pos_;
        std::string name = upperAscii(text_.substr(nameStart, pos_ - nameStart));
        while (pos_ < text_.size() && isSpace(text_[pos_]))
            ++pos_;
        std::string_view value;
        if (pos_ < text_.size() && text_[pos_] == '=') {
            ++pos_;
            while (pos_ < text_.size() && isSpace(text_[pos_]))
                ++pos_;
            if (pos_ < text_.size() && (text_[pos_] == '"' || text_[pos_] == '\'')) {
                const char quote = text_[pos_];
                const std::size_t close = text_.find(quote, pos_ + 1);
                if (close == std::string_view::npos)
                    cutOff("an attribute value", pos_);
                value = text_.substr(pos_ + 1, close - pos_ - 1);
                pos_ = close + 1;
            } else {
                const std::size_t valueStart = pos_;
                while (pos_ < text_.size() && !isSpace(text_[pos_]) && text_[pos_] != '>')
                    ++pos_;
                value = text_.substr(valueStart, pos_ - valueStart);
            }
        }
        if (!token.attribute(name))
            token.attributes.emplace_back(std::move(name), decodeEntities(value, true));
    }
}

bool BookmarkTokenizer::next(BookmarkToken& token) {
    token = BookmarkToken{};
    while (pos_ < text_.size()) {
        const std::size_t start = pos_;
        token.line = lineAt(start);
        if (text_[pos_] != '<') {
            const std::size_t lt = text_.find('<', pos_ + 1);
            pos_ = lt == std::string_view::npos ? text_.size() : lt;
            token.type = BookmarkToken::Type::Text;
            token.text = text_.substr(start, pos_ - start);
            return true;
        }
        const std::string_view rest = text_.substr(pos_);
        if (rest.starts_with("<!--")) {
            pos_ += 4;
            pos_ = skipTo("-->", "a comment", start);
            continue;
        }
        if (rest.starts_with("<!") || rest.starts_with("<?") || rest.starts_with("</")) {
            const bool endTag = rest.starts_with("</") && rest.size() > 2 && isAlpha(rest[2]);
            pos_ += 2;
            if (!endTag) {
                pos_ = skipTo(">", "a declaration", start);
                continue;
            }
            const std::size_t nameStart = pos_;
            while (pos_ < text_.size() && std::isalnum(static_cast<unsigned char>(text_[pos_])))
                ++pos_;
            token.type = BookmarkToken::Type::EndTag;
            token.name = upperAscii(text_.substr(nameStart, pos_ - nameStart));
            pos_ = skipTo(">", "a tag", start);
            return true;
        }
        if (rest.size() > 1 && isAlpha(rest[1])) {
            ++pos_;
            const std::size_t nameStart = pos_;
            while (pos_ < text_.size() && std::isalnum(static_cast<unsigned char>(text_[pos_])))
                ++pos_;
            token.type = BookmarkToken::Type::StartTag;
            token.name = upperAscii(text_.substr(nameStart, pos_ - nameStart));
            readAttributes(token);
            return true;
        }
        // A '<' that begins no tag ("a < b") is text.
        const std::size_t lt = text_.find('<', pos_ + 1);
        pos_ = lt == std::string_view::npos ? text_.size() : lt;
        token.type = BookmarkToken::Type::Text;
        token.text = text_.substr(start, pos_ - start);
        return true;
    }
    return false;
}

} // namespace tessaly
