// DiscVerbs.cpp -- tessaly-cli disc drives|info|write|save-iso|erase over the disc-writing control.
#include "cli/DiscVerbs.h"
#include "platform/NumberText.h"

#include "disc/BurnDiscWriter.h"
#include "disc/DriveErrorText.h"
#include "disc/EventQueue.h"
#include "disc/ExtraDrives.h"
#include "disc/ImagePath.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly::cli {

namespace {

enum { kOk = 0, kFailed = 1, kRefused = 2 };

const char* kUsage =
    "usage: tessaly-cli disc drives [--no-scan]\n"
    "       tessaly-cli disc info --drive ADDR\n"
    "       tessaly-cli disc write FILE... --drive ADDR [--verify] [--label L]\n"
    "       tessaly-cli disc save-iso FILE... --out X.iso [--label L]\n"
    "       tessaly-cli disc erase --drive ADDR [--full]\n"
    "\n"
    "drives lists the CD/DVD drives and the pseudo-drives of TESSALY_EXTRA_DRIVES (\"stdio:FILE\"\n"
    "entries separated by \";\", each optionally followed by \"#SIZE\" such as #700M). ADDR is a\n"
    "drive's id as drives shows it (/dev/sr0), or \"stdio:FILE\" to write a disc image to FILE.\n"
    "write puts the files and folders named on the disc's root as a new session (--verify reads\n"
    "every file back and compares it); save-iso makes an ISO image file of them instead. erase\n"
    "blanks a rewritable disc (quick unless --full). --no-scan lists only the pseudo-drives.\n";

std::atomic<bool> gInterrupted{false};

void onInterrupt(int) {
    gInterrupted = true;
}

int fail(int code, const std::string& message) {
    std::cerr << "tessaly-cli: " << message << std::endl;
    return code;
}

// The control's texts end lines with CR LF; a terminal wants LF.
std::string terminalText(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '\r')
            out += c;
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

struct Options {
    std::string verb;
    std::vector<std::string> files;
    std::string drive;
    std::string out;
    std::string label;
    bool verify = false;
    bool full = false;
    bool noScan = false;
    bool help = false;
};

Options parse(const std::vector<std::string>& args) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto value = [&](const char* name) {
            if (i + 1 >= args.size())
                throw std::invalid_argument(std::string(name) + " needs a value");
            return args[++i];
        };
        if (a == "--help" || a == "-h")
            o.help = true;
        else if (a == "--drive")
            o.drive = value("--drive");
        else if (a == "--out")
            o.out = value("--out");
        else if (a == "--label")
            o.label = value("--label");
        else if (a == "--verify")
            o.verify = true;
        else if (a == "--full")
            o.full = true;
        else if (a == "--no-scan")
            o.noScan = true;
        else if (a.size() > 1 && a[0] == '-' && a != "-")
            throw std::invalid_argument("unknown option " + a);
        else if (o.verb.empty())
            o.verb = a;
        else
            o.files.push_back(a);
    }
    return o;
}

// Prints progress on stderr: a redrawn bar on a terminal, a line every 10 % otherwise.
class ProgressBar {
public:
    explicit ProgressBar(std::string what) : what_(std::move(what)), terminal_(::isatty(2) == 1) {}
    ~ProgressBar() { finish(); }
    void set(int percent) {
        percent = std::max(0, std::min(100, percent));
        if (terminal_) {
            if (percent == shown_)
                return;
            const int filled = percent * 30 / 100;
            std::cerr << '\r' << what_ << " [" << std::string(filled, '#') << std::string(30 - filled, ' ')
                      << "] " << percent << "%" << std::flush;
            drawn_ = true;
        } else {
            if (shown_ >= 0 && percent / 10 == shown_ / 10)
                return;
            std::cerr << what_ << ": " << percent << "%" << std::endl;
        }
        shown_ = percent;
    }
    void finish() {
        if (terminal_ && drawn_)
            std::cerr << std::endl;
        drawn_ = false;
    }

private:
    std::string what_;
    bool terminal_;
    bool drawn_ = false;
    int shown_ = -1;
};

// Reports the control's events on the terminal and remembers how the job ended.
class Reporter : public DiscEvents {
public:
    ProgressBar bar{"writing"};
    bool ended = false;
    bool succeeded = false;
    bool verifying = false;
    int verifyFailures = 0;

    void FileError(int code, const std::string& fileName) override {
        bar.finish();
        std::cerr << "tessaly-cli: " << FileErrorText(code, fileName) << std::endl;
    }
    void DriveError(int kind, int code, const std::string& text, const std::string& sense) override {
        bar.finish();
        std::cerr << "tessaly-cli: " << terminalText(DriveErrorMessage(kind, code, text, sense)) << std::endl;
        ended = true;
    }
    void CachingProgress(int percent) override { bar.set(percent); }
    void WriteProgress(int, long long done, long long total) override {
        bar.set(total > 0 ? static_cast<int>(done * 100 / total) : 0);
    }
    void WriteDone() override {
        bar.set(100);
        bar.finish();
        if (!verifying) {
            ended = true;
            succeeded = true;
        }
    }
    void WriteCancelled() override {
        bar.finish();
        std::cerr << "tessaly-cli: writing cancelled" << std::endl;
        ended = true;
    }
    void EraseDone() override {
        ended = true;
        succeeded = true;
    }
    void VerifyFile(const std::string& discFile, const std::string& sourceFile, int result, int,
                    int) override {
        if (result == kVerifyMatched)
            return;
        ++verifyFailures;
        static const char* const reasons[] = {"source file unreadable",
                                              "file unreadable on the disc",
                                              "contents differ",
                                              "",
                                              "",
                                              "sizes differ"};
        const char* reason =
            result >= 0 && result <= 5 && *reasons[result] ? reasons[result] : "not verified";
        std::cerr << "tessaly-cli: verify: " << discFile << " (" << sourceFile << "): " << reason
                  << std::endl;
    }
    void VerifyDone(int files, int matched) override {
        std::cerr << "verified: " << matched << " of " << files << " files matched" << std::endl;
        ended = true;
        succeeded = verifyFailures == 0 && matched == files;
    }
};

// Makes a "stdio:" address known to the control, then finds the drive; -1 when it is not there.
int selectDrive(DiscWriter& writer, const std::string& address, bool scan) {
    if (address.rfind("stdio:", 0) == 0) {
        const char* current = std::getenv(kExtraDrivesVariable);
        std::string drives = current ? current : "";
        bool listed = false;
        for (const PseudoDrive& d : ParseExtraDrives(drives))
            listed = listed || d.address == address;
        if (!listed) {
            drives = drives.empty() ? address : drives + ";" + address;
            ::setenv(kExtraDrivesVariable, drives.c_str(), 1);
        }
    }
    writer.InitDrives(!scan);
    for (int i = 0; i < writer.DriveCount(); ++i)
        if (writer.DriveId(i) == address)
            return writer.SelectDrive(i) ? i : -1;
    return -1;
}

// Adds each named file or folder to the root of the image; returns an exit code.
int addToImage(DiscWriter& writer, const std::vector<std::string>& files) {
    std::vector<std::string> names;
    for (const std::string& file : files) {
        std::error_code ec;
        const fs::path path = fs::absolute(file, ec).lexically_normal();
        std::string name = path.filename().string();
        if (name.empty())
            name = path.parent_path().filename().string();
        for (const std::string& other : names)
            if (SameItemName(other, name))
                return fail(kRefused, "two items would be named " + name + " on the disc");
        names.push_back(name);
        const bool ok = fs::is_directory(path, ec) ? writer.AddFolder("\\" + name, path.string())
                                                   : writer.AddFile("\\" + name, path.string());
        if (!ok)
            return fail(kFailed, "cannot put " + file + " on the disc");
    }
    return kOk;
}

int runJob(EventQueue& queue, Reporter& reporter, DiscWriter& writer) {
    auto previous = std::signal(SIGINT, onInterrupt);
    bool abortSent = false;
    while (!reporter.ended) {
        queue.runUntil([&] { return reporter.ended || (gInterrupted && !abortSent); },
                       std::chrono::seconds(1));
        if (gInterrupted && !abortSent) {
            std::cerr << "\ntessaly-cli: cancelling..." << std::endl;
            writer.AbortWrite();
            abortSent = true;
        }
    }
    std::signal(SIGINT, previous);
    return reporter.succeeded ? kOk : kFailed;
}

std::string megabytes(long long blocks) {
    return formatNumber(blocks * 2048.0 / 1048576.0, "0.00 MB");
}

int drives(const Options& o) {
    EventQueue queue;
    BurnDiscWriter writer(queue.poster());
    if (!writer.InitDrives(o.noScan))
        return fail(kFailed, "the drives cannot be initialized");
    if (writer.DriveCount() == 0)
        std::cerr
            << "tessaly-cli: no drives found (TESSALY_EXTRA_DRIVES=stdio:FILE adds one that writes an image)"
            << std::endl;
    for (int i = 0; i < writer.DriveCount(); ++i)
        std::cout << writer.DriveId(i) << '\t' << writer.DriveVendor(i) << ' ' << writer.DriveModel(i) << '\t'
                  << (writer.IsWriter(i) ? "writer" : "reader") << '\n';
    return kOk;
}

int info(const Options& o) {
    EventQueue queue;
    BurnDiscWriter writer(queue.poster());
    if (selectDrive(writer, o.drive, true) < 0)
        return fail(kRefused, "no such drive: " + o.drive);
    const int media = writer.MediaType();
    std::cout << "Media Type: " << MediaTypeText(media).value_or("N/A") << '\n';
    if (media == kMediaNotLoaded)
        return kOk;
    std::cout << "Disc Status: " << DiscStatusText(writer.DiscStatus()).value_or("N/A") << '\n'
              << "Free Space: " << megabytes(writer.FreeBlocks()) << '\n'
              << "Used Space: " << megabytes(writer.UsedBlocks()) << '\n'
              << "Total Capacity: " << megabytes(writer.TotalBlocks()) << '\n'
              << "Number of Sessions: " << writer.SessionCount() << '\n'
              << "Last Session Status: " << LastSessionStatusText(writer.LastSessionStatus()).value_or("N/A")
              << '\n'
              << "Disc Type (CD Only): " << DiscTypeText(writer.DiscType()).value_or("N/A") << '\n'
              << "Detected File Systems:";
    for (const auto& [flag, name] : {std::pair{kFsIso9660, "ISO9660"}, std::pair{kFsJoliet, "Joliet"},
                                     std::pair{kFsUdf, "UDF"}, std::pair{kFsOther, "Other"}})
        if (writer.HasFileSystem(flag))
            std::cout << ' ' << name;
    std::cout << '\n'
              << "Multi-Session Allowed: " << (writer.MultiSessionAllowed() ? "yes" : "no") << '\n'
              << "Import Allowed: " << (writer.ImportAllowed() ? "yes" : "no") << '\n';
    return kOk;
}

int write(const Options& o) {
    EventQueue queue;
    BurnDiscWriter writer(queue.poster());
    Reporter reporter;
    reporter.verifying = o.verify;
    writer.addListener(&reporter);
    if (selectDrive(writer, o.drive, o.drive.rfind("stdio:", 0) != 0) < 0)
        return fail(kRefused, "no such drive: " + o.drive);
    if (writer.MediaType() == kMediaNotLoaded)
        return fail(kFailed, "there is no disc in " + o.drive);
    if (const int code = addToImage(writer, o.files); code != kOk)
        return code;
    if (!o.label.empty())
        writer.SetVolumeLabel(o.label);
    writer.SetAutoVerify(o.verify);
    if (!writer.StartWrite())
        return fail(kFailed, "the write could not be started");
    const int code = runJob(queue, reporter, writer);
    writer.removeListener(&reporter);
    if (code == kOk)
        std::cerr << "written: " << writer.ImageFileCount() << " files to " << o.drive << std::endl;
    return code;
}

int saveIso(const Options& o) {
    EventQueue queue;
    BurnDiscWriter writer(queue.poster());
    ProgressBar bar("saving");
    struct Saving : DiscEvents {
        ProgressBar* bar;
        void WriteProgress(int, long long done, long long total) override {
            bar->set(total > 0 ? static_cast<int>(done * 100 / total) : 0);
        }
        void FileError(int code, const std::string& fileName) override {
            bar->finish();
            std::cerr << "tessaly-cli: " << FileErrorText(code, fileName) << std::endl;
        }
    } saving;
    saving.bar = &bar;
    writer.addListener(&saving);
    if (const int code = addToImage(writer, o.files); code != kOk)
        return code;
    if (!o.label.empty())
        writer.SetVolumeLabel(o.label);
    const bool ok = writer.SaveISO(o.out);
    bar.finish();
    writer.removeListener(&saving);
    if (!ok)
        return fail(kFailed, "the ISO file " + o.out + " could not be made");
    std::cerr << "saved: " << writer.ImageFileCount() << " files in " << o.out << std::endl;
    return kOk;
}

int erase(const Options& o) {
    EventQueue queue;
    BurnDiscWriter writer(queue.poster());
    Reporter reporter;
    writer.addListener(&reporter);
    if (selectDrive(writer, o.drive, o.drive.rfind("stdio:", 0) != 0) < 0)
        return fail(kRefused, "no such drive: " + o.drive);
    if (writer.MediaType() == kMediaNotLoaded)
        return fail(kFailed, "there is no disc in " + o.drive);
    if (!writer.EraseMedia(!o.full))
        return fail(kFailed, "the disc in " + o.drive + " cannot be erased");
    const int code = runJob(queue, reporter, writer);
    writer.removeListener(&reporter);
    if (code == kOk)
        std::cerr << "erased: " << o.drive << std::endl;
    return code;
}

} // namespace

int runDiscVerb(const std::vector<std::string>& args) {
    Options o;
    try {
        o = parse(args);
    } catch (const std::invalid_argument& e) {
        std::cerr << kUsage;
        return fail(kRefused, e.what());
    }
    if (o.help) {
        std::cout << kUsage;
        return kOk;
    }
    if (o.verb.empty()) {
        std::cerr << kUsage;
        return fail(kRefused, "disc needs drives, info, write, save-iso or erase");
    }
    const bool needsDrive = o.verb == "info" || o.verb == "write" || o.verb == "erase";
    if (needsDrive && o.drive.empty())
        return fail(kRefused, "disc " + o.verb + " needs --drive ADDR");
    if ((o.verb == "write" || o.verb == "save-iso") && o.files.empty())
        return fail(kRefused, "disc " + o.verb + " needs at least one FILE");
    if (o.verb == "save-iso" && o.out.empty())
        return fail(kRefused, "disc save-iso needs --out X.iso");
    if (!o.files.empty() && o.verb != "write" && o.verb != "save-iso")
        return fail(kRefused, "disc " + o.verb + " takes no files");
    for (const std::string& file : o.files) {
        std::error_code ec;
        if (!fs::exists(file, ec))
            return fail(kRefused, "no such file: " + file);
    }
    if (o.verb == "drives")
        return drives(o);
    if (o.verb == "info")
        return info(o);
    if (o.verb == "write")
        return write(o);
    if (o.verb == "save-iso")
        return saveIso(o);
    if (o.verb == "erase")
        return erase(o);
    std::cerr << kUsage;
    return fail(kRefused, "unknown disc verb " + o.verb);
}

} // namespace tessaly::cli
