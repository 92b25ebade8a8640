#include "ImageFile.h"

#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>
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

// How PNG files are written, chosen on the demo frames (README,
// docs/benchmarks.md): every row through the "up" filter (the difference to
// the row above) instead of trying all five per row, ISA-L's igzip at its
// fastest level with a full Huffman table, and the colour type decided by
// one look at the alpha channel instead of a search for a palette or grey.
// That is four to six times faster than libdeflate's fastest level on these
// frames, mostly long runs, for files 8-10 % larger (15 % above lodepng's
// defaults). The file is put together here, around igzip's stream, so that no
// pass copies the picture more than once.
const uint8_t PNG_FILTER_UP = 2;
const uint32_t PNG_DEFLATE_LEVEL = 1;
const uint8_t PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
const uint8_t PNG_COLOUR_RGB = 2;
const uint8_t PNG_COLOUR_RGBA = 6;
// A chunk holds less than 2^31 bytes; longer streams go into several IDAT
// chunks.
const size_t PNG_MOST_CHUNK_BYTES = size_t(1) << 30;

bool isOpaque(const RgbaImage& image)
{
    for (size_t i = 3; i < image.pixels.size(); i += 4) {
        if (image.pixels[i] != 255) return false;
    }
    return true;
}

void putBigEndian(std::vector<uint8_t>& out, uint32_t value)
{
    const uint8_t bytes[4] = {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
    out.insert(out.end(), bytes, bytes + 4);
}

void putChunk(std::vector<uint8_t>& out, const char type[4], const uint8_t* data, size_t size)
{
    putBigEndian(out, static_cast<uint32_t>(size));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (size) out.insert(out.end(), data, data + size);
    putBigEndian(out, crc32_gzip_refl(0, out.data() + start, size + 4));
}

// The rows as the PNG stream holds them before compression: a filter byte,
// then each sample less the one above it (modulo 256).
void filterRowsUp(const RgbaImage& image, bool opaque, std::vector<uint8_t>& rows)
{
    const size_t channels = opaque ? 3 : 4;
    const size_t width = image.width;
    const size_t rowBytes = 1 + width * channels;
    rows.resize(rowBytes * image.height);
    for (size_t y = 0; y < image.height; ++y) {
        const uint8_t* row = image.pixels.data() + y * width * 4;
        const uint8_t* above = y ? row - width * 4 : nullptr;
        uint8_t* out = rows.data() + y * rowBytes;
        *out++ = PNG_FILTER_UP;
        if (!opaque) {
            if (above) {
                for (size_t i = 0; i < width * 4; ++i) out[i] = static_cast<uint8_t>(row[i] - above[i]);
            } else {
                std::memcpy(out, row, width * 4);
            }
            continue;
        }
        for (size_t x = 0; x < width; ++x) {
            for (size_t c = 0; c < 3; ++c) {
                out[x * 3 + c] = static_cast<uint8_t>(row[x * 4 + c] - (above ? above[x * 4 + c] : 0));
            }
        }
    }
}

// Compresses rows into stream as one zlib stream; stream keeps its capacity.
bool compressRows(const std::vector<uint8_t>& rows, std::vector<uint8_t>& stream)
{
    // The level's hash tables and tokens, kept per thread so their pages stay
    // mapped from frame to frame.
    thread_local std::vector<uint8_t> levelBuffer(ISAL_DEF_LVL1_DEFAULT);
    // The stream's state holds some 80 KB of history: on the heap, as a
    // thread's stack may be small, and once for each thread that compresses
    // (a thread_local of that size would take room in every thread's stack).
    thread_local std::unique_ptr<isal_zstream> state(new isal_zstream);
    isal_zstream& z = *state;
    isal_deflate_init(&z);
    z.level = PNG_DEFLATE_LEVEL;
    z.level_buf = levelBuffer.data();
    z.level_buf_size = static_cast<uint32_t>(levelBuffer.size());
    z.gzip_flag = IGZIP_ZLIB;
    z.flush = NO_FLUSH;
    // Stored blocks never take more than the rows plus 5 bytes a block; the
    // stream grows in the rare case that its first guess is short.
    stream.resize(rows.size() + rows.size() / 8 + 1024);
    size_t done = 0;
    size_t given = 0;
    while (z.internal_state.state != ZSTATE_END) {
        if (done == stream.size()) stream.resize(stream.size() * 2);
        const size_t input = std::min<size_t>(rows.size() - given, UINT32_MAX);
        z.next_in = const_cast<uint8_t*>(rows.data() + given);
        z.avail_in = static_cast<uint32_t>(input);
        z.end_of_stream = given + input == rows.size();
        const size_t room = std::min<size_t>(stream.size() - done, UINT32_MAX);
        z.next_out = stream.data() + done;
        z.avail_out = static_cast<uint32_t>(room);
        if (isal_deflate(&z) != COMP_OK) return false;
        const size_t taken = input - z.avail_in;
        const size_t written = room - z.avail_out;
        if (taken == 0 && written == 0 && z.internal_state.state != ZSTATE_END) return false;
        given += taken;
        done += written;
    }
    stream.resize(done);
    return true;
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
    if (image.width == 0 || image.height == 0 || image.width > 0x7fffffff || image.height > 0x7fffffff ||
        image.pixels.size() != size_t(image.width) * image.height * 4) {
        why = "a PNG picture needs between 1 and 2^31 - 1 pixels each way, and 4 bytes each";
        return false;
    }
    // Each thread keeps its buffers, whose pages stay mapped from frame to
    // frame.
    thread_local std::vector<uint8_t> rows;
    thread_local std::vector<uint8_t> stream;
    const bool opaque = isOpaque(image);
    filterRowsUp(image, opaque, rows);
    if (!compressRows(rows, stream)) {
        why = "the compressor refused the picture";
        return false;
    }
    const size_t streamSize = stream.size();

    png.clear();
    png.reserve(sizeof PNG_SIGNATURE + 25 + streamSize + 12 * (1 + streamSize / PNG_MOST_CHUNK_BYTES) + 12);
    png.insert(png.end(), PNG_SIGNATURE, PNG_SIGNATURE + sizeof PNG_SIGNATURE);
    std::vector<uint8_t> header;
    putBigEndian(header, image.width);
    putBigEndian(header, image.height);
    // 8 bits a sample, the colour type, deflate, adaptive filtering, no interlace.
    const uint8_t rest[5] = {8, opaque ? PNG_COLOUR_RGB : PNG_COLOUR_RGBA, 0, 0, 0};
    header.insert(header.end(), rest, rest + 5);
    putChunk(png, "IHDR", header.data(), header.size());
    for (size_t at = 0; at < streamSize; at += PNG_MOST_CHUNK_BYTES) {
        putChunk(png, "IDAT", stream.data() + at, std::min(PNG_MOST_CHUNK_BYTES, streamSize - at));
    }
    putChunk(png, "IEND", nullptr, 0);
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

bool inspectPng(const std::string& path, unsigned& width, unsigned& height, bool& mayBeTransparent,
                std::string& why)
{
    std::vector<unsigned char> data;
    unsigned error = lodepng::load_file(data, path);
    lodepng::State state;
    if (!error) error = lodepng_inspect(&width, &height, &state, data.data(), data.size());
    if (error) {
        why = "cannot read PNG '" + path + "': " + lodepng_error_text(error);
        return false;
    }
    const LodePNGColorType type = state.info_png.color.colortype;
    mayBeTransparent = type == LCT_GREY_ALPHA || type == LCT_RGBA ||
                       lodepng_chunk_find_const(data.data() + 8, data.data() + data.size(), "tRNS") != nullptr;
    return true;
}

} // namespace tavrix_media
