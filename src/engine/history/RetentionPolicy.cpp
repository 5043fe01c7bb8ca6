// RetentionPolicy.cpp -- parsing a retention policy and choosing the backups it keeps.
#include "engine/history/RetentionPolicy.h"

#include <algorithm>
#include <charconv>
#include <numeric>

namespace tessaly {

namespace {

constexpr char kLetters[kRetentionRuleCount] = {'l', 'd', 'w', 'm', 'y'};
constexpr const char* kWords[kRetentionRuleCount] = {"last", "daily", "weekly", "monthly", "yearly"};

// The local-time period a backup falls in under a rule; equal keys mean the same period.
long long periodOf(RetentionRule rule, std::time_t when) {
    std::tm tm{};
    localtime_r(&when, &tm);
    long long year = tm.tm_year + 1900;
    switch (rule) {
    case RetentionRule::Last:
        return static_cast<long long>(when);
    case RetentionRule::Daily:
        return (year * 100 + tm.tm_mon + 1) * 100 + tm.tm_mday;
    case RetentionRule::Weekly: {
        char iso[16];
        std::strftime(iso, sizeof iso, "%G%V", &tm); // ISO year and week
        return std::stoll(iso);
    }
    case RetentionRule::Monthly:
        return year * 100 + tm.tm_mon + 1;
    case RetentionRule::Yearly:
        return year;
    }
    return 0;
}

} // namespace

bool RetentionPolicy::empty() const {
    return std::all_of(counts.begin(), counts.end(), [](int n) { return n == 0; });
}

std::optional<RetentionPolicy> parseRetentionPolicy(const std::string& text, std::string* error) {
    RetentionPolicy policy;
    std::array<bool, kRetentionRuleCount> seen{};
    size_t start = 0;
    auto refuse = [&](const std::string& why) -> std::optional<RetentionPolicy> {
        if (!error)
            return std::nullopt;
        *error = "the retention policy \"" + text + "\" " + why +
                 "; write counts like 7d,4w,6m (l last, d daily, w weekly, m monthly, y yearly)";
        return std::nullopt;
    };
    while (start < text.size()) {
        size_t comma = text.find(',', start);
        std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        start = comma == std::string::npos ? text.size() : comma + 1;
        if (part.size() < 2)
            return refuse("has an empty or incomplete part");
        const char* letter = std::find(std::begin(kLetters), std::end(kLetters), part.back());
        if (letter == std::end(kLetters))
            return refuse("has an unknown period \"" + std::string(1, part.back()) + "\"");
        int rule = static_cast<int>(letter - kLetters);
        int n = 0;
        auto [end, ec] = std::from_chars(part.data(), part.data() + part.size() - 1, n);
        if (ec != std::errc() || end != part.data() + part.size() - 1 || n < 0 || n > 100000)
            return refuse("has the count \"" + part.substr(0, part.size() - 1) + "\", which is no number");
        if (seen[rule])
            return refuse("names the period \"" + std::string(1, *letter) + "\" twice");
        seen[rule] = true;
        policy.counts[rule] = n;
    }
    if (!text.empty() && text.back() == ',')
        return refuse("ends with a comma");
    return policy;
}

std::string formatRetentionPolicy(const RetentionPolicy& policy) {
    std::string text;
    for (int i = 0; i < kRetentionRuleCount; ++i)
        if (policy.counts[i] > 0)
            text += (text.empty() ? "" : ",") + std::to_string(policy.counts[i]) + kLetters[i];
    return text;
}

std::string describeRetentionPolicy(const RetentionPolicy& policy) {
    std::string text;
    for (int i = 0; i < kRetentionRuleCount; ++i)
        if (policy.counts[i] > 0)
            text += (text.empty() ? "" : ", ") + std::to_string(policy.counts[i]) + " " + kWords[i];
    return text.empty() ? "none" : text;
}

std::vector<bool> keptByPolicy(const std::vector<std::time_t>& times, const RetentionPolicy& policy) {
    std::vector<bool> kept(times.size(), false);
    std::vector<size_t> newestFirst(times.size());
    std::iota(newestFirst.begin(), newestFirst.end(), size_t{0});
    std::stable_sort(newestFirst.begin(), newestFirst.end(),
                     [&](size_t a, size_t b) { return times[a] > times[b]; });
    for (int r = 0; r < kRetentionRuleCount; ++r) {
        const auto rule = static_cast<RetentionRule>(r);
        const int wanted = policy.counts[r];
        if (wanted <= 0 || newestFirst.empty())
            continue;
        int found = 0;
        std::optional<long long> last;
        for (size_t i : newestFirst) {
            long long period = periodOf(rule, times[i]);
            if (last == period)
                continue;
            last = period;
            if (kept[i])
                continue; // kept by a shorter rule: its period is used up without counting here
            kept[i] = true;
            if (++found == wanted)
                break;
        }
        // A rule that could not fill its count keeps the oldest backup too.
        if (found < wanted)
            kept[newestFirst.back()] = true;
    }
    return kept;
}

} // namespace tessaly
