// RestoreJournalFuzz.cpp -- the recovery of a killed restore on any journal: it never touches anything
// outside the prefix, and a journal not written for this prefix changes nothing at all.
#include "FuzzSupport.h"

#include "engine/RestoreJournal.h"

#include <cstdint>
#include <sys/stat.h>

using namespace tessaly;
namespace fs = std::filesystem;

namespace {

// Every path below `folder` with its bytes, links as their targets.
std::string snapshot(const fs::path& folder) {
    std::string all;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        all += e.path().string() + "\n";
        if (e.is_symlink())
            all += fs::read_symlink(e.path()).string() + "\n";
        else if (e.is_regular_file())
            all += fuzz::readBytes(e.path()) + "\n";
    }
    return all;
}

} // namespace

// The first byte chooses whether the journal starts with this prefix's own identity record (odd) or is
// taken as it is; the rest is the journal.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const fs::path root = fuzz::freshFolder("journal");
    const fs::path prefix = root / "prefix", outside = root / "outside";
    fs::create_directories(prefix / "store/.tessaly-stage-AA");
    fs::create_directories(outside);
    fuzz::writeBytes(prefix / "store/Inbox.dbx", "current inbox");
    fuzz::writeBytes(prefix / "store/.tessaly-stage-AA/Inbox.dbx", "staged inbox");
    fuzz::writeBytes(outside / "victim", "not the profile's");
    fs::create_directory_symlink(outside, prefix / "store/linked");

    std::string journal(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1) {
        struct stat st {};
        ::stat(prefix.c_str(), &st);
        journal = "P\t" + std::to_string(st.st_dev) + "\t" + std::to_string(st.st_ino) + "\n" + journal;
    }
    fuzz::writeBytes(RestoreJournal::journalFile(prefix), journal);
    const std::string outsideBefore = snapshot(outside);
    const std::string prefixBefore = snapshot(prefix);

    const std::string notice = RestoreJournal::recover(prefix);
    if (snapshot(outside) != outsideBefore)
        fuzz::failed("the recovery changed a file outside the prefix");
    for (const auto& e : fs::directory_iterator(root))
        if (e.path() != prefix && e.path() != outside)
            fuzz::failed("the recovery made " + e.path().string() + " outside the prefix");
    if (!(data[0] & 1) && journal.rfind("P\t", 0) != 0 && snapshot(prefix) != prefixBefore)
        fuzz::failed("a journal of another prefix changed the profile");
    if (!fs::exists(RestoreJournal::journalFile(prefix)) && notice.find("could not") != std::string::npos)
        fuzz::failed("a torn restore lost its journal");
    return 0;
}
