// DiscInfoEraseTest.cpp -- the disc information and erase windows on a scripted control: labels per
// medium from the code tables, closing a session or disc, erasing per medium and drive.
#include "DiscUiTestKit.h"
#include "Mnemonics.h"

#include "disc/DriveErrorText.h"
#include "disc/ui/frmDiscInfo.h"
#include "disc/ui/frmErase.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <QTimer>

namespace tessaly::test {
namespace {

using Texts = std::vector<std::string>;

std::string label(QWidget* w, const char* name) {
    auto* l = control<QLabel>(w, name);
    return l ? l->text().toStdString() : std::string();
}

bool checked(QWidget* w, const char* name) {
    auto* box = control<QCheckBox>(w, name);
    return box && box->isChecked();
}

bool enabled(QWidget* w, const char* name) {
    auto* b = control<QWidget>(w, name);
    return b && b->isEnabled();
}

TEST(DiscInfo, LabelsOfEachMediumFromTheCodeTables) {
    // The control's codes (medium, disc status, last session status, disc type, sessions), the labels
    // shown, and whether the session and disc may be closed.
    const struct {
        int codes[5];
        Texts labels;
        bool closable;
    } cases[] = {
        {{kMediaCdR, kDiscOpen, kSessionIncomplete, kDiscTypeCdRomXa, 2},
         {"CD-R", "Disc Open", "2", "Incomplete Session", "CD-ROM XA"},
         true},
        {{kMediaDvdPlusR, kDiscClosed, kSessionClosed, kDiscTypeUnknown, 1},
         {"DVD+R", "Disc is Closed", "1", "Closed Session", "Unknown"},
         false},
        {{kMediaCdRw, kDiscEmpty, kSessionEmpty, kDiscTypeCdDaRom, 0},
         {"CD-RW", "Empty Disc", "0", "Empty Session", "CD-DA/CD-ROM"},
         false},
        {{kMediaDvdPlusRDualLayer, kDiscUnknown, kSessionUnknown, kDiscTypeCdi, 0},
         {"DVD+R Dual Layer", "Unknown", "0", "Unknown", "CDI"},
         false},
        {{77, 9, 8, 1, 0}, {"N/A", "N/A", "0", "N/A", "N/A"}, false}, // codes the tables do not know
    };
    for (const auto& c : cases) {
        RecordingUi ui;
        FakeDiscWriter disc;
        disc.mediaType = c.codes[0], disc.discStatus = c.codes[1], disc.lastSessionStatus = c.codes[2];
        disc.discType = c.codes[3], disc.sessionCount = c.codes[4];
        frmDiscInfo* w = ShowDiscInfo(disc, ui, nullptr);
        ASSERT_NE(w, nullptr) << c.labels[0];
        EXPECT_TRUE(w->isVisible());
        EXPECT_FALSE(w->isModal());
        Texts shown;
        for (const char* name : {"lblValueMediaType", "lblValueDiscStatus", "lblValueSessions",
                                 "lblValueLastSessionStatus", "lblValueDiscType"})
            shown.push_back(label(w, name));
        EXPECT_EQ(shown, c.labels);
        EXPECT_EQ(enabled(w, "cmdCloseSession"), c.closable) << c.labels[0];
        EXPECT_EQ(enabled(w, "cmdCloseDisc"), c.closable) << c.labels[0];
        EXPECT_TRUE(ui.messages.empty());
        delete w;
    }
}

TEST(DiscInfo, SpaceInMegabytesAndFactBoxes) {
    RecordingUi ui;
    FakeDiscWriter disc;
    disc.mediaType = kMediaDvdPlusR;
    disc.freeBlocks = 2'000'000, disc.usedBlocks = 295'104, disc.totalBlocks = 2'295'104;
    disc.multiSession = true, disc.importAllowed = false;
    disc.fileSystems = kFsIso9660 | kFsUdf;
    frmDiscInfo* w = ShowDiscInfo(disc, ui, nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(mnemonicProblems(w), std::vector<std::string>{});
    EXPECT_EQ(label(w, "lblValueFreeSpace"), "3906.25 MB");
    EXPECT_EQ(label(w, "lblValueUsedSpace"), "576.38 MB");
    EXPECT_EQ(label(w, "lblValueTotalCapacity"), "4482.63 MB");
    EXPECT_TRUE(checked(w, "chkMultiSessionAllowed"));
    EXPECT_FALSE(checked(w, "chkImportPermitted"));
    EXPECT_TRUE(checked(w, "chkISO9660FS"));
    EXPECT_FALSE(checked(w, "chkJolietFS"));
    EXPECT_TRUE(checked(w, "chkUDFFS"));
    EXPECT_FALSE(checked(w, "chkOtherFS"));
    // Showing a fact is all these boxes do.
    QTest::mouseClick(control<QCheckBox>(w, "chkJolietFS"), Qt::LeftButton);
    EXPECT_FALSE(checked(w, "chkJolietFS"));
    delete w;
}

TEST(DiscInfo, NoMediumNoWindow) {
    RecordingUi ui;
    FakeDiscWriter disc;
    disc.mediaType = kMediaNotLoaded;
    EXPECT_EQ(ShowDiscInfo(disc, ui, nullptr), nullptr);
    EXPECT_EQ(texts(ui), Texts{"No Media Loaded...Cannot Get Disc Info!"});
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Information);
}

// An open CD-R of two sessions, the last one incomplete, in the writing window and its info window.
struct ClosingRig {
    FakeWindow writing{[](FakeDiscWriter& c) {
        c.mediaType = kMediaCdR, c.discStatus = kDiscOpen, c.sessionCount = 2;
        c.lastSessionStatus = kSessionIncomplete;
    }};
    frmDiscInfo* info = nullptr;
    ClosingRig() {
        trigger(&writing.w(), "mnuDiscInfo");
        info = writing.w().findChild<frmDiscInfo*>("frmDiscInfo");
    }
};

TEST(DiscInfo, ClosingTheSessionReportsAndRefreshes) {
    ClosingRig rig;
    ASSERT_NE(rig.info, nullptr);
    EXPECT_TRUE(rig.info->isVisible());
    FakeDiscWriter& disc = rig.writing.control;
    click(rig.info, "cmdCloseSession");
    EXPECT_EQ(disc.count("CloseMedia|0"), 1);
    EXPECT_TRUE(rig.info->busy());
    for (const char* name : {"cmdOK", "cmdCloseDisc", "cmdCloseSession"})
        EXPECT_FALSE(enabled(rig.info, name)) << name;
    rig.info->close();
    EXPECT_TRUE(rig.info->isVisible()) << "busy: it stays";

    disc.fire([](DiscEvents& e) { e.ClosingSession(); });
    EXPECT_EQ(label(rig.info, "lblStatus"), "...Closing Session...");
    EXPECT_EQ(rig.writing.w().panelText(1), "Closing Session....");
    disc.lastSessionStatus = kSessionClosed;
    disc.fire([](DiscEvents& e) { e.WriteDone(); });
    EXPECT_EQ(label(rig.info, "lblStatus"), "Closing Successful!!");
    EXPECT_EQ(label(rig.info, "lblValueLastSessionStatus"), "Closed Session");
    EXPECT_EQ(texts(rig.writing.ui), Texts{"Session/Disc Closed Successful!"});
    EXPECT_FALSE(rig.info->busy());
    EXPECT_TRUE(enabled(rig.info, "cmdOK"));
    EXPECT_FALSE(enabled(rig.info, "cmdCloseSession"));
    // The writing window moves its status text but neither announces a write nor ejects.
    EXPECT_EQ(rig.writing.w().panelText(1), "Writing Complete!");
    EXPECT_EQ(disc.count("EjectTray|0"), 0);

    // Asking again refreshes the open window instead of opening a second one.
    disc.sessionCount = 3;
    trigger(&rig.writing.w(), "mnuDiscInfo");
    EXPECT_EQ(rig.writing.w().findChildren<frmDiscInfo*>().size(), 1);
    EXPECT_EQ(label(rig.info, "lblValueSessions"), "3");

    click(rig.info, "cmdOK");
    settle();
    EXPECT_EQ(rig.writing.w().findChild<frmDiscInfo*>("frmDiscInfo"), nullptr) << "closed and gone";
}

TEST(DiscInfo, ClosingTheDiscThatCannotStartOrFails) {
    ClosingRig rig;
    ASSERT_NE(rig.info, nullptr);
    FakeDiscWriter& disc = rig.writing.control;
    disc.jobsStart = false;
    click(rig.info, "cmdCloseDisc");
    EXPECT_EQ(disc.count("CloseMedia|1"), 1);
    EXPECT_EQ(texts(rig.writing.ui), Texts{"Error attempting to Close Disc!"});
    EXPECT_EQ(rig.writing.ui.messages[0].icon, MsgIcon::Critical);
    EXPECT_FALSE(rig.info->busy());
    for (const char* name : {"cmdOK", "cmdCloseDisc", "cmdCloseSession"})
        EXPECT_TRUE(enabled(rig.info, name)) << name;
    click(rig.info, "cmdCloseSession");
    EXPECT_EQ(texts(rig.writing.ui).back(), "Error attempting to Close Session!");

    clearMessages(rig.writing.ui);
    disc.jobsStart = true;
    click(rig.info, "cmdCloseDisc");
    disc.fire([](DiscEvents& e) { e.ClosingDisc(); });
    EXPECT_EQ(label(rig.info, "lblStatus"), "...Closing Disc...");
    disc.fire([](DiscEvents& e) { e.DriveError(3, 1042, "close failed", "5 2c 00"); });
    // The info window reports it once; the writing window, whose job it was not, stays quiet.
    EXPECT_EQ(texts(rig.writing.ui), Texts{DriveErrorMessage(3, 1042, "close failed", "5 2c 00")});
    settle();
    EXPECT_EQ(rig.writing.w().findChild<frmDiscInfo*>("frmDiscInfo"), nullptr)
        << "an error closes the window";
}

TEST(DiscInfo, AWriteOfTheWritingWindowIsNotTakenForAClose) {
    ClosingRig rig;
    ASSERT_NE(rig.info, nullptr);
    rig.writing.control.fire([](DiscEvents& e) { e.WritePreparing(); });
    rig.writing.control.fire([](DiscEvents& e) { e.ClosingDisc(); });
    rig.writing.control.fire([](DiscEvents& e) { e.WriteDone(); });
    EXPECT_EQ(label(rig.info, "lblStatus"), "");
    EXPECT_EQ(texts(rig.writing.ui), Texts{"Writing is complete!"});
}

struct EraseCase {
    const char* what;
    int media;
    std::set<int> features;
    bool quick;
    Texts messages;
    const char* call;    // the EraseMedia call made, or nullptr
    bool cancel = false; // the answer to the question before erasing
};

TEST(Erase, EachMediumAndDriveCase) {
    const Texts notRw = {"The current media is not Re-Writable."};
    const Texts unsupported = {"Selected drive does not support Re-Writable discs of this format."};
    const Texts asked = {"Erase the disc in 0: Tessaly RW-1? Everything on it will be lost."};
    const EraseCase cases[] = {
        {"no medium", kMediaNotLoaded, {}, true, {"No Media Loaded."}, nullptr},
        {"DVD+R is write-once", kMediaDvdPlusR, {7, 10, 37, 39}, true, notRw, nullptr},
        {"unknown code", 300, {7, 10, 37, 39}, true, notRw, nullptr},
        {"CD-RW without CD-RW support", kMediaCdRw, {10, 37, 39}, true, unsupported, nullptr},
        {"DVD-RW without DVD-RW support", kMediaDvdRw, {7, 10, 39}, true, unsupported, nullptr},
        {"DVD-RAM without DVD-RAM support", kMediaDvdRam, {7, 37, 39}, true, unsupported, nullptr},
        {"DVD+RW without DVD+RW support", kMediaDvdPlusRw, {7, 10, 37}, true, unsupported, nullptr},
        {"CD-RW, quick", kMediaCdRw, {7}, true, asked, "EraseMedia|1"},
        {"DVD-RW, full", kMediaDvdRw, {37}, false, asked, "EraseMedia|0"},
        {"DVD-RAM", kMediaDvdRam, {10}, true, asked, "EraseMedia|1"},
        {"DVD+RW", kMediaDvdPlusRw, {39}, true, asked, "EraseMedia|1"},
        {"DVD+RW, the question cancelled", kMediaDvdPlusRw, {39}, true, asked, nullptr, true},
    };
    for (const EraseCase& c : cases) {
        RecordingUi ui;
        FakeDiscWriter disc;
        disc.mediaType = c.media;
        disc.features = c.features;
        frmErase w(disc, ui, nullptr, "0: Tessaly RW-1");
        w.show();
        EXPECT_TRUE(checked(&w, "chkQuikErase"));
        control<QCheckBox>(&w, "chkQuikErase")->setChecked(c.quick);
        if (c.cancel)
            ui.messageAnswers = {MsgResult::Cancel};
        click(&w, "cmdErase");
        EXPECT_EQ(texts(ui), c.messages) << c.what;
        for (const RecordedMessage& m : ui.messages) {
            EXPECT_EQ(m.icon, MsgIcon::Information) << c.what;
            EXPECT_EQ(m.buttons, c.messages == asked ? MsgButtons::OkCancel : MsgButtons::Ok) << c.what;
        }
        EXPECT_EQ(w.isVisible(), c.call != nullptr || c.cancel) << c.what;
        if (c.call) {
            EXPECT_EQ(disc.calls, Texts{c.call}) << c.what;
        } else {
            EXPECT_TRUE(disc.calls.empty()) << c.what;
        }
    }
}

TEST(Erase, EventsOfAnEraseAndItsFailures) {
    RecordingUi ui;
    FakeDiscWriter disc;
    disc.mediaType = kMediaCdRw;
    disc.features = {kFeatureCdRw};
    frmErase w(disc, ui);
    w.show();
    EXPECT_EQ(mnemonicProblems(&w), std::vector<std::string>{});
    click(&w, "cmdErase");
    disc.fire([](DiscEvents& e) { e.EraseStarted(); });
    EXPECT_TRUE(w.busy());
    EXPECT_EQ(label(&w, "lblStatus"), "Erasing Disc...Please Wait!!");
    EXPECT_FALSE(enabled(&w, "cmdErase"));
    EXPECT_FALSE(enabled(&w, "cmdCancel"));
    w.close();
    EXPECT_TRUE(w.isVisible());
    disc.fire([](DiscEvents& e) { e.DriveError(3, 1036, "erase failed", "3 51 00"); });
    const std::string question = "Erase the disc in the chosen drive? Everything on it will be lost.";
    EXPECT_EQ(texts(ui), (Texts{question, DriveErrorMessage(3, 1036, "erase failed", "3 51 00")}));
    EXPECT_EQ(ui.messages[1].icon, MsgIcon::Critical);
    EXPECT_TRUE(w.isVisible()) << "the window stays after an error";
    EXPECT_TRUE(enabled(&w, "cmdErase"));
    EXPECT_TRUE(enabled(&w, "cmdCancel"));
    EXPECT_FALSE(w.busy());

    clearMessages(ui);
    click(&w, "cmdErase");
    disc.fire([](DiscEvents& e) { e.EraseStarted(); });
    disc.fire([](DiscEvents& e) { e.EraseDone(); });
    EXPECT_EQ(texts(ui), (Texts{question, "Erase Completed!!!"}));
    EXPECT_EQ(label(&w, "lblStatus"), "Erase operation complete!!!");
    EXPECT_FALSE(w.isVisible());

    RecordingUi refusedUi;
    disc.jobsStart = false;
    frmErase refused(disc, refusedUi);
    refused.show();
    click(&refused, "cmdErase");
    EXPECT_EQ(texts(refusedUi), (Texts{question, "Error Erasing Disc!!!"}));
    EXPECT_EQ(refusedUi.messages[1].icon, MsgIcon::Critical);
    EXPECT_FALSE(refused.isVisible());
}

TEST(Erase, OpensModallyFromTheWritingWindowAndCancelCloses) {
    FakeWindow f;
    bool wasModal = false;
    QTimer::singleShot(20, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            ADD_FAILURE() << "no modal window";
            return;
        }
        wasModal = modal->objectName() == "frmErase";
        click(modal, "cmdCancel");
    });
    trigger(&f.w(), "mnuEraseDisc");
    EXPECT_TRUE(wasModal);
    EXPECT_TRUE(f.ui.messages.empty());
    EXPECT_TRUE(f.control.calls.back().rfind("EraseMedia", 0) != 0);
}

} // namespace
} // namespace tessaly::test
