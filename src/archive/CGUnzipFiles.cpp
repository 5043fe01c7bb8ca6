// CGUnzipFiles.cpp -- Unzip: narrows the options and runs the unzip engine.
#include "archive/CGUnzipFiles.h"

#include "archive/ArchiveError.h"
#include "archive/EngineMessages.h"

namespace tessaly {

namespace {

std::int16_t narrow(std::int32_t value) {
    if (value < -32768 || value > 32767)
        throw ArchiveError(kErrOverflow, "CGUnZipFiles::Unzip", "Overflow");
    return std::int16_t(value);
}

} // namespace

std::int32_t CGUnzipFiles::Unzip(const std::string& sZipFileName, const std::string& sExtractDir,
                                 const std::optional<ZipNameList>& eFiles,
                                 const std::optional<ZipNameList>& xFiles) {
    if (!sZipFileName.empty())
        zipFileName_ = sZipFileName;
    if (!sExtractDir.empty())
        extractDir_ = sExtractDir;
    try {
        UnzipOptions o;
        o.Privilege = narrow(privilege_);
        o.ExtractList = narrow(extractList_);
        o.MessageLevel = narrow(messageLevel_);
        o.ExtractNewer = extractNewer_;
        o.SpaceToUnderScore = spaceToUnderScore_;
        o.PromptOverwrite = promptOverwrite_;
        o.WriteToStdOut = writeToStdOut_;
        o.TestZip = testZip_;
        o.ExtractOnlyNewer = extractOnlyNewer_;
        o.DisplayComment = displayComment_;
        o.HonorDirectories = honorDirectories_;
        o.OverWriteFiles = overWriteFiles_;
        o.ConvertCRtoCRLF = convertCRtoCRLF_;
        o.Verbose = verbose_;
        o.CaseSensitive = caseSensitive_;
        o.ZipFileName = zipFileName_;
        o.ExtractDir = extractDir_;
        return VBUnzip(o, eFiles, xFiles, ui_);
    } catch (const ArchiveError& e) {
        throw e.raisedAgainBy("CGUnZipFiles::Unzip");
    }
}

std::string CGUnzipFiles::GetLastMessage() const {
    return engineMessages();
}

} // namespace tessaly
