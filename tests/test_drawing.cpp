// The OpenGL back-end, the model front-ends and the loading helpers, drawn
// for real through Mesa and read back pixel by pixel.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <lodepng.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "ATavrixModel.h"
#include "DemoModel.h"
#include "Tavrix.h"
#include "TavrixModelIPhoneES2.h"
#include "TavrixModelOpenGL.h"
#include "Win/TavrixUtil.h"
#include "graphics/DrawParam_OpenGLES2.h"
#include "graphics/DrawProfileCocos2D.h"
#include "graphics/UtOpenGLES2.h"
#include "mocwriter/MocFile.h"
#include "mocwriter/ModelBuilders.h"
#include "type/LDString.h"
#include "support/DrawingFixtures.h"
#include "support/PrivateGLContext.h"
#include "support/RuntimeFixture.h"

using namespace tavrix;
using namespace tavrix_test;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::FloatEq;
using ::testing::Pointwise;

namespace {

// The canvas and the target of the back-end tests: one canvas unit is one pixel.
const int TARGET_WIDTH = 32;
const int TARGET_HEIGHT = 16;
const int TOLERANCE = 2;

// Whether the pixel's centre lies inside the triangle (any winding).
bool insideTriangle(int x, int y, const float* p)
{
    const float cx = x + 0.5f;
    const float cy = y + 0.5f;
    auto side = [&](int a, int b) {
        return (p[2 * b] - p[2 * a]) * (cy - p[2 * a + 1]) - (p[2 * b + 1] - p[2 * a + 1]) * (cx - p[2 * a]);
    };
    const float s0 = side(0, 1), s1 = side(1, 2), s2 = side(2, 0);
    return (s0 > 0 && s1 > 0 && s2 > 0) || (s0 < 0 && s1 < 0 && s2 < 0);
}

// The private context with the runtime started, as the effect has it.
class DrawingTest : public PrivateGLTest {
protected:
    void SetUp() override
    {
        PrivateGLTest::SetUp();
        if (HasFatalFailure()) return;
        tavrixutil::init();
        runtimeStarted = true;
    }
    void TearDown() override
    {
        for (ATavrixModel* model : models) delete model;
        if (!textures.empty()) glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
        if (runtimeStarted) Tavrix::dispose();
        PrivateGLTest::TearDown();
    }

    // A texture of one straight-alpha colour, loaded as the effect loads them.
    GLuint solidTexture(Rgba8 colour)
    {
        const GLuint name = tavrixutil::loadGLTextureByLodePNG(
            writeSolidPng("solid" + std::to_string(textures.size()) + ".png", 4, 4, colour).c_str());
        textures.push_back(name);
        return name;
    }

    // Loads through tavrixutil::loadModel for the given target size; the
    // model is deleted at the end of the test.
    TavrixModelOpenGL* load(const std::vector<std::string>& paths, int width, int height)
    {
        TavrixModelOpenGL* model = tavrixutil::loadModel(paths, static_cast<float>(width),
                                                         static_cast<float>(height), textures);
        if (model) models.push_back(model);
        return model;
    }

    std::vector<ATavrixModel*> models;
    std::vector<GLuint> textures;
    bool runtimeStarted = false;
};

// The back-end drawing one rectangle mesh with texture number 0.
struct RectDraw {
    float vertices[8];
    float uvs[8] = {0, 0, 1, 0, 0, 1, 1, 1};
    unsigned short indices[6] = {0, 1, 2, 2, 1, 3}; // clockwise on screen

    RectDraw(float left, float top, float right, float bottom)
        : vertices{left, top, right, top, left, bottom, right, bottom}
    {
    }
    void draw(DrawParam_OpenGLES2& back, float opacity, int mode)
    {
        back.drawTexture(0, 6, 4, indices, vertices, uvs, opacity, mode);
    }
};

void pixelProjection(DrawParam& back)
{
    float matrix[16];
    tavrixutil::projectionMatrix(static_cast<float>(TARGET_WIDTH) / TARGET_HEIGHT, TARGET_WIDTH, matrix);
    back.setMatrix(matrix);
}

} // namespace

TEST_F(RuntimeTest, BackEndTextureTables)
{
    {
        SCOPED_TRACE("setTexture on a fresh back-end gives that number, and only that, a texture");
        DrawParam_OpenGLES2 back;
        back.setTexture(2, 77);
        EXPECT_FALSE(back.enabledTextureInfo(0));
        EXPECT_FALSE(back.enabledTextureInfo(1));
        EXPECT_TRUE(back.enabledTextureInfo(2));
        EXPECT_EQ(back.getTexture(2), 77u);
    }
    {
        SCOPED_TRACE("generateModelTextureNo takes the first free number from 32, past the table's end too");
        DrawParam_OpenGLES2 back;
        back.setTexture(39, 1);
        for (int no = 32; no <= 34; ++no) back.setTexture(no, 1);
        EXPECT_EQ(back.generateModelTextureNo(), 35);
        EXPECT_EQ(back.getTexture(35), DrawParam_OpenGLES2::TEXTURE_RESERVED);
        for (int no = 36; no <= 38; ++no) back.setTexture(no, 1);
        EXPECT_EQ(back.generateModelTextureNo(), 40);
        EXPECT_EQ(back.getTexture(40), DrawParam_OpenGLES2::TEXTURE_RESERVED);

        // A handed-out number beyond the texture-info table can still be given a texture.
        back.setTexture(40, 5);
        EXPECT_TRUE(back.enabledTextureInfo(40));
        back.releaseModelTextureNo(40);
        EXPECT_FALSE(back.enabledTextureInfo(40));
        EXPECT_EQ(back.getTexture(40), 0u);
        back.releaseModelTextureNo(80); // outside: nothing happens
        back.releaseModelTextureNo(-1);
    }
    {
        SCOPED_TRACE("an empty table grows so that the number returned has an entry");
        DrawParam_OpenGLES2 back;
        EXPECT_EQ(back.generateModelTextureNo(), 0);
        EXPECT_EQ(back.getTexture(0), DrawParam_OpenGLES2::TEXTURE_RESERVED);
    }
}

TEST_F(DrawingTest, BlendModesAndOpacityFollowTheBlendTable)
{
    struct Case {
        const char* what;
        int mode;
        bool premultiplied;
        float opacity;
        Rgba8 png;        // straight alpha
        Colour background; // premultiplied
    };
    const Colour clear = {0, 0, 0, 0};
    const Case cases[] = {
        {"normal, opaque", 0, true, 1.0f, {200, 100, 50, 255}, clear},
        {"opacity 0.5 halves colour and alpha", 0, true, 0.5f, {255, 255, 255, 255}, clear},
        {"premultiplied, translucent texel", 0, true, 0.5f, {255, 0, 0, 128}, clear},
        {"straight: opacity 0.5 on alpha only", 0, false, 0.5f, {255, 0, 0, 128}, clear},
        {"normal over a colour", 0, true, 0.75f, {40, 200, 90, 200}, {0.2f, 0.1f, 0.4f, 0.6f}},
        {"additive", 1, true, 1.0f, {0, 128, 0, 255}, {0, 0, 0.25f, 1}},
        {"additive, straight", 1, false, 0.5f, {0, 128, 0, 255}, {0, 0, 0.25f, 1}},
        {"multiplicative", 2, true, 1.0f, {128, 255, 64, 255}, {0.5f, 0.8f, 1, 1}},
        {"multiplicative, translucent", 2, true, 0.6f, {128, 255, 64, 180}, {0.5f, 0.8f, 1, 1}},
        {"multiplicative, straight", 2, false, 1.0f, {128, 255, 64, 255}, {0.5f, 0.8f, 1, 1}},
        {"mode 3 blends as normal", 3, true, 0.75f, {40, 200, 90, 200}, {0.2f, 0.1f, 0.4f, 0.6f}},
        {"mode 9 blends as normal", 9, false, 0.75f, {40, 200, 90, 200}, {0.2f, 0.1f, 0.4f, 0.6f}},
        {"mode 15 blends as normal", 15, true, 0.75f, {40, 200, 90, 200}, {0.2f, 0.1f, 0.4f, 0.6f}},
        {"opacity 0 draws nothing", 0, true, 0.0f, {255, 255, 255, 255}, {0.1f, 0.2f, 0.3f, 0.4f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DrawParam_OpenGLES2 back;
        pixelProjection(back);
        back.setPremultipliedAlpha(c.premultiplied);
        back.setTexture(0, solidTexture(c.png));
        clearViewport(TARGET_WIDTH, TARGET_HEIGHT, c.background.r, c.background.g, c.background.b, c.background.a);
        back.setupDraw();
        RectDraw(4, 4, 20, 12).draw(back, c.opacity, c.mode);

        const Rgba8 background = toRgba8(c.background);
        const Rgba8 covered = toRgba8(
            blendReference(toColour(background), toColour(storedTexel(c.png)), c.opacity, c.mode, c.premultiplied));
        EXPECT_EQ(comparePixels(readImage(TARGET_WIDTH, TARGET_HEIGHT),
                                [&](int x, int y) { return insideRect(x, y, 4, 4, 20, 12) ? covered : background; },
                                TOLERANCE),
                  "");
    }
}

TEST_F(DrawingTest, CullingDropsCounterClockwiseTrianglesOnly)
{
    // Quarter offsets keep every pixel centre off the diagonal edges.
    float vertices[12] = {2, 2, 14.25f, 2, 2, 14.25f,        // clockwise on screen
                          18, 2, 18, 14.25f, 30.25f, 2};     // counter-clockwise
    float uvs[12] = {};
    unsigned short indices[6] = {0, 1, 2, 3, 4, 5};
    const Rgba8 white = {255, 255, 255, 255};
    for (bool culling : {true, false}) {
        SCOPED_TRACE(culling ? "culling on" : "culling off");
        DrawParam_OpenGLES2 back;
        pixelProjection(back);
        back.setTexture(0, solidTexture(white));
        clearViewport(TARGET_WIDTH, TARGET_HEIGHT);
        back.setupDraw();
        back.setCulling(culling);
        back.drawTexture(0, 6, 6, indices, vertices, uvs, 1.0f, 0);
        EXPECT_EQ(comparePixels(readImage(TARGET_WIDTH, TARGET_HEIGHT),
                                [&](int x, int y) {
                                    const bool drawn = insideTriangle(x, y, vertices) ||
                                                       (!culling && insideTriangle(x, y, vertices + 6));
                                    return drawn ? white : Rgba8{0, 0, 0, 0};
                                },
                                0),
                  "");
    }
}

TEST_F(DrawingTest, MeshesWithoutADrawableTextureIssueNoOpenGLCalls)
{
    DrawParam_OpenGLES2 back;
    pixelProjection(back);
    back.setTexture(0, solidTexture({255, 255, 255, 255}));
    back.setTexture(2, solidTexture({255, 255, 255, 255}));
    back.releaseModelTextureNo(2);
    clearViewport(TARGET_WIDTH, TARGET_HEIGHT);
    back.setupDraw();
    glEnable(GL_CULL_FACE); // a draw would switch it off for the mesh (culling is off)
    float vertices[8] = {0, 0, 32, 0, 0, 16, 32, 16};
    float uvs[8] = {};
    unsigned short indices[6] = {0, 1, 2, 2, 1, 3};
    struct Skip {
        const char* what;
        int textureNo;
        float opacity;
    };
    for (const Skip& skip : {Skip{"opacity exactly 0", 0, 0.0f}, Skip{"negative opacity", 0, -1.0f},
                             Skip{"NaN opacity", 0, std::nanf("")}, Skip{"number never set", 1, 1.0f},
                             Skip{"number released", 2, 1.0f}, Skip{"beyond the table", 40, 1.0f},
                             Skip{"negative number", -3, 1.0f}}) {
        SCOPED_TRACE(skip.what);
        back.drawTexture(skip.textureNo, 6, 4, indices, vertices, uvs, skip.opacity, 0);
        EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    }
    EXPECT_EQ(comparePixels(readImage(TARGET_WIDTH, TARGET_HEIGHT), [](int, int) { return Rgba8{0, 0, 0, 0}; }, 0),
              "");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DrawingTest, AnisotropyIsSetOnEveryTextureOnlyFromLevelOne)
{
    for (int level : {-1, 0, 1, 4}) {
        SCOPED_TRACE(level);
        DrawParam_OpenGLES2 back;
        const GLuint texture = solidTexture({10, 20, 30, 255});
        back.setTexture(0, texture);
        back.setAnisotropy(level);
        back.setupDraw();
        GLfloat value = 0;
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &value);
        EXPECT_EQ(value, level >= 1 ? static_cast<float>(level) : 1.0f);
    }
}

TEST_F(DrawingTest, DrawProfileRestoresTheStateADrawChanges)
{
    const GLuint unit1Texture = solidTexture({1, 2, 3, 255});
    const GLuint unit0Texture = solidTexture({4, 5, 6, 255});
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, unit1Texture);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, unit0Texture);
    glActiveTexture(GL_TEXTURE1);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_SCISSOR_TEST);
    glFrontFace(GL_CCW);
    glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_FALSE);
    glDisable(GL_BLEND);
    glDisableVertexAttribArray(0);
    glDisableVertexAttribArray(1);

    DrawProfileCocos2D::preDraw();
    DrawParam_OpenGLES2 back;
    back.setTexture(0, solidTexture({255, 255, 255, 255}));
    back.setupDraw();
    back.setCulling(true);
    RectDraw(0, 0, 8, 8).draw(back, 1.0f, 0);
    DrawProfileCocos2D::postDraw();

    GLint value = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &value);
    EXPECT_EQ(value, 0);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &value);
    EXPECT_EQ(value, GL_TEXTURE1);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(static_cast<GLuint>(value), unit1Texture);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(static_cast<GLuint>(value), unit0Texture);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    glGetIntegerv(GL_FRONT_FACE, &value);
    EXPECT_EQ(value, GL_CCW);
    GLboolean mask[4];
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    EXPECT_EQ(mask[1], GL_FALSE);
    for (GLuint attribute : {0u, 1u}) {
        glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &value);
        EXPECT_EQ(value, 0) << attribute;
    }
}

TEST_F(DrawingTest, ShaderBuildFailuresAreReportedAndLeaveNoProgram)
{
    const char* vertex = "attribute vec4 p;varying vec2 v;void main(){gl_Position = p;v = p.xy;}";
    const char* fragment = "varying vec2 v;void main(){gl_FragColor = vec4(v, 0.0, 1.0);}";
    struct Case {
        const char* vertex;
        const char* fragment;
        const char* message;
    };
    const Case cases[] = {
        {"void main(){ not glsl }", fragment, "Vertex shader compile error!"},
        {vertex, "void main(){ not glsl }", "Fragment shader compile error!"},
        // Both compile, but the varying's types disagree.
        {vertex, "varying vec3 v;void main(){gl_FragColor = vec4(v, 1.0);}", "Failed to link program: "},
    };
    for (const Case& c : cases) {
        unsigned int program = 1;
        const std::string printed = captureStdout([&] { program = UtOpenGLES2::loadShaders(c.vertex, c.fragment); });
        EXPECT_EQ(program, 0u);
        EXPECT_THAT(printed, HasSubstr(c.message));
    }
    const unsigned int program = UtOpenGLES2::loadShaders(vertex, fragment);
    EXPECT_NE(program, 0u);
    EXPECT_TRUE(UtOpenGLES2::validateProgram(program));
    glDeleteProgram(program);
}

TEST_F(DrawingTest, PngTexturesArePremultipliedWithAlphaPlusOne)
{
    struct Case {
        Rgba8 png;
        Rgba8 stored;
    };
    const Case cases[] = {
        {{200, 100, 50, 128}, {100, 50, 25, 128}},
        {{255, 255, 255, 255}, {255, 255, 255, 255}},
        {{255, 17, 90, 0}, {0, 0, 0, 0}},
        {{255, 255, 255, 1}, {1, 1, 1, 1}}, // truncated, not rounded
    };
    for (const Case& c : cases) {
        const GLuint texture = solidTexture(c.png);
        ASSERT_NE(texture, 0u);
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), texture) << "the new texture stays bound";
        unsigned char texel[4 * 16] = {};
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
        EXPECT_EQ(comparePixels(Image{1, 1, {texel, texel + 4}}, [&](int, int) { return c.stored; }, 0), "")
            << "PNG pixel (" << c.png.r << ", " << c.png.g << ", " << c.png.b << ", " << c.png.a << ")";
        GLint minFilter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
    }
    EXPECT_EQ(tavrixutil::loadGLTextureByLodePNG((::testing::TempDir() + "no_such.png").c_str()), 0u);
    EXPECT_EQ(tavrixutil::loadGLTextureByLodePNG(writeTempFile("not_a.png", {1, 2, 3, 4}).c_str()), 0u);
}

TEST(TextureDecoding, ImagesLargerThanTheSideLimitAreRefusedFromTheirHeader)
{
    std::vector<unsigned char> png;
    ASSERT_EQ(lodepng::encode(png, std::vector<unsigned char>{200, 100, 50, 128}, 1, 1), 0u);
    // The header's width, then the chunk's check sum over its type and data.
    const auto withWidth = [&](uint32_t width) {
        std::vector<unsigned char> changed = png;
        const size_t IHDR_TYPE = 12;
        for (int i = 0; i < 4; ++i) changed[IHDR_TYPE + 4 + i] = static_cast<unsigned char>(width >> (24 - 8 * i));
        const unsigned crc = lodepng_crc32(changed.data() + IHDR_TYPE, 17);
        for (int i = 0; i < 4; ++i) changed[IHDR_TYPE + 17 + i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
        return changed;
    };
    const struct {
        std::vector<unsigned char> bytes;
        bool decodes;
    } cases[] = {
        {png, true},
        {withWidth(tavrixutil::MAX_TEXTURE_SIDE + 1), false},
        {withWidth(0x7FFFFFFF), false},
        {{1, 2, 3, 4}, false},
    };
    EXPECT_STREQ(tavrixutil::texturePngFailure(cases[1].bytes.data(), cases[1].bytes.size()),
                 "the image is larger than 16384 pixels a side");
    for (const auto& c : cases) {
        std::vector<unsigned char> pixels{9};
        unsigned width = 7;
        unsigned height = 7;
        EXPECT_EQ(tavrixutil::decodeTexturePng(c.bytes.data(), c.bytes.size(), pixels, width, height), c.decodes);
        EXPECT_EQ(tavrixutil::texturePngFailure(c.bytes.data(), c.bytes.size()) == nullptr, c.decodes);
        if (c.decodes) {
            EXPECT_EQ(pixels, (std::vector<unsigned char>{100, 50, 25, 128})) << "premultiplied with alpha + 1";
        } else {
            EXPECT_TRUE(pixels.empty());
            EXPECT_EQ(width * height, 0u);
        }
    }
}

TEST_F(DrawingTest, LoadModelGivesTheProjectionOfTheAspectAndCanvasWidth)
{
    const std::string modelPath = writeTempModel("canvas1000.moc", flatModel(1000, 500, {{0, 0, 10, 10}}));
    TavrixModelOpenGL* model = load({modelPath}, 1920, 1080);
    ASSERT_NE(model, nullptr);
    const float* m = model->getDrawParam()->getMatrix();
    const float expected[16] = {0.002f, 0, 0, 0, 0, -0.0035555556f, 0, 0, 0, 0, 1, 0, -1, 1, 0, 1};
    EXPECT_THAT(std::vector<float>(m, m + 16), Pointwise(FloatEq(), expected));
    EXPECT_TRUE(model->isPremultipliedAlpha());
}

TEST_F(DrawingTest, ModelRectanglesLandOnThePixelsTheProjectionPredicts)
{
    const Rgba8 png = {200, 100, 50, 255};
    const Rgba8 translucentPng = {20, 40, 250, 128};
    // Canvas 64 wide; the target's width decides the scale of both axes. The
    // sizes keep every edge off the pixel centres.
    const std::string modelPath = writeTempModel(
        "rects.moc", flatModel(64, 64, {{8, 4, 16, 8, 0}, {30, 10, 20, 12, 1, 0.5f}, {40, 2, 8, 4, 1}}));
    const std::vector<std::string> paths = {modelPath, writeSolidPng("rects0.png", 8, 8, png),
                                            writeSolidPng("rects1.png", 8, 8, translucentPng)};
    struct Size {
        int width, height;
    };
    for (Size size : {Size{64, 32}, Size{96, 48}, Size{128, 40}, Size{32, 20}}) {
        SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
        TavrixModelOpenGL* model = load(paths, size.width, size.height);
        ASSERT_NE(model, nullptr);
        ASSERT_EQ(AESDK_OpenGL::AESDK_OpenGL_MakeReadyToRender(gl), AESDK_OpenGL::AESDK_OpenGL_OK);
        clearViewport(size.width, size.height);
        model->draw();

        const float scale = size.width / 64.0f;
        const Colour first = toColour(storedTexel(png));
        const Colour second = toColour(storedTexel(translucentPng));
        EXPECT_EQ(comparePixels(readImage(size.width, size.height),
                                [&](int x, int y) {
                                    Colour c = {0, 0, 0, 0};
                                    if (insideRect(x, y, 8, 4, 24, 12, scale)) c = blendReference(c, first, 1, 0, true);
                                    if (insideRect(x, y, 30, 10, 50, 22, scale)) c = blendReference(c, second, 0.5f, 0, true);
                                    if (insideRect(x, y, 40, 2, 48, 6, scale)) c = blendReference(c, second, 1, 0, true);
                                    return toRgba8(c);
                                },
                                TOLERANCE),
                  "");
    }
}

TEST_F(DrawingTest, ModelWithoutTexturesDrawsNothingAndRaisesNoError)
{
    TavrixModelOpenGL* model =
        load({writeTempModel("bare.moc", mocwriter::ModelBuilders::oneParamModel())}, TARGET_WIDTH, TARGET_HEIGHT);
    ASSERT_NE(model, nullptr);
    clearViewport(TARGET_WIDTH, TARGET_HEIGHT);
    const std::string printed = captureStdout([&] { model->draw(); });
    EXPECT_THAT(printed, Not(HasSubstr("ERROR")));
    EXPECT_EQ(comparePixels(readImage(TARGET_WIDTH, TARGET_HEIGHT), [](int, int) { return Rgba8{0, 0, 0, 0}; }, 0),
              "");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(Tavrix::getError(), 0u);
    EXPECT_TRUE(textures.empty());
}

TEST_F(DrawingTest, LoadFailuresCreateNothingAndUndecodableTexturesRegisterAsZero)
{
    const std::string missing = ::testing::TempDir() + "no_such_model.moc";
    EXPECT_EQ(load({missing, writeSolidPng("unused.png", 2, 2, {1, 2, 3, 4})}, 10, 10), nullptr);
    EXPECT_TRUE(textures.empty());
    EXPECT_EQ(Tavrix::getError(), static_cast<unsigned int>(ATavrixModel::LOAD_FILE_FAILED));
    EXPECT_EQ(Tavrix::getError(), 0u) << "reading the error clears it";
    EXPECT_EQ(TavrixModelIPhoneES2::loadModel(LDString(missing.c_str())), nullptr);
    EXPECT_EQ(Tavrix::getError(), static_cast<unsigned int>(ATavrixModel::LOAD_FILE_FAILED));

    const std::string modelPath = writeTempModel("two_textures.moc", flatModel(32, 16, {{0, 0, 8, 8}}));
    TavrixModelOpenGL* model = load({modelPath, ::testing::TempDir() + "no_such.png",
                                     writeSolidPng("extra.png", 2, 2, {9, 9, 9, 255})},
                                    10, 10);
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(textures.size(), 2u);
    EXPECT_EQ(textures[0], 0u);
    EXPECT_NE(textures[1], 0u);
    EXPECT_TRUE(model->getDrawParam()->enabledTextureInfo(0)) << "a texture that failed is still registered";
}

TEST_F(DrawingTest, FrontEndsDrawTheSameAndDrawingTwiceGivesIdenticalPixels)
{
    const std::vector<uint8_t> bytes = mocwriter::MocFile::build(tavrix_demo::demoModel());
    TavrixModelOpenGL* openGL = TavrixModelOpenGL::loadModel(bytes.data(), static_cast<int>(bytes.size()));
    TavrixModelIPhoneES2* es2 = TavrixModelIPhoneES2::loadModel(bytes.data(), static_cast<int>(bytes.size()));
    ASSERT_NE(openGL, nullptr);
    ASSERT_NE(es2, nullptr);
    models.push_back(openGL);
    models.push_back(es2);
    const GLuint texture = solidTexture({180, 120, 90, 230});
    const int width = 120, height = 160;
    float matrix[16];
    tavrixutil::projectionMatrix(static_cast<float>(width) / height, openGL->getCanvasWidth(), matrix);
    for (auto* model : std::initializer_list<ATavrixModel*>{openGL, es2}) {
        model->setParamFloat("PARAM_ANGLE_X", 20.0f);
        model->setParamFloat("PARAM_BODY_ANGLE_X", -5.0f);
        model->update();
    }
    openGL->setTexture(0, texture);
    openGL->setMatrix(matrix);
    es2->setTexture(0, texture);
    es2->setMatrix(matrix);

    std::vector<Image> images;
    for (ATavrixModel* model : {static_cast<ATavrixModel*>(openGL), static_cast<ATavrixModel*>(openGL),
                                static_cast<ATavrixModel*>(es2)}) {
        clearViewport(width, height);
        model->draw();
        images.push_back(readImage(width, height));
    }
    const auto covered = std::count_if(images[0].rgba.begin(), images[0].rgba.end(), [](uint8_t v) { return v; });
    EXPECT_GT(covered, 1000) << "the posed demo model covers part of the image";
    EXPECT_TRUE(images[0].rgba == images[1].rgba) << "drawing twice changed pixels";
    EXPECT_TRUE(images[0].rgba == images[2].rgba) << "the two front-ends drew differently";

    ATavrixModel bare;
    EXPECT_EQ(bare.getDrawParam(), nullptr);
    EXPECT_NE(openGL->getDrawParam(), nullptr);
}

TEST_F(DrawingTest, DrawsAgainAfterTheContextIsShutDownAndStartedAgain)
{
    using namespace AESDK_OpenGL;
    const Rgba8 white = {255, 255, 255, 255};
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "first context" : "second context");
        if (round == 1) {
            // The textures belong to the context that goes.
            textures.clear();
            AESDK_OpenGL_ReleaseResources(gl);
            SetHostContext(gl);
            ASSERT_EQ(AESDK_OpenGL_Shutdown(gl), AESDK_OpenGL_OK);
            ASSERT_EQ(AESDK_OpenGL_Startup(gl), AESDK_OpenGL_OK);
            SetPluginContext(gl);
            ASSERT_EQ(AESDK_OpenGL_InitResources(gl, 64, 64), AESDK_OpenGL_OK);
        }
        DrawParam_OpenGLES2 back;
        pixelProjection(back);
        back.setTexture(0, solidTexture(white));
        clearViewport(TARGET_WIDTH, TARGET_HEIGHT);
        back.setupDraw();
        RectDraw(0, 0, 8, 8).draw(back, 1.0f, 0);
        EXPECT_EQ(comparePixels(readImage(TARGET_WIDTH, TARGET_HEIGHT),
                                [&](int x, int y) { return insideRect(x, y, 0, 0, 8, 8) ? white : Rgba8{0, 0, 0, 0}; },
                                0),
                  "");
    }
}
