// BurnWriterJobs.cpp -- writing the image or an ISO file, closing and erasing, with their events.
#include "BurnWriterCore.h"
#include "platform/NumberText.h"

#include "BurnErrors.h"
#include "BurnLibrary.h"
#include "DiscVerify.h"
#include "ImageSource.h"
#include "MediaProfiles.h"
#include "ThrottledSource.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly {

namespace {

// "Write at least 1GB": DVD high compatibility pads a session to this many blocks.
constexpr long long kHighCompatibilityBlocks = 1024LL * 1024 * 1024 / kBlockBytes;
constexpr auto kPollInterval = std::chrono::milliseconds(100);
// libburn's last message from a write thread: "Write thread on drive N ended".
constexpr int kWriteThreadEnded = 0x00020178;
// libburn refuses to start while an earlier drive thread still winds down.
constexpr int kDriveOperationGoingOn = 0x00020102;

std::string megabytes(long long blocks) {
    return formatNumber(blocks * static_cast<double>(kBlockBytes) / 1048576.0, "0.00 MB");
}

std::string tooLargeText(long long needed, long long free) {
    return "The image needs " + std::to_string(needed) + " blocks (" + megabytes(needed) +
           ") but the disc has only " + std::to_string(free) + " blocks (" + megabytes(free) +
           ") free. Nothing was written.";
}

fs::path makeCacheFile() {
    std::string pattern = (fs::temp_directory_path() / "tessaly-cache-XXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return {};
    ::close(fd);
    return pattern;
}

// One disc, one session, one Mode 1 data track fed by `feed` (the caller keeps its own reference).
burn::burn_disc* makeDisc(burn::burn_source* feed) {
    burn::burn_disc* disc = burn::burn_disc_create();
    burn::burn_session* session = burn::burn_session_create();
    burn::burn_track* track = burn::burn_track_create();
    burn::burn_track_define_data(track, 0, 0, 1, BURN_MODE1);
    burn::burn_track_set_source(track, feed);
    burn::burn_session_add_track(session, track, BURN_POS_END);
    burn::burn_disc_add_session(disc, session, BURN_POS_END);
    burn::burn_track_free(track);
    burn::burn_session_free(session);
    return disc;
}

} // namespace

struct BurnWriterCore::Progress {
    bool closingTrack = false;
    bool closingSession = false;
    long long lastSector = -1;
    long long total = 0;
};

bool BurnWriterCore::isEmulated() {
    return drive_ && burn::isoburn_needs_emulation(drive_) == 1;
}

long long BurnWriterCore::availableBlocks(bool fromStart) {
    if (!drive_)
        return 0;
    off_t bytes = 0;
    long long used = 0;
    if (fromStart) {
        burn::burn_write_opts* opts = burn::burn_write_opts_new(drive_);
        burn::burn_write_opts_set_start_byte(opts, 0);
        bytes = burn::burn_disc_available_space(drive_, opts);
        burn::burn_write_opts_free(opts);
    } else {
        bytes = burn::isoburn_disc_available_space(drive_, nullptr);
        int lba = 0, nwa = 0;
        if (burn::isoburn_disc_track_lba_nwa(drive_, nullptr, 0, &lba, &nwa) > 0)
            used = nwa;
    }
    long long blocks = bytes / kBlockBytes;
    const DriveEntry* entry = selectedEntry();
    if (entry && entry->pseudo && entry->capacityBlocks > 0)
        blocks = std::min(blocks, std::max(0LL, entry->capacityBlocks - used));
    return blocks;
}

bool BurnWriterCore::pollWrite(bool finalize, Progress& progress, std::vector<BurnMessage>& messages) {
    const auto collect = [&] {
        for (BurnMessage& m : drainBurnMessages())
            messages.push_back(std::move(m));
    };
    for (;;) {
        worker_.serveCallsFor(kPollInterval);
        collect();
        burn::burn_progress p{};
        const burn::burn_drive_status state = burn::burn_drive_get_status(drive_, &p);
        if (state == burn::BURN_DRIVE_IDLE)
            break;
        if (state == burn::BURN_DRIVE_WRITING && p.sectors > 0 && p.sector != progress.lastSector) {
            progress.lastSector = p.sector;
            progress.total = p.sectors;
            const long long done = p.sector, total = p.sectors;
            emit([done, total](DiscEvents& e) { e.WriteProgress(1, done, total); });
        } else if (state == burn::BURN_DRIVE_CLOSING_TRACK && !progress.closingTrack) {
            progress.closingTrack = true;
            emit([](DiscEvents& e) { e.ClosingTrack(); });
        } else if (state == burn::BURN_DRIVE_CLOSING_SESSION && !progress.closingSession) {
            progress.closingSession = true;
            emitClosing(finalize);
        }
    }
    const bool wroteWell = burn::burn_drive_wrote_well(drive_) == 1;
    // After a failed or cancelled run the drive reads idle while libburn's write thread still
    // winds down, and a new write would be refused until it has gone; it says goodbye last.
    const auto ended = [&] {
        return std::any_of(messages.begin(), messages.end(),
                           [](const BurnMessage& m) { return m.code == kWriteThreadEnded; });
    };
    for (int i = 0; i < 100 && !ended(); ++i) {
        worker_.serveCallsFor(std::chrono::milliseconds(20));
        collect();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    collect();
    return wroteWell;
}

// Starts a drive operation, trying again while libburn still finishes an earlier one.
void BurnWriterCore::startDriveOperation(const std::function<void()>& start,
                                         std::vector<BurnMessage>& messages) {
    for (int attempt = 0;; ++attempt) {
        start();
        std::vector<BurnMessage> fresh = drainBurnMessages();
        const bool refused = std::any_of(fresh.begin(), fresh.end(), [](const BurnMessage& m) {
            return m.code == kDriveOperationGoingOn;
        });
        if (!refused || attempt == 50) {
            for (BurnMessage& m : fresh)
                messages.push_back(std::move(m));
            return;
        }
        worker_.serveCallsFor(std::chrono::milliseconds(100));
    }
}

// Options for writing one session: a test run or a real one, after the last session or, on media
// without sessions of their own, at startByte.
burn::burn_write_opts* BurnWriterCore::newWriteOpts(const DiscSettings& settings, bool simulate,
                                                    bool emulated, off_t startByte, bool pseudo) {
    burn::burn_write_opts* opts = burn::burn_write_opts_new(drive_);
    burn::burn_write_opts_set_simulate(opts, simulate ? 1 : 0);
    burn::burn_write_opts_set_underrun_proof(opts, settings.bufferProtection ? 1 : 0);
    if (emulated) {
        burn::burn_write_opts_set_multi(opts, 0);
        burn::burn_write_opts_set_start_byte(opts, startByte);
    } else {
        burn::burn_write_opts_set_multi(opts, settings.finalizeDisc ? 0 : 1);
    }
    if (!pseudo)
        burn::burn_drive_set_speed(drive_, 0, writeSpeed_);
    return opts;
}

// Writes `disc` with `opts` until the drive is idle again; a cancel meanwhile reaches the drive.
bool BurnWriterCore::runDiscWrite(burn::burn_write_opts* opts, burn::burn_disc* disc, bool finalize,
                                  Progress& progress, std::vector<BurnMessage>& messages) {
    {
        std::lock_guard lock(cancelMutex_);
        writingDrive_ = drive_;
    }
    startDriveOperation([&] { burn::burn_disc_write(opts, disc); }, messages);
    const bool wroteWell = pollWrite(finalize, progress, messages);
    {
        std::lock_guard lock(cancelMutex_);
        writingDrive_ = nullptr;
    }
    return wroteWell;
}

// The events a good write owes that the drive did not report: the whole track written, the closing.
void BurnWriterCore::completeWriteEvents(const Progress& progress, bool finalize, long long blocks) {
    if (progress.lastSector != progress.total || progress.total == 0)
        emit([blocks](DiscEvents& e) { e.WriteProgress(1, blocks, blocks); });
    if (!progress.closingSession)
        emitClosing(finalize);
}

void BurnWriterCore::emitClosing(bool wholeDisc) {
    emit([wholeDisc](DiscEvents& e) {
        if (wholeDisc)
            e.ClosingDisc();
        else
            e.ClosingSession();
    });
}

void BurnWriterCore::failNoWriteMode(const char* reasons) {
    drainBurnMessages();
    failJob(kErrorKindDrive, 1028, std::string("No write mode of the drive suits this disc: ") + reasons,
            "none");
}

void BurnWriterCore::failIsoUnopened(const std::string& file) {
    emit([file](DiscEvents& e) { e.FileError(kFileErrorOpen, file); });
    failJob(kErrorKindControl, 0, "Nothing was written: " + file + " cannot be opened.", "");
}

// Marks the control busy and runs `job` on the worker; the job ends with finishJob or failJob.
bool BurnWriterCore::startJob(std::function<void()> job) {
    busy_ = true;
    abort_ = false;
    worker_.post(std::move(job));
    return true;
}

bool BurnWriterCore::startWrite(const DiscSettings& settings) {
    if (!libraryReady_ || busy_ || !selectedEntry())
        return false;
    return startJob([this, settings] { runWriteImage(settings); });
}

void BurnWriterCore::runWriteImage(DiscSettings settings) {
    emit([](DiscEvents& e) { e.WritePreparing(); });
    emit([](DiscEvents& e) { e.CreatingFolders(); });
    if (auto missing = tree_->refreshSources()) {
        const std::string source = missing->source;
        emit([source](DiscEvents& e) { e.FileError(kFileErrorOpen, source); });
        failJob(kErrorKindControl, 0, "Nothing was written: the source file " + source + " cannot be opened.",
                "");
        return;
    }
    const std::vector<IsoTree::LocalFile> files = tree_->localFiles();
    if (!ensureIsoburnDrive()) {
        failJob(kErrorKindDrive, 1002, "The drive could not be opened.", "none");
        return;
    }
    const DriveEntry* entry = selectedEntry();
    const burn::burn_disc_status status = burn::isoburn_disc_get_status(drive_);
    if (status == burn::BURN_DISC_EMPTY) {
        failJob(kErrorKindDrive, 1033, "There is no disc in the drive.", "none");
        return;
    }
    if (status == burn::BURN_DISC_FULL) {
        failJob(kErrorKindControl, 0, "The disc is closed: no further session can be written to it.", "");
        return;
    }
    if (status != burn::BURN_DISC_BLANK && status != burn::BURN_DISC_APPENDABLE) {
        failJob(kErrorKindDrive, 1031, "The disc in the drive cannot be written.", "none");
        return;
    }
    int lba = 0, nwa = 0;
    burn::isoburn_disc_track_lba_nwa(drive_, nullptr, 0, &lba, &nwa);
    const bool emulated = isEmulated();
    std::vector<std::uint8_t> head(kHeadBufferBytes, 0);

    ImageSourceOptions options;
    options.volumeLabel = settings.volumeLabel;
    options.joliet = settings.joliet != 0;
    options.appendable = status == burn::BURN_DISC_APPENDABLE;
    options.startBlock = static_cast<std::uint32_t>(nwa);
    options.headBuffer = emulated && nwa > 0 ? head.data() : nullptr;
    int profile = 0;
    char profileName[80] = {};
    const bool cdMedia = !entry->pseudo && burn::burn_disc_get_profile(drive_, &profile, profileName) > 0 &&
                         IsCdProfile(profile);
    if (settings.dvdHighCompatibility && !cdMedia) {
        const long long blocks = ImageSizeBlocks(tree_->image(), options);
        if (blocks >= 0 && blocks < kHighCompatibilityBlocks)
            options.tailBlocks = static_cast<std::uint32_t>(kHighCompatibilityBlocks - blocks);
    }
    drainBurnMessages();
    burn::burn_source* image = CreateImageSource(tree_->image(), options, nullptr);
    if (!image) {
        const DriveFailure f = DescribeFailure(drainBurnMessages(), "The image could not be made.");
        failJob(f.kind, f.code, f.text, f.sense);
        return;
    }
    const long long imageBlocks = image->get_size(image) / kBlockBytes;
    const long long freeBlocks = availableBlocks(false);
    if (imageBlocks > freeBlocks) {
        DisposeImageSource(image);
        failJob(kErrorKindDrive, 1021, tooLargeText(imageBlocks, freeBlocks), "none");
        return;
    }

    // The track's feed: the image itself, or a copy of it in a file, perhaps slowed down.
    burn::burn_source* feed = nullptr;
    fs::path cacheFile;
    if (settings.cacheImage) {
        cacheFile = makeCacheFile();
        const bool cached =
            !cacheFile.empty() &&
            CacheSourceToFile(
                image, cacheFile,
                [this](int percent) { emit([percent](DiscEvents& e) { e.CachingProgress(percent); }); },
                abort_);
        if (cached)
            feed = burn::burn_file_source_new(cacheFile.c_str(), nullptr);
        if (!feed) {
            DisposeImageSource(image);
            const std::vector<BurnMessage> messages = drainBurnMessages();
            std::error_code ec;
            fs::remove(cacheFile, ec);
            if (abort_) {
                finishJob([](DiscEvents& e) { e.WriteCancelled(); });
            } else if (auto failed = FindFileFailure(messages)) {
                const FileFailure file = *failed;
                emit([file](DiscEvents& e) { e.FileError(file.code, file.fileName); });
                failJob(kErrorKindControl, 0,
                        "Nothing was written: the source file " + file.fileName + " could not be read.", "");
            } else {
                failJob(kErrorKindControl, 0, "The image could not be cached in the temporary folder.", "");
            }
            return;
        }
    } else {
        ++image->refcount;
        feed = image;
    }
    if (entry->pseudo && writeSpeed_ > 0)
        feed = NewThrottledSource(feed, writeSpeed_);
    burn::burn_disc* disc = makeDisc(feed);
    burn::burn_source_free(feed);

    const bool simulate = settings.testWrite || !settings.writeFlag;
    // Media without sessions of their own: the session goes after the last one, and the
    // descriptors at block 0 are switched over to it once it is complete.
    burn::burn_write_opts* opts =
        newWriteOpts(settings, simulate, emulated, static_cast<off_t>(nwa) * kBlockBytes, entry->pseudo);
    char reasons[BURN_REASONS_LEN] = {};
    const auto cleanup = [&] {
        burn::burn_write_opts_free(opts);
        burn::burn_disc_free(disc);
        DisposeImageSource(image);
        if (!cacheFile.empty()) {
            std::error_code ec;
            fs::remove(cacheFile, ec);
        }
    };
    if (burn::burn_write_opts_auto_write_type(opts, disc, reasons, 0) == burn::BURN_WRITE_NONE) {
        cleanup();
        failNoWriteMode(reasons);
        return;
    }
    if (abort_) {
        cleanup();
        finishJob([](DiscEvents& e) { e.WriteCancelled(); });
        return;
    }

    std::vector<BurnMessage> messages;
    Progress progress;
    const bool finalize = settings.finalizeDisc && !emulated;
    const bool wroteWell = runDiscWrite(opts, disc, finalize, progress, messages);
    cleanup();
    for (BurnMessage& m : drainBurnMessages())
        messages.push_back(std::move(m));

    if (abort_ || !wroteWell) {
        // Block 0 still names the earlier sessions; the partial one after them is never reached.
        reassess();
        if (abort_) {
            finishJob([](DiscEvents& e) { e.WriteCancelled(); });
        } else if (auto failed = FindFileFailure(messages)) {
            const FileFailure file = *failed;
            emit([file](DiscEvents& e) { e.FileError(file.code, file.fileName); });
            failJob(kErrorKindControl, 0,
                    "The write was stopped because " + file.fileName +
                        " could not be read. The disc's earlier sessions are unchanged.",
                    "");
        } else {
            const DriveFailure f = DescribeFailure(messages, "The write failed.");
            failJob(f.kind, f.code, f.text, f.sense);
        }
        return;
    }
    completeWriteEvents(progress, finalize, imageBlocks + options.tailBlocks);
    if (emulated && nwa > 0 && !simulate &&
        burn::burn_random_access_write(drive_, 0, reinterpret_cast<char*>(head.data()), kHeadBufferBytes,
                                       1) <= 0) {
        const DriveFailure f =
            DescribeFailure(drainBurnMessages(), "The new session could not be made the disc's current one.");
        reassess();
        failJob(f.kind, f.code, f.text, f.sense);
        return;
    }
    reassess();
    if (!settings.autoVerify) {
        finishJob([](DiscEvents& e) { e.WriteDone(); });
        return;
    }
    emit([](DiscEvents& e) { e.WriteDone(); });
    // A simulated write put nothing on the disc to compare.
    verifyImage(simulate ? std::vector<IsoTree::LocalFile>{} : files);
}

void BurnWriterCore::verifyImage(const std::vector<IsoTree::LocalFile>& files) {
    const int total = static_cast<int>(files.size());
    emit([total](DiscEvents& e) { e.VerifyStarted(total); });
    IsoImage* disc = nullptr;
    if (total > 0 && drive_) {
        burn::isoburn_read_opts* ropts = nullptr;
        if (burn::isoburn_ropt_new(&ropts, 0) > 0) {
            burn::isoburn_ropt_set_extensions(ropts, isoburn_ropt_noiso1999 | isoburn_ropt_noaaip |
                                                         isoburn_ropt_noacl | isoburn_ropt_noea);
            if (burn::isoburn_read_image(drive_, ropts, &disc) <= 0)
                disc = nullptr;
            burn::isoburn_ropt_destroy(&ropts, 0);
        }
        drainBurnMessages();
    }
    int matched = 0;
    for (int i = 0; i < total && !abort_; ++i) {
        const int result =
            disc ? CompareWithDisc(disc, files[i].path, files[i].source) : kVerifyDiscUnreadable;
        if (result == kVerifyMatched)
            ++matched;
        const std::string path = files[i].path, source = files[i].source;
        const int index = i + 1;
        emit([=](DiscEvents& e) { e.VerifyFile(path, source, result, index, total); });
    }
    if (disc)
        iso_image_unref(disc);
    drainBurnMessages();
    finishJob([total, matched](DiscEvents& e) { e.VerifyDone(total, matched); });
}

bool BurnWriterCore::writeIso(const std::string& file, const DiscSettings& settings) {
    if (!libraryReady_ || busy_ || !selectedEntry())
        return false;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    const bool readable = fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
    if (fd >= 0)
        ::close(fd);
    if (!readable) {
        emit([file](DiscEvents& e) { e.FileError(kFileErrorOpen, file); });
        return false;
    }
    return startJob([this, file, settings] { runWriteIso(file, settings); });
}

void BurnWriterCore::runWriteIso(std::string file, DiscSettings settings) {
    emit([](DiscEvents& e) { e.WritePreparing(); });
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        failIsoUnopened(file);
        return;
    }
    if (!ensureIsoburnDrive()) {
        failJob(kErrorKindDrive, 1002, "The drive could not be opened.", "none");
        return;
    }
    const DriveEntry* entry = selectedEntry();
    const burn::burn_disc_status status = burn::isoburn_disc_get_status(drive_);
    const bool emulated = isEmulated();
    if (status == burn::BURN_DISC_EMPTY) {
        failJob(kErrorKindDrive, 1033, "There is no disc in the drive.", "none");
        return;
    }
    // The image's own addresses count from block 0: it can only be the disc's first session.
    if (!emulated && status != burn::BURN_DISC_BLANK) {
        failJob(kErrorKindControl, 0, "An ISO file can only be written to a blank disc or a rewritable one.",
                "");
        return;
    }
    const long long blocks = (st.st_size + kBlockBytes - 1) / kBlockBytes;
    const long long freeBlocks = availableBlocks(emulated);
    if (blocks > freeBlocks) {
        failJob(kErrorKindDrive, 1021, tooLargeText(blocks, freeBlocks), "none");
        return;
    }
    burn::burn_source* fileSource = burn::burn_file_source_new(file.c_str(), nullptr);
    if (!fileSource) {
        failIsoUnopened(file);
        return;
    }
    burn::burn_source* feed = burn::burn_fifo_source_new(fileSource, kBlockBytes, 2048, 0);
    burn::burn_source_free(fileSource);
    if (entry->pseudo && writeSpeed_ > 0)
        feed = NewThrottledSource(feed, writeSpeed_);
    burn::burn_disc* disc = makeDisc(feed);
    burn::burn_source_free(feed);

    const bool simulate = settings.testWrite || !settings.writeFlag;
    burn::burn_write_opts* opts = newWriteOpts(settings, simulate, emulated, 0, entry->pseudo);
    char reasons[BURN_REASONS_LEN] = {};
    if (burn::burn_write_opts_auto_write_type(opts, disc, reasons, 0) == burn::BURN_WRITE_NONE) {
        burn::burn_write_opts_free(opts);
        burn::burn_disc_free(disc);
        failNoWriteMode(reasons);
        return;
    }
    std::vector<BurnMessage> messages;
    Progress progress;
    const bool finalize = settings.finalizeDisc && !emulated;
    const bool wroteWell = runDiscWrite(opts, disc, finalize, progress, messages);
    burn::burn_write_opts_free(opts);
    burn::burn_disc_free(disc);

    if (abort_ || !wroteWell) {
        // A half-written image at block 0 would pass for a whole one; make the medium read as blank.
        if (emulated && !simulate && progress.lastSector > 0) {
            const std::vector<char> zeros(kHeadBufferBytes, 0);
            burn::burn_random_access_write(drive_, 0, const_cast<char*>(zeros.data()), kHeadBufferBytes, 1);
            drainBurnMessages();
        }
        reassess();
        if (abort_) {
            finishJob([](DiscEvents& e) { e.WriteCancelled(); });
        } else {
            const DriveFailure f = DescribeFailure(messages, "The ISO file could not be written.");
            failJob(f.kind, f.code, f.text, f.sense);
        }
        return;
    }
    completeWriteEvents(progress, finalize, blocks);
    reassess();
    if (!settings.autoVerify || simulate) {
        if (settings.autoVerify) {
            emit([](DiscEvents& e) { e.WriteDone(); });
            emit([](DiscEvents& e) { e.VerifyStarted(0); });
            finishJob([](DiscEvents& e) { e.VerifyDone(0, 0); });
        } else {
            finishJob([](DiscEvents& e) { e.WriteDone(); });
        }
        return;
    }
    emit([](DiscEvents& e) { e.WriteDone(); });
    emit([](DiscEvents& e) { e.VerifyStarted(1); });
    const int result = CompareIsoWithDrive(drive_, file);
    drainBurnMessages();
    const std::string discFile = entry->address;
    emit([=](DiscEvents& e) { e.VerifyFile(discFile, file, result, 1, 1); });
    const int matched = result == kVerifyMatched ? 1 : 0;
    finishJob([matched](DiscEvents& e) { e.VerifyDone(1, matched); });
}

bool BurnWriterCore::closeMedia(bool wholeDisc) {
    if (!libraryReady_ || busy_ || !ensureIsoburnDrive() || isEmulated())
        return false;
    int profile = 0;
    char name[80] = {};
    if (burn::burn_disc_get_profile(drive_, &profile, name) <= 0)
        return false;
    // Only sequential media keep sessions that can be left open.
    static const int closable[] = {0x09, 0x0a, 0x11, 0x14, 0x15, 0x1b, 0x2b, 0x41};
    if (std::find(std::begin(closable), std::end(closable), profile) == std::end(closable))
        return false;
    const DiscFacts current = computeFacts();
    if (current.discStatus != kDiscOpen && current.lastSessionStatus != kSessionIncomplete)
        return false;
    return startJob([this, wholeDisc] { runClose(wholeDisc); });
}

void BurnWriterCore::runClose(bool wholeDisc) {
    emitClosing(wholeDisc);
    burn::burn_write_opts* opts = burn::burn_write_opts_new(drive_);
    burn::burn_write_opts_set_write_type(opts, burn::BURN_WRITE_TAO, burn::BURN_BLOCK_MODE1);
    burn::burn_write_opts_set_simulate(opts, 0);
    burn::burn_write_opts_set_multi(opts, wholeDisc ? 0 : 1);
    const int result = burn::burn_disc_close_damaged(opts, 1);
    burn::burn_write_opts_free(opts);
    const std::vector<BurnMessage> messages = drainBurnMessages();
    reassess();
    if (result > 0) {
        finishJob([](DiscEvents& e) { e.WriteDone(); });
        return;
    }
    const DriveFailure f = DescribeFailure(messages, "The disc could not be closed.");
    failJob(f.kind, f.code, f.text, f.sense);
}

bool BurnWriterCore::eraseMedia(bool quick) {
    if (!libraryReady_ || busy_ || !ensureIsoburnDrive())
        return false;
    if (burn::isoburn_disc_get_status(drive_) == burn::BURN_DISC_EMPTY ||
        !burn::isoburn_disc_erasable(drive_))
        return false;
    return startJob([this, quick] { runErase(quick); });
}

void BurnWriterCore::runErase(bool quick) {
    emit([](DiscEvents& e) { e.EraseStarted(); });
    dropImported();
    std::vector<BurnMessage> messages;
    startDriveOperation([&] { burn::isoburn_disc_erase(drive_, quick ? 1 : 0); }, messages);
    while (burn::burn_drive_get_status(drive_, nullptr) != burn::BURN_DRIVE_IDLE)
        worker_.serveCallsFor(kPollInterval);
    const bool ok = burn::burn_drive_wrote_well(drive_) == 1;
    for (BurnMessage& m : drainBurnMessages())
        messages.push_back(std::move(m));
    reassess();
    if (ok) {
        finishJob([](DiscEvents& e) { e.EraseDone(); });
        return;
    }
    DriveFailure f = DescribeFailure(messages, "The disc could not be erased.");
    if (f.kind != kErrorKindDrive)
        f = DriveFailure{kErrorKindDrive, 1036, f.text, "none"};
    failJob(f.kind, f.code, f.text, f.sense);
}

} // namespace tessaly
