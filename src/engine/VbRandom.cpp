// VbRandom.cpp -- restarting the runtime's generator from a number.
#include "engine/VbRandom.h"

#include <cstring>

namespace tessaly {

float VbRandom::restart(double argument) {
    float f = static_cast<float>(argument);
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    x_ = (bits + (bits >> 24)) & 0xFFFFFFu;
    return next();
}

} // namespace tessaly
