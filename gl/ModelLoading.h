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
// A model made from a model file's bytes (already read), with textures
// already in the current context (texture number i is textures[i]), set up
// as loadModel sets it up. Null as for loadModel.
tavrix::TavrixModelOpenGL* modelFromBytes(const std::vector<char>& bytes, const std::vector<unsigned int>& textures,
                                          float width, float height);

} // namespace tavrix_gl
