#pragma once

#include "memory/LDObject.h"
#include "type/LDVector.h"

namespace tavrix {

class DrawDataID;
class TextureInfo;

// Drawing back-end of a model: texture table, base colour, projection
// matrix, culling and premultiplied-alpha switches. The model context calls
// setupDraw once per model draw, then each visible mesh hands one indexed
// triangle list to drawTexture.
class DrawParam : public LDObject {
public:
    // Texture numbers below this are assigned explicitly; the back-end hands
    // out the ones from here on.
    static constexpr int DEFAULT_FIXED_TEXTURE_COUNT = 32;
    static constexpr int MATRIX_SIZE = 16;

    DrawParam();
    // Destroys the texture-info records and their table.
    virtual ~DrawParam();

    virtual void setupDraw();
    // vertexArray and uvArray hold numPoints packed pairs; indexCount 16-bit
    // indices form the triangles.
    virtual void drawTexture(int textureNo, int indexCount, int numPoints, unsigned short* indexArray,
                             float* vertexArray, float* uvArray, float opacity, int compositionMode) = 0;
    virtual int generateModelTextureNo();
    virtual void releaseModelTextureNo(int no);
    // Each value is clamped to 0..1; NaN counts as 0.
    virtual void setBaseColor(float alpha, float red, float green, float blue);

    float getBaseAlpha() const { return baseAlpha; }
    float getBaseRed() const { return baseRed; }
    float getBaseGreen() const { return baseGreen; }
    float getBaseBlue() const { return baseBlue; }

    void setCulling(bool value) { culling = value; }
    bool isCulling() const { return culling; }

    // Copies 16 floats, column-major; a null pointer changes nothing.
    void setMatrix(const float* m);
    const float* getMatrix() const { return matrix; }

    void setPremultipliedAlpha(bool value) { premultipliedAlpha = value; }
    bool isPremultipliedAlpha() const { return premultipliedAlpha; }
    // Stored as given; below 1 means no anisotropic filtering.
    void setAnisotropy(int value) { anisotropy = value; }
    int getAnisotropy() const { return anisotropy; }

    int getFixedTextureCount() const { return fixedTextureCount; }

    // Whether no names an entry of the texture-info table that holds a record.
    bool enabledTextureInfo(int no) const;
    // The record of no, or null when enabledTextureInfo(no) is false.
    TextureInfo* getTextureInfo(int no) const;
    int getTextureInfoCount() const { return textureInfos ? textureInfos->size() : 0; }

    // These store into the record of no and do nothing when it has none.
    void setTextureColor(int no, float r, float g, float b, float a);
    void setTextureScale(int no, float scale);
    void setTextureInterpolate(int no, float interpolate);
    void setTextureBlendMode(int no, int blendMode);

    // Identifier of the mesh being drawn.
    void setpCurrentDrawDataID(DrawDataID* id) { pCurrentDrawDataID = id; }
    DrawDataID* getpCurrentDrawDataID() const { return pCurrentDrawDataID; }

    DrawParam(const DrawParam&) = delete;
    DrawParam& operator=(const DrawParam&) = delete;

protected:
    // Gives the texture-info table exactly count entries: new entries are
    // null, records of dropped entries are destroyed. False (table
    // unchanged) when memory runs out.
    bool resizeTextureInfos(int count);
    // Puts a fresh record (initial values) at no, destroying any earlier
    // one; no must lie inside the table. Null when no is outside it or
    // memory runs out (the entry is then left as it was).
    TextureInfo* installTextureInfo(int no);
    // Destroys the record at no, if any, and empties the entry.
    void removeTextureInfo(int no);

    int fixedTextureCount;
    float baseAlpha;
    float baseRed;
    float baseGreen;
    float baseBlue;
    bool culling;
    float matrix[MATRIX_SIZE];
    bool premultipliedAlpha;
    int anisotropy;
    LDVector<TextureInfo*>* textureInfos; // records owned; null entries for numbers not in use
    DrawDataID* pCurrentDrawDataID;
};

} // namespace tavrix
