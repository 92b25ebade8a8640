#include "TextureBackend.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <lodepng.h>

#include <cstdlib>

namespace tavrix_gl {

const char* readPngHeader(const unsigned char* bytes, size_t size, unsigned& width, unsigned& height)
{
    LodePNGState state;
    lodepng_state_init(&state);
    const unsigned error = lodepng_inspect(&width, &height, &state, bytes, size);
    lodepng_state_cleanup(&state);
    return error ? lodepng_error_text(error) : nullptr;
}

const char* decodePngRgba(const unsigned char* bytes, size_t size, std::vector<unsigned char>& pixels,
                          unsigned& width, unsigned& height)
{
    unsigned char* decoded = nullptr;
    const unsigned error = lodepng_decode32(&decoded, &width, &height, bytes, size);
    if (!error) pixels.assign(decoded, decoded + static_cast<size_t>(width) * height * 4);
    std::free(decoded);
    return error ? lodepng_error_text(error) : nullptr;
}

const char* readPngFile(const char* path, std::vector<unsigned char>& bytes)
{
    unsigned char* file = nullptr;
    size_t size = 0;
    const unsigned error = lodepng_load_file(&file, &size, path);
    if (!error) bytes.assign(file, file + size);
    std::free(file);
    return error ? lodepng_error_text(error) : nullptr;
}

void uploadMipmapped(const unsigned char* pixels, unsigned width, unsigned height)
{
    // Rows of 4-byte pixels need no unpacking alignment beyond the default.
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, static_cast<GLint>(width), static_cast<GLint>(height), GL_RGBA,
                      GL_UNSIGNED_BYTE, pixels);
}

} // namespace tavrix_gl
