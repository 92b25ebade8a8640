#include "GLator.h"

PF_Err MultAlpha(void*, int32_t, int32_t, PF_Pixel* in, PF_Pixel* out)
{
    out->alpha = static_cast<uint8_t>(out->alpha * in->alpha / 255);
    return PF_Err_NONE;
}
