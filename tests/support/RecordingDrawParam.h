// A drawing back-end that records what it is asked to draw, so tests can
// compare whole draw sequences.
#pragma once

#include <vector>

#include "graphics/DrawParam.h"

namespace tavrix_test {

class RecordingDrawParam : public tavrix::DrawParam {
public:
    // One drawTexture call with the back-end state it saw.
    struct DrawCall {
        int textureNo;
        int indexCount;
        int numPoints;
        float opacity;
        int compositionMode;
        bool culling;
        tavrix::DrawDataID* drawDataID;
        // Whether a real back-end would draw it: opacity above 0 and a
        // texture-info record for the texture number.
        bool drawn;
        const unsigned short* indexArray;
        const float* vertexArray;
        const float* uvArray;
        std::vector<unsigned short> indices; // indexCount entries
        std::vector<float> points;           // numPoints x, y pairs
        std::vector<float> uvs;              // numPoints u, v pairs
    };

    void setupDraw() override { ++setupDrawCount; }
    void drawTexture(int textureNo, int indexCount, int numPoints, unsigned short* indexArray, float* vertexArray,
                     float* uvArray, float opacity, int compositionMode) override;

    // Gives texture number no a record with the initial values, growing the
    // table to no + 1 entries when it is shorter.
    bool setTexture(int no);
    // Removes the record of no.
    void releaseTexture(int no) { removeTextureInfo(no); }

    // The calls a real back-end would turn into drawing.
    std::vector<DrawCall> drawnCalls() const;
    void clearCalls() { calls.clear(); }

    std::vector<DrawCall> calls;
    int setupDrawCount = 0;
};

} // namespace tavrix_test
