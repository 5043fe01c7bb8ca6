// BurnErrors.cpp -- mapping libburn and libisofs messages onto the drive error table.
#include "BurnErrors.h"

#include "DiscCodes.h"

#include <cerrno>
#include <cstdio>
#include <regex>

namespace tessaly {

namespace {

constexpr int kLibisofsFileOpenCode = 0x0003ff73; // "can't be opened" / read error during image creation
constexpr int kLibisofsImageCancelled = 0x0003feb2;
constexpr int kLibburnBurnRunFailed = 0x0002010b;
constexpr int kLibburnPrematureEnd = 0x00020180;
constexpr int kLibburnWriteThreadEnded = 0x00020178;

std::string hexCode(int code) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08x", static_cast<unsigned>(code));
    return buffer;
}

std::string senseText(int key, int asc, int ascq) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%X %02X %02X", key, asc, ascq);
    return buffer;
}

// Messages that only follow from an earlier cause.
bool isConsequence(int code) {
    return code == kLibisofsImageCancelled || code == kLibburnBurnRunFailed || code == kLibburnPrematureEnd ||
           code == kLibburnWriteThreadEnded;
}

} // namespace

int DriveCodeForSense(int key, int asc, int ascq) {
    switch (asc) {
    case 0x00:
        return ascq == 0 ? 1052 : 0;
    case 0x02:
    case 0x15:
        return 1017;
    case 0x04:
        return ascq == 0x04 ? 1055 : 1002;
    case 0x08:
        return 1003;
    case 0x09:
        return 1004;
    case 0x0C:
        switch (ascq) {
        case 0x07:
            return 1006;
        case 0x08:
            return 1007;
        case 0x09:
            return 1008;
        default:
            return 1005;
        }
    case 0x11:
        switch (ascq) {
        case 0x01:
            return 1010;
        case 0x05:
            return 1012;
        case 0x06:
            return 1013;
        case 0x0F:
            return 1014;
        case 0x10:
            return 1015;
        case 0x11:
            return 1016;
        default:
            return 1009;
        }
    case 0x1A:
        return 1018;
    case 0x20:
        return 1020;
    case 0x21:
        return 1021;
    case 0x24:
        return 1022;
    case 0x26:
        return ascq == 0x01 ? 1024 : ascq == 0x02 ? 1025 : 1023;
    case 0x29:
        return 1026;
    case 0x2A:
        return 1027;
    case 0x30:
        switch (ascq) {
        case 0x01:
            return 1029;
        case 0x02:
            return 1030;
        case 0x05:
            return 1032;
        default:
            return 1028;
        }
    case 0x3A:
        return 1033;
    case 0x44:
        return 1034;
    case 0x47:
    case 0x48:
        return 1019;
    case 0x51:
        return 1036;
    case 0x57:
        return 1037;
    case 0x63:
        return 1038;
    case 0x64:
        return 1040;
    case 0x72:
        switch (ascq) {
        case 0x01:
            return 1043;
        case 0x02:
            return 1044;
        case 0x03:
            return 1045;
        case 0x04:
            return 1046;
        default:
            return 1042;
        }
    case 0x73:
        switch (ascq) {
        case 0x01:
        case 0x02:
            return 1047;
        case 0x03:
            return 1048;
        case 0x05:
            return 1050;
        default:
            return 1049;
        }
    default:
        break;
    }
    // Sense the table has no line for: an aborted command or a hardware fault still says something.
    if (key == 0x0B)
        return 1001;
    if (key == 0x04)
        return 1034;
    return 1051;
}

int DriveCodeForMessage(int messageCode, int osErrno) {
    if (osErrno == ENOSPC)
        return 1021;
    switch (messageCode) {
    case 0x00020001: // cannot open busy device
    case 0x00020003: // could not grab drive
    case 0x00020005: // failed to open device
    case 0x00020008: // device busy
        return 1002;
    case 0x0002010c: // failed to transfer command to drive
        return 1003;
    case 0x0002011d: // SCSI error on write
        return 1005;
    case 0x00020144: // SCSI error on read
    case 0x0002014a: // cannot read desired amount of data
        return 1009;
    case 0x00020148: // cannot write desired amount of data
        return 1005;
    case 0x0002012d: // exceeding range of permissible write addresses
        return 1021;
    case 0x00020139: // write job parameters are unsuitable
        return 1025;
    case 0x0002012b: // drive offers no suitable write mode with this job
        return 1028;
    case 0x0002011e: // unsuitable media detected
    case 0x0002013a: // no suitable media detected
        return 1030;
    case 0x00020168: // media not properly formatted
        return 1032;
    case 0x0002013e: // timeout with waiting for free buffer
    case 0x0002014f: // timeout with asynchronous SCSI command
    case 0x0002018a: // timeout exceeded
        return 1035;
    case 0x00020130: // drive and media state unsuitable for blanking
        return 1036;
    case 0x0002010a: // unsuitable track mode
    case 0x00020115:
    case 0x00020116:
    case 0x00020123: // DVD media are unsuitable for desired track type
        return 1040;
    case 0x0002017e: // failed to close track, session, or disc
        return 1042;
    case 0x00020185: // track damaged, not closed
    case 0x00020186:
        return 1045;
    default:
        return 0;
    }
}

bool ParseSense(const std::string& text, int& key, int& asc, int& ascq) {
    static const std::regex bracketed(R"(\[([0-9A-Fa-f]) ([0-9A-Fa-f]{2}) ([0-9A-Fa-f]{2})\])");
    static const std::regex named(R"(key=([0-9A-Fa-f]+)h? asc=([0-9A-Fa-f]+)h? ascq=([0-9A-Fa-f]+)h?)");
    static const std::regex spelled(R"(Sense Key ([0-9A-Fa-f]+) ASC ([0-9A-Fa-f]+) ASCQ ([0-9A-Fa-f]+))");
    std::smatch m;
    if (std::regex_search(text, m, bracketed) || std::regex_search(text, m, named) ||
        std::regex_search(text, m, spelled)) {
        key = std::stoi(m[1].str(), nullptr, 16);
        asc = std::stoi(m[2].str(), nullptr, 16);
        ascq = std::stoi(m[3].str(), nullptr, 16);
        return true;
    }
    return false;
}

std::optional<FileFailure> FindFileFailure(const std::vector<BurnMessage>& messages) {
    for (std::size_t i = 0; i < messages.size(); ++i) {
        if (messages[i].severity != "ERRFILE")
            continue;
        FileFailure failure{kFileErrorRead, messages[i].text};
        // The message after the file name says what went wrong with it.
        for (std::size_t k = i + 1; k < messages.size() && k <= i + 2; ++k) {
            if (messages[k].text.find("can't be opened") != std::string::npos ||
                messages[k].text.find("does not exist") != std::string::npos ||
                messages[k].text.find("not allowed") != std::string::npos) {
                failure.code = kFileErrorOpen;
                break;
            }
        }
        return failure;
    }
    for (const BurnMessage& m : messages) {
        if (m.code == kLibisofsFileOpenCode) {
            // "File \"/path\" can't be opened. Filling with 0s."
            const auto first = m.text.find('"');
            const auto last = m.text.rfind('"');
            if (first != std::string::npos && last > first) {
                const bool opening = m.text.find("can't be opened") != std::string::npos;
                return FileFailure{opening ? kFileErrorOpen : kFileErrorRead,
                                   m.text.substr(first + 1, last - first - 1)};
            }
        }
    }
    return std::nullopt;
}

DriveFailure DescribeFailure(const std::vector<BurnMessage>& messages, const std::string& fallback) {
    const int sorry = severityRank("SORRY");
    const BurnMessage* cause = nullptr;
    std::size_t causeIndex = 0;
    for (int pass = 0; pass < 2 && !cause; ++pass) {
        for (std::size_t i = 0; i < messages.size(); ++i) {
            if (severityRank(messages[i].severity) < sorry)
                continue;
            if (pass == 0 && isConsequence(messages[i].code))
                continue;
            cause = &messages[i];
            causeIndex = i;
            break;
        }
    }
    if (!cause)
        return DriveFailure{kErrorKindLibrary, 0, fallback, ""};

    // Sense data may sit in the failing message or in the DEBUG lines just before it.
    int key = -1, asc = -1, ascq = -1;
    bool haveSense = ParseSense(cause->text, key, asc, ascq);
    for (std::size_t i = causeIndex; !haveSense && i-- > 0;)
        haveSense = ParseSense(messages[i].text, key, asc, ascq);

    int tableCode = haveSense ? DriveCodeForSense(key, asc, ascq) : 0;
    if (tableCode == 0)
        tableCode = DriveCodeForMessage(cause->code, cause->osErrno);
    std::string text = cause->text;
    if (cause->osErrno != 0)
        text += " (errno " + std::to_string(cause->osErrno) + ")";
    if (tableCode != 0)
        return DriveFailure{kErrorKindDrive, tableCode, text, haveSense ? senseText(key, asc, ascq) : "none"};
    return DriveFailure{kErrorKindLibrary, cause->code, text + " [" + hexCode(cause->code) + "]", ""};
}

} // namespace tessaly
