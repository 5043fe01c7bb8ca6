// OutputSource.cpp -- libzip's write protocol over an ArchiveOutput: positions are kept here, the bytes
// go to the output as libzip writes them.
#include "archive/OutputSource.h"

#include "archive/SourceSteps.h"

#include <algorithm>
#include <system_error>

namespace tessaly {

namespace {

struct OutputState {
    ArchiveOutput& output;
    std::exception_ptr& firstFailure;
    zip_error_t error;
    std::uint64_t position = 0;
    std::uint64_t size = 0;

    OutputState(ArchiveOutput& o, std::exception_ptr& f) : output(o), firstFailure(f) {
        zip_error_init(&error);
    }
    ~OutputState() { zip_error_fini(&error); }

    // Runs one step of the output; a failure becomes libzip's error, with the system's code when known.
    template <class Step> zip_int64_t attempt(int code, Step&& step) {
        try {
            step();
            return 0;
        } catch (const std::system_error& e) {
            zip_error_set(&error, code, e.code().value());
            keep(std::current_exception());
        } catch (...) {
            zip_error_set(&error, code, 0);
            keep(std::current_exception());
        }
        return -1;
    }
    void keep(std::exception_ptr failure) {
        if (!firstFailure)
            firstFailure = failure;
    }
};

zip_int64_t outputCallback(void* userdata, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* s = static_cast<OutputState*>(userdata);
    switch (cmd) {
    case ZIP_SOURCE_STAT: // an empty archive to begin with
        return statOfSize(data, len, &s->error, 0);
    case ZIP_SOURCE_OPEN:
    case ZIP_SOURCE_READ:
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_TELL:
        return 0;
    case ZIP_SOURCE_SEEK:
        return zip_source_seek_compute_offset(0, 0, data, len, &s->error) < 0 ? -1 : 0;
    case ZIP_SOURCE_BEGIN_WRITE:
        s->position = s->size = 0;
        return s->attempt(ZIP_ER_TMPOPEN, [&] { s->output.begin(); });
    case ZIP_SOURCE_WRITE: {
        zip_int64_t rc = s->attempt(
            ZIP_ER_WRITE, [&] { s->output.write(s->position, static_cast<const char*>(data), len); });
        if (rc < 0)
            return -1;
        s->position += len;
        s->size = std::max(s->size, s->position);
        return zip_int64_t(len);
    }
    case ZIP_SOURCE_SEEK_WRITE:
        return seekWithin(s->position, s->size, data, len, &s->error);
    case ZIP_SOURCE_TELL_WRITE:
        return zip_int64_t(s->position);
    case ZIP_SOURCE_COMMIT_WRITE:
        return s->attempt(ZIP_ER_WRITE, [&] { s->output.commit(s->size); });
    case ZIP_SOURCE_ROLLBACK_WRITE:
    case ZIP_SOURCE_REMOVE: // an archive left with no entries
        s->output.rollback();
        return 0;
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&s->error, data, len);
    case ZIP_SOURCE_FREE:
        delete s;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(
            ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR,
            ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS, ZIP_SOURCE_BEGIN_WRITE,
            ZIP_SOURCE_WRITE, ZIP_SOURCE_SEEK_WRITE, ZIP_SOURCE_TELL_WRITE, ZIP_SOURCE_COMMIT_WRITE,
            ZIP_SOURCE_ROLLBACK_WRITE, ZIP_SOURCE_REMOVE, -1);
    default:
        zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

} // namespace

zip_source_t* outputSource(ArchiveOutput& output, std::exception_ptr& firstFailure, zip_error_t* error) {
    auto* state = new OutputState(output, firstFailure);
    zip_source_t* src = zip_source_function_create(outputCallback, state, error);
    if (!src)
        delete state;
    return src;
}

} // namespace tessaly
