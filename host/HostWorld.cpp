#include "HostWorld.h"

#include <algorithm>

namespace tavrix_host {

HostWorld::HostWorld(int32_t width, int32_t height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    const size_t rowbytes = (static_cast<size_t>(width) * 4 + 63) / 64 * 64;
    pixels.assign(std::max<size_t>(rowbytes * static_cast<size_t>(height), 1), 0);
    def = PF_EffectWorld();
    def.host_world = this;
    def.data = reinterpret_cast<PF_Pixel*>(pixels.data());
    def.rowbytes = static_cast<int32_t>(rowbytes);
    def.width = width;
    def.height = height;
}

} // namespace tavrix_host
