#pragma once

#include "draw/IDrawData.h"
#include "type/LDVector.h"

namespace tavrix {

class BReader;
class DrawParam;
class IDrawContext;
class MemoryParam;
class ModelContext;

// A textured triangle mesh: keyed point positions, 16-bit triangle indices,
// texture coordinates and drawing options. Shared read-only model data; the
// points of one evaluation live in its DDTextureContext.
class DDTexture : public IDrawData {
public:
    // Streams from this format version on carry the option flag.
    static constexpr int OPTION_FLAG_FORMAT_VERSION = 8;
    // Option bits: an option value follows; the composition mode; culling off.
    static constexpr int OPTION_HAS_VALUE = 0x01;
    static constexpr int OPTION_COMPOSITION_MASK = 0x1E;
    static constexpr int OPTION_NO_CULLING = 0x20;
    // Composition modes the back-end tells apart; any other draws as normal.
    static constexpr int COMPOSITION_NORMAL = 0;
    static constexpr int COMPOSITION_ADDITIVE = 1;
    static constexpr int COMPOSITION_MULTIPLICATIVE = 2;
    // A stream texture number below 0 draws with this one.
    static constexpr int FALLBACK_TEXTURE_NO = 1;

    DDTexture();
    // Releases the index array, every point array (last to first) and their
    // list, the uvs and the recorded lengths, then the common fields.
    virtual ~DDTexture();
    // Index and uv arrays are placed in memParam's GPU memory. The reader's
    // typed reads turn fields of the wrong class into null; what a bad file
    // leaves behind is refused by model validation, which runs afterwards.
    virtual void readV2(BReader& reader, MemoryParam* memParam);
    // A new context whose point buffers come from the context's GPU memory,
    // zeroed; null when memory runs out.
    virtual IDrawContext* init(ModelContext& context);
    // Draw order, opacity and points, when a parameter of the mesh changed.
    virtual void setupInterpolate(ModelContext& context, IDrawContext* drawContext);
    // Moves the points through the target deformer and picks the buffer to draw.
    virtual void setupTransform(ModelContext& context, IDrawContext* drawContext);
    // One drawTexture call on the back-end, after setting culling and the
    // current identifier.
    virtual void draw(DrawParam& drawParam, ModelContext& context, IDrawContext* drawContext);
    virtual int getType();
    // With two floats per point there is no depth to set.
    virtual void setZ_TestImpl(ModelContext& context, IDrawContext* drawContext, float z);

    // Gives a mesh built in code an empty pivot manager.
    void initDirect(MemoryParam* memParam);

    int getTextureNo() const { return textureNo; }
    int getNumPoints() const { return numPts; }
    int getNumPolygons() const { return numPolygons; }
    int getOptionFlag() const { return optionFlag; }
    int getOptionValue() const { return optionValue; }
    int getCompositionMode() const { return compositionMode; }
    bool isCulling() const { return culling; }
    // Stores the triangle count (numPolygons) in count.
    unsigned short* getIndexArray(int* count) const;
    LDVector<float*>* getPivotPoints() const { return pivotPoints; }
    float* getUvs() const { return uvs; }

    // Element counts as read from the stream (0 for a field read as null),
    // for validation against numPts and numPolygons.
    int getIndexArrayLength() const { return indexArrayLength; }
    int getUvsLength() const { return uvsLength; }
    // Floats in each point array, same order as getPivotPoints(); empty when
    // the list is absent.
    LDVector<int>* getPivotPointsLengths() const { return pivotPointsLengths; }

    DDTexture(const DDTexture&) = delete;
    DDTexture& operator=(const DDTexture&) = delete;

private:
    // True when every table the evaluation reads is present.
    bool hasKeyedTables() const;

    int textureNo;
    int numPts;
    int numPolygons;
    int optionFlag;
    int optionValue;
    unsigned short* indexArray;
    LDVector<float*>* pivotPoints;
    float* uvs;
    int compositionMode;
    bool culling;

    int indexArrayLength;
    LDVector<int>* pivotPointsLengths;
    int uvsLength;
};

} // namespace tavrix
