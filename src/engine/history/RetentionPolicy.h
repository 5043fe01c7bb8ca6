// RetentionPolicy.h -- how many earlier backups to keep per period, and which ones those are.
#pragma once

#include <array>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {

// The rules in the order they are applied: shortest period first.
enum class RetentionRule { Last, Daily, Weekly, Monthly, Yearly };
inline constexpr int kRetentionRuleCount = 5;

struct RetentionPolicy {
    std::array<int, kRetentionRuleCount> counts{}; // indexed by RetentionRule
    int count(RetentionRule rule) const { return counts[static_cast<int>(rule)]; }
    bool empty() const;
    bool operator==(const RetentionPolicy&) const = default;
};

// The environment variable a scheduled job (and tessaly-cli) reads the policy from.
inline constexpr const char* kKeepVariable = "TESSALY_KEEP";
// The policy of a new scheduled job and of the backup tab.
inline constexpr const char* kDefaultScheduleKeep = "7d,4w,6m";
inline constexpr const char* kDefaultInteractiveKeep = "5l";

// "7d,4w,6m": comma-separated counts, each followed by l (last), d (daily), w (weekly, ISO weeks),
// m (monthly) or y (yearly); each letter at most once. nullopt with *error set (when given) for
// anything else.
// An empty text is an empty policy (no history: a complete run replaces the earlier file).
std::optional<RetentionPolicy> parseRetentionPolicy(const std::string& text, std::string* error);
// The text parseRetentionPolicy reads back, rules in the order above; "" for an empty policy.
std::string formatRetentionPolicy(const RetentionPolicy& policy);
// "7 daily, 4 weekly, 6 monthly" for the windows and messages.
std::string describeRetentionPolicy(const RetentionPolicy& policy);

// Which of the backups made at `times` (any order) the policy keeps, by index. Each rule in turn walks
// the backups from the newest, keeps the newest one of each local-time period (the second, for
// "last") until it has its count, skipping periods whose newest backup an earlier rule already kept
// (they count for that rule only); a rule that runs out of backups before reaching its count keeps
// the oldest backup as well.
std::vector<bool> keptByPolicy(const std::vector<std::time_t>& times, const RetentionPolicy& policy);

} // namespace tessaly
