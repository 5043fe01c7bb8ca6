// DiscVerify.h -- reading written data back and comparing it with its source.
#pragma once

#include "BurnLibs.h"

#include <string>

namespace tessaly {

// Compares the file at imagePath of an image read from a disc with the source file, byte for byte.
// Returns a VerifyFile result code (kVerifyMatched when equal).
int CompareWithDisc(IsoImage* disc, const std::string& imagePath, const std::string& source);

// Compares an ISO file with the first blocks of the medium in a drive.
int CompareIsoWithDrive(burn::burn_drive* drive, const std::string& isoFile);

} // namespace tessaly
