// WriteSessionScriptedTest.cpp -- the writing window on a scripted control: drive and speed lists, the
// settings a write takes per medium, option boxes, and the reaction to every event.
#include "DiscUiTestKit.h"

#include "disc/DriveErrorText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>

namespace tessaly::test {
namespace {

using Texts = std::vector<std::string>;

void check(frmMaindvdwrite& w, const char* name, bool on) {
    control<QCheckBox>(&w, name)->setChecked(on);
}

Texts comboTexts(QComboBox* box) {
    Texts out;
    for (int i = 0; i < box->count(); ++i)
        out.push_back(box->itemText(i).toStdString());
    return out;
}

TEST(ScriptedDrives, OnlyWritersAreListedAndTheFirstIsSelected) {
    FakeWindow f([](FakeDiscWriter& c) { c.writers = {false, true, true}; });
    auto* devices = control<QComboBox>(&f.w(), "cboDevices");
    EXPECT_EQ(comboTexts(devices), (Texts{"1,1,0: PLEXTOR DVDR PX-716A", "1,2,0: PLEXTOR DVDR PX-716A"}));
    EXPECT_EQ(f.control.count("SelectDrive|1"), 1);
    EXPECT_EQ(f.w().selectedDrive(), 1);
    devices->setCurrentIndex(1);
    EXPECT_EQ(f.control.count("SelectDrive|2"), 1);
    EXPECT_EQ(f.w().selectedDrive(), 2);
    f.control.selectOk = false;
    devices->setCurrentIndex(0);
    EXPECT_EQ(f.w().selectedDrive(), -1);
    EXPECT_TRUE(f.ui.messages.empty());
}

TEST(ScriptedDrives, NoWriterSaysSoOnceAndWritingNeedsADrive) {
    FakeWindow f([](FakeDiscWriter& c) { c.writers = {false}; });
    EXPECT_EQ(texts(f.ui), Texts{"There are no compatible CDR drives reported.\r\n"
                                 "Some older CDR drives are not currently supported."});
    EXPECT_EQ(f.ui.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(control<QComboBox>(&f.w(), "cboDevices")->count(), 0);
    EXPECT_EQ(f.w().selectedDrive(), -1);
    clearMessages(f.ui);
    click(&f.w(), "cmdWriteDisc");
    trigger(&f.w(), "mnuImportSession");
    EXPECT_EQ(texts(f.ui), (Texts{"A drive is not selected or does not exist.",
                                  "A drive is not selected or does not exist."}));
    EXPECT_EQ(f.control.count("StartWrite"), 0);
}

TEST(ScriptedDrives, DrivesThatCannotBeInitializedAreSaidPlainly) {
    FakeWindow f([](FakeDiscWriter& c) {
        c.initOk = false;
        c.writers = {};
    });
    ASSERT_EQ(f.ui.messages.size(), 2u);
    EXPECT_EQ(f.ui.messages[0].text, "Drives Cannot be initialized!");
    EXPECT_EQ(f.ui.messages[0].icon, MsgIcon::None);
    EXPECT_EQ(f.ui.messages[1].text.substr(0, 44), "There are no compatible CDR drives reported.");
}

struct SpeedCase {
    const char* what;
    int media;
    int maxSpeed;
    Texts rows;
    const char* firstCall; // the speed set when the first row is selected, or nullptr
};

TEST(ScriptedSpeeds, RowsPerMediumAndTheSpeedTheySet) {
    const SpeedCase cases[] = {
        {"CD-RW at 4x", kMediaCdRw, 4 * 176 + 16, {"4x", "2x", "1x"}, "SetWriteSpeed|720"},
        // An exact multiple of 176 steps down to nothing after 2x.
        {"no medium counts as CD", kMediaNotLoaded, 8 * 176, {"8x", "4x", "2x"}, "SetWriteSpeed|1408"},
        {"DVD+R at 2x", kMediaDvdPlusR, 2 * 1380, {"2.0x", "1.5x", "1.0x"}, "SetWriteSpeed|2760"},
        {"no speed reported", kMediaDvdR, 0, {"Default"}, nullptr},
    };
    for (const SpeedCase& c : cases) {
        FakeWindow f([&](FakeDiscWriter& w) {
            w.mediaType = c.media;
            w.maxWriteSpeed = c.maxSpeed;
        });
        auto* speeds = control<QComboBox>(&f.w(), "cboWriteSpeed");
        EXPECT_EQ(comboTexts(speeds), c.rows) << c.what;
        EXPECT_EQ(speeds->currentIndex(), 0) << c.what;
        Texts speedCalls;
        for (const std::string& call : f.control.calls)
            if (call.rfind("SetWriteSpeed|", 0) == 0)
                speedCalls.push_back(call);
        EXPECT_EQ(speedCalls, c.firstCall ? Texts{c.firstCall} : Texts{}) << c.what;
    }
}

TEST(ScriptedSpeeds, ChoosingARowSetsItsSpeed) {
    FakeWindow f([](FakeDiscWriter& c) {
        c.mediaType = kMediaCdR;
        c.maxWriteSpeed = 40 * 176 + 16;
    });
    auto* speeds = control<QComboBox>(&f.w(), "cboWriteSpeed");
    speeds->setCurrentIndex(10);
    EXPECT_EQ(speeds->currentText(), "2x");
    EXPECT_EQ(f.control.calls.back(), "SetWriteSpeed|368");
}

TEST(ScriptedOptions, BufferProtectionFollowsTheDrive) {
    FakeWindow with([](FakeDiscWriter& c) { c.features = {kFeatureBufferProtection}; });
    auto* box = control<QCheckBox>(&with.w(), "chkUseBurnProof");
    EXPECT_TRUE(box->isEnabled());
    EXPECT_TRUE(box->isChecked());
    with.w().SetWindowIdle(false);
    EXPECT_FALSE(box->isEnabled());
    with.w().SetWindowIdle(true);
    EXPECT_TRUE(box->isEnabled());

    FakeWindow without;
    box = control<QCheckBox>(&without.w(), "chkUseBurnProof");
    EXPECT_FALSE(box->isEnabled());
    EXPECT_FALSE(box->isChecked());
    without.w().SetWindowIdle(true);
    EXPECT_FALSE(box->isEnabled());
}

TEST(ScriptedOptions, CacheAndMode2XaBoxes) {
    FakeWindow f;
    click(&f.w(), "chkCacheImage");
    click(&f.w(), "chkCacheImage"); // unchecking says nothing
    EXPECT_EQ(texts(f.ui),
              Texts{"Caching an image for a DVD format is not recommended and is limited to 4.2GB!"});
    EXPECT_EQ(f.ui.messages[0].icon, MsgIcon::Information);

    clearMessages(f.ui);
    click(&f.w(), "chkUseMode2XA");
    EXPECT_EQ(texts(f.ui), Texts{kTrackMode2XaUnsupported});
    EXPECT_FALSE(control<QCheckBox>(&f.w(), "chkUseMode2XA")->isChecked());
}

TEST(ScriptedWrite, ACdTakesEveryOptionAndTheTestWrite) {
    FakeWindow f([](FakeDiscWriter& c) { c.mediaType = kMediaCdR; });
    for (const char* name : {"chkAutoVerify", "chkFinalizeDisc", "chkCacheImage", "chkTestWrite",
                             "chkUseBurnProof", "chkDVDHighCompMode"})
        check(f.w(), name, true);
    check(f.w(), "chkUseJoliet", false);
    control<QLineEdit>(&f.w(), "txtVolIdentifier")->setText("Disc 7");
    f.control.SetWriteFlag(false);
    click(&f.w(), "cmdWriteDisc");
    const DiscSettings s = f.control.settings();
    EXPECT_TRUE(s.autoVerify);
    EXPECT_TRUE(s.finalizeDisc);
    EXPECT_TRUE(s.writeFlag);
    EXPECT_EQ(s.joliet, 0);
    EXPECT_EQ(s.volumeLabel, "Disc 7");
    EXPECT_TRUE(s.cacheImage);
    EXPECT_TRUE(s.bufferProtection);
    EXPECT_FALSE(s.dvdHighCompatibility) << "no DVD compatibility mode on a CD";
    EXPECT_TRUE(s.testWrite);
    EXPECT_EQ(f.control.count("SetTrackMode|1"), 1);
    EXPECT_EQ(f.control.count("StartWrite"), 1);
    EXPECT_TRUE(f.ui.messages.empty());
}

TEST(ScriptedWrite, ADvdTakesItsCompatibilityModeButNeverATestWrite) {
    FakeWindow f([](FakeDiscWriter& c) { c.mediaType = kMediaDvdPlusR; });
    check(f.w(), "chkTestWrite", true);
    check(f.w(), "chkDVDHighCompMode", true);
    check(f.w(), "chkUseBurnProof", false);
    click(&f.w(), "cmdWriteDisc");
    const DiscSettings s = f.control.settings();
    EXPECT_TRUE(s.dvdHighCompatibility);
    EXPECT_FALSE(s.testWrite);
    EXPECT_FALSE(s.bufferProtection);
    EXPECT_EQ(s.joliet, 1);
    EXPECT_EQ(f.control.count("StartWrite"), 1);
}

TEST(ScriptedWrite, RefusalsBeforeAndAtTheStart) {
    FakeWindow empty([](FakeDiscWriter& c) { c.mediaType = kMediaNotLoaded; });
    click(&empty.w(), "cmdWriteDisc");
    trigger(&empty.w(), "mnuImportSession");
    EXPECT_EQ(texts(empty.ui), (Texts{"Please Insert Writable Media before continuing!",
                                      "Please Insert a disc before continuing!"}));
    EXPECT_EQ(empty.control.count("StartWrite"), 0);
    EXPECT_EQ(empty.control.count("ImportSession|1"), 0);

    FakeWindow refused([](FakeDiscWriter& c) {
        c.jobsStart = false;
        c.importOk = false;
        c.saveOk = false;
    });
    click(&refused.w(), "cmdWriteDisc");
    trigger(&refused.w(), "mnuActionWrite"); // the Action menu runs the same command
    trigger(&refused.w(), "mnuFileWriteISO");
    trigger(&refused.w(), "mnuFileSaveISO");
    trigger(&refused.w(), "mnuImportSession");
    EXPECT_EQ(
        texts(refused.ui),
        (Texts{"Disc Write could not be started.", "Disc Write could not be started.",
               "Error Writing ISO File.", "Error creating ISO File.",
               "Previous Session could not be imported\r\nOnly ISO/Joliet tracks (Mode1) can be imported."}));
    for (const RecordedMessage& m : refused.ui.messages)
        EXPECT_EQ(m.icon, MsgIcon::Critical) << m.text;
    EXPECT_EQ(refused.control.count("StartWrite"), 2);
    EXPECT_EQ(refused.control.count("WriteISO|/nowhere/image.iso"), 1);
    EXPECT_TRUE(refused.w().windowIdle());

    // A cancelled file dialog starts nothing and says nothing.
    FakeWindow cancelled;
    cancelled.nextIso.reset();
    trigger(&cancelled.w(), "mnuFileSaveISO");
    trigger(&cancelled.w(), "mnuFileWriteISO");
    EXPECT_TRUE(cancelled.ui.messages.empty());
    for (const std::string& call : cancelled.control.calls)
        EXPECT_TRUE(call.rfind("SaveISO", 0) != 0 && call.rfind("WriteISO", 0) != 0) << call;
}

TEST(ScriptedWrite, TrayCommandsAndAbout) {
    FakeWindow f;
    trigger(&f.w(), "mnuEject");
    trigger(&f.w(), "mnuCloseTray");
    EXPECT_EQ(f.control.calls.back(), "EjectTray|1");
    EXPECT_EQ(f.control.count("EjectTray|0"), 1);
    trigger(&f.w(), "mnuAboutAbout");
    EXPECT_EQ(texts(f.ui), Texts{"Tessaly"});
}

struct PanelCase {
    const char* what;
    std::function<void(DiscEvents&)> event;
    int panel;
    const char* text;
};

TEST(ScriptedEvents, StatusTextsOfEachEvent) {
    const PanelCase cases[] = {
        {"caching 5", [](DiscEvents& e) { e.CachingProgress(5); }, 2, "Caching - 05 %"},
        {"caching 100", [](DiscEvents& e) { e.CachingProgress(100); }, 2, "Caching - 100 %"},
        {"reading", [](DiscEvents& e) { e.ReadProgress("Reading the last session", 12, 1); }, 1,
         "Track: 01 - Reading...12 - Reading the last session"},
        {"file open", [](DiscEvents& e) { e.FileError(0, "/src/a.txt"); }, 1,
         "ERROR:Error Opening File: /src/a.txt"},
        {"verify file",
         [](DiscEvents& e) { e.VerifyFile("\\Docs\\a.txt", "/s/a.txt", kVerifyMatched, 3, 9); }, 1,
         "Auto-Verify... \\Docs\\a.txt"},
        {"added file says nothing",
         [](DiscEvents& e) { e.ItemAdded("\\", "\\a.txt", "a.txt", "/a.txt", false); }, 1, "before"},
        {"added folder", [](DiscEvents& e) { e.ItemAdded("\\", "\\Mail", "Mail", "/m", true); }, 1,
         "Adding....\\Mail"},
    };
    for (const PanelCase& c : cases) {
        FakeWindow f;
        auto* panel = f.w().findChild<QWidget*>(QString("sbrStatusPanel%1").arg(c.panel));
        ASSERT_NE(panel, nullptr);
        panel->setProperty("text", "before");
        f.control.fire(c.event);
        EXPECT_EQ(f.w().panelText(c.panel).toStdString(), c.text) << c.what;
    }
}

TEST(ScriptedEvents, ProgressBarOfWriteAndVerify) {
    FakeWindow f;
    auto* bar = control<QProgressBar>(&f.w(), "prgTotalProgress");
    const std::vector<std::tuple<long long, long long, int>> writes = {
        {1, 3, 33}, {2, 3, 67}, {0, 0, 0}, {5, 5, 100}};
    for (const auto& [done, total, percent] : writes) {
        f.control.fire([&](DiscEvents& e) { e.WriteProgress(1, done, total); });
        EXPECT_EQ(bar->value(), percent) << done << "/" << total;
    }
    f.control.fire([](DiscEvents& e) { e.WritePreparing(); });
    EXPECT_EQ(bar->value(), 0);
    f.control.fire([](DiscEvents& e) { e.VerifyFile("\\a", "/a", kVerifyMatched, 1, 8); });
    EXPECT_EQ(bar->value(), 13);
}

TEST(ScriptedEvents, VerifyFailuresShowPlainBoxes) {
    FakeWindow f;
    const std::vector<std::pair<int, std::string>> results = {
        {kVerifySourceUnreadable, "Verify Error - Could not read Source file from disc: "},
        {kVerifyDiscUnreadable, "Verify Error - Could not read Destination file from disc: "},
        {kVerifyMismatch, "Verify Error - Source and Destination file did not match: "},
        {kVerifyMatched, ""},
        {4, ""},
        {kVerifySizeMismatch, "Verify Error - Size of Source and Destination file did not match: "},
    };
    for (const auto& [result, text] : results) {
        clearMessages(f.ui);
        f.control.fire(
            [result = result](DiscEvents& e) { e.VerifyFile("\\Docs\\a.txt", "/s/a.txt", result, 1, 2); });
        if (text.empty()) {
            EXPECT_TRUE(f.ui.messages.empty()) << result;
        } else {
            ASSERT_EQ(f.ui.messages.size(), 1u) << result;
            EXPECT_EQ(f.ui.messages[0].text, text + "\r\n\\Docs\\a.txt (disc)\r\n/s/a.txt (source)");
            EXPECT_EQ(f.ui.messages[0].icon, MsgIcon::None);
        }
    }
}

TEST(ScriptedEvents, EndOfAWriteByVerifyAndTestWrite) {
    struct EndCase {
        const char* what;
        bool verify;
        bool testWrite;
        Texts messages;
        int ejects;
    };
    const EndCase cases[] = {
        {"plain write", false, false, {"Writing is complete!"}, 1},
        {"test write", false, true, {"Writing is complete!"}, 0},
        {"verified write", true, false, {"Writing and Verify is complete!"}, 1},
        {"verified test write", true, true, {"Writing and Verify is complete!"}, 1},
    };
    for (const EndCase& c : cases) {
        FakeWindow f([](FakeDiscWriter& w) { w.mediaType = kMediaCdRw; });
        check(f.w(), "chkAutoVerify", c.verify);
        check(f.w(), "chkTestWrite", c.testWrite);
        click(&f.w(), "cmdWriteDisc");
        EXPECT_EQ(f.control.TestWrite(), c.testWrite) << c.what;
        f.control.fire([](DiscEvents& e) { e.WritePreparing(); });
        EXPECT_FALSE(f.w().windowIdle());
        f.control.fire([](DiscEvents& e) { e.WriteDone(); });
        if (c.verify) {
            f.control.fire([](DiscEvents& e) { e.VerifyStarted(9); });
            f.control.fire([](DiscEvents& e) { e.VerifyDone(9, 9); });
        }
        EXPECT_EQ(texts(f.ui), c.messages) << c.what;
        EXPECT_EQ(f.control.count("EjectTray|0"), c.ejects) << c.what;
        EXPECT_TRUE(f.w().windowIdle()) << c.what;
    }
}

TEST(ScriptedEvents, DriveErrorsAndCancelEndTheWindowsOwnJobWithoutEjecting) {
    FakeWindow f;
    f.control.fire([](DiscEvents& e) { e.WritePreparing(); });
    f.control.fire([](DiscEvents& e) { e.DriveError(3, 1008, "Buffer under-run", "3 0c 09"); });
    EXPECT_EQ(texts(f.ui), Texts{DriveErrorMessage(3, 1008, "Buffer under-run", "3 0c 09")});
    EXPECT_EQ(f.ui.messages[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(f.w().windowIdle());

    f.control.fire([](DiscEvents& e) { e.WritePreparing(); });
    f.control.fire([](DiscEvents& e) { e.WriteCancelled(); });
    EXPECT_EQ(f.control.count("EjectTray|0"), 0) << "neither ejects";
}

// Ok is met on the pseudo-drive; Cancel keeps the imported file.
TEST(ScriptedEvents, ReplaceImportedCancelledKeepsTheImportedFile) {
    FakeWindow f;
    f.ui.messageAnswers = {MsgResult::Cancel};
    bool replace = true;
    f.control.fire([&](DiscEvents& e) { e.ReplaceImported("\\a.tsy", "/home/a.tsy", "text", replace); });
    EXPECT_FALSE(replace);
    EXPECT_EQ(f.ui.messages.size(), 1u);
}

} // namespace
} // namespace tessaly::test
