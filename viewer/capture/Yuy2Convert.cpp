// Yuy2Convert.cpp - YUY2 to 24-bit rows: the exact scalar path and the
// SSSE3 and AVX2 paths, chosen once from what the processor and the system
// support.
//
// The vector paths work in signed 16-bit lanes. Every coefficient c is even
// and c / 2 fits a lane (33062 / 2 = 16531), so each product is one high
// multiply (16 x 16 -> upper 16 bits, rounded toward minus infinity):
//   (x * c) >> 14 == (x * (c / 2)) >> 13 == mulhi(x << 3, c / 2)
// because floor(x * 8 * (c / 2) / 65536) == floor(x * c / 16384). With
// x = Y - 16 (-16..239) or U, V - 128 (-128..127), x << 3 stays within
// -1024..1912. The sums stay far inside a lane, and packing to unsigned bytes
// with saturation is the clamp to 0..255. So the vector paths give exactly the
// scalar values.
#include "Yuy2Convert.h"

#include <immintrin.h>
#if defined(_MSC_VER)
#include <intrin.h>
#else
#include <cpuid.h>
#endif

#if defined(__GNUC__) || defined(__clang__)
#define YUY2_TARGET(features) __attribute__((target(features)))
#else
#define YUY2_TARGET(features)
#endif

namespace {

// ---------------------------------------------------------------------------
// The scalar path, also the tail of every row the vector paths leave.

inline BYTE Clamp255(int value) { return static_cast<BYTE>(value < 0 ? 0 : (value > 255 ? 255 : value)); }

void ConvertRowScalar(const BYTE *pSource, BYTE *pTarget, int width) {
    for (int x = 0; x + 1 < width; x += 2) {
        const int u = pSource[1] - 128;
        const int v = pSource[3] - 128;
        const int blueUv = (u * 33062) >> 14;
        const int greenUv = -((v * 13320) >> 14) - ((u * 6406) >> 14);
        const int redUv = (v * 26148) >> 14;
        for (int i = 0; i < 2; ++i) {
            const int y = ((pSource[i * 2] - 16) * 19070) >> 14;
            pTarget[0] = Clamp255(y + blueUv);
            pTarget[1] = Clamp255(y + greenUv);
            pTarget[2] = Clamp255(y + redUv);
            pTarget += 3;
        }
        pSource += 4;
    }
}

// ---------------------------------------------------------------------------
// Constants shared by the vector paths (the AVX2 path repeats each 16 bytes
// in both halves of a register).

struct alignas(16) Lanes16 {
    short s[8];
};

constexpr Lanes16 Repeat(short value) { return {{value, value, value, value, value, value, value, value}}; }

const Lanes16 kLowBytes = Repeat(0x00FF);
const Lanes16 kLumaOffset = Repeat(16 << 3);
const Lanes16 kChromaOffset = Repeat(128 << 3);
const Lanes16 kLuma = Repeat(19070 / 2);
const Lanes16 kBlueU = Repeat(33062 / 2);
const Lanes16 kGreenU = Repeat(6406 / 2);
const Lanes16 kGreenV = Repeat(13320 / 2);
const Lanes16 kRedV = Repeat(26148 / 2);

// Byte shuffles that interleave 16 blue, 16 green and 16 red bytes into 48
// bytes blue-green-red: m[chunk][plane] picks that plane's bytes of output
// chunk (16 bytes); -128 (top bit set) gives a zero byte.
struct alignas(16) Interleave {
    signed char m[3][3][16];
};

constexpr Interleave MakeInterleave() {
    Interleave table{};
    for (int chunk = 0; chunk < 3; ++chunk) {
        for (int plane = 0; plane < 3; ++plane) {
            for (int i = 0; i < 16; ++i) {
                const int k = chunk * 16 + i;
                table.m[chunk][plane][i] = static_cast<signed char>(k % 3 == plane ? k / 3 : -128);
            }
        }
    }
    return table;
}

constexpr Interleave kInterleave = MakeInterleave();

// ---------------------------------------------------------------------------
// SSSE3: 16 pixels (32 source bytes, 48 target bytes) per step.

YUY2_TARGET("ssse3") inline __m128i Load(const Lanes16 &lanes) {
    return _mm_load_si128(reinterpret_cast<const __m128i *>(&lanes));
}

YUY2_TARGET("ssse3") inline __m128i InterleaveMask(int chunk, int plane) {
    return _mm_load_si128(reinterpret_cast<const __m128i *>(kInterleave.m[chunk][plane]));
}

// Stores output chunk 0, 1 or 2 (16 bytes) of 16 pixels.
YUY2_TARGET("ssse3")
inline void StoreChunk(__m128i blue, __m128i green, __m128i red, int chunk, BYTE *pTarget) {
    const __m128i bytes = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(blue, InterleaveMask(chunk, 0)),
                                                    _mm_shuffle_epi8(green, InterleaveMask(chunk, 1))),
                                       _mm_shuffle_epi8(red, InterleaveMask(chunk, 2)));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(pTarget + chunk * 16), bytes);
}

YUY2_TARGET("ssse3") inline void Convert16(const BYTE *pSource, BYTE *pTarget) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(pSource));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(pSource + 16));

    // y for pixels 0..7 (from a) and 8..15 (from b).
    const __m128i lumaA = _mm_mulhi_epi16(
        _mm_sub_epi16(_mm_slli_epi16(_mm_and_si128(a, Load(kLowBytes)), 3), Load(kLumaOffset)), Load(kLuma));
    const __m128i lumaB = _mm_mulhi_epi16(
        _mm_sub_epi16(_mm_slli_epi16(_mm_and_si128(b, Load(kLowBytes)), 3), Load(kLumaOffset)), Load(kLuma));

    // u and v of groups 0..7: each 32 bits hold Y0 U Y1 V.
    const __m128i u =
        _mm_packs_epi32(_mm_srli_epi32(_mm_slli_epi32(a, 16), 24), _mm_srli_epi32(_mm_slli_epi32(b, 16), 24));
    const __m128i v = _mm_packs_epi32(_mm_srli_epi32(a, 24), _mm_srli_epi32(b, 24));
    const __m128i u8 = _mm_sub_epi16(_mm_slli_epi16(u, 3), Load(kChromaOffset));
    const __m128i v8 = _mm_sub_epi16(_mm_slli_epi16(v, 3), Load(kChromaOffset));
    const __m128i blueUv = _mm_mulhi_epi16(u8, Load(kBlueU));
    const __m128i greenUv = _mm_add_epi16(_mm_mulhi_epi16(v8, Load(kGreenV)), _mm_mulhi_epi16(u8, Load(kGreenU)));
    const __m128i redUv = _mm_mulhi_epi16(v8, Load(kRedV));

    // Both pixels of a group take its chroma; pack with the clamp to 0..255.
    const __m128i blue = _mm_packus_epi16(_mm_add_epi16(lumaA, _mm_unpacklo_epi16(blueUv, blueUv)),
                                          _mm_add_epi16(lumaB, _mm_unpackhi_epi16(blueUv, blueUv)));
    const __m128i green = _mm_packus_epi16(_mm_sub_epi16(lumaA, _mm_unpacklo_epi16(greenUv, greenUv)),
                                           _mm_sub_epi16(lumaB, _mm_unpackhi_epi16(greenUv, greenUv)));
    const __m128i red = _mm_packus_epi16(_mm_add_epi16(lumaA, _mm_unpacklo_epi16(redUv, redUv)),
                                         _mm_add_epi16(lumaB, _mm_unpackhi_epi16(redUv, redUv)));

    StoreChunk(blue, green, red, 0, pTarget);
    StoreChunk(blue, green, red, 1, pTarget);
    StoreChunk(blue, green, red, 2, pTarget);
}

// Converts the leading multiple of 16 pixels of a row; returns how many.
YUY2_TARGET("ssse3") int ConvertRowSsse3(const BYTE *pSource, BYTE *pTarget, int width) {
    int x = 0;
    for (; x + 16 <= width; x += 16) Convert16(pSource + x * 2, pTarget + x * 3);
    return x;
}

// ---------------------------------------------------------------------------
// AVX2: 32 pixels (64 source bytes, 96 target bytes) per step. Each 128-bit
// half does what one SSSE3 step does: the low half pixels 0..15, the high
// half pixels 16..31. Loads and stores are unaligned and every value lives in
// a register or comes straight from the constants, so no 32-byte stack slot
// is needed (MinGW does not align the stack for them).

YUY2_TARGET("avx2") inline __m256i Load2(const Lanes16 &lanes) {
    return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i *>(&lanes)));
}

YUY2_TARGET("avx2") inline __m256i InterleaveMask2(int chunk, int plane) {
    return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i *>(kInterleave.m[chunk][plane])));
}

YUY2_TARGET("avx2") inline __m256i LoadHalves(const BYTE *pLow, const BYTE *pHigh) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(pLow))),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i *>(pHigh)), 1);
}

// Stores output chunk 0, 1 or 2 of both halves (pixels 0..15 and 16..31).
YUY2_TARGET("avx2")
inline void StoreChunks(__m256i blue, __m256i green, __m256i red, int chunk, BYTE *pTarget) {
    const __m256i bytes = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(blue, InterleaveMask2(chunk, 0)),
                                                          _mm256_shuffle_epi8(green, InterleaveMask2(chunk, 1))),
                                          _mm256_shuffle_epi8(red, InterleaveMask2(chunk, 2)));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(pTarget + chunk * 16), _mm256_castsi256_si128(bytes));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(pTarget + 48 + chunk * 16), _mm256_extracti128_si256(bytes, 1));
}

YUY2_TARGET("avx2") inline void Convert32(const BYTE *pSource, BYTE *pTarget) {
    const __m256i a = LoadHalves(pSource, pSource + 32);
    const __m256i b = LoadHalves(pSource + 16, pSource + 48);

    const __m256i lumaA = _mm256_mulhi_epi16(
        _mm256_sub_epi16(_mm256_slli_epi16(_mm256_and_si256(a, Load2(kLowBytes)), 3), Load2(kLumaOffset)),
        Load2(kLuma));
    const __m256i lumaB = _mm256_mulhi_epi16(
        _mm256_sub_epi16(_mm256_slli_epi16(_mm256_and_si256(b, Load2(kLowBytes)), 3), Load2(kLumaOffset)),
        Load2(kLuma));

    const __m256i u = _mm256_packs_epi32(_mm256_srli_epi32(_mm256_slli_epi32(a, 16), 24),
                                         _mm256_srli_epi32(_mm256_slli_epi32(b, 16), 24));
    const __m256i v = _mm256_packs_epi32(_mm256_srli_epi32(a, 24), _mm256_srli_epi32(b, 24));
    const __m256i u8 = _mm256_sub_epi16(_mm256_slli_epi16(u, 3), Load2(kChromaOffset));
    const __m256i v8 = _mm256_sub_epi16(_mm256_slli_epi16(v, 3), Load2(kChromaOffset));
    const __m256i blueUv = _mm256_mulhi_epi16(u8, Load2(kBlueU));
    const __m256i greenUv =
        _mm256_add_epi16(_mm256_mulhi_epi16(v8, Load2(kGreenV)), _mm256_mulhi_epi16(u8, Load2(kGreenU)));
    const __m256i redUv = _mm256_mulhi_epi16(v8, Load2(kRedV));

    const __m256i blue = _mm256_packus_epi16(_mm256_add_epi16(lumaA, _mm256_unpacklo_epi16(blueUv, blueUv)),
                                             _mm256_add_epi16(lumaB, _mm256_unpackhi_epi16(blueUv, blueUv)));
    const __m256i green = _mm256_packus_epi16(_mm256_sub_epi16(lumaA, _mm256_unpacklo_epi16(greenUv, greenUv)),
                                              _mm256_sub_epi16(lumaB, _mm256_unpackhi_epi16(greenUv, greenUv)));
    const __m256i red = _mm256_packus_epi16(_mm256_add_epi16(lumaA, _mm256_unpacklo_epi16(redUv, redUv)),
                                            _mm256_add_epi16(lumaB, _mm256_unpackhi_epi16(redUv, redUv)));

    StoreChunks(blue, green, red, 0, pTarget);
    StoreChunks(blue, green, red, 1, pTarget);
    StoreChunks(blue, green, red, 2, pTarget);
}

// Converts the leading multiple of 16 pixels of a row (32 at a time, then
// 16); returns how many.
YUY2_TARGET("avx2") int ConvertRowAvx2(const BYTE *pSource, BYTE *pTarget, int width) {
    int x = 0;
    for (; x + 32 <= width; x += 32) Convert32(pSource + x * 2, pTarget + x * 3);
    if (x + 16 <= width) {
        Convert16(pSource + x * 2, pTarget + x * 3);
        x += 16;
    }
    return x;
}

// ---------------------------------------------------------------------------
// What the processor and the system support.

struct CpuFeatures {
    bool bSsse3;
    bool bAvx2;
};

void Cpuid(unsigned int leaf, unsigned int subleaf, unsigned int registers[4]) {
#if defined(_MSC_VER)
    int values[4];
    __cpuidex(values, static_cast<int>(leaf), static_cast<int>(subleaf));
    for (int i = 0; i < 4; ++i) registers[i] = static_cast<unsigned int>(values[i]);
#else
    __cpuid_count(leaf, subleaf, registers[0], registers[1], registers[2], registers[3]);
#endif
}

// The register states the system saves on a thread switch (XCR0).
unsigned int SavedStates() {
#if defined(_MSC_VER)
    return static_cast<unsigned int>(_xgetbv(0));
#else
    unsigned int low, high;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return low;
#endif
}

CpuFeatures DetectFeatures() {
    CpuFeatures features = {false, false};
    unsigned int regs[4] = {0, 0, 0, 0};  // eax, ebx, ecx, edx
#if defined(_MSC_VER)
    Cpuid(0, 0, regs);
    const unsigned int maxLeaf = regs[0];
#else
    const unsigned int maxLeaf = __get_cpuid_max(0, nullptr);  // 0 without cpuid
#endif
    if (maxLeaf < 1) return features;
    Cpuid(1, 0, regs);
    const bool bSse2 = (regs[3] & (1u << 26)) != 0;
    features.bSsse3 = bSse2 && (regs[2] & (1u << 9)) != 0;
    const bool bOsXsave = (regs[2] & (1u << 27)) != 0;
    const bool bAvx = (regs[2] & (1u << 28)) != 0;
    if (!features.bSsse3 || !bOsXsave || !bAvx || maxLeaf < 7) return features;
    // The system must save the SSE and AVX register states (XCR0 bits 1, 2).
    if ((SavedStates() & 6u) != 6u) return features;
    Cpuid(7, 0, regs);
    features.bAvx2 = (regs[1] & (1u << 5)) != 0;
    return features;
}

const CpuFeatures &Features() {
    static const CpuFeatures s_features = DetectFeatures();
    return s_features;
}

// ---------------------------------------------------------------------------
// Rows: the path's vector part, the scalar rest, then the zero padding.

typedef int (*RowBody)(const BYTE *pSource, BYTE *pTarget, int width);

RowBody BodyOf(Yuy2Path path) {
    if (!Yuy2PathAvailable(path)) return nullptr;
    switch (path) {
    case YUY2_PATH_SSSE3:
        return ConvertRowSsse3;
    case YUY2_PATH_AVX2:
        return ConvertRowAvx2;
    default:
        return nullptr;
    }
}

void ConvertRows(RowBody pfnBody, const BYTE *pSource, BYTE *pTarget, int width, int height) {
    if (pSource == nullptr || pTarget == nullptr || width <= 0 || height <= 0) return;
    const UINT cbRow = PaddedRowBytes(width);
    const size_t cbSourceRow = static_cast<size_t>(width) * 2u;
    // An odd width has no source pair for its last pixel: that pixel is zero.
    const int converted = width & ~1;
    for (int row = 0; row < height; ++row) {
        const BYTE *pSourceRow = pSource + static_cast<size_t>(row) * cbSourceRow;
        BYTE *pRow = pTarget + static_cast<size_t>(row) * cbRow;
        const int done = pfnBody != nullptr ? pfnBody(pSourceRow, pRow, converted) : 0;
        ConvertRowScalar(pSourceRow + done * 2, pRow + done * 3, converted - done);
        for (UINT i = static_cast<UINT>(converted) * 3u; i < cbRow; ++i) pRow[i] = 0;
    }
}

}  // namespace

bool Yuy2PathAvailable(Yuy2Path path) {
    switch (path) {
    case YUY2_PATH_SCALAR:
        return true;
    case YUY2_PATH_SSSE3:
        return Features().bSsse3;
    case YUY2_PATH_AVX2:
        return Features().bAvx2;
    default:
        return false;
    }
}

void Yuy2ToBgr24With(Yuy2Path path, const BYTE *pSource, BYTE *pTarget, int width, int height) {
    ConvertRows(BodyOf(path), pSource, pTarget, width, height);
}

void Yuy2ToBgr24(const BYTE *pSource, BYTE *pTarget, int width, int height) {
    static const Yuy2Path s_best = Yuy2PathAvailable(YUY2_PATH_AVX2)
                                       ? YUY2_PATH_AVX2
                                       : (Yuy2PathAvailable(YUY2_PATH_SSSE3) ? YUY2_PATH_SSSE3 : YUY2_PATH_SCALAR);
    Yuy2ToBgr24With(s_best, pSource, pTarget, width, height);
}
