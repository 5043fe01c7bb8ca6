// BurnLibs.h -- includes libburn, libisofs and libisoburn so that their shared struct names agree.
#pragma once

// libisoburn.h and libisofs.h need these types declared before them.
#include <cstdint>
#include <sys/types.h>

// libburn declares everything inside namespace burn when compiled as C++.
#include <libburn/libburn.h>
// libisofs stays global; its forward-declared struct burn_source is the same C struct as
// burn::burn_source (see toBurnSource).
#include <libisofs/libisofs.h>
// libisoburn names libburn's structs unqualified, so it must see them from inside namespace burn.
namespace burn {
#include <libisoburn/libisoburn.h>
}

namespace tessaly {

inline burn::burn_source* toBurnSource(::burn_source* source) {
    return reinterpret_cast<burn::burn_source*>(source);
}

} // namespace tessaly
