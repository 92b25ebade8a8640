#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "PF_World.h"

namespace tavrix_host {

// An 8-bit image owned by the host, exposed as a PF_EffectWorld. Rows are
// padded to a multiple of 64 bytes, so code that steps rows by width * 4
// instead of rowbytes shows its fault on odd widths.
class HostWorld {
public:
    HostWorld(int32_t width, int32_t height);

    PF_EffectWorld& world() { return def; }
    const PF_EffectWorld& world() const { return def; }
    int32_t width() const { return def.width; }
    int32_t height() const { return def.height; }
    PF_Pixel& at(int32_t x, int32_t y) { return row(def, y)[x]; }
    const PF_Pixel& at(int32_t x, int32_t y) const { return row(def, y)[x]; }

    static PF_Pixel* row(const PF_EffectWorld& world, int32_t y)
    {
        return reinterpret_cast<PF_Pixel*>(reinterpret_cast<uint8_t*>(world.data) +
                                           static_cast<size_t>(y) * static_cast<size_t>(world.rowbytes));
    }

    HostWorld(const HostWorld&) = delete;
    HostWorld& operator=(const HostWorld&) = delete;

private:
    std::vector<uint8_t> pixels;
    PF_EffectWorld def;
};

} // namespace tavrix_host
