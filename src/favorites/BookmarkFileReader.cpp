// BookmarkFileReader.cpp -- building the bookmark tree from the tags of a Netscape bookmark file.
#include "favorites/BookmarkFileReader.h"
#include "platform/Text.h"

#include "favorites/BookmarkCharset.h"
#include "favorites/BookmarkEntities.h"
#include "favorites/BookmarkTokenizer.h"

#include <cctype>

namespace tessaly {

namespace {

using Type = BookmarkToken::Type;

constexpr std::string_view kDoctype = "NETSCAPE-BOOKMARK-FILE-1";
constexpr std::int64_t kLatestSecond = 99'999'999'999; // beyond this a date is in ms or us

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Skips blanks and comments, then expects <!DOCTYPE NETSCAPE-Bookmark-file-1>.
bool startsWithDoctype(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    std::size_t p = 0;
    for (;;) {
        while (p < text.size() && isSpace(text[p]))
            ++p;
        if (text.substr(p).starts_with("<!--")) {
            const std::size_t end = text.find("-->", p + 4);
            if (end == std::string_view::npos)
                return false;
            p = end + 3;
            continue;
        }
        break;
    }
    std::string head = lowerAscii(text.substr(p, 64));
    if (!head.starts_with("<!doctype"))
        return false;
    std::size_t q = 9;
    if (q >= head.size() || !isSpace(head[q]))
        return false;
    while (q < head.size() && isSpace(head[q]))
        ++q;
    if (head.compare(q, kDoctype.size(), lowerAscii(kDoctype)) != 0)
        return false;
    q += kDoctype.size();
    while (q < head.size() && isSpace(head[q]))
        ++q;
    return q < head.size() && head[q] == '>';
}

// Runs of blanks and line breaks become one blank, as a browser shows the text.
std::string collapseSpace(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (isSpace(c)) {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
        } else {
            out += c;
        }
    }
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::int64_t dateValue(const std::string* attribute) {
    if (!attribute || attribute->empty() || attribute->size() > 18)
        return 0;
    std::int64_t value = 0;
    for (char c : *attribute) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return 0;
        value = value * 10 + (c - '0');
    }
    while (value > kLatestSecond)
        value /= 1000;
    return value;
}

// The address without surrounding blanks and without the TAB, CR and LF that browsers drop from it.
std::string cleanAddress(std::string_view href) {
    std::string out;
    for (char c : href)
        if (c != '\t' && c != '\n' && c != '\r')
            out += c;
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    std::size_t b = 0;
    while (b < out.size() && blank(out[b]))
        ++b;
    std::size_t e = out.size();
    while (e > b && blank(out[e - 1]))
        --e;
    return out.substr(b, e - b);
}

class TreeBuilder {
public:
    void feed(const BookmarkToken& token) {
        switch (token.type) {
        case Type::Text:
            if (collect_ != Collect::None)
                collected_ += token.text;
            break;
        case Type::StartTag:
            startTag(token);
            break;
        case Type::EndTag:
            endTag(token);
            break;
        }
    }

    BookmarkFile finish() {
        finishCollect();
        if (!open_.empty()) {
            const BookmarkNode* inner = open_.back();
            throw FavoritesError(
                inner == &file_.root
                    ? std::string("it ends before its list of bookmarks is closed (a </DL> is "
                                  "missing); the file may be cut off")
                    : "it ends before the folder \"" + inner->name +
                          "\" is closed (a </DL> is missing); the file may be cut off");
        }
        return std::move(file_);
    }

private:
    enum class Collect { None, LinkTitle, FolderTitle, Description, Heading };

    BookmarkNode& current() { return open_.empty() ? file_.root : *open_.back(); }

    void startTag(const BookmarkToken& token) {
        const std::string& name = token.name;
        if (name == "A") {
            finishCollect();
            pendingFolder_ = nullptr;
            linkTag_ = token;
            begin(Collect::LinkTitle);
        } else if (name == "H3") {
            finishCollect();
            BookmarkNode folder;
            folder.kind = BookmarkNode::Kind::Folder;
            folder.addDate = dateValue(token.attribute("ADD_DATE"));
            folder.lastModified = dateValue(token.attribute("LAST_MODIFIED"));
            const std::string* toolbar = token.attribute("PERSONAL_TOOLBAR_FOLDER");
            folder.toolbar = toolbar && lowerAscii(*toolbar) == "true";
            current().children.push_back(std::move(folder));
            pendingFolder_ = lastItem_ = &current().children.back();
            begin(Collect::FolderTitle);
        } else if (name == "DL") {
            finishCollect();
            if (open_.size() > kMaxBookmarkDepth)
                throw FavoritesError("its folders are nested more than " + std::to_string(kMaxBookmarkDepth) +
                                     " deep (line " + std::to_string(token.line) + ")");
            open_.push_back(pendingFolder_ ? pendingFolder_ : &current());
            pendingFolder_ = lastItem_ = nullptr;
        } else if (name == "DD") {
            finishCollect();
            if (lastItem_)
                begin(Collect::Description);
        } else if (name == "H1" || name == "TITLE") {
            finishCollect();
            begin(Collect::Heading);
        } else if (name == "DT" || name == "HR" || name == "P" || name == "META") {
            finishCollect();
        } else if (name == "BR" && collect_ != Collect::None) {
            collected_ += ' ';
        }
    }

    void endTag(const BookmarkToken& token) {
        const std::string& name = token.name;
        if ((name == "A" && collect_ == Collect::LinkTitle) ||
            (name == "H3" && collect_ == Collect::FolderTitle) ||
            ((name == "H1" || name == "TITLE") && collect_ == Collect::Heading) ||
            (name == "DD" && collect_ == Collect::Description)) {
            finishCollect();
        } else if (name == "DL") {
            finishCollect();
            pendingFolder_ = lastItem_ = nullptr;
            if (!open_.empty())
                open_.pop_back();
        }
    }

    void begin(Collect what) {
        collect_ = what;
        collected_.clear();
    }

    void finishCollect() {
        const Collect what = collect_;
        collect_ = Collect::None;
        if (what == Collect::None || what == Collect::Heading)
            return;
        std::string text = collapseSpace(decodeEntities(collected_));
        if (what == Collect::FolderTitle && pendingFolder_)
            pendingFolder_->name = std::move(text);
        else if (what == Collect::Description && lastItem_)
            lastItem_->description = std::move(text);
        else if (what == Collect::LinkTitle)
            addLink(std::move(text));
    }

    void addLink(std::string title) {
        const std::string* href = linkTag_.attribute("HREF");
        const std::string url = href ? cleanAddress(*href) : std::string();
        std::string reason;
        if (url.empty())
            reason = "it has no address";
        else
            reason = refusedAddressReason(url);
        if (!reason.empty()) {
            file_.skipped.push_back(folderPath() +
                                    (!title.empty() ? title
                                     : !url.empty() ? url
                                                    : "(untitled)") +
                                    ": " + reason);
            lastItem_ = nullptr;
            return;
        }
        BookmarkNode link;
        link.kind = BookmarkNode::Kind::Link;
        link.name = std::move(title);
        link.url = url;
        link.addDate = dateValue(linkTag_.attribute("ADD_DATE"));
        link.lastModified = dateValue(linkTag_.attribute("LAST_MODIFIED"));
        current().children.push_back(std::move(link));
        lastItem_ = &current().children.back();
    }

    std::string folderPath() const {
        std::string path;
        const BookmarkNode* previous = nullptr;
        for (const BookmarkNode* folder : open_) {
            if (folder != &file_.root && folder != previous)
                path += folder->name + "\\";
            previous = folder;
        }
        return path;
    }

    BookmarkFile file_;
    std::vector<BookmarkNode*> open_;       // folders whose lists are open; root first
    BookmarkNode* pendingFolder_ = nullptr; // a heading whose list has not begun
    BookmarkNode* lastItem_ = nullptr;      // what a <DD> describes
    BookmarkToken linkTag_;
    Collect collect_ = Collect::None;
    std::string collected_;
};

} // namespace

std::string refusedAddressReason(std::string_view url) {
    for (char c : url)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return "its address holds control characters";
    std::size_t colon = 0;
    while (colon < url.size() && (std::isalnum(static_cast<unsigned char>(url[colon])) || url[colon] == '+' ||
                                  url[colon] == '-' || url[colon] == '.'))
        ++colon;
    if (colon == 0 || colon >= url.size() || url[colon] != ':' ||
        !std::isalpha(static_cast<unsigned char>(url[0])))
        return "its address \"" + std::string(url) + "\" is not a full web address";
    const std::string scheme = lowerAscii(url.substr(0, colon));
    if (scheme == "javascript" || scheme == "vbscript" || scheme == "livescript" || scheme == "data")
        return "a " + scheme + ": address runs script and is not imported";
    if (scheme == "place")
        return "a place: address is a query of one browser, not a web address";
    return {};
}

BookmarkFile parseBookmarkFile(std::string_view bytes) {
    const bool utf16 = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
    if (!utf16 && !startsWithDoctype(bytes))
        throw FavoritesError("it is not a bookmark file (it does not begin with "
                             "<!DOCTYPE NETSCAPE-Bookmark-file-1>)");
    const std::string text = bookmarkFileText(bytes);
    if (utf16 && !startsWithDoctype(text))
        throw FavoritesError("it is not a bookmark file (it does not begin with "
                             "<!DOCTYPE NETSCAPE-Bookmark-file-1>)");

    BookmarkTokenizer tokenizer(text);
    TreeBuilder builder;
    BookmarkToken token;
    while (tokenizer.next(token))
        builder.feed(token);
    return builder.finish();
}

} // namespace tessaly
