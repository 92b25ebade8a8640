#include "ImageFile.h"

#include <libdeflate.h>
#include <lodepng.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace tavrix_media {

std::string temporaryPathFor(const std::string& path) { return path + ".tmp" + std::to_string(::getpid()); }

namespace {

// The temporary file path is written through, opened for writing; null with
// the reason worded for path.
FILE* openTemporaryFor(const std::string& path, std::string& why)
{
    FILE* file = std::fopen(temporaryPathFor(path).c_str(), "wb");
    if (!file) why = "cannot write '" + path + "': " + std::strerror(errno);
    return file;
}

// How PNG files are compressed, chosen on the demo frames (README,
// docs/benchmarks.md): one filter for every row instead of trying all five
// per row, libdeflate at its fastest level instead of lodepng's own
// deflate, and the colour type decided by one look at the alpha channel
// instead of lodepng's search for a palette or grey: several times faster,
// files about an eighth larger.
const LodePNGFilterStrategy PNG_ROW_FILTER = LFS_TWO;
const int PNG_DEFLATE_LEVEL = 1;

// RGB when every pixel is opaque, else RGBA.
LodePNGColorType colourTypeFor(const RgbaImage& image)
{
    for (size_t i = 3; i < image.pixels.size(); i += 4) {
        if (image.pixels[i] != 255) return LCT_RGBA;
    }
    return LCT_RGB;
}

struct CompressorRelease {
    void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};

// lodepng's hook for its zlib stream. A compressor serves one call at a
// time, so each thread keeps its own.
unsigned compressWithLibdeflate(unsigned char** out, size_t* outSize, const unsigned char* in, size_t inSize,
                                const LodePNGCompressSettings*)
{
    thread_local std::unique_ptr<libdeflate_compressor, CompressorRelease> compressor(
        libdeflate_alloc_compressor(PNG_DEFLATE_LEVEL));
    if (!compressor) return 83; // lodepng's "memory allocation failed"
    const size_t bound = libdeflate_zlib_compress_bound(compressor.get(), inSize);
    // lodepng frees the stream with free().
    *out = static_cast<unsigned char*>(std::malloc(bound));
    if (!*out) return 83;
    *outSize = libdeflate_zlib_compress(compressor.get(), in, inSize, *out, bound);
    if (*outSize > 0) return 0;
    std::free(*out);
    *out = nullptr;
    return 83;
}

} // namespace

bool writeTemporaryFile(const std::string& path, const std::vector<uint8_t>& data, std::string& why)
{
    FILE* file = openTemporaryFor(path, why);
    if (!file) return false;
    bool written = data.empty() || std::fwrite(data.data(), 1, data.size(), file) == data.size();
    int savedErrno = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        savedErrno = errno;
    }
    if (!written) {
        discardTemporaryFile(path);
        why = "cannot write '" + path + "': " + std::strerror(savedErrno);
    }
    return written;
}

bool commitTemporaryFile(const std::string& path, std::string& why)
{
    if (std::rename(temporaryPathFor(path).c_str(), path.c_str()) == 0) return true;
    const int savedErrno = errno;
    discardTemporaryFile(path);
    why = "cannot write '" + path + "': " + std::strerror(savedErrno);
    return false;
}

void discardTemporaryFile(const std::string& path) { std::remove(temporaryPathFor(path).c_str()); }

bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& data, std::string& why)
{
    return writeTemporaryFile(path, data, why) && commitTemporaryFile(path, why);
}

bool canWriteFile(const std::string& path, std::string& why)
{
    FILE* file = openTemporaryFor(path, why);
    if (!file) return false;
    std::fclose(file);
    std::remove(temporaryPathFor(path).c_str());
    return true;
}

bool encodePng(const RgbaImage& image, std::vector<uint8_t>& png, std::string& why)
{
    lodepng::State state;
    state.encoder.filter_strategy = PNG_ROW_FILTER;
    state.encoder.auto_convert = 0;
    state.info_raw.colortype = LCT_RGBA;
    state.info_raw.bitdepth = 8;
    state.info_png.color.colortype = colourTypeFor(image);
    state.info_png.color.bitdepth = 8;
    state.encoder.zlibsettings.custom_zlib = compressWithLibdeflate;
    unsigned char* encoded = nullptr;
    size_t size = 0;
    const unsigned error =
        lodepng_encode(&encoded, &size, image.pixels.data(), image.width, image.height, &state);
    if (!error) png.assign(encoded, encoded + size);
    std::free(encoded);
    if (error) why = lodepng_error_text(error);
    return error == 0;
}

bool writePngAtomically(const std::string& path, const RgbaImage& image, std::string& why)
{
    std::vector<uint8_t> data;
    if (!encodePng(image, data, why)) {
        why = "cannot encode '" + path + "': " + why;
        return false;
    }
    return writeFileAtomically(path, data, why);
}

bool readPng(const std::string& path, RgbaImage& image, std::string& why)
{
    unsigned char* decoded = nullptr;
    unsigned width = 0, height = 0;
    unsigned error = lodepng_decode32_file(&decoded, &width, &height, path.c_str());
    if (error) {
        std::free(decoded);
        why = "cannot read PNG '" + path + "': " + lodepng_error_text(error);
        return false;
    }
    image.width = width;
    image.height = height;
    image.pixels.assign(decoded, decoded + static_cast<size_t>(width) * height * 4);
    std::free(decoded);
    return true;
}

} // namespace tavrix_media
