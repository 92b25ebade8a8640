// A model and its PNG textures loaded into the current OpenGL context.
#pragma once

#include <string>
#include <vector>

namespace tavrix {
class TavrixModelOpenGL;
}

namespace tavrix_gl {

// Loads paths[0] as the model and paths[1..] as its textures 0, 1, ... (a
// texture that cannot be decoded is registered as 0), switches the model to
// premultiplied colour, gives it the canvas projection for a picture of
// width x height (only the ratio counts) and evaluates it once. Every
// texture name created is appended to textures. Null when the model cannot
// be loaded: the load result is then left for Tavrix::getError() and
// nothing is created.
tavrix::TavrixModelOpenGL* loadModel(const std::vector<std::string>& paths, float width, float height,
                                     std::vector<unsigned int>& textures);
// The same from the model file's bytes and its textures' PNG bytes.
tavrix::TavrixModelOpenGL* loadModelFromBytes(const std::vector<unsigned char>& model,
                                              const std::vector<std::vector<unsigned char>>& pngs, float width,
                                              float height, std::vector<unsigned int>& textures);

} // namespace tavrix_gl
