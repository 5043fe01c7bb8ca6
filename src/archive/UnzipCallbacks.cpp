// UnzipCallbacks.cpp -- the overwrite question, the password prompt and the listing text.
#include "archive/UnzipCallbacks.h"

#include "archive/CGmodule.h"

#include <cstdio>

namespace tessaly {

namespace {

std::string gListing;
std::int16_t gListingLines = 0; // counts for the whole program run, never reset

// Writes text into an 80-column line at a 1-based column.
void put(std::string& line, int column, const std::string& text) {
    line.replace(std::size_t(column - 1), text.size(), text);
}

std::string twoDigits(int value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", value % 100);
    return buf;
}

} // namespace

int askOverwrite(Ui* ui, const std::string& name) {
    if (!ui)
        return kReplaceNone;
    switch (ui->messageBox("Overwrite " + name + "?", "VBUnZip32 - File Already Exists!",
                           MsgIcon::Exclamation, MsgButtons::YesNoCancel)) {
    case MsgResult::Yes:
        return kReplaceYes;
    case MsgResult::No:
        return kReplaceNo;
    default:
        return kReplaceNone;
    }
}

int askZipPassword(Ui* ui, std::string& password) {
    if (!ui)
        return 1;
    auto answer = ui->inputBox("Please Enter The Password!", "");
    if (!answer || answer->empty())
        return 1;
    password = answer->substr(0, 256);
    return 0;
}

void clearListing() {
    gListing.clear();
}

void addListingLine(std::uint64_t size, std::time_t mtime, const std::string& name) {
    if (gListingLines == 0) {
        std::string header(80, ' ');
        put(header, 1, "Filename:");
        put(header, 53, "Size");
        put(header, 62, "Date");
        put(header, 71, "Time");
        gListing = header + "\r\n";
    }
    std::string line(80, ' ');
    put(line, 1, name.substr(0, 50));
    std::string sizeText = std::to_string(size);
    if (sizeText.size() > 7)
        sizeText.resize(7); // a right-aligned field keeps the leftmost characters that fit
    put(line, 51 + int(7 - sizeText.size()), sizeText);
    std::tm t{};
    localtime_r(&mtime, &t);
    put(line, 60, twoDigits(t.tm_mon + 1) + "/");
    put(line, 63, twoDigits(t.tm_mday) + "/");
    put(line, 66, twoDigits(t.tm_year + 1900));
    std::string hour = " " + std::to_string(t.tm_hour);
    put(line, 70, hour.substr(hour.size() - 2) + ":");
    put(line, 73, twoDigits(t.tm_min));
    gListing += line + "\r\n";
    ++gListingLines;
}

const std::string& unzipListing() {
    return gListing;
}

} // namespace tessaly
