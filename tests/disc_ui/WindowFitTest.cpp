// WindowFitTest.cpp -- every window opens inside a 1280 x 800 screen at scale factors 1, 1.5 and 2, and
// needs no scroll bar up to 1.5.
#include "RunProgram.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace tessaly::test {
namespace {

class WindowFit : public ::testing::TestWithParam<const char*> {};

TEST_P(WindowFit, EveryWindowFitsA1280x800Screen) {
    TempDir dir;
    // The offscreen platform's screen, as a file of its own format.
    writeFile(dir / "screen.json", R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1280,
        "height": 800, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    // Down to scale 1.5 (853 x 533) every window shows all of itself; at 2 a window may scroll.
    const bool scale2 = std::string(GetParam()) == "2";
    RunResult run = runProgram({TESSALY_WINDOW_FIT_CHECK, scale2 ? "" : "--no-scrolling"},
                               {{"QT_QPA_PLATFORM", "offscreen:configfile=" + (dir / "screen.json").string()},
                                {"QT_SCALE_FACTOR", GetParam()},
                                {"TMPDIR", dir.path().string()},
                                {"HOME", dir.path().string()}});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::string freeArea = std::string(GetParam()) == "2"     ? "640x400"
                                 : std::string(GetParam()) == "1.5" ? "853x533"
                                                                    : "1280x800";
    EXPECT_NE(run.out.find("checked 7 windows on a free area of " + freeArea), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(ScaleFactors, WindowFit, ::testing::Values("1", "1.5", "2"), [](const auto& info) {
    return std::string(info.param == std::string("1.5") ? "1_5" : info.param);
});

} // namespace
} // namespace tessaly::test
