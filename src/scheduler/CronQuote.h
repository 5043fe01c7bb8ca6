// CronQuote.h -- putting any text into a crontab command as one /bin/sh word, and reading it back.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tessaly {

// One /bin/sh word that stands for exactly `value` once cron has turned "\%" into "%": single
// quotes around everything, "'" written as '"'"', "%" as \%, and every backslash followed by an
// empty quote pair so that cron never sees it next to a "%" or another backslash (some crons fold
// "\\" too). Throws std::invalid_argument for a line break or a zero character, which a crontab
// line cannot carry.
std::string QuoteForCron(const std::string& value);

struct CronCommand {
    std::string command; // what cron hands to the shell
    std::string input;   // what it writes to the command's standard input
};

// What cron does to the command part of a line: "\%" becomes "%", the first other "%" ends the
// command and the rest, with each further "%" turned into a line break, is its standard input.
// With foldBackslashes, "\\" also becomes "\" (as some cron versions do).
CronCommand TranslateCronPercents(const std::string& commandPart, bool foldBackslashes = false);

// The words of a simple /bin/sh command up to an unquoted ";" or "#" or the end, with quotes and
// backslashes removed; *rest receives the text after the ";" (empty when there is none). nullopt for
// an unterminated quote. Expansions ($, `) are not performed: only literal words are expected.
std::optional<std::vector<std::string>> SplitShellWords(const std::string& text, std::string* rest = nullptr);

} // namespace tessaly
