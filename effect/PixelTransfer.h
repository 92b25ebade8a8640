#pragma once

#include <stdint.h>

#include "PF_World.h"

// Copies the lower-left width x height corner of an OpenGL read-back
// (bottom row first, bufferWidth pixels a row, each pixel already holding
// alpha, red, green, blue in memory order) into a world whose rows run top
// to bottom, rowbytes apart (rounded down to whole pixels).
void copyFlipped(const uint8_t* buffer, uint32_t bufferWidth, PF_Pixel8* first, int32_t rowbytes, int32_t width,
                 int32_t height);
