// CronQuote.cpp -- quoting for cron and /bin/sh, and the reverse for reading our own lines.
#include "scheduler/CronQuote.h"

#include <stdexcept>

namespace tessaly {

std::string QuoteForCron(const std::string& value) {
    std::string word = "'";
    for (char c : value) {
        switch (c) {
        case '\n':
        case '\r':
        case '\0':
            throw std::invalid_argument("a crontab line cannot carry a line break or a zero character");
        case '\'':
            word += "'\"'\"'";
            break;
        case '%':
            word += "\\%";
            break;
        case '\\':
            word += "\\''";
            break;
        default:
            word += c;
        }
    }
    return word + "'";
}

CronCommand TranslateCronPercents(const std::string& commandPart, bool foldBackslashes) {
    CronCommand out;
    size_t i = 0;
    for (; i < commandPart.size(); ++i) {
        char c = commandPart[i];
        if (c == '\\' && i + 1 < commandPart.size() &&
            (commandPart[i + 1] == '%' || (foldBackslashes && commandPart[i + 1] == '\\'))) {
            out.command += commandPart[++i];
            continue;
        }
        if (c == '\\' && i + 1 < commandPart.size()) {
            // An escaped character other than "%" keeps its backslash.
            out.command += c;
            out.command += commandPart[++i];
            continue;
        }
        if (c == '%')
            break;
        out.command += c;
    }
    if (i < commandPart.size()) {
        for (++i; i < commandPart.size(); ++i)
            out.input += commandPart[i] == '%' ? '\n' : commandPart[i];
        out.input += '\n';
    }
    return out;
}

std::optional<std::vector<std::string>> SplitShellWords(const std::string& text, std::string* rest) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    if (rest)
        rest->clear();
    size_t i = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == ' ' || c == '\t') {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else if (c == ';') {
            if (rest)
                *rest = text.substr(i + 1);
            break;
        } else if (c == '#' && !inWord) {
            break;
        } else if (c == '\'') {
            size_t close = text.find('\'', i + 1);
            if (close == std::string::npos)
                return std::nullopt;
            word += text.substr(i + 1, close - i - 1);
            i = close;
            inWord = true;
        } else if (c == '"') {
            size_t j = i + 1;
            for (; j < text.size() && text[j] != '"'; ++j) {
                if (text[j] == '\\' && j + 1 < text.size() &&
                    std::string("\"\\$`").find(text[j + 1]) != std::string::npos)
                    ++j;
                word += text[j];
            }
            if (j >= text.size())
                return std::nullopt;
            i = j;
            inWord = true;
        } else if (c == '\\') {
            if (i + 1 < text.size())
                word += text[++i];
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

} // namespace tessaly
