// SchedulerTestSupport.cpp -- test crontabs, cron's command treatment and the private spool.
#include "SchedulerTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <grp.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly::test {

FakeCrontabProgram::FakeCrontabProgram(const fs::path& dir) : dir_(dir), program_(dir / "crontab") {
    writeFile(
        program_,
        "#!/bin/sh\n"
        "dir='" +
            dir.string() +
            "'\n"
            "case \"$1\" in\n"
            "-l) if [ -f \"$dir/table\" ]; then cat \"$dir/table\"; else\n"
            "    echo \"no crontab for tester\" >&2; exit 1; fi ;;\n"
            "-) if [ -f \"$dir/fail\" ]; then cat >/dev/null;\n"
            "    echo '\"-\":1: bad minute' >&2; echo 'errors in crontab file, can'\"'\"'t install.' >&2;\n"
            "    exit 1; fi\n"
            "   cat > \"$dir/table.new\" && mv \"$dir/table.new\" \"$dir/table\" ;;\n"
            "*) echo \"fake crontab: $*\" >&2; exit 2 ;;\n"
            "esac\n");
    fs::permissions(program_, fs::perms::owner_all);
}

std::optional<std::string> FakeCrontabProgram::table() const {
    if (!fs::exists(tableFile()))
        return std::nullopt;
    return readFile(tableFile());
}

std::string CommandAsCronRunsIt(const std::string& line, bool foldBackslashes) {
    size_t pos = 0;
    for (int field = 0; field < 5; ++field) {
        pos = line.find_first_not_of(" \t", pos);
        pos = line.find_first_of(" \t", pos);
    }
    pos = line.find_first_not_of(" \t", pos);
    std::string command;
    for (size_t i = pos; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
            char next = line[++i];
            if (next != '%' && !(foldBackslashes && next == '\\'))
                command += c;
            command += next;
        } else if (c == '%') {
            break; // the rest would be the command's standard input
        } else {
            command += c;
        }
    }
    return command;
}

std::string LineOfJob(const std::string& table, unsigned n) {
    std::istringstream lines(table);
    for (std::string line; std::getline(lines, line);)
        if (!line.starts_with("#") &&
            line.find(" TESSALY_JOB=" + std::to_string(n) + " ") != std::string::npos)
            return line;
    return "";
}

RunResult RunAsCron(const std::string& command, const fs::path& home,
                    const std::map<std::string, std::optional<std::string>>& extra) {
    std::map<std::string, std::optional<std::string>> env = {{"HOME", home.string()},
                                                             {"LOGNAME", "root"},
                                                             {"PATH", "/usr/bin:/bin"},
                                                             {"SHELL", "/bin/sh"},
                                                             {"WINEPREFIX", std::nullopt},
                                                             {"TESSALY_CRONTAB", std::nullopt},
                                                             {"TESSALY_PASSWORD", std::nullopt},
                                                             {"XDG_DATA_HOME", std::nullopt}};
    for (const auto& [name, value] : extra)
        env[name] = value;
    return runProgram({"/bin/sh", "-c", command}, env);
}

namespace {
const char* kSpool = "/var/spool/cron/crontabs";
const char* kMarker = ".tessaly-private-spool";
} // namespace

Spool EnterPrivateSpool(std::string& why) {
    if (std::getenv("TESSALY_PRIVATE_SPOOL")) {
        if (!fs::exists(fs::path(kSpool) / kMarker)) {
            why = "the private spool is not in place";
            ADD_FAILURE() << why;
            return Spool::Unavailable;
        }
        return Spool::Inside;
    }
    for (const char* tool : {"/usr/bin/crontab", "/usr/bin/unshare", kSpool})
        if (!fs::exists(tool)) {
            why = std::string(tool) + " does not exist (install the cron package)";
            return Spool::Unavailable;
        }
    TempDir spool;
    // The mode and group Debian gives the spool, so crontab works in it as it does in the real one.
    chmod(spool.path().c_str(), 01730);
    if (group* g = getgrnam("crontab"))
        (void)!chown(spool.path().c_str(), static_cast<uid_t>(-1), g->gr_gid);
    writeFile(spool / kMarker, "");
    const std::string bind = "mount --bind \"$0\" " + std::string(kSpool);
    RunResult probe = runProgram({"/usr/bin/unshare", "--mount", "--propagation", "private", "/bin/sh", "-c",
                                  bind, spool.path().string()});
    if (probe.exitCode != 0) {
        why = "cannot bind a private cron spool in a mount namespace (needs root): " + probe.err;
        return Spool::Unavailable;
    }
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    std::string self = fs::read_symlink("/proc/self/exe").string();
    RunResult child =
        runProgram({"/usr/bin/unshare", "--mount", "--propagation", "private", "/bin/sh", "-c",
                    bind + " && exec \"$@\"", spool.path().string(), self, "--gtest_filter=" + name},
                   {{"TESSALY_PRIVATE_SPOOL", spool.path().string()}, {"TESSALY_CRONTAB", std::nullopt}});
    EXPECT_EQ(child.exitCode, 0) << child.out << child.err;
    EXPECT_NE(child.out.find("[  PASSED  ] 1 test"), std::string::npos) << child.out << child.err;
    return Spool::RanOutside;
}

} // namespace tessaly::test
