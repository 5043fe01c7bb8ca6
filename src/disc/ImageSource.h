// ImageSource.h -- the ISO 9660 image of an IsoTree as a stream of 2048-byte blocks for libburn.
#pragma once

#include "BurnLibs.h"

#include <string>

namespace tessaly {

struct ImageSourceOptions {
    std::string volumeLabel;
    bool joliet = true;
    // The image adds a session to the disc it was read from (imported files keep their blocks).
    bool appendable = false;
    // The block on the medium where the image will start.
    std::uint32_t startBlock = 0;
    // For media without sessions of their own (DVD+RW, pseudo-drives): 64 KiB that libisofs fills
    // with the volume descriptors to be written at block 0 once the session is on the medium.
    std::uint8_t* headBuffer = nullptr;
    std::uint32_t tailBlocks = 0;
    // Only the size is wanted; the source will be cancelled without being read.
    bool sizeOnly = false;
};

inline constexpr int kHeadBufferBytes = 64 * 1024;

// One reference to a new source, or nullptr with the libisofs error in *error.
burn::burn_source* CreateImageSource(IsoImage* image, const ImageSourceOptions& options, int* error);
// Stops the source's image thread and drops the caller's reference.
void DisposeImageSource(burn::burn_source* source);
// The image's size in 2048-byte blocks, or -1.
long long ImageSizeBlocks(IsoImage* image, ImageSourceOptions options);

} // namespace tessaly
