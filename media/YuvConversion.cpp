#include "YuvConversion.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TAVRIX_YUV_AVX2 1
#endif

namespace tavrix_media {
namespace {

// BT.709's luma weights and colour differences, squeezed into 219 (luma) and
// 224 (chroma) levels of 255 and scaled by 2^15. Each set is rounded so
// that white gives exactly the top luma and every grey exactly the middle
// chroma.
constexpr double KR = 0.2126, KB = 0.0722;
constexpr int fixed(double value) { return static_cast<int>(value < 0 ? value * 32768 - 0.5 : value * 32768 + 0.5); }
constexpr int Y_R = fixed(KR * 219 / 255), Y_B = fixed(KB * 219 / 255), Y_G = fixed(219.0 / 255) - Y_R - Y_B;
constexpr int CB_R = fixed(-KR / (2 * (1 - KB)) * 224 / 255), CB_B = fixed(0.5 * 224 / 255), CB_G = -CB_R - CB_B;
constexpr int CR_R = fixed(0.5 * 224 / 255), CR_B = fixed(-KB / (2 * (1 - KR)) * 224 / 255), CR_G = -CR_R - CR_B;

// Offset and rounding added before the shift. With the offsets in, no sum is
// negative and none leaves the limited range (the colour differences stay
// within 112 levels of the middle), so nothing needs clamping.
constexpr int LUMA8 = (16 << 15) + (1 << 14);
constexpr int CHROMA8_OF_4 = (128 << 17) + (1 << 16); // a sum over a 2 x 2 block
constexpr int LUMA10 = (64 << 13) + (1 << 12);
constexpr int CHROMA10 = (512 << 13) + (1 << 12);

inline int weigh(const uint8_t* p, int r, int g, int b) { return r * p[0] + g * p[1] + b * p[2]; }

// 8-bit alpha to 10 bits: the bits repeated, 255 to 1023.
inline int alphaTen(int a) { return (a << 2) | (a >> 6); }

inline void putTen(uint8_t* row, int x, int value)
{
    row[2 * x] = static_cast<uint8_t>(value);
    row[2 * x + 1] = static_cast<uint8_t>(value >> 8);
}

// Rows row0 and row1 (the same row for the last of an odd height, whose luma
// and alpha are then written once: luma1 null) from pixel `from` (even) on.
void rowPair420Portable(const uint8_t* row0, const uint8_t* row1, int from, int width, uint8_t* luma0,
                        uint8_t* luma1, uint8_t* alpha0, uint8_t* alpha1, uint8_t* cb, uint8_t* cr)
{
    for (int x = from; x < width; ++x) {
        luma0[x] = static_cast<uint8_t>((weigh(row0 + 4 * x, Y_R, Y_G, Y_B) + LUMA8) >> 15);
        if (alpha0) alpha0[x] = row0[4 * x + 3];
        if (!luma1) continue;
        luma1[x] = static_cast<uint8_t>((weigh(row1 + 4 * x, Y_R, Y_G, Y_B) + LUMA8) >> 15);
        if (alpha1) alpha1[x] = row1[4 * x + 3];
    }
    for (int x = from; x < width; x += 2) {
        int right = x + 1 < width ? x + 1 : x;
        int sums[3];
        for (int c = 0; c < 3; ++c)
            sums[c] = row0[4 * x + c] + row0[4 * right + c] + row1[4 * x + c] + row1[4 * right + c];
        cb[x / 2] = static_cast<uint8_t>((CB_R * sums[0] + CB_G * sums[1] + CB_B * sums[2] + CHROMA8_OF_4) >> 17);
        cr[x / 2] = static_cast<uint8_t>((CR_R * sums[0] + CR_G * sums[1] + CR_B * sums[2] + CHROMA8_OF_4) >> 17);
    }
}

// One row of each plane (alpha null for none).
struct PlaneRows {
    uint8_t* luma;
    uint8_t* cb;
    uint8_t* cr;
    uint8_t* alpha;
};

void row444TenPortable(const uint8_t* row, int from, int width, const PlaneRows& out)
{
    uint8_t *luma = out.luma, *cb = out.cb, *cr = out.cr, *alpha = out.alpha;
    for (int x = from; x < width; ++x) {
        const uint8_t* p = row + 4 * x;
        putTen(luma, x, (weigh(p, Y_R, Y_G, Y_B) + LUMA10) >> 13);
        putTen(cb, x, (weigh(p, CB_R, CB_G, CB_B) + CHROMA10) >> 13);
        putTen(cr, x, (weigh(p, CR_R, CR_G, CR_B) + CHROMA10) >> 13);
        if (alpha) putTen(alpha, x, alphaTen(p[3]));
    }
}

#ifdef TAVRIX_YUV_AVX2
// Eight pixels a vector, one per 32-bit lane (R in the low byte): R and B,
// G and A, side by side as 16-bit pairs, so that one multiply-add weighs two
// channels.
#define AVX2 __attribute__((target("avx2")))

AVX2 inline __m256i pairOf(int low, int high)
{
    return _mm256_set1_epi32(static_cast<int>((static_cast<uint32_t>(high) << 16) |
                                              (static_cast<uint32_t>(low) & 0xFFFF)));
}
AVX2 inline __m256i redBlue(__m256i pixels) { return _mm256_and_si256(pixels, _mm256_set1_epi32(0x00FF00FF)); }
AVX2 inline __m256i greenAlpha(__m256i pixels)
{
    return _mm256_and_si256(_mm256_srli_epi32(pixels, 8), _mm256_set1_epi32(0x00FF00FF));
}
// r, g and b weigh the channels (sums of them, for blocks); offset, then the shift.
AVX2 inline __m256i weighed(__m256i rb, __m256i ga, int r, int g, int b, int offset, int shift)
{
    __m256i sum = _mm256_add_epi32(_mm256_madd_epi16(rb, pairOf(r, b)), _mm256_madd_epi16(ga, pairOf(g, 0)));
    return _mm256_srai_epi32(_mm256_add_epi32(sum, _mm256_set1_epi32(offset)), shift);
}
// Two vectors of 32-bit values to sixteen 16-bit ones, in order.
AVX2 inline __m256i narrowed(__m256i first, __m256i second)
{
    return _mm256_permute4x64_epi64(_mm256_packs_epi32(first, second), 0xD8);
}
AVX2 inline __m128i bytesOf(__m256i words)
{
    return _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
}
AVX2 inline __m256i load(const uint8_t* at) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)); }
AVX2 inline void store(uint8_t* at, __m128i bytes) { _mm_storeu_si128(reinterpret_cast<__m128i*>(at), bytes); }
AVX2 inline void store(uint8_t* at, __m256i words) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), words); }

AVX2 inline __m128i luma8(__m256i first, __m256i second)
{
    return bytesOf(narrowed(weighed(redBlue(first), greenAlpha(first), Y_R, Y_G, Y_B, LUMA8, 15),
                            weighed(redBlue(second), greenAlpha(second), Y_R, Y_G, Y_B, LUMA8, 15)));
}
AVX2 inline __m128i alpha8(__m256i first, __m256i second)
{
    return bytesOf(narrowed(_mm256_srli_epi32(first, 24), _mm256_srli_epi32(second, 24)));
}

// Sixteen pixels of each row a step; returns the first pixel left to do.
AVX2 int rowPair420Avx2(const uint8_t* row0, const uint8_t* row1, int width, uint8_t* luma0, uint8_t* luma1,
                        uint8_t* alpha0, uint8_t* alpha1, uint8_t* cb, uint8_t* cr)
{
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        __m256i a0 = load(row0 + 4 * x), b0 = load(row0 + 4 * x + 32);
        __m256i a1 = load(row1 + 4 * x), b1 = load(row1 + 4 * x + 32);
        store(luma0 + x, luma8(a0, b0));
        if (alpha0) store(alpha0 + x, alpha8(a0, b0));
        if (luma1) {
            store(luma1 + x, luma8(a1, b1));
            if (alpha1) store(alpha1 + x, alpha8(a1, b1));
        }
        // Channel sums of each 2 x 2 block: the rows added, then neighbouring
        // lanes (the 16-bit sums stay below 1021, so no carry crosses).
        __m256i rb = _mm256_permute4x64_epi64(
            _mm256_hadd_epi32(_mm256_add_epi32(redBlue(a0), redBlue(a1)), _mm256_add_epi32(redBlue(b0), redBlue(b1))),
            0xD8);
        __m256i ga = _mm256_permute4x64_epi64(_mm256_hadd_epi32(_mm256_add_epi32(greenAlpha(a0), greenAlpha(a1)),
                                                                _mm256_add_epi32(greenAlpha(b0), greenAlpha(b1))),
                                              0xD8);
        __m128i chroma = bytesOf(narrowed(weighed(rb, ga, CB_R, CB_G, CB_B, CHROMA8_OF_4, 17),
                                          weighed(rb, ga, CR_R, CR_G, CR_B, CHROMA8_OF_4, 17)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(cb + x / 2), chroma);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(cr + x / 2), _mm_srli_si128(chroma, 8));
    }
    return x;
}

AVX2 int row444TenAvx2(const uint8_t* row, int width, const PlaneRows& out)
{
    uint8_t *luma = out.luma, *cb = out.cb, *cr = out.cr, *alpha = out.alpha;
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        __m256i a = load(row + 4 * x), b = load(row + 4 * x + 32);
        __m256i rbA = redBlue(a), gaA = greenAlpha(a), rbB = redBlue(b), gaB = greenAlpha(b);
        store(luma + 2 * x, narrowed(weighed(rbA, gaA, Y_R, Y_G, Y_B, LUMA10, 13),
                                     weighed(rbB, gaB, Y_R, Y_G, Y_B, LUMA10, 13)));
        store(cb + 2 * x, narrowed(weighed(rbA, gaA, CB_R, CB_G, CB_B, CHROMA10, 13),
                                   weighed(rbB, gaB, CB_R, CB_G, CB_B, CHROMA10, 13)));
        store(cr + 2 * x, narrowed(weighed(rbA, gaA, CR_R, CR_G, CR_B, CHROMA10, 13),
                                   weighed(rbB, gaB, CR_R, CR_G, CR_B, CHROMA10, 13)));
        if (alpha) {
            __m256i alphaA = _mm256_srli_epi32(a, 24), alphaB = _mm256_srli_epi32(b, 24);
            alphaA = _mm256_or_si256(_mm256_slli_epi32(alphaA, 2), _mm256_srli_epi32(alphaA, 6));
            alphaB = _mm256_or_si256(_mm256_slli_epi32(alphaB, 2), _mm256_srli_epi32(alphaB, 6));
            store(alpha + 2 * x, narrowed(alphaA, alphaB));
        }
    }
    return x;
}
#undef AVX2

bool hasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#else
bool hasAvx2() { return false; }
#endif

} // namespace

void convertToYuv(const uint8_t* rgba, int width, int height, YuvLayout layout, const YuvPlanes& planes,
                  ConversionPath path)
{
    const bool vectors = path == ConversionPath::Fastest && hasAvx2();
    const long rowBytes = 4L * width;
    auto rowOf = [&planes](int plane, int row) {
        return planes.data[plane] + static_cast<long>(row) * planes.linesize[plane];
    };
    if (layout == YuvLayout::Yuv444Ten) {
        for (int y = 0; y < height; ++y) {
            const uint8_t* row = rgba + y * rowBytes;
            const PlaneRows out{rowOf(0, y), rowOf(1, y), rowOf(2, y), planes.data[3] ? rowOf(3, y) : nullptr};
            int from = 0;
#ifdef TAVRIX_YUV_AVX2
            if (vectors) from = row444TenAvx2(row, width, out);
#endif
            row444TenPortable(row, from, width, out);
        }
        return;
    }
    for (int y = 0; y < height; y += 2) {
        bool pair = y + 1 < height;
        const uint8_t* row0 = rgba + y * rowBytes;
        const uint8_t* row1 = pair ? row0 + rowBytes : row0;
        uint8_t* luma0 = rowOf(0, y);
        uint8_t* luma1 = pair ? rowOf(0, y + 1) : nullptr;
        uint8_t* alpha0 = planes.data[3] ? rowOf(3, y) : nullptr;
        uint8_t* alpha1 = planes.data[3] && pair ? rowOf(3, y + 1) : nullptr;
        uint8_t* cb = rowOf(1, y / 2);
        uint8_t* cr = rowOf(2, y / 2);
        int from = 0;
#ifdef TAVRIX_YUV_AVX2
        if (vectors) from = rowPair420Avx2(row0, row1, width, luma0, luma1, alpha0, alpha1, cb, cr);
#endif
        rowPair420Portable(row0, row1, from, width, luma0, luma1, alpha0, alpha1, cb, cr);
    }
}

} // namespace tavrix_media
