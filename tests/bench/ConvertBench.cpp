// ConvertBench.cpp - what the viewer's YUY2 to 24-bit still conversion costs.
//
//   For a 2592x1944 still: milliseconds of a memcpy of the 24-bit output size
//   and of each conversion path this processor has, with its ratio to the
//   memcpy. Cold: every buffer involved is flushed from the caches (clflush,
//   line by line) before each run; warm: run again right after; in cache:
//   the work of a whole still done as 8-row strips over the same small
//   buffers (the arithmetic alone, without the memory traffic). Median of
//   several runs (and the best run for cold), the cases taking turns so that
//   load on the machine falls on all of them alike.
#include <windows.h>
#include <emmintrin.h>
#include <stdio.h>
#include <string.h>
#include <strsafe.h>

#include <algorithm>
#include <vector>

#if defined(__GNUC__)
#include <cpuid.h>
#endif

#include "BenchKit.h"
#include "Yuy2Convert.h"

namespace {

const int kWidth = 2592;
const int kHeight = 1944;
const int kRuns = 21;
const int kStripRows = 8;

// The processor's name as cpuid gives it.
void CpuName(char *szName, size_t cchName) {
    StringCchCopyA(szName, cchName, "unknown");
#if defined(__GNUC__)
    unsigned int regs[12];
    if (__get_cpuid_max(0x80000000u, nullptr) < 0x80000004u) return;
    for (unsigned int i = 0; i < 3; ++i)
        __cpuid(0x80000002u + i, regs[i * 4], regs[i * 4 + 1], regs[i * 4 + 2], regs[i * 4 + 3]);
    char szBrand[49];
    memcpy(szBrand, regs, 48);
    szBrand[48] = '\0';
    const char *pStart = szBrand;
    while (*pStart == ' ') ++pStart;
    StringCchCopyA(szName, cchName, pStart);
#endif
}

// Page-aligned memory, every page touched so no run pays for first use.
class Buffer {
public:
    explicit Buffer(size_t cb) : m_cb(cb) {
        m_pData = static_cast<BYTE *>(VirtualAlloc(nullptr, cb, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (m_pData != nullptr) memset(m_pData, 0x5A, cb);
    }
    ~Buffer() {
        if (m_pData != nullptr) VirtualFree(m_pData, 0, MEM_RELEASE);
    }
    Buffer(const Buffer &) = delete;
    Buffer &operator=(const Buffer &) = delete;

    BYTE *Data() const { return m_pData; }
    size_t Size() const { return m_cb; }

#if defined(__GNUC__)
    __attribute__((target("sse2")))
#endif
    void
    Flush() const {
        for (size_t i = 0; i < m_cb; i += 64) _mm_clflush(m_pData + i);
        _mm_mfence();
    }

private:
    BYTE *m_pData;
    size_t m_cb;
};

enum Case { CASE_MEMCPY, CASE_SCALAR, CASE_SSSE3, CASE_AVX2, CASE_DEFAULT, CASE_COUNT };

const char *CaseName(int c) {
    static const char *const s_names[CASE_COUNT] = {"memcpy of the output", "scalar", "SSSE3", "AVX2",
                                                    "Yuy2ToBgr24 (best)"};
    return s_names[c];
}

bool CaseAvailable(int c) {
    switch (c) {
    case CASE_SSSE3:
        return Yuy2PathAvailable(YUY2_PATH_SSSE3);
    case CASE_AVX2:
        return Yuy2PathAvailable(YUY2_PATH_AVX2);
    default:
        return true;
    }
}

double Best(const std::vector<double> &values) { return *std::min_element(values.begin(), values.end()); }

}  // namespace

int main() {
    const size_t cbSource = static_cast<size_t>(kWidth) * kHeight * 2;
    const size_t cbTarget = static_cast<size_t>(PaddedRowBytes(kWidth)) * kHeight;
    Buffer source(cbSource), target(cbTarget), copySource(cbTarget);
    if (source.Data() == nullptr || target.Data() == nullptr || copySource.Data() == nullptr) {
        printf("out of memory\n");
        return 1;
    }
    UINT seed = 1;
    for (size_t i = 0; i < cbSource; ++i) {
        seed = seed * 1664525u + 1013904223u;
        source.Data()[i] = static_cast<BYTE>(seed >> 24);
    }

    char szCpu[64];
    CpuName(szCpu, ARRAYSIZE(szCpu));
    printf("CPU: %s\n", szCpu);
    printf("still %dx%d: source %u bytes, output %u bytes; %d runs\n", kWidth, kHeight, static_cast<unsigned>(cbSource),
           static_cast<unsigned>(cbTarget), kRuns);

    // One case over rows rows at the start of the buffers.
    auto work = [&](int c, int rows) {
        switch (c) {
        case CASE_MEMCPY:
            memcpy(target.Data(), copySource.Data(), static_cast<size_t>(PaddedRowBytes(kWidth)) * rows);
            break;
        case CASE_SCALAR:
            Yuy2ToBgr24With(YUY2_PATH_SCALAR, source.Data(), target.Data(), kWidth, rows);
            break;
        case CASE_SSSE3:
            Yuy2ToBgr24With(YUY2_PATH_SSSE3, source.Data(), target.Data(), kWidth, rows);
            break;
        case CASE_AVX2:
            Yuy2ToBgr24With(YUY2_PATH_AVX2, source.Data(), target.Data(), kWidth, rows);
            break;
        default:
            Yuy2ToBgr24(source.Data(), target.Data(), kWidth, rows);
            break;
        }
    };
    // One run of a case over the whole still; cold flushes its buffers first.
    auto run = [&](int c, bool bCold) {
        if (bCold) {
            (c == CASE_MEMCPY ? copySource : source).Flush();
            target.Flush();
        }
        const double start = NowMs();
        work(c, kHeight);
        return NowMs() - start;
    };
    // The same amount of work as strips in the caches.
    auto runCached = [&](int c) {
        work(c, kStripRows);
        const double start = NowMs();
        for (int strip = 0; strip < kHeight / kStripRows; ++strip) work(c, kStripRows);
        return NowMs() - start;
    };

    std::vector<double> cold[CASE_COUNT], warm[CASE_COUNT], cached[CASE_COUNT];
    for (int i = 0; i < kRuns; ++i) {
        for (int c = 0; c < CASE_COUNT; ++c) {
            if (!CaseAvailable(c)) continue;
            cold[c].push_back(run(c, true));
            warm[c].push_back(run(c, false));
            cached[c].push_back(runCached(c));
        }
    }

    // Every path gives the same bytes (the tests check them exactly).
    std::vector<BYTE> scalar(cbTarget);
    Yuy2ToBgr24With(YUY2_PATH_SCALAR, source.Data(), scalar.data(), kWidth, kHeight);
    bool bSame = true;
    for (int path = YUY2_PATH_SSSE3; path <= YUY2_PATH_AVX2; ++path) {
        if (!Yuy2PathAvailable(static_cast<Yuy2Path>(path))) continue;
        Yuy2ToBgr24With(static_cast<Yuy2Path>(path), source.Data(), target.Data(), kWidth, kHeight);
        bSame = bSame && memcmp(scalar.data(), target.Data(), cbTarget) == 0;
    }

    const double coldCopy = Median(cold[CASE_MEMCPY]);
    const double coldCopyBest = Best(cold[CASE_MEMCPY]);
    const double warmCopy = Median(warm[CASE_MEMCPY]);
    printf("%-22s %9s %7s %9s %7s %9s %7s %9s\n", "", "cold ms", "ratio", "best ms", "ratio", "warm ms", "ratio",
           "in cache");
    for (int c = 0; c < CASE_COUNT; ++c) {
        if (!CaseAvailable(c)) {
            printf("%-22s not available on this processor\n", CaseName(c));
            continue;
        }
        const double coldMs = Median(cold[c]), bestMs = Best(cold[c]), warmMs = Median(warm[c]);
        printf("%-22s %9.2f %7.2f %9.2f %7.2f %9.2f %7.2f %9.2f\n", CaseName(c), coldMs, coldMs / coldCopy, bestMs,
               bestMs / coldCopyBest, warmMs, warmMs / warmCopy, Median(cached[c]));
    }
    printf("paths agree: %s\n", bSame ? "yes" : "NO");
    return bSame ? 0 : 1;
}
