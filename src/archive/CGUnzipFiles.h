// CGUnzipFiles.h -- the options of one extraction and the Unzip call.
#pragma once

#include "archive/CGmodule.h"
#include "platform/Ui.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tessaly {

// Boolean properties are kept as 1 or 0; the three numbers are narrowed to 16 bits when Unzip runs.
class CGUnzipFiles {
public:
    // The Ui, when given, answers the overwrite question and the password prompt.
    explicit CGUnzipFiles(Ui* ui = nullptr) : ui_(ui) {}

    bool ExtractNewer() const { return extractNewer_ == 1; }
    void setExtractNewer(bool v) { extractNewer_ = v ? 1 : 0; }
    bool SpaceToUnderScore() const { return spaceToUnderScore_ == 1; }
    void setSpaceToUnderScore(bool v) { spaceToUnderScore_ = v ? 1 : 0; }
    bool PromptOverwrite() const { return promptOverwrite_ == 1; }
    void setPromptOverwrite(bool v) { promptOverwrite_ = v ? 1 : 0; }
    std::int32_t MessageLevel() const { return messageLevel_; }
    void setMessageLevel(std::int32_t v) { messageLevel_ = v; }
    bool WriteToStdOut() const { return writeToStdOut_ == 1; }
    void setWriteToStdOut(bool v) { writeToStdOut_ = v ? 1 : 0; }
    bool TestZip() const { return testZip_ == 1; }
    void setTestZip(bool v) { testZip_ = v ? 1 : 0; }
    std::int32_t ExtractList() const { return extractList_; }
    void setExtractList(std::int32_t v) { extractList_ = v; }
    bool ExtractOnlyNewer() const { return extractOnlyNewer_ == 1; }
    void setExtractOnlyNewer(bool v) { extractOnlyNewer_ = v ? 1 : 0; }
    bool DisplayComment() const { return displayComment_ == 1; }
    void setDisplayComment(bool v) { displayComment_ = v ? 1 : 0; }
    bool HonorDirectories() const { return honorDirectories_ == 1; }
    void setHonorDirectories(bool v) { honorDirectories_ = v ? 1 : 0; }
    bool OverWriteFiles() const { return overWriteFiles_ == 1; }
    void setOverWriteFiles(bool v) { overWriteFiles_ = v ? 1 : 0; }
    bool ConvertCRtoCRLF() const { return convertCRtoCRLF_ == 1; }
    void setConvertCRtoCRLF(bool v) { convertCRtoCRLF_ = v ? 1 : 0; }
    bool Verbose() const { return verbose_ == 1; }
    void setVerbose(bool v) { verbose_ = v ? 1 : 0; }
    bool CaseSensitive() const { return caseSensitive_ == 1; }
    void setCaseSensitive(bool v) { caseSensitive_ = v ? 1 : 0; }
    std::int32_t Privilege() const { return privilege_; }
    void setPrivilege(std::int32_t v) { privilege_ = v; }
    const std::string& ZipFileName() const { return zipFileName_; }
    void setZipFileName(const std::string& v) { zipFileName_ = v; }
    const std::string& ExtractDir() const { return extractDir_; }
    void setExtractDir(const std::string& v) { extractDir_ = v; }

    // Non-empty arguments replace ZipFileName and ExtractDir for this and later calls. eFiles:
    // names to extract (nullopt or empty: all); xFiles: names to leave out. Returns the engine's
    // UnzipResult code. Raises ArchiveError from "CGUnZipFiles::Unzip": kErrOverflow when a number
    // property does not fit 16 bits, kErrSubscript for a list of more than 100 names.
    std::int32_t Unzip(const std::string& sZipFileName = {}, const std::string& sExtractDir = {},
                       const std::optional<ZipNameList>& eFiles = std::nullopt,
                       const std::optional<ZipNameList>& xFiles = std::nullopt);
    std::string GetLastMessage() const;

private:
    Ui* ui_;
    std::int16_t extractNewer_ = 0;
    std::int16_t spaceToUnderScore_ = 0;
    std::int16_t promptOverwrite_ = 0;
    std::int32_t messageLevel_ = 2;
    std::int16_t writeToStdOut_ = 0;
    std::int16_t testZip_ = 0;
    std::int32_t extractList_ = 0;
    std::int16_t extractOnlyNewer_ = 0;
    std::int16_t displayComment_ = 0;
    std::int16_t honorDirectories_ = 1;
    std::int16_t overWriteFiles_ = 1;
    std::int16_t convertCRtoCRLF_ = 0;
    std::int16_t verbose_ = 0;
    std::int16_t caseSensitive_ = 1;
    std::int32_t privilege_ = 0;
    std::string zipFileName_;
    std::string extractDir_;
};

} // namespace tessaly
