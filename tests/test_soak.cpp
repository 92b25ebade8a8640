// Soak tests: the same work repeated many times must leave the process's
// memory where the first rounds left it: the runtime's pages returned, the
// textures deleted, no identifiers beyond the model's own names, nothing
// piling up in the heap.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DemoModel.h"
#include "Tavrix.h"
#include "TavrixModelOpenGL.h"
#include "Win/TavrixUtil.h"
#include "support/MemoryProbe.h"
#include "support/PeakPageAllocator.h"
#include "support/PrivateGLContext.h"
#include "support/plugin/PluginFixture.h"

using namespace tavrix_test;

namespace {

// Rounds before the measurements start: drivers and allocators settle in
// the first ones (shader program, pooled pages, the model's identifiers).
const int WARM_UP_ROUNDS = 10;
// What the heap may grow by over all the rounds after the warm-up. Mesa
// hands out ever higher texture names and keeps its table of them sized to
// the highest, so that table doubles now and then (about 100 KB by 10,000
// rounds); a leaked model, or a leak of half a kilobyte a round, shows
// above it.
const size_t HEAP_SLACK = 512 * 1024;
const int SIDE = 64;

// The demo puppet and three small textures as files; the model first.
std::vector<std::string> demoFiles()
{
    return {writeTempModel("soak-demo.moc", tavrix_demo::demoModel()),
            writeSolidPng("soak-body.png", 16, 16, {230, 180, 150, 255}),
            writeSolidPng("soak-head.png", 16, 16, {60, 60, 160, 200}),
            writeSolidPng("soak-face.png", 16, 16, {200, 60, 60, 128})};
}

using ModelSoakTest = PrivateGLTest;

TEST_F(ModelSoakTest, LoadUpdateDrawAndFreeTenThousandTimesKeepsMemoryFlat)
{
    const std::vector<std::string> files = demoFiles();
    PeakPageAllocator pages;
    tavrix::Tavrix::init(&pages);
    const int rounds = soakRounds(10000, 1000);
    size_t pagesAfterWarmUp = 0;
    size_t heapAfterWarmUp = 0;
    std::vector<unsigned int> textureNames;
    int drawnRounds = 0;
    for (int round = 0; round < rounds; ++round) {
        std::vector<unsigned int> textures;
        tavrix::TavrixModelOpenGL* model = tavrixutil::loadModel(files, SIDE, SIDE, textures);
        ASSERT_NE(model, nullptr) << "round " << round;
        model->setParamFloat("PARAM_ANGLE_X", static_cast<float>(round % 61 - 30));
        model->setParamFloat("PARAM_ARM_L", static_cast<float>(round % 21 - 10));
        model->update();
        clearViewport(SIDE, SIDE);
        model->draw();
        // A frame ends with reading it back; that also lets the rasteriser
        // finish, so queued work does not count as memory held.
        uint8_t centre[4] = {0, 0, 0, 0};
        glReadPixels(SIDE / 2, SIDE / 3, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, centre);
        if (centre[3] != 0) ++drawnRounds;
        textureNames.insert(textureNames.end(), textures.begin(), textures.end());
        glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
        delete model;
        if (round == WARM_UP_ROUNDS - 1) {
            pagesAfterWarmUp = pages.liveBytes;
            heapAfterWarmUp = heapBytesInUse();
        }
    }
    EXPECT_EQ(drawnRounds, rounds) << "rounds that drew the puppet over the image's centre";
    EXPECT_EQ(pages.liveBytes, pagesAfterWarmUp) << "the runtime's pages after " << rounds << " rounds";
    EXPECT_LE(heapBytesInUse(), heapAfterWarmUp + HEAP_SLACK) << "heap bytes after " << rounds << " rounds";
    EXPECT_EQ(textureNames.size(), static_cast<size_t>(rounds) * (files.size() - 1));
    int stillTextures = 0;
    for (unsigned int name : textureNames) stillTextures += glIsTexture(name) ? 1 : 0;
    EXPECT_EQ(stillTextures, 0) << "texture names that still name textures";
    tavrix::Tavrix::dispose();
    EXPECT_EQ(pages.liveBytes, 0u) << "pages still held once the runtime is released";
}

TEST_F(PluginTest, FlattenAndResetupAThousandTimesKeepsMemoryFlat)
{
    const std::vector<std::string> files = demoFiles();
    const std::string state = loadResult(files[0], {files.begin() + 1, files.end()});
    tavrix_host::EffectInstance* instance = apply(SIDE, SIDE, &state);
    ASSERT_NE(instance, nullptr);
    tavrix_host::HostWorld before(SIDE, SIDE);
    ASSERT_EQ(renderOpaque(*instance, before).err, PF_Err_NONE);

    const int rounds = 1000;
    size_t heapAfterWarmUp = 0;
    size_t handlesAfterWarmUp = 0;
    int changedStates = 0;
    for (int round = 0; round < rounds; ++round) {
        std::string saved;
        ASSERT_EQ(instance->flatten(saved).err, PF_Err_NONE) << "round " << round;
        if (saved != state) ++changedStates;
        ASSERT_EQ(instance->reopen().err, PF_Err_NONE) << "round " << round;
        if (round == WARM_UP_ROUNDS - 1) {
            heapAfterWarmUp = heapBytesInUse();
            handlesAfterWarmUp = host.handles().liveCount();
        }
    }
    EXPECT_EQ(changedStates, 0) << "the saved state changed on its way through the flat block";
    EXPECT_LE(heapBytesInUse(), heapAfterWarmUp + HEAP_SLACK) << "heap bytes after " << rounds << " rounds";
    EXPECT_EQ(host.handles().liveCount(), handlesAfterWarmUp);

    // The model reloaded last draws as the first one did.
    tavrix_host::HostWorld after(SIDE, SIDE);
    ASSERT_EQ(renderOpaque(*instance, after).err, PF_Err_NONE);
    EXPECT_EQ(comparePixels(imageOf(after), [&](int x, int y) { return imageOf(before).at(x, y); }, 0), "");
}

} // namespace
