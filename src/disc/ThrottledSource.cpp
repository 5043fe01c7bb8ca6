// ThrottledSource.cpp -- a rate-limiting burn source and the image cache.
#include "ThrottledSource.h"

#include "DiscCodes.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace tessaly {

namespace {

struct Throttle {
    burn::burn_source* inner = nullptr;
    double bytesPerSecond = 0;
    std::chrono::steady_clock::time_point start;
    bool started = false;
    long long delivered = 0;
};

int readInner(burn::burn_source* inner, unsigned char* buffer, int size) {
    if (inner->read)
        return inner->read(inner, buffer, size);
    return inner->read_xt(inner, buffer, size);
}

int throttledRead(burn::burn_source* source, unsigned char* buffer, int size) {
    auto* t = static_cast<Throttle*>(source->data);
    if (!t->started) {
        t->start = std::chrono::steady_clock::now();
        t->started = true;
    }
    const int got = readInner(t->inner, buffer, size);
    if (got > 0) {
        t->delivered += got;
        const auto due = t->start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                        std::chrono::duration<double>(t->delivered / t->bytesPerSecond));
        std::this_thread::sleep_until(due);
    }
    return got;
}

off_t throttledSize(burn::burn_source* source) {
    auto* t = static_cast<Throttle*>(source->data);
    return t->inner->get_size(t->inner);
}

int throttledSetSize(burn::burn_source* source, off_t size) {
    auto* t = static_cast<Throttle*>(source->data);
    return t->inner->set_size ? t->inner->set_size(t->inner, size) : 0;
}

int throttledCancel(burn::burn_source* source) {
    auto* t = static_cast<Throttle*>(source->data);
    burn::burn_source* inner = t->inner;
    if (!inner->read && inner->version > 0 && inner->cancel)
        return inner->cancel(inner);
    return 1;
}

void throttledFree(burn::burn_source* source) {
    auto* t = static_cast<Throttle*>(source->data);
    burn::burn_source_free(t->inner);
    delete t;
}

} // namespace

burn::burn_source* NewThrottledSource(burn::burn_source* inner, int kbPerSecond) {
    // burn_source_free() releases the struct with free(), so it must come from calloc().
    auto* source = static_cast<burn::burn_source*>(std::calloc(1, sizeof(burn::burn_source)));
    if (!source)
        return nullptr;
    auto* t = new Throttle;
    t->inner = inner;
    t->bytesPerSecond = kbPerSecond * 1000.0;
    source->refcount = 1;
    source->read = nullptr;
    source->read_sub = nullptr;
    source->get_size = throttledSize;
    source->set_size = throttledSetSize;
    source->free_data = throttledFree;
    source->next = nullptr;
    source->data = t;
    source->version = 1;
    source->read_xt = throttledRead;
    source->cancel = throttledCancel;
    return source;
}

bool CacheSourceToFile(burn::burn_source* source, const std::filesystem::path& file,
                       const std::function<void(int percent)>& progress, const std::atomic<bool>& abort) {
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out)
        return false;
    const long long total = source->get_size(source);
    unsigned char block[kBlockBytes];
    long long done = 0;
    int lastPercent = -1;
    bool ok = true;
    while (ok && done < total) {
        if (abort) {
            ok = false;
            break;
        }
        const int got = readInner(source, block, kBlockBytes);
        if (got <= 0) {
            ok = got == 0 && done >= total;
            break;
        }
        if (std::fwrite(block, 1, static_cast<std::size_t>(got), out) != static_cast<std::size_t>(got))
            ok = false;
        done += got;
        const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
        if (percent != lastPercent) {
            progress(percent);
            lastPercent = percent;
        }
    }
    if (std::fclose(out) != 0)
        ok = false;
    return ok && done >= total;
}

} // namespace tessaly
