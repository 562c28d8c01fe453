// JpegDecoder.cpp - baseline JPEG decoding (see JpegDecoder.h): marker
// parsing, the scan's MCUs, and YCbCr to BGR conversion one MCU row at a time.
#include "JpegDecoder.h"

#include <new>
#include <stdlib.h>
#include <string.h>

#include "JpegBitReader.h"
#include "JpegIdct.h"
#include "JpegTables.h"

namespace {

const int kMaxComponents = 3;
const int kMaxTables = 4;
const LONG kMaxDimension = 16384;
// Dequantised coefficients of valid 8-bit data stay well inside this; the
// bound keeps corrupt data from overflowing the integer IDCT.
const int kMaxCoef = 4095;
const int kMaxDcPred = 32767;

enum Marker {
    M_SOF0 = 0xC0,
    M_SOF1 = 0xC1,
    M_DHT = 0xC4,
    M_JPG = 0xC8,
    M_DAC = 0xCC,
    M_SOF15 = 0xCF,
    M_RST0 = 0xD0,
    M_RST7 = 0xD7,
    M_SOI = 0xD8,
    M_EOI = 0xD9,
    M_SOS = 0xDA,
    M_DQT = 0xDB,
    M_DNL = 0xDC,
    M_DRI = 0xDD,
    M_TEM = 0x01
};

inline UINT ReadU16(const BYTE *p) { return (static_cast<UINT>(p[0]) << 8) | p[1]; }

inline BYTE Clamp255(int v) {
    if (v < 0) return 0;
    if (v > 255) return 255;
    return static_cast<BYTE>(v);
}

struct Component {
    int nId;
    int nH, nV;            // sampling factors
    int nHShift, nVShift;  // 0 or 1: log2 of the upsampling to full size
    int nQuant;
    int nDcTable, nAcTable;
    int nDcPred;
    BYTE *pStrip;  // one MCU row: nStripStride x (nV * 8) samples
    LONG lStripStride;
};

// JFIF YCbCr -> RGB, 16-bit fixed point.
struct ColorTables {
    int crR[256];
    int cbB[256];
    int cbG[256];
    int crG[256];     // includes the rounding of the green sum
    BYTE clamp[768];  // clamp[256 + v]: v limited to 0..255

    ColorTables() {
        for (int i = 0; i < 768; ++i) clamp[i] = Clamp255(i - 256);
        for (int i = 0; i < 256; ++i) {
            const int c = i - 128;
            crR[i] = (91881 * c + 32768) >> 16;   // 1.402
            cbB[i] = (116130 * c + 32768) >> 16;  // 1.772
            cbG[i] = -22554 * c;                  // 0.344136
            crG[i] = -46802 * c + 32768;          // 0.714136
        }
    }
};

const ColorTables kColorTables;

}  // namespace

struct JpegDecoder::Impl {
    UINT16 quant[kMaxTables][64];  // zigzag order
    BOOL bQuantDefined[kMaxTables];
    JpegHuffTable dcTables[kMaxTables];
    JpegHuffTable acTables[kMaxTables];
    JpegHuffTable defaultDc[2];
    JpegHuffTable defaultAc[2];

    JpegFrameInfo info;
    BOOL bFrameSeen;
    Component comps[kMaxComponents];
    int scanOrder[kMaxComponents];  // component indexes in the scan's MCU order
    int nHMax, nVMax;

    BYTE *pStripMemory;
    size_t cbStripMemory;
    JpegBitReader reader;

    Impl();
    ~Impl() { free(pStripMemory); }

    void ResetTables();
    HRESULT ParseHeaders(const BYTE *pData, size_t cbData, const BYTE **ppScanData);
    HRESULT ParseFrame(const BYTE *p, UINT cb);
    HRESULT ParseHuffman(const BYTE *p, UINT cb);
    HRESULT ParseQuant(const BYTE *p, UINT cb);
    HRESULT ParseScan(const BYTE *p, UINT cb);
    HRESULT AllocateStrips();
    HRESULT DecodeScan(const BYTE *pScan, const BYTE *pEnd, const JpegPixelTarget &target);
    int DecodeBlock(Component &comp, int coef[64]);
    void ConvertStrip(LONG lTopRow, const JpegPixelTarget &target) const;
};

JpegDecoder::Impl::Impl() : bFrameSeen(FALSE), nHMax(1), nVMax(1), pStripMemory(nullptr), cbStripMemory(0) {
    memset(&info, 0, sizeof(info));
    memset(comps, 0, sizeof(comps));
    memset(scanOrder, 0, sizeof(scanOrder));
    memset(bQuantDefined, 0, sizeof(bQuantDefined));
    JpegBuildHuffTable(kJpegLumaDc.bits, kJpegLumaDc.vals, kJpegLumaDc.valCount, &defaultDc[0]);
    JpegBuildHuffTable(kJpegChromaDc.bits, kJpegChromaDc.vals, kJpegChromaDc.valCount, &defaultDc[1]);
    JpegBuildHuffTable(kJpegLumaAc.bits, kJpegLumaAc.vals, kJpegLumaAc.valCount, &defaultAc[0]);
    JpegBuildHuffTable(kJpegChromaAc.bits, kJpegChromaAc.vals, kJpegChromaAc.valCount, &defaultAc[1]);
}

// Every frame starts from the standard Huffman tables in slots 0 and 1 and
// no quantisation tables; its own segments replace them.
void JpegDecoder::Impl::ResetTables() {
    memset(bQuantDefined, 0, sizeof(bQuantDefined));
    for (int i = 0; i < kMaxTables; ++i) {
        if (i < 2) {
            dcTables[i] = defaultDc[i];
            acTables[i] = defaultAc[i];
        } else {
            dcTables[i].bDefined = FALSE;
            acTables[i].bDefined = FALSE;
        }
    }
    bFrameSeen = FALSE;
}

// Walks the segments from SOI to the first SOS and leaves *ppScanData on the
// entropy-coded data that follows the scan header.
HRESULT JpegDecoder::Impl::ParseHeaders(const BYTE *pData, size_t cbData, const BYTE **ppScanData) {
    ResetTables();
    if (!pData || cbData < 4) return JPEG_E_TRUNCATED;
    if (pData[0] != 0xFF || pData[1] != M_SOI) return JPEG_E_CORRUPT;

    const BYTE *p = pData + 2;
    const BYTE *pEnd = pData + cbData;
    for (;;) {
        // A marker, possibly after fill bytes.
        if (p >= pEnd) return JPEG_E_TRUNCATED;
        if (*p != 0xFF) return JPEG_E_CORRUPT;
        while (p < pEnd && *p == 0xFF) ++p;
        if (p >= pEnd) return JPEG_E_TRUNCATED;
        const BYTE marker = *p++;

        if (marker == M_EOI || marker == M_SOI || marker == M_TEM || (marker >= M_RST0 && marker <= M_RST7) ||
            marker == 0x00)
            return JPEG_E_CORRUPT;  // no image before it, or a marker out of place

        if (pEnd - p < 2) return JPEG_E_TRUNCATED;
        const UINT uLength = ReadU16(p);
        if (uLength < 2) return JPEG_E_CORRUPT;
        if (static_cast<size_t>(pEnd - p) < uLength) return JPEG_E_TRUNCATED;
        const BYTE *pBody = p + 2;
        const UINT cbBody = uLength - 2;
        p += uLength;

        HRESULT hr = S_OK;
        if (marker == M_SOF0 || marker == M_SOF1) {
            hr = ParseFrame(pBody, cbBody);
        } else if (marker >= M_SOF0 && marker <= M_SOF15 && marker != M_DHT && marker != M_JPG && marker != M_DAC) {
            hr = JPEG_E_UNSUPPORTED;  // progressive, lossless, hierarchical, arithmetic
        } else if (marker == M_DAC) {
            hr = JPEG_E_UNSUPPORTED;
        } else if (marker == M_DHT) {
            hr = ParseHuffman(pBody, cbBody);
        } else if (marker == M_DQT) {
            hr = ParseQuant(pBody, cbBody);
        } else if (marker == M_DRI) {
            if (cbBody != 2)
                hr = JPEG_E_CORRUPT;
            else
                info.uRestartInterval = ReadU16(pBody);
        } else if (marker == M_DNL) {
            hr = JPEG_E_UNSUPPORTED;
        } else if (marker == M_SOS) {
            hr = ParseScan(pBody, cbBody);
            if (SUCCEEDED(hr)) *ppScanData = p;
            return hr;
        }
        // APPn, COM and the rest are skipped.
        if (FAILED(hr)) return hr;
    }
}

HRESULT JpegDecoder::Impl::ParseFrame(const BYTE *p, UINT cb) {
    if (bFrameSeen) return JPEG_E_CORRUPT;
    if (cb < 6) return JPEG_E_CORRUPT;
    if (p[0] != 8) return JPEG_E_UNSUPPORTED;  // 12-bit samples
    const LONG lHeight = static_cast<LONG>(ReadU16(p + 1));
    const LONG lWidth = static_cast<LONG>(ReadU16(p + 3));
    const int nComps = p[5];
    if (lHeight == 0) return JPEG_E_UNSUPPORTED;  // height given later by DNL
    if (lWidth == 0) return JPEG_E_CORRUPT;
    if (lWidth > kMaxDimension || lHeight > kMaxDimension) return JPEG_E_UNSUPPORTED;
    if (nComps != 1 && nComps != kMaxComponents) return JPEG_E_UNSUPPORTED;
    if (cb != 6u + 3u * static_cast<UINT>(nComps)) return JPEG_E_CORRUPT;

    nHMax = 1;
    nVMax = 1;
    for (int i = 0; i < nComps; ++i) {
        Component &c = comps[i];
        const BYTE *q = p + 6 + 3 * i;
        c.nId = q[0];
        c.nH = q[1] >> 4;
        c.nV = q[1] & 15;
        c.nQuant = q[2];
        if (c.nH < 1 || c.nH > 4 || c.nV < 1 || c.nV > 4 || c.nQuant >= kMaxTables) return JPEG_E_CORRUPT;
        for (int j = 0; j < i; ++j)
            if (comps[j].nId == c.nId) return JPEG_E_CORRUPT;
        if (nComps == 1) c.nH = c.nV = 1;  // a single-component scan codes one block per MCU
        if (c.nH > nHMax) nHMax = c.nH;
        if (c.nV > nVMax) nVMax = c.nV;
    }
    // Chroma may be subsampled by 2 at most, in either direction.
    for (int i = 0; i < nComps; ++i) {
        Component &c = comps[i];
        if (c.nH == nHMax)
            c.nHShift = 0;
        else if (c.nH * 2 == nHMax)
            c.nHShift = 1;
        else
            return JPEG_E_UNSUPPORTED;
        if (c.nV == nVMax)
            c.nVShift = 0;
        else if (c.nV * 2 == nVMax)
            c.nVShift = 1;
        else
            return JPEG_E_UNSUPPORTED;
    }

    info.lWidth = lWidth;
    info.lHeight = lHeight;
    info.nComponents = nComps;
    info.nLumaH = comps[0].nH;
    info.nLumaV = comps[0].nV;
    bFrameSeen = TRUE;
    return S_OK;
}

HRESULT JpegDecoder::Impl::ParseHuffman(const BYTE *p, UINT cb) {
    while (cb > 0) {
        if (cb < 17) return JPEG_E_CORRUPT;
        const int nClass = p[0] >> 4;
        const int nSlot = p[0] & 15;
        if (nClass > 1 || nSlot >= kMaxTables) return JPEG_E_CORRUPT;
        int nCount = 0;
        for (int i = 0; i < 16; ++i) nCount += p[1 + i];
        if (nCount > 256 || cb < 17u + static_cast<UINT>(nCount)) return JPEG_E_CORRUPT;
        JpegHuffTable &table = nClass == 0 ? dcTables[nSlot] : acTables[nSlot];
        if (!JpegBuildHuffTable(p + 1, p + 17, nCount, &table)) return JPEG_E_CORRUPT;
        p += 17 + nCount;
        cb -= 17u + static_cast<UINT>(nCount);
    }
    return S_OK;
}

HRESULT JpegDecoder::Impl::ParseQuant(const BYTE *p, UINT cb) {
    while (cb > 0) {
        const int nPrecision = p[0] >> 4;
        const int nSlot = p[0] & 15;
        if (nPrecision > 1 || nSlot >= kMaxTables) return JPEG_E_CORRUPT;
        const UINT cbTable = 1u + (nPrecision ? 128u : 64u);
        if (cb < cbTable) return JPEG_E_CORRUPT;
        for (int k = 0; k < 64; ++k)
            quant[nSlot][k] = static_cast<UINT16>(nPrecision ? ReadU16(p + 1 + 2 * k) : p[1 + k]);
        bQuantDefined[nSlot] = TRUE;
        p += cbTable;
        cb -= cbTable;
    }
    return S_OK;
}

HRESULT JpegDecoder::Impl::ParseScan(const BYTE *p, UINT cb) {
    if (!bFrameSeen) return JPEG_E_CORRUPT;
    if (cb < 1) return JPEG_E_CORRUPT;
    const int nScanComps = p[0];
    if (cb != 4u + 2u * static_cast<UINT>(nScanComps)) return JPEG_E_CORRUPT;
    // One interleaved scan with every component; separate scans per
    // component are not used by cameras.
    if (nScanComps != info.nComponents) return JPEG_E_UNSUPPORTED;

    UINT uSeen = 0;
    for (int i = 0; i < nScanComps; ++i) {
        const int nId = p[1 + 2 * i];
        const int nTables = p[2 + 2 * i];
        Component *pComp = nullptr;
        for (int j = 0; j < info.nComponents; ++j) {
            if (comps[j].nId == nId && !(uSeen & (1u << j))) {
                pComp = &comps[j];
                uSeen |= 1u << j;
                scanOrder[i] = j;
                break;
            }
        }
        if (!pComp) return JPEG_E_CORRUPT;  // unknown or repeated selector
        pComp->nDcTable = nTables >> 4;
        pComp->nAcTable = nTables & 15;
        if (pComp->nDcTable >= kMaxTables || pComp->nAcTable >= kMaxTables) return JPEG_E_CORRUPT;
    }
    const BYTE *q = p + 1 + 2 * nScanComps;
    if (q[0] != 0 || q[1] != 63 || q[2] != 0) return JPEG_E_UNSUPPORTED;  // spectral selection

    for (int i = 0; i < info.nComponents; ++i) {
        const Component &c = comps[i];
        if (!bQuantDefined[c.nQuant] || !dcTables[c.nDcTable].bDefined || !acTables[c.nAcTable].bDefined)
            return JPEG_E_CORRUPT;
    }
    return S_OK;
}

HRESULT JpegDecoder::Impl::AllocateStrips() {
    const LONG lMcusX = (info.lWidth + 8 * nHMax - 1) / (8 * nHMax);
    size_t cbTotal = 0;
    for (int i = 0; i < info.nComponents; ++i) {
        Component &c = comps[i];
        c.lStripStride = lMcusX * c.nH * 8;
        cbTotal += static_cast<size_t>(c.lStripStride) * static_cast<size_t>(c.nV * 8);
    }
    if (cbTotal > cbStripMemory) {
        BYTE *pNew = static_cast<BYTE *>(malloc(cbTotal));
        if (!pNew) return E_OUTOFMEMORY;
        free(pStripMemory);
        pStripMemory = pNew;
        cbStripMemory = cbTotal;
    }
    BYTE *pNext = pStripMemory;
    for (int i = 0; i < info.nComponents; ++i) {
        Component &c = comps[i];
        c.pStrip = pNext;
        pNext += static_cast<size_t>(c.lStripStride) * static_cast<size_t>(c.nV * 8);
    }
    return S_OK;
}

// Decodes one block's coefficients, dequantised, into coef (natural order,
// zero on entry). Returns the zigzag index of the last nonzero coefficient
// (0: DC only), or -1 for entropy data that is not valid.
int JpegDecoder::Impl::DecodeBlock(Component &comp, int coef[64]) {
    const UINT16 *q = quant[comp.nQuant];

    const int s = reader.DecodeSymbol(dcTables[comp.nDcTable]);
    if (s < 0 || s > 11) return -1;
    int nPred = comp.nDcPred + reader.ReceiveExtend(s);
    if (nPred > kMaxDcPred) nPred = kMaxDcPred;
    if (nPred < -kMaxDcPred) nPred = -kMaxDcPred;
    comp.nDcPred = nPred;
    int v = nPred * q[0];
    coef[0] = v > kMaxCoef ? kMaxCoef : (v < -kMaxCoef ? -kMaxCoef : v);

    const JpegHuffTable &ac = acTables[comp.nAcTable];
    int nLast = 0;
    for (int k = 1; k < 64;) {
        const LONG lFast = reader.PeekFastAc(ac);
        if (lFast) {
            reader.Skip(lFast & 15);
            k += (lFast >> 4) & 15;
            if (k > 63) return -1;
            v = (lFast >> 8) * q[k];
        } else {
            const int rs = reader.DecodeSymbol(ac);
            if (rs < 0) return -1;
            const int r = rs >> 4;
            const int size = rs & 15;
            if (size == 0) {
                if (r != 15) break;  // end of block
                k += 16;
                continue;
            }
            k += r;
            if (k > 63 || size > 10) return -1;
            v = reader.ReceiveExtend(size) * q[k];
        }
        coef[kJpegZigzag[k]] = v > kMaxCoef ? kMaxCoef : (v < -kMaxCoef ? -kMaxCoef : v);
        nLast = k;
        ++k;
    }
    return nLast;
}

HRESULT JpegDecoder::Impl::DecodeScan(const BYTE *pScan, const BYTE *pEnd, const JpegPixelTarget &target) {
    HRESULT hr = AllocateStrips();
    if (FAILED(hr)) return hr;

    const LONG lMcuWidth = 8 * nHMax;
    const LONG lMcuHeight = 8 * nVMax;
    const LONG lMcusX = (info.lWidth + lMcuWidth - 1) / lMcuWidth;
    const LONG lMcusY = (info.lHeight + lMcuHeight - 1) / lMcuHeight;
    // Rows past the target need no decoding.
    const LONG lRowsWanted = target.lHeight < info.lHeight ? target.lHeight : info.lHeight;
    const LONG lMcuRowsWanted = (lRowsWanted + lMcuHeight - 1) / lMcuHeight;

    for (int i = 0; i < info.nComponents; ++i) comps[i].nDcPred = 0;
    reader.Start(pScan, pEnd);
    UINT uToRestart = info.uRestartInterval;
    int nNextRestart = 0;

    int coef[64];
    for (LONG my = 0; my < lMcusY && my < lMcuRowsWanted; ++my) {
        for (LONG mx = 0; mx < lMcusX; ++mx) {
            if (info.uRestartInterval) {
                if (uToRestart == 0) {
                    hr = reader.Restart(nNextRestart);
                    if (FAILED(hr)) return hr;
                    nNextRestart = (nNextRestart + 1) & 7;
                    for (int i = 0; i < info.nComponents; ++i) comps[i].nDcPred = 0;
                    uToRestart = info.uRestartInterval;
                }
                --uToRestart;
            }
            for (int i = 0; i < info.nComponents; ++i) {
                Component &c = comps[scanOrder[i]];
                for (int by = 0; by < c.nV; ++by) {
                    for (int bx = 0; bx < c.nH; ++bx) {
                        memset(coef, 0, sizeof(coef));
                        const int nLast = DecodeBlock(c, coef);
                        if (nLast < 0) return JPEG_E_CORRUPT;
                        BYTE *pOut = c.pStrip + by * 8 * c.lStripStride + (mx * c.nH + bx) * 8;
                        if (nLast == 0)
                            JpegIdctDcOnly(coef[0], pOut, c.lStripStride);
                        else
                            JpegIdct8x8(coef, pOut, c.lStripStride);
                    }
                }
            }
        }
        if (reader.Overrun()) return reader.AtEnd() ? JPEG_E_TRUNCATED : JPEG_E_CORRUPT;
        ConvertStrip(my * lMcuHeight, target);
    }
    return S_OK;
}

namespace {

template <int BPP>
inline void PutPixel(BYTE *pDst, const BYTE *pClamp, int y, int r, int g, int b) {
    pDst[0] = pClamp[y + b];
    pDst[1] = pClamp[y + g];
    pDst[2] = pClamp[y + r];
    if (BPP == 4) pDst[3] = 0;
}

template <int BPP>
void ConvertRowYCbCr(const BYTE *pY, const BYTE *pCb, const BYTE *pCr, int nCbShift, int nCrShift, LONG lWidth,
                     BYTE *pDst) {
    const ColorTables &t = kColorTables;
    const BYTE *pClamp = t.clamp + 256;
    if (nCbShift == 1 && nCrShift == 1) {
        // 4:2:2 and 4:2:0: one chroma sample for each pair of pixels.
        LONG x = 0;
        for (; x + 1 < lWidth; x += 2, pDst += 2 * BPP) {
            const int cb = pCb[x >> 1];
            const int cr = pCr[x >> 1];
            const int r = t.crR[cr];
            const int g = (t.cbG[cb] + t.crG[cr]) >> 16;
            const int b = t.cbB[cb];
            PutPixel<BPP>(pDst, pClamp, pY[x], r, g, b);
            PutPixel<BPP>(pDst + BPP, pClamp, pY[x + 1], r, g, b);
        }
        if (x < lWidth) {
            const int cb = pCb[x >> 1];
            const int cr = pCr[x >> 1];
            PutPixel<BPP>(pDst, pClamp, pY[x], t.crR[cr], (t.cbG[cb] + t.crG[cr]) >> 16, t.cbB[cb]);
        }
        return;
    }
    for (LONG x = 0; x < lWidth; ++x, pDst += BPP) {
        const int cb = pCb[x >> nCbShift];
        const int cr = pCr[x >> nCrShift];
        PutPixel<BPP>(pDst, pClamp, pY[x], t.crR[cr], (t.cbG[cb] + t.crG[cr]) >> 16, t.cbB[cb]);
    }
}

template <int BPP>
void ConvertRowGrey(const BYTE *pY, LONG lWidth, BYTE *pDst) {
    for (LONG x = 0; x < lWidth; ++x) {
        pDst[0] = pDst[1] = pDst[2] = pY[x];
        if (BPP == 4) pDst[3] = 0;
        pDst += BPP;
    }
}

}  // namespace

// Writes the image rows held in the strips (starting at image row lTopRow)
// into the target, upsampling chroma by repetition.
void JpegDecoder::Impl::ConvertStrip(LONG lTopRow, const JpegPixelTarget &target) const {
    const LONG lWidth = target.lWidth < info.lWidth ? target.lWidth : info.lWidth;
    const LONG lImageBottom = target.lHeight < info.lHeight ? target.lHeight : info.lHeight;
    const LONG lRows = 8 * nVMax;
    for (LONG r = 0; r < lRows && lTopRow + r < lImageBottom; ++r) {
        BYTE *pDst = target.pTopRow + static_cast<LONG_PTR>(lTopRow + r) * target.lStride;
        const Component &y = comps[0];
        const BYTE *pY = y.pStrip + (r >> y.nVShift) * y.lStripStride;
        if (info.nComponents == 1) {
            if (target.nBytesPerPixel == 4)
                ConvertRowGrey<4>(pY, lWidth, pDst);
            else
                ConvertRowGrey<3>(pY, lWidth, pDst);
            continue;
        }
        // Luma is at full resolution in every supported layout (H and V max).
        const Component &cb = comps[1];
        const Component &cr = comps[2];
        const BYTE *pCb = cb.pStrip + (r >> cb.nVShift) * cb.lStripStride;
        const BYTE *pCr = cr.pStrip + (r >> cr.nVShift) * cr.lStripStride;
        if (target.nBytesPerPixel == 4)
            ConvertRowYCbCr<4>(pY, pCb, pCr, cb.nHShift, cr.nHShift, lWidth, pDst);
        else
            ConvertRowYCbCr<3>(pY, pCb, pCr, cb.nHShift, cr.nHShift, lWidth, pDst);
    }
}

JpegDecoder::JpegDecoder() : m_pImpl(new (std::nothrow) Impl()) {}

JpegDecoder::~JpegDecoder() { delete m_pImpl; }

HRESULT JpegDecoder::ReadInfo(const BYTE *pData, size_t cbData, JpegFrameInfo *pInfo) {
    if (!pInfo) return E_INVALIDARG;
    if (!m_pImpl) return E_OUTOFMEMORY;
    const BYTE *pScan = nullptr;
    memset(&m_pImpl->info, 0, sizeof(m_pImpl->info));
    const HRESULT hr = m_pImpl->ParseHeaders(pData, cbData, &pScan);
    if (FAILED(hr)) return hr;
    *pInfo = m_pImpl->info;
    return S_OK;
}

HRESULT JpegDecoder::Decode(const BYTE *pData, size_t cbData, const JpegPixelTarget &target) {
    if (!target.pTopRow || (target.nBytesPerPixel != 3 && target.nBytesPerPixel != 4) || target.lWidth <= 0 ||
        target.lHeight <= 0)
        return E_INVALIDARG;
    if (!m_pImpl) return E_OUTOFMEMORY;
    const BYTE *pScan = nullptr;
    memset(&m_pImpl->info, 0, sizeof(m_pImpl->info));
    HRESULT hr = m_pImpl->ParseHeaders(pData, cbData, &pScan);
    if (FAILED(hr)) return hr;
    return m_pImpl->DecodeScan(pScan, pData + cbData, target);
}
