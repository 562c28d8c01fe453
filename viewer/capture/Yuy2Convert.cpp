// Yuy2Convert.cpp - YUY2 to 24-bit rows: the exact scalar path and the
// SSSE3 and AVX2 paths, chosen once from what the processor and the system
// support.
//
// The vector paths work in signed 16-bit lanes. Every coefficient c is even
// and c / 2 fits a lane (33062 / 2 = 16531), so each product is one high
// multiply (16 x 16 bits, upper half, rounded toward minus infinity):
//   (x * c) >> 14 == (x * (c / 2)) >> 13 == mulhi(x << 3, c / 2)
// because floor(x * 8 * (c / 2) / 65536) == floor(x * c / 16384). With
// x = Y - 16 (-16..239) or U, V - 128 (-128..127), x << 3 stays within
// -1024..1912. The sums stay far inside a lane, and packing to unsigned bytes
// with saturation is the clamp to 0..255. So the vector paths give exactly the
// scalar values (the tests compare every Y, U, V triple).
//
// Per 8 pixels (16 source bytes): one byte multiply-add gives Y << 3 in every
// pixel's lane, another (on the bytes with their top bit flipped) gives
// (U - 128) << 3 and (V - 128) << 3 in alternate lanes; two high multiplies
// give the blue and red terms and the two green terms of each group, and a
// byte shuffle copies a group's terms to both of its pixels. Packing and
// seven byte shuffles interleave 16 pixels into 48 bytes.
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
// The vector row functions may keep 16- or 32-byte values on the stack, but a
// 32-bit Windows thread (a streaming thread, say) only promises 4-byte
// alignment: they align their own frame.
#if (defined(__GNUC__) || defined(__clang__)) && defined(__i386__)
#define YUY2_ALIGN_STACK __attribute__((force_align_arg_pointer))
#else
#define YUY2_ALIGN_STACK
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

struct alignas(16) Vector16 {
    signed char b[16];
};

constexpr Vector16 Bytes2(int even, int odd) {
    Vector16 v{};
    for (int i = 0; i < 16; ++i) v.b[i] = static_cast<signed char>(i % 2 == 0 ? even : odd);
    return v;
}

constexpr Vector16 Words2(int even, int odd) {
    Vector16 v{};
    for (int i = 0; i < 8; ++i) {
        const int value = i % 2 == 0 ? even : odd;
        v.b[i * 2] = static_cast<signed char>(value & 0xFF);
        v.b[i * 2 + 1] = static_cast<signed char>((value >> 8) & 0xFF);
    }
    return v;
}

// Word `word` of every pair of words, twice: copies a group's value to both
// of its pixels.
constexpr Vector16 Duplicate(int word) {
    Vector16 v{};
    for (int i = 0; i < 16; ++i) v.b[i] = static_cast<signed char>((i / 4) * 4 + word * 2 + i % 2);
    return v;
}

// Each 32 bits hold Y0 U Y1 V: two byte pairs, a Y and a chroma byte each.
// Weights 8 (Y) and 0 (chroma) give Y << 3 in every pixel's word; weights 0
// and 8 on the bytes with their top bit flipped (chroma - 128 as a signed
// byte) give (U - 128) << 3 and (V - 128) << 3 in alternate words.
constexpr Vector16 kLumaWeights = Bytes2(8, 0);
constexpr Vector16 kChromaWeights = Bytes2(0, 8);
constexpr Vector16 kFlip = Bytes2(-128, -128);
constexpr Vector16 kLumaOffset = Words2(16 << 3, 16 << 3);
constexpr Vector16 kLuma = Words2(19070 / 2, 19070 / 2);
constexpr Vector16 kBlueRed = Words2(33062 / 2, 26148 / 2);  // u -> blue, v -> red
constexpr Vector16 kGreen = Words2(6406 / 2, 13320 / 2);     // u, v -> green
constexpr Vector16 kFirstWord = Duplicate(0);
constexpr Vector16 kSecondWord = Duplicate(1);

// Byte shuffles that interleave the packed planes of 16 pixels into 48 bytes
// blue-green-red. The sources are blue and green of pixels 0..7 (bytes 0..7
// and 8..15), of pixels 8..15 likewise, and red of pixels 0..15;
// m[chunk][source] picks that source's bytes of output chunk (16 bytes), -128
// (top bit set) gives a zero byte.
struct alignas(16) Interleave {
    signed char m[3][3][16];
};

constexpr Interleave MakeInterleave() {
    Interleave table{};
    for (int chunk = 0; chunk < 3; ++chunk) {
        for (int i = 0; i < 16; ++i) {
            const int k = chunk * 16 + i, pixel = k / 3, plane = k % 3;
            for (int source = 0; source < 3; ++source) table.m[chunk][source][i] = -128;
            if (plane == 2) {
                table.m[chunk][2][i] = static_cast<signed char>(pixel);
            } else {
                table.m[chunk][pixel / 8][i] = static_cast<signed char>(plane * 8 + pixel % 8);
            }
        }
    }
    return table;
}

constexpr Interleave kInterleave = MakeInterleave();

// ---------------------------------------------------------------------------
// SSSE3: 16 pixels (32 source bytes, 48 target bytes) per step.

YUY2_TARGET("ssse3") inline __m128i Load(const Vector16 &vector) {
    return _mm_load_si128(reinterpret_cast<const __m128i *>(&vector));
}

YUY2_TARGET("ssse3") inline __m128i InterleaveMask(int chunk, int source) {
    return _mm_load_si128(reinterpret_cast<const __m128i *>(kInterleave.m[chunk][source]));
}

// Blue, green and red of 8 pixels (16 source bytes), in 16-bit lanes before
// the clamp.
YUY2_TARGET("ssse3") inline void Pixels8(__m128i source, __m128i &blue, __m128i &green, __m128i &red) {
    const __m128i luma =
        _mm_mulhi_epi16(_mm_sub_epi16(_mm_maddubs_epi16(source, Load(kLumaWeights)), Load(kLumaOffset)), Load(kLuma));
    const __m128i chroma = _mm_maddubs_epi16(Load(kChromaWeights), _mm_xor_si128(source, Load(kFlip)));
    const __m128i blueRed = _mm_mulhi_epi16(chroma, Load(kBlueRed));
    const __m128i greenUv = _mm_mulhi_epi16(chroma, Load(kGreen));
    const __m128i greenSum = _mm_add_epi16(greenUv, _mm_srli_epi32(greenUv, 16));
    blue = _mm_add_epi16(luma, _mm_shuffle_epi8(blueRed, Load(kFirstWord)));
    green = _mm_sub_epi16(luma, _mm_shuffle_epi8(greenSum, Load(kFirstWord)));
    red = _mm_add_epi16(luma, _mm_shuffle_epi8(blueRed, Load(kSecondWord)));
}

YUY2_TARGET("ssse3") inline void Convert16(const BYTE *pSource, BYTE *pTarget) {
    __m128i blueA, greenA, redA, blueB, greenB, redB;
    Pixels8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(pSource)), blueA, greenA, redA);
    Pixels8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(pSource + 16)), blueB, greenB, redB);
    // Packing with unsigned saturation is the clamp to 0..255.
    const __m128i low = _mm_packus_epi16(blueA, greenA);
    const __m128i high = _mm_packus_epi16(blueB, greenB);
    const __m128i red = _mm_packus_epi16(redA, redB);

    __m128i *pOut = reinterpret_cast<__m128i *>(pTarget);
    _mm_storeu_si128(
        pOut, _mm_or_si128(_mm_shuffle_epi8(low, InterleaveMask(0, 0)), _mm_shuffle_epi8(red, InterleaveMask(0, 2))));
    _mm_storeu_si128(pOut + 1, _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(low, InterleaveMask(1, 0)),
                                                         _mm_shuffle_epi8(high, InterleaveMask(1, 1))),
                                            _mm_shuffle_epi8(red, InterleaveMask(1, 2))));
    _mm_storeu_si128(pOut + 2, _mm_or_si128(_mm_shuffle_epi8(high, InterleaveMask(2, 1)),
                                            _mm_shuffle_epi8(red, InterleaveMask(2, 2))));
}

// Converts the leading multiple of 16 pixels of a row; returns how many.
YUY2_TARGET("ssse3") YUY2_ALIGN_STACK int ConvertRowSsse3(const BYTE *pSource, BYTE *pTarget, int width) {
    int x = 0;
    for (; x + 16 <= width; x += 16) Convert16(pSource + x * 2, pTarget + x * 3);
    return x;
}

// ---------------------------------------------------------------------------
// AVX2: 32 pixels (64 source bytes, 96 target bytes) per step. Each 128-bit
// half does what one SSSE3 step does: the low half pixels 0..15, the high
// half pixels 16..31. Loads and stores are unaligned and the values live in
// registers or come straight from the constants; MinGW does not align the
// stack for 32-byte slots itself, so whatever the compiler still keeps on the
// stack it reaches with unaligned moves on a realigned frame (checked in the
// disassembly).

YUY2_TARGET("avx2") inline __m256i Load2(const Vector16 &vector) {
    return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i *>(&vector)));
}

YUY2_TARGET("avx2") inline __m256i InterleaveMask2(int chunk, int source) {
    return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i *>(kInterleave.m[chunk][source])));
}

YUY2_TARGET("avx2") inline __m256i LoadHalves(const BYTE *pLow, const BYTE *pHigh) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(pLow))),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i *>(pHigh)), 1);
}

YUY2_TARGET("avx2") inline void Pixels8x2(__m256i source, __m256i &blue, __m256i &green, __m256i &red) {
    const __m256i luma = _mm256_mulhi_epi16(
        _mm256_sub_epi16(_mm256_maddubs_epi16(source, Load2(kLumaWeights)), Load2(kLumaOffset)), Load2(kLuma));
    const __m256i chroma = _mm256_maddubs_epi16(Load2(kChromaWeights), _mm256_xor_si256(source, Load2(kFlip)));
    const __m256i blueRed = _mm256_mulhi_epi16(chroma, Load2(kBlueRed));
    const __m256i greenUv = _mm256_mulhi_epi16(chroma, Load2(kGreen));
    const __m256i greenSum = _mm256_add_epi16(greenUv, _mm256_srli_epi32(greenUv, 16));
    blue = _mm256_add_epi16(luma, _mm256_shuffle_epi8(blueRed, Load2(kFirstWord)));
    green = _mm256_sub_epi16(luma, _mm256_shuffle_epi8(greenSum, Load2(kFirstWord)));
    red = _mm256_add_epi16(luma, _mm256_shuffle_epi8(blueRed, Load2(kSecondWord)));
}

// Stores 16 bytes of each half: output chunk `chunk` of pixels 0..15 and of
// pixels 16..31.
YUY2_TARGET("avx2") inline void StoreHalves(__m256i bytes, BYTE *pTarget, int chunk) {
    _mm_storeu_si128(reinterpret_cast<__m128i *>(pTarget + chunk * 16), _mm256_castsi256_si128(bytes));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(pTarget + 48 + chunk * 16), _mm256_extracti128_si256(bytes, 1));
}

YUY2_TARGET("avx2") inline void Convert32(const BYTE *pSource, BYTE *pTarget) {
    __m256i blueA, greenA, redA, blueB, greenB, redB;
    Pixels8x2(LoadHalves(pSource, pSource + 32), blueA, greenA, redA);
    Pixels8x2(LoadHalves(pSource + 16, pSource + 48), blueB, greenB, redB);
    const __m256i low = _mm256_packus_epi16(blueA, greenA);
    const __m256i high = _mm256_packus_epi16(blueB, greenB);
    const __m256i red = _mm256_packus_epi16(redA, redB);

    StoreHalves(_mm256_or_si256(_mm256_shuffle_epi8(low, InterleaveMask2(0, 0)),
                                _mm256_shuffle_epi8(red, InterleaveMask2(0, 2))),
                pTarget, 0);
    StoreHalves(_mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(low, InterleaveMask2(1, 0)),
                                                _mm256_shuffle_epi8(high, InterleaveMask2(1, 1))),
                                _mm256_shuffle_epi8(red, InterleaveMask2(1, 2))),
                pTarget, 1);
    StoreHalves(_mm256_or_si256(_mm256_shuffle_epi8(high, InterleaveMask2(2, 1)),
                                _mm256_shuffle_epi8(red, InterleaveMask2(2, 2))),
                pTarget, 2);
}

// Converts the leading multiple of 16 pixels of a row (32 at a time, then
// 16); returns how many.
YUY2_TARGET("avx2") YUY2_ALIGN_STACK int ConvertRowAvx2(const BYTE *pSource, BYTE *pTarget, int width) {
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
