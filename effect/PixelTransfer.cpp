#include "PixelTransfer.h"

#include <cstring>

void copyFlipped(const uint8_t* buffer, uint32_t bufferWidth, PF_Pixel8* first, int32_t rowbytes, int32_t width,
                 int32_t height)
{
    uint8_t* destination = reinterpret_cast<uint8_t*>(first);
    const size_t step = static_cast<size_t>(rowbytes) & ~static_cast<size_t>(3);
    const size_t rowLength = static_cast<size_t>(width) * 4;
    for (int32_t r = 0; r < height; ++r) {
        const uint8_t* source = buffer + static_cast<size_t>(height - 1 - r) * bufferWidth * 4;
        std::memcpy(destination + r * step, source, rowLength);
    }
}
