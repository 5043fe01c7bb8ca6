// ImageSource.cpp -- libisofs write options and burn sources for the data image.
#include "ImageSource.h"

#include "DiscCodes.h"
#include "DiscWriter.h"

namespace tessaly {

namespace {

// The ISO 9660 volume identifier holds 32 bytes; cut at a character boundary.
std::string volumeId(const std::string& label) {
    if (label.size() <= 32)
        return label;
    std::size_t end = 32;
    while (end > 0 && (static_cast<unsigned char>(label[end]) & 0xC0) == 0x80)
        --end;
    return label.substr(0, end);
}

} // namespace

burn::burn_source* CreateImageSource(IsoImage* image, const ImageSourceOptions& options, int* error) {
    IsoWriteOpts* opts = nullptr;
    int result = iso_write_opts_new(&opts, 0);
    if (result < 0) {
        if (error)
            *error = result;
        return nullptr;
    }
    iso_write_opts_set_iso_level(opts, kWrittenIsoLevel);
    iso_write_opts_set_rockridge(opts, 1);
    iso_write_opts_set_joliet(opts, options.joliet ? 1 : 0);
    iso_write_opts_set_joliet_longer_paths(opts, 1);
    iso_write_opts_set_allow_deep_paths(opts, 1);
    iso_write_opts_set_relaxed_vol_atts(opts, 1);
    iso_write_opts_set_appendable(opts, options.appendable ? 1 : 0);
    iso_write_opts_set_ms_block(opts, options.startBlock);
    iso_write_opts_set_overwrite_buf(opts, options.headBuffer);
    iso_write_opts_set_tail_blocks(opts, options.tailBlocks);
    iso_write_opts_set_will_cancel(opts, options.sizeOnly ? 1 : 0);

    const std::string label = volumeId(options.volumeLabel);
    iso_image_set_volume_id(image, label.c_str());
    iso_image_set_application_id(image, "TESSALY");

    ::burn_source* source = nullptr;
    result = iso_image_create_burn_source(image, opts, &source);
    iso_write_opts_free(opts);
    if (result < 0 || !source) {
        if (error)
            *error = result;
        return nullptr;
    }
    return toBurnSource(source);
}

void DisposeImageSource(burn::burn_source* source) {
    if (!source)
        return;
    if (!source->read && source->version > 0 && source->cancel)
        source->cancel(source);
    burn::burn_source_free(source);
}

long long ImageSizeBlocks(IsoImage* image, ImageSourceOptions options) {
    options.sizeOnly = true;
    options.headBuffer = nullptr;
    burn::burn_source* source = CreateImageSource(image, options, nullptr);
    if (!source)
        return -1;
    const long long blocks = source->get_size(source) / kBlockBytes;
    DisposeImageSource(source);
    return blocks;
}

} // namespace tessaly
