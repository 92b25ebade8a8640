#include "draw/DDTexture.h"

#include <cstring>

#include "ModelContext.h"
#include "base/IBaseContext.h"
#include "base/IBaseData.h"
#include "draw/DDTextureContext.h"
#include "graphics/DrawParam.h"
#include "id/BaseDataID.h"
#include "io/BReader.h"
#include "memory/MemoryParam.h"
#include "memory/UtMemory.h"
#include "param/PivotManager.h"
#include "util/UtDebug.h"
#include "util/UtInterpolate.h"

namespace tavrix {

namespace {

// Reads one field with memParam's allocation type switched to GPU, so that
// data handed to the drawing back-end lies in GPU memory; the previous type
// is restored afterwards.
template <class Read>
auto readIntoGPU(MemoryParam* memParam, Read read) -> decltype(read())
{
    if (!memParam) return read();
    LDAllocator::Type previous = memParam->setAllocType(LDAllocator::GPU);
    auto result = read();
    memParam->setAllocType(previous);
    return result;
}

float* allocatePoints(MemoryParam* memParam, int numPts)
{
    const size_t bytes = sizeof(float) * 2 * static_cast<size_t>(numPts);
    float* points = static_cast<float*>(UtMemory::malloc_exe(memParam, bytes));
    if (points) std::memset(points, 0, bytes);
    return points;
}

} // namespace

DDTexture::DDTexture()
    : textureNo(-1), numPts(0), numPolygons(0), optionFlag(0), optionValue(0), indexArray(nullptr),
      pivotPoints(nullptr), uvs(nullptr), compositionMode(COMPOSITION_NORMAL), culling(true), indexArrayLength(0),
      pivotPointsLengths(nullptr), uvsLength(0)
{
}

DDTexture::~DDTexture()
{
    UtMemory::free_exe(indexArray);
    if (pivotPoints) {
        for (int i = pivotPoints->size() - 1; i >= 0; --i) UtMemory::free_exe((*pivotPoints)[i]);
        delete pivotPoints;
    }
    UtMemory::free_exe(uvs);
    delete pivotPointsLengths;
}

void DDTexture::readV2(BReader& reader, MemoryParam* memParam)
{
    IDrawData::readV2(reader, memParam);
    textureNo = reader.readInt();
    numPts = reader.readInt();
    numPolygons = reader.readInt();
    indexArray = readIntoGPU(memParam, [&] { return reader.readUShortArrayObject(memParam, &indexArrayLength); });

    MemoryParam* listMemory = memParam ? memParam : UtMemory::getTmpMemoryParam();
    pivotPointsLengths = new (listMemory) LDVector<int>(listMemory);
    pivotPoints = reader.readFloatArrayList(memParam, pivotPointsLengths);

    uvs = readIntoGPU(memParam, [&] { return reader.readFloatArrayObject(memParam, &uvsLength); });

    if (reader.getFormatVersion() >= OPTION_FLAG_FORMAT_VERSION) {
        optionFlag = reader.readInt();
        if (optionFlag & OPTION_HAS_VALUE) optionValue = reader.readInt();
    } else {
        optionFlag = 0;
    }
    compositionMode = (optionFlag & OPTION_COMPOSITION_MASK) >> 1;
    culling = (optionFlag & OPTION_NO_CULLING) == 0;
}

IDrawContext* DDTexture::init(ModelContext& context)
{
    MemoryParam* memParam = context.getMemoryParam();
    DDTextureContext* drawContext = new (memParam) DDTextureContext(this);
    if (!drawContext || numPts <= 0) return drawContext;

    const bool transformed = needTransform();
    LDAllocator::Type previous = LDAllocator::MAIN;
    if (memParam) previous = memParam->setAllocType(LDAllocator::GPU);
    drawContext->interpolatedPoints = allocatePoints(memParam, numPts);
    if (transformed) drawContext->transformedPoints = allocatePoints(memParam, numPts);
    if (memParam) memParam->setAllocType(previous);

    if (!drawContext->interpolatedPoints || (transformed && !drawContext->transformedPoints)) {
        // Without its buffers the mesh is never evaluated (see setupInterpolate).
        UtMemory::free_exe(drawContext->interpolatedPoints);
        UtMemory::free_exe(drawContext->transformedPoints);
        drawContext->interpolatedPoints = nullptr;
        drawContext->transformedPoints = nullptr;
    }
    return drawContext;
}

bool DDTexture::hasKeyedTables() const
{
    return pivotManager && pivotDrawOrder && pivotOpacity && pivotPoints;
}

void DDTexture::setupInterpolate(ModelContext& context, IDrawContext* drawContext)
{
    DDTextureContext* textureContext = static_cast<DDTextureContext*>(drawContext);
    // A mesh missing a table or its buffers cannot be evaluated; it counts as
    // outside its parameters, so it is neither transformed nor drawn.
    if (!hasKeyedTables() || (numPts > 0 && !textureContext->interpolatedPoints)) {
        textureContext->outsideParam = true;
        return;
    }
    if (!pivotManager->checkParamUpdated(context)) return;

    IDrawData::setupInterpolate(context, drawContext);
    if (textureContext->outsideParam || numPts <= 0) return;

    bool ignored = false;
    UtInterpolate::interpolatePoints(context, *pivotManager, &ignored, numPts, *pivotPoints,
                                     textureContext->interpolatedPoints, 0, 2);
}

void DDTexture::setupTransform(ModelContext& context, IDrawContext* drawContext)
{
    DDTextureContext* textureContext = static_cast<DDTextureContext*>(drawContext);
    const bool transformed = needTransform();
    if (!textureContext->outsideParam) {
        IDrawData::setupTransform(context, drawContext);
        if (transformed) {
            if (textureContext->tmpBaseDataIndex == DDTextureContext::BASE_INDEX_NOT_LOOKED_UP) {
                textureContext->tmpBaseDataIndex = context.getBaseDataIndex(targetBaseDataID);
            }
            const int baseIndex = textureContext->tmpBaseDataIndex;
            if (baseIndex < 0) {
                UtDebug::error("Target BaseData[%s] is not available.", targetBaseDataID->toChar());
                // Its points were never moved into drawing space.
                textureContext->available = false;
            } else {
                IBaseData* baseData = context.getBaseData(baseIndex);
                IBaseContext* baseContext = context.getBaseContext(baseIndex);
                if (baseData && baseContext && !baseContext->isOutsideParam()) {
                    baseData->transformPoints(context, baseContext, textureContext->interpolatedPoints,
                                              textureContext->transformedPoints, numPts, 0, 2);
                    textureContext->available = true;
                } else {
                    textureContext->available = false;
                }
                if (baseContext) textureContext->baseOpacity = baseContext->getTotalOpacity();
            }
        }
    }
    textureContext->drawPoints = transformed ? textureContext->transformedPoints : textureContext->interpolatedPoints;
}

void DDTexture::draw(DrawParam& drawParam, ModelContext&, IDrawContext* drawContext)
{
    DDTextureContext* textureContext = static_cast<DDTextureContext*>(drawContext);
    if (textureContext->outsideParam) return;
    // Before the first transform there are no points to hand over.
    if (!textureContext->drawPoints) return;
    if (textureNo < 0) textureNo = FALLBACK_TEXTURE_NO;

    const float opacity =
        textureContext->interpolatedOpacity * textureContext->partsOpacity * textureContext->baseOpacity;

    drawParam.setCulling(culling);
    drawParam.setpCurrentDrawDataID(drawDataID);
    drawParam.drawTexture(textureNo, numPolygons * 3, numPts, indexArray, textureContext->drawPoints, uvs, opacity,
                          compositionMode);
}

int DDTexture::getType()
{
    return TYPE_DD_TEXTURE;
}

void DDTexture::setZ_TestImpl(ModelContext&, IDrawContext*, float)
{
}

void DDTexture::initDirect(MemoryParam* memParam)
{
    if (pivotManager) return;
    pivotManager = new (memParam) PivotManager();
    if (pivotManager) pivotManager->initDirect(memParam);
}

unsigned short* DDTexture::getIndexArray(int* count) const
{
    if (count) *count = numPolygons;
    return indexArray;
}

} // namespace tavrix
