// A model's files read once and loaded onto a stage: the model file's bytes
// and its textures in the stage's context. Any number of puppets are made
// from it, each with a model of its own (its own parameters and animation),
// all drawing with the same textures.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ModelFiles.h"

namespace tavrix {
class TavrixModelOpenGL;
}

namespace tavrix_stage {

class Stage;

class ModelData {
public:
    // Reads the model file, checks that it loads and loads the textures with
    // the stage's context current. A texture that cannot be decoded adds a
    // warning naming it (meshes using it draw black). Null when the model
    // cannot be loaded, with why naming the file, the load result and what
    // it means, and loadResult holding the result.
    static std::shared_ptr<ModelData> load(Stage& stage, const ModelFiles& files, std::vector<std::string>& warnings,
                                           std::string& why, int* loadResult = nullptr);
    // The same from the files' bytes (a page fetched them): the model's and
    // the textures' PNGs in texture-number order; files names them in
    // messages.
    static std::shared_ptr<ModelData> loadFromBytes(Stage& stage, const ModelFiles& files,
                                                    const std::vector<unsigned char>& model,
                                                    const std::vector<std::vector<unsigned char>>& pngs,
                                                    std::vector<std::string>& warnings, std::string& why,
                                                    int* loadResult = nullptr);
    // Frees the textures; the stage's context must be current.
    ~ModelData();

    const ModelFiles& files() const { return modelFiles; }
    // A new model of these files with the textures set, the caller's to
    // delete (before this data).
    tavrix::TavrixModelOpenGL* newModel();

    ModelData(const ModelData&) = delete;
    ModelData& operator=(const ModelData&) = delete;

private:
    ModelData() = default;
    // Checks that the model's bytes load, then loads texture i through
    // loadTexture(i); textureFailure(i) says why one could not be decoded.
    template <class TextureLoader, class TextureFailure>
    static std::shared_ptr<ModelData> fromBytes(const ModelFiles& files, std::vector<char> bytes, size_t textureCount,
                                                TextureLoader loadTexture, TextureFailure textureFailure,
                                                std::vector<std::string>& warnings, std::string& why, int* loadResult);

    ModelFiles modelFiles;
    std::vector<char> bytes;
    std::vector<unsigned int> textures;
    // The model made when checking the file, handed to the first puppet.
    std::unique_ptr<tavrix::TavrixModelOpenGL> checked;
};

} // namespace tavrix_stage
