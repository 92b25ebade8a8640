#include "util/UtArray.h"

#include <cstdarg>

#include "memory/UtMemory.h"
#include "util/UtDebug.h"

namespace tavrix {

float* UtArray::floatArray(MemoryParam* memParam, int n, ...)
{
    if (n < 0) return nullptr;
    float* values = static_cast<float*>(UtMemory::malloc_exe(memParam, sizeof(float) * static_cast<size_t>(n)));
    if (!values) return nullptr;
    va_list args;
    va_start(args, n);
    for (int i = 0; i < n; ++i) values[i] = static_cast<float>(va_arg(args, double));
    va_end(args);
    return values;
}

void UtArray::dumpPoints(const float* points, int width, int height)
{
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            int i = 2 * (row * width + col);
            UtDebug::print("(% 7.3f , % 7.3f) , ", points[i], points[i + 1]);
        }
        UtDebug::print("\n");
    }
    UtDebug::print("\n");
}

} // namespace tavrix
