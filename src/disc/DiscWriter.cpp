// DiscWriter.cpp -- listeners and settings shared by every implementation of the control.
#include "DiscWriter.h"

#include <algorithm>

namespace tessaly {

void DiscListenerHub::add(DiscEvents* listener) {
    std::lock_guard lock(mutex_);
    if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void DiscListenerHub::remove(DiscEvents* listener) {
    std::lock_guard lock(mutex_);
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void DiscListenerHub::dispatch(const std::function<void(DiscEvents&)>& event) {
    std::vector<DiscEvents*> snapshot;
    {
        std::lock_guard lock(mutex_);
        snapshot = listeners_;
    }
    for (DiscEvents* listener : snapshot) {
        {
            std::lock_guard lock(mutex_);
            if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
                continue;
        }
        event(*listener);
    }
}

DiscWriter::DiscWriter() : hub_(std::make_shared<DiscListenerHub>()) {}

DiscWriter::~DiscWriter() = default;

double DiscWriter::BlocksToBytes(long long blocks, int /*format*/) const {
    return static_cast<double>(blocks) * kBlockBytes;
}

DiscSettings DiscWriter::settings() {
    std::lock_guard lock(settingsMutex_);
    return settings_;
}

#define TESSALY_SETTING(Getter, Setter, Type, member)                                                        \
    Type DiscWriter::Getter() {                                                                              \
        std::lock_guard lock(settingsMutex_);                                                                \
        return settings_.member;                                                                             \
    }                                                                                                        \
    void DiscWriter::Setter(Type value) {                                                                    \
        std::lock_guard lock(settingsMutex_);                                                                \
        settings_.member = value;                                                                            \
    }

TESSALY_SETTING(AutoVerify, SetAutoVerify, bool, autoVerify)
TESSALY_SETTING(FinalizeDisc, SetFinalizeDisc, bool, finalizeDisc)
TESSALY_SETTING(WriteFlag, SetWriteFlag, bool, writeFlag)
TESSALY_SETTING(CacheImage, SetCacheImage, bool, cacheImage)
TESSALY_SETTING(TestWrite, SetTestWrite, bool, testWrite)
TESSALY_SETTING(DvdHighCompatibility, SetDvdHighCompatibility, bool, dvdHighCompatibility)

#undef TESSALY_SETTING

std::string DiscWriter::VolumeLabel() {
    std::lock_guard lock(settingsMutex_);
    return settings_.volumeLabel;
}

void DiscWriter::SetVolumeLabel(const std::string& label) {
    std::lock_guard lock(settingsMutex_);
    settings_.volumeLabel = label;
}

int DiscWriter::Joliet() {
    std::lock_guard lock(settingsMutex_);
    return settings_.joliet;
}

void DiscWriter::SetJoliet(int on) {
    std::lock_guard lock(settingsMutex_);
    settings_.joliet = on ? 1 : 0;
}

int DiscWriter::IsoLevel() {
    return kWrittenIsoLevel;
}

int DiscWriter::TrackMode() {
    std::lock_guard lock(settingsMutex_);
    return settings_.trackMode;
}

bool DiscWriter::SetTrackMode(int mode) {
    std::lock_guard lock(settingsMutex_);
    settings_.trackMode = kTrackMode1;
    return mode == kTrackMode1;
}

void DiscWriter::SetBufferProtection(bool on) {
    std::lock_guard lock(settingsMutex_);
    settings_.bufferProtection = on;
}

} // namespace tessaly
