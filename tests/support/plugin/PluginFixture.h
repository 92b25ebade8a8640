// Tests that drive the effect plug-in through the substitute host: a host
// opened on the built plug-in, models and saved states to give it, and
// frames rendered through it. Every test ends by checking that the effect
// misused nothing of the host's.
#pragma once

#include <gtest/gtest.h>
#include <json/json.h>

#include <string>
#include <vector>

#include "EffectInstance.h"
#include "Host.h"
#include "HostWorld.h"
#include "support/DrawingFixtures.h"
#include "support/Files.h"

namespace tavrix_test {

// A saved state as the load dialog writes it.
std::string loadResult(const std::string& modelPath, const std::vector<std::string>& texturePaths);

// A flat model (see flatModel) of canvasSize x canvasSize with one opaque
// rectangle per rect, all drawn with texture 0, plus the named parameters.
mocwriter::MocModel modelWithParams(const std::vector<std::string>& paramIds);

// The saved state of a model whose 100 x 100 canvas holds a 20 x 20
// rectangle at its centre in a solid colour, as the load dialog stores it.
std::string centredSquareState(Rgba8 colour);

// A project for tavrix render: 8 frames at 24 frames/s of width x height,
// one layer with the effect restored from state, its Position keyed from
// (60, 50) at frame 0 to (130, 50) at frame 7.
Json::Value movingEffectProject(int width, int height, const std::string& state);

// The world as straight RGBA, for comparePixels.
Image imageOf(const tavrix_host::HostWorld& world);

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // An instance on a layer of that size, re-set up from state when given.
    tavrix_host::EffectInstance* apply(int width, int height, const std::string* state = nullptr);
    // A state naming a model of one rectangle (canvas units) in a solid
    // colour on a canvas of canvasSize.
    std::string rectangleState(int canvasSize, RectMesh rect, Rgba8 colour);
    // Renders frame 0 into output.
    tavrix_host::CommandResult render(tavrix_host::EffectInstance& instance, const tavrix_host::HostWorld& input,
                                      tavrix_host::HostWorld& output, int downsample = 1);
    // The same on a layer that is opaque everywhere, of output's size.
    tavrix_host::CommandResult renderOpaque(tavrix_host::EffectInstance& instance, tavrix_host::HostWorld& output,
                                            int downsample = 1);

    tavrix_host::Host host;
    bool opened = false;
};

} // namespace tavrix_test
