#include "support/RecordingDrawParam.h"

namespace tavrix_test {

void RecordingDrawParam::drawTexture(int textureNo, int indexCount, int numPoints, unsigned short* indexArray,
                                     float* vertexArray, float* uvArray, float opacity, int compositionMode)
{
    DrawCall call;
    call.textureNo = textureNo;
    call.indexCount = indexCount;
    call.numPoints = numPoints;
    call.opacity = opacity;
    call.compositionMode = compositionMode;
    call.culling = isCulling();
    call.drawDataID = getpCurrentDrawDataID();
    call.drawn = opacity > 0.0f && enabledTextureInfo(textureNo);
    call.indexArray = indexArray;
    call.vertexArray = vertexArray;
    call.uvArray = uvArray;
    if (indexArray && indexCount > 0) call.indices.assign(indexArray, indexArray + indexCount);
    if (vertexArray && numPoints > 0) call.points.assign(vertexArray, vertexArray + 2 * numPoints);
    if (uvArray && numPoints > 0) call.uvs.assign(uvArray, uvArray + 2 * numPoints);
    calls.push_back(call);
}

bool RecordingDrawParam::setTexture(int no)
{
    if (no < 0) return false;
    if (getTextureInfoCount() < no + 1 && !resizeTextureInfos(no + 1)) return false;
    return installTextureInfo(no) != nullptr;
}

std::vector<RecordingDrawParam::DrawCall> RecordingDrawParam::drawnCalls() const
{
    std::vector<DrawCall> drawn;
    for (const DrawCall& call : calls) {
        if (call.drawn) drawn.push_back(call);
    }
    return drawn;
}

} // namespace tavrix_test
