#include "util/json/Double.h"

#include <cstdio>

#include "util/UtMath.h"

namespace tavrix {

LDString Double::toString(const LDString&, const LDString&)
{
    // "%f" of the largest doubles takes over 300 characters.
    char text[400];
    int length = std::snprintf(text, sizeof(text), "%f", value);
    if (length < 0) length = 0;
    if (length >= static_cast<int>(sizeof(text))) length = sizeof(text) - 1;
    return LDString(text, length);
}

int Double::toInt(int)
{
    return UtMath::truncToIntSaturated(value);
}

} // namespace tavrix
