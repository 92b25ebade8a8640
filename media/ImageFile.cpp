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

bool writePngAtomically(const std::string& path, const RgbaImage& image, std::string& why)
{
    unsigned char* encoded = nullptr;
    size_t size = 0;
    unsigned error = lodepng_encode32(&encoded, &size, image.pixels.data(), image.width, image.height);
    if (error) {
        std::free(encoded);
        why = "cannot encode '" + path + "': " + lodepng_error_text(error);
        return false;
    }
    std::vector<uint8_t> data(encoded, encoded + size);
    std::free(encoded);
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
