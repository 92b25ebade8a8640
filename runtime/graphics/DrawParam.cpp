#include "graphics/DrawParam.h"

#include <cstring>

#include "graphics/TextureInfo.h"
#include "memory/UtMemory.h"

namespace tavrix {

namespace {

float clampUnit(float value)
{
    // Written so that NaN falls to 0 rather than passing through.
    if (!(value > 0.0f)) return 0.0f;
    return value < 1.0f ? value : 1.0f;
}

} // namespace

DrawParam::DrawParam()
    : fixedTextureCount(DEFAULT_FIXED_TEXTURE_COUNT), baseAlpha(1.0f), baseRed(1.0f), baseGreen(1.0f),
      baseBlue(1.0f), culling(false), matrix(), premultipliedAlpha(true), anisotropy(-1), textureInfos(nullptr),
      pCurrentDrawDataID(nullptr)
{
    for (int i = 0; i < MATRIX_SIZE; i += 5) matrix[i] = 1.0f;
    MemoryParam* tmp = UtMemory::getTmpMemoryParam();
    textureInfos = new (tmp) LDVector<TextureInfo*>(tmp);
    if (textureInfos) textureInfos->updateSize(fixedTextureCount, nullptr);
}

DrawParam::~DrawParam()
{
    if (!textureInfos) return;
    for (int i = textureInfos->size() - 1; i >= 0; --i) delete (*textureInfos)[i];
    delete textureInfos;
}

void DrawParam::setupDraw()
{
}

int DrawParam::generateModelTextureNo()
{
    return -1;
}

void DrawParam::releaseModelTextureNo(int)
{
}

void DrawParam::setBaseColor(float alpha, float red, float green, float blue)
{
    baseAlpha = clampUnit(alpha);
    baseRed = clampUnit(red);
    baseGreen = clampUnit(green);
    baseBlue = clampUnit(blue);
}

void DrawParam::setMatrix(const float* m)
{
    if (!m) return;
    std::memcpy(matrix, m, sizeof matrix);
}

bool DrawParam::enabledTextureInfo(int no) const
{
    // A negative number names no entry (it must not index before the table).
    return textureInfos && no >= 0 && no < textureInfos->size() && (*textureInfos)[no] != nullptr;
}

TextureInfo* DrawParam::getTextureInfo(int no) const
{
    return enabledTextureInfo(no) ? (*textureInfos)[no] : nullptr;
}

void DrawParam::setTextureColor(int no, float r, float g, float b, float a)
{
    TextureInfo* info = getTextureInfo(no);
    if (!info) return;
    info->r = r;
    info->g = g;
    info->b = b;
    info->a = a;
}

void DrawParam::setTextureScale(int no, float scale)
{
    if (TextureInfo* info = getTextureInfo(no)) info->scale = scale;
}

void DrawParam::setTextureInterpolate(int no, float interpolate)
{
    if (TextureInfo* info = getTextureInfo(no)) info->interpolate = interpolate;
}

void DrawParam::setTextureBlendMode(int no, int blendMode)
{
    if (TextureInfo* info = getTextureInfo(no)) info->blendMode = blendMode;
}

bool DrawParam::resizeTextureInfos(int count)
{
    if (!textureInfos || count < 0) return false;
    if (!textureInfos->prepare_capacity(count)) return false;
    for (int i = textureInfos->size() - 1; i >= count; --i) {
        delete (*textureInfos)[i];
        (*textureInfos)[i] = nullptr;
    }
    return textureInfos->updateSize(count, nullptr);
}

TextureInfo* DrawParam::installTextureInfo(int no)
{
    if (!textureInfos || no < 0 || no >= textureInfos->size()) return nullptr;
    TextureInfo* info = new (UtMemory::getTmpMemoryParam()) TextureInfo();
    if (!info) return nullptr;
    delete (*textureInfos)[no];
    (*textureInfos)[no] = info;
    return info;
}

void DrawParam::removeTextureInfo(int no)
{
    if (!textureInfos || no < 0 || no >= textureInfos->size()) return;
    delete (*textureInfos)[no];
    (*textureInfos)[no] = nullptr;
}

} // namespace tavrix
