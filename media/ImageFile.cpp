#include "ImageFile.h"

#include <lodepng.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

} // namespace

bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& data, std::string& why)
{
    const std::string temporary = temporaryPathFor(path);
    FILE* file = openTemporaryFor(path, why);
    if (!file) return false;
    bool written = data.empty() || std::fwrite(data.data(), 1, data.size(), file) == data.size();
    int savedErrno = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        savedErrno = errno;
    }
    if (!written) {
        std::remove(temporary.c_str());
        why = "cannot write '" + path + "': " + std::strerror(savedErrno);
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        savedErrno = errno;
        std::remove(temporary.c_str());
        why = "cannot write '" + path + "': " + std::strerror(savedErrno);
        return false;
    }
    return true;
}

bool canWriteFile(const std::string& path, std::string& why)
{
    FILE* file = openTemporaryFor(path, why);
    if (!file) return false;
    std::fclose(file);
    std::remove(temporaryPathFor(path).c_str());
    return true;
}

bool encodePng(const RgbaImage& image, std::vector<uint8_t>& data, std::string& why)
{
    unsigned char* encoded = nullptr;
    size_t size = 0;
    unsigned error = lodepng_encode32(&encoded, &size, image.pixels.data(), image.width, image.height);
    if (error) {
        std::free(encoded);
        why = lodepng_error_text(error);
        return false;
    }
    data.assign(encoded, encoded + size);
    std::free(encoded);
    return true;
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

void unpremultiply(RgbaImage& image)
{
    for (size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
        unsigned alpha = image.pixels[i + 3];
        // Most pixels of a drawing are opaque or empty: no division for them.
        if (alpha == 255) continue;
        if (alpha == 0) {
            image.pixels[i] = image.pixels[i + 1] = image.pixels[i + 2] = 0;
            continue;
        }
        for (int c = 0; c < 3; ++c) {
            unsigned value = (image.pixels[i + c] * 255u + alpha / 2) / alpha;
            image.pixels[i + c] = static_cast<uint8_t>(value > 255 ? 255 : value);
        }
    }
}

void compositeOver(RgbaImage& image, const Rgba8& background)
{
    const unsigned back[4] = {background.r, background.g, background.b, background.a};
    for (size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
        unsigned alpha = image.pixels[i + 3];
        // Output alpha = a + b(1 - a); colours weighted the same way, in
        // integers scaled by 255 * 255 and rounded.
        unsigned outAlpha255 = alpha * 255 + back[3] * (255 - alpha);
        for (int c = 0; c < 3; ++c) {
            unsigned weighted = image.pixels[i + c] * alpha * 255 + back[c] * back[3] * (255 - alpha);
            image.pixels[i + c] =
                static_cast<uint8_t>(outAlpha255 == 0 ? 0 : (weighted + outAlpha255 / 2) / outAlpha255);
        }
        image.pixels[i + 3] = static_cast<uint8_t>((outAlpha255 + 127) / 255);
    }
}

} // namespace tavrix_media
