// What loading a texture leaves to the platform: reading and decoding PNG
// files, and handing the pixels with their mipmaps to OpenGL. Natively
// lodepng decodes and GLU builds the mipmaps (TextureBackend.cpp); the web
// build decodes with stb_image and lets WebGL build them (web/).
#pragma once

#include <cstddef>
#include <vector>

namespace tavrix_gl {

// The image size a PNG's header claims; null when the header reads, else why
// not in the decoder's words.
const char* readPngHeader(const unsigned char* bytes, size_t size, unsigned& width, unsigned& height);
// Decodes a whole PNG into 8-bit straight RGBA rows, top to bottom; null, or
// why not.
const char* decodePngRgba(const unsigned char* bytes, size_t size, std::vector<unsigned char>& pixels,
                          unsigned& width, unsigned& height);
// A file's bytes; null, or why they cannot be had.
const char* readPngFile(const char* path, std::vector<unsigned char>& bytes);
// Gives the bound 2-D texture the RGBA pixels and a full mipmap chain.
void uploadMipmapped(const unsigned char* pixels, unsigned width, unsigned height);

} // namespace tavrix_gl
