// ArchiveInput.cpp -- libzip's read protocol over an ArchiveInput.
#include "archive/ArchiveInput.h"

#include "archive/SourceSteps.h"

#include <algorithm>
#include <exception>
#include <zip.h>

namespace tessaly {

namespace {

struct InputState {
    std::shared_ptr<ArchiveInput> input; // shared: the archive may outlive the source that named it
    zip_error_t error;
    std::uint64_t position = 0;

    explicit InputState(std::shared_ptr<ArchiveInput> i) : input(std::move(i)) { zip_error_init(&error); }
    ~InputState() { zip_error_fini(&error); }
};

zip_int64_t inputCallback(void* userdata, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* s = static_cast<InputState*>(userdata);
    const std::uint64_t size = s->input->size();
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        s->position = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        std::uint64_t n = std::min<std::uint64_t>(len, size - std::min(s->position, size));
        try {
            s->input->readAt(s->position, static_cast<char*>(data), std::size_t(n));
        } catch (const std::exception&) {
            zip_error_set(&s->error, ZIP_ER_READ, 0);
            return -1;
        }
        s->position += n;
        return zip_int64_t(n);
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_SEEK:
        return seekWithin(s->position, size, data, len, &s->error);
    case ZIP_SOURCE_TELL:
        return zip_int64_t(s->position);
    case ZIP_SOURCE_STAT:
        return statOfSize(data, len, &s->error, size);
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&s->error, data, len);
    case ZIP_SOURCE_FREE:
        delete s;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_SUPPORTS, -1);
    default:
        zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

} // namespace

zip_t* ArchiveSource::open(int flags, int* error) const {
    if (!input_)
        return zip_open(name_.c_str(), flags, error);
    zip_error_t ze;
    zip_error_init(&ze);
    auto* state = new InputState(input_);
    zip_source_t* src = zip_source_function_create(inputCallback, state, &ze);
    if (!src)
        delete state;
    zip_t* za = src ? zip_open_from_source(src, flags, &ze) : nullptr;
    if (src && !za)
        zip_source_free(src); // frees the state too
    if (!za && error)
        *error = zip_error_code_zip(&ze);
    zip_error_fini(&ze);
    return za;
}

} // namespace tessaly
