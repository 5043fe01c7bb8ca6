// SourceSteps.h -- commands that libzip's callback sources, reading or writing, answer alike.
#pragma once

#include <zip.h>

namespace tessaly {

// ZIP_SOURCE_STAT of a source that tells only its size.
inline zip_int64_t statOfSize(void* data, zip_uint64_t len, zip_error_t* error, zip_uint64_t size) {
    auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, error);
    if (!st)
        return -1;
    zip_stat_init(st);
    st->valid = ZIP_STAT_SIZE;
    st->size = size;
    return sizeof(zip_stat_t);
}

// ZIP_SOURCE_SEEK and ZIP_SOURCE_SEEK_WRITE: moves `position` as the arguments say, within `size`.
inline zip_int64_t seekWithin(zip_uint64_t& position, zip_uint64_t size, void* data, zip_uint64_t len,
                              zip_error_t* error) {
    zip_int64_t to = zip_source_seek_compute_offset(position, size, data, len, error);
    if (to < 0)
        return -1;
    position = zip_uint64_t(to);
    return 0;
}

} // namespace tessaly
