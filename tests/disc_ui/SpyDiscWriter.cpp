// SpyDiscWriter.cpp -- a real disc-writing control wrapped so that tests can count the calls made to it.
#include "SpyDiscWriter.h"

#include <algorithm>

namespace tessaly::test {

SpyDiscWriter::SpyDiscWriter(DiscWriter& inner) : inner_(inner) {
    inner_.addListener(this);
}

SpyDiscWriter::~SpyDiscWriter() {
    inner_.removeListener(this);
}

int SpyDiscWriter::count(const std::string& call) const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

bool SpyDiscWriter::SetWriteSpeed(int kbPerSecond) {
    calls.push_back("SetWriteSpeed|" + std::to_string(kbPerSecond));
    return inner_.SetWriteSpeed(kbPerSecond);
}

bool SpyDiscWriter::EjectTray(bool bClose) {
    calls.push_back(std::string("EjectTray|") + (bClose ? "1" : "0"));
    return inner_.EjectTray(bClose);
}

bool SpyDiscWriter::StartWrite() {
    calls.push_back("StartWrite");
    return inner_.StartWrite();
}

bool SpyDiscWriter::WriteISO(const std::string& isoFile) {
    calls.push_back("WriteISO");
    return inner_.WriteISO(isoFile);
}

void SpyDiscWriter::ItemAdded(const std::string& a, const std::string& b, const std::string& c,
                              const std::string& d, bool f) {
    relay([&](DiscEvents& e) { e.ItemAdded(a, b, c, d, f); });
}
void SpyDiscWriter::ItemListed(const std::string& a, const std::string& b, const std::string& c,
                               const std::string& d, bool f, std::time_t t, long long s) {
    relay([&](DiscEvents& e) { e.ItemListed(a, b, c, d, f, t, s); });
}
void SpyDiscWriter::FolderRemoved(const std::string& p, const std::string& t, bool ok) {
    relay([&](DiscEvents& e) { e.FolderRemoved(p, t, ok); });
}
void SpyDiscWriter::FolderRenamed(const std::string& o, const std::string& n, bool ok) {
    relay([&](DiscEvents& e) { e.FolderRenamed(o, n, ok); });
}
void SpyDiscWriter::ImageCleared() {
    relay([](DiscEvents& e) { e.ImageCleared(); });
}
void SpyDiscWriter::ReplaceImported(const std::string& a, const std::string& b, const std::string& t,
                                    bool& r) {
    relay([&](DiscEvents& e) { e.ReplaceImported(a, b, t, r); });
}
void SpyDiscWriter::WritePreparing() {
    relay([](DiscEvents& e) { e.WritePreparing(); });
}
void SpyDiscWriter::CreatingFolders() {
    relay([](DiscEvents& e) { e.CreatingFolders(); });
}
void SpyDiscWriter::CachingProgress(int p) {
    relay([&](DiscEvents& e) { e.CachingProgress(p); });
}
void SpyDiscWriter::WriteProgress(int t, long long d, long long n) {
    relay([&](DiscEvents& e) { e.WriteProgress(t, d, n); });
}
void SpyDiscWriter::ClosingTrack() {
    relay([](DiscEvents& e) { e.ClosingTrack(); });
}
void SpyDiscWriter::ClosingSession() {
    relay([](DiscEvents& e) { e.ClosingSession(); });
}
void SpyDiscWriter::ClosingDisc() {
    relay([](DiscEvents& e) { e.ClosingDisc(); });
}
void SpyDiscWriter::ReadProgress(const std::string& t, long long c, int k) {
    relay([&](DiscEvents& e) { e.ReadProgress(t, c, k); });
}
void SpyDiscWriter::WriteDone() {
    relay([](DiscEvents& e) { e.WriteDone(); });
}
void SpyDiscWriter::WriteCancelled() {
    relay([](DiscEvents& e) { e.WriteCancelled(); });
}
void SpyDiscWriter::EraseStarted() {
    relay([](DiscEvents& e) { e.EraseStarted(); });
}
void SpyDiscWriter::EraseDone() {
    relay([](DiscEvents& e) { e.EraseDone(); });
}
void SpyDiscWriter::VerifyStarted(int f) {
    relay([&](DiscEvents& e) { e.VerifyStarted(f); });
}
void SpyDiscWriter::VerifyFile(const std::string& d, const std::string& s, int r, int i, int n) {
    relay([&](DiscEvents& e) { e.VerifyFile(d, s, r, i, n); });
}
void SpyDiscWriter::VerifyDone(int f, int m) {
    relay([&](DiscEvents& e) { e.VerifyDone(f, m); });
}
void SpyDiscWriter::DriveError(int k, int c, const std::string& t, const std::string& s) {
    relay([&](DiscEvents& e) { e.DriveError(k, c, t, s); });
}
void SpyDiscWriter::FileError(int c, const std::string& f) {
    relay([&](DiscEvents& e) { e.FileError(c, f); });
}

} // namespace tessaly::test
