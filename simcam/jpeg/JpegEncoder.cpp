// JpegEncoder.cpp - baseline JPEG encoder for packed YUY2 pictures.
//
// Per MCU of 16x8 pixels: four 8x8 blocks (Y left, Y right, Cb, Cr) are
// level-shifted through a lookup table, transformed with the Arai-Agui-
// Nakajima factorisation of the DCT (its output scale is folded into the
// quantisation multipliers), quantised and Huffman coded from precomputed
// code tables through a 64-bit bit accumulator.
#include "JpegEncoder.h"

#include <stdlib.h>
#include <string.h>

#include "JpegTables.h"

namespace {

// Worst case of one MCU in the output: four blocks of at most
// 16 + 11 (DC) + 63 * (16 + 10) (AC) + 16 (EOB) bits, every byte stuffed,
// plus what the accumulator holds.
const DWORD kMaxMcuBytes = 1800;

struct HuffCodes {
    DWORD code[256];
    BYTE size[256];
};

struct EncoderTables {
    HuffCodes dc[2];  // luma, chroma
    HuffCodes ac[2];
    BYTE nbits[2048];  // bit length of a magnitude
};

void BuildHuffCodes(const JpegHuffmanSpec &table, HuffCodes *pCodes) {
    memset(pCodes, 0, sizeof(*pCodes));
    DWORD code = 0;
    int k = 0;
    for (int len = 1; len <= 16; ++len) {
        for (int i = 0; i < table.bits[len - 1]; ++i) {
            const BYTE symbol = table.vals[k++];
            pCodes->code[symbol] = code++;
            pCodes->size[symbol] = static_cast<BYTE>(len);
        }
        code <<= 1;
    }
}

EncoderTables BuildEncoderTables() {
    EncoderTables t;
    BuildHuffCodes(kJpegLumaDc, &t.dc[0]);
    BuildHuffCodes(kJpegChromaDc, &t.dc[1]);
    BuildHuffCodes(kJpegLumaAc, &t.ac[0]);
    BuildHuffCodes(kJpegChromaAc, &t.ac[1]);
    t.nbits[0] = 0;
    for (int v = 1; v < 2048; ++v) {
        int n = 0;
        while ((v >> n) != 0) ++n;
        t.nbits[v] = static_cast<BYTE>(n);
    }
    return t;
}

const EncoderTables &Tables() {
    static const EncoderTables kTables = BuildEncoderTables();  // thread-safe initialisation
    return kTables;
}

// Output scale of the AAN transform per frequency: cos(k*pi/16) * sqrt(2), 1 for k = 0.
const float kAanScale[8] = {1.0f, 1.387039845f, 1.306562965f, 1.175875602f,
                            1.0f, 0.785694958f, 0.541196100f, 0.275899379f};

// One-dimensional AAN forward DCT over 8 values spaced step apart, in place.
inline void Fdct8(float *d, int step) {
    const float t0 = d[0 * step] + d[7 * step], t7 = d[0 * step] - d[7 * step];
    const float t1 = d[1 * step] + d[6 * step], t6 = d[1 * step] - d[6 * step];
    const float t2 = d[2 * step] + d[5 * step], t5 = d[2 * step] - d[5 * step];
    const float t3 = d[3 * step] + d[4 * step], t4 = d[3 * step] - d[4 * step];

    const float e10 = t0 + t3, e13 = t0 - t3, e11 = t1 + t2, e12 = t1 - t2;
    d[0 * step] = e10 + e11;
    d[4 * step] = e10 - e11;
    const float z1 = (e12 + e13) * 0.707106781f;
    d[2 * step] = e13 + z1;
    d[6 * step] = e13 - z1;

    const float o10 = t4 + t5, o11 = t5 + t6, o12 = t6 + t7;
    const float z5 = (o10 - o12) * 0.382683433f;
    const float z2 = 0.541196100f * o10 + z5;
    const float z4 = 1.306562965f * o12 + z5;
    const float z3 = o11 * 0.707106781f;
    const float z11 = t7 + z3, z13 = t7 - z3;
    d[5 * step] = z13 + z2;
    d[3 * step] = z13 - z2;
    d[1 * step] = z11 + z4;
    d[7 * step] = z11 - z4;
}

// Rounds to the nearest integer, halves away from -inf; valid for |x| < 16384.
inline int RoundToInt(float x) { return static_cast<int>(x + 16384.5f) - 16384; }

class BitWriter {
public:
    BitWriter(BYTE *p, BYTE *pEnd) : m_p(p), m_pEnd(pEnd), m_acc(0), m_count(0) {}

    // n <= 27 bits, already masked.
    void Put(DWORD bits, int n) {
        m_acc = (m_acc << n) | bits;
        m_count += n;
        if (m_count >= 32) {
            m_count -= 32;
            const DWORD w = static_cast<DWORD>(m_acc >> m_count);
            // A byte of 0xFF in w has to be followed by a stuffed 0.
            const DWORD inv = ~w;
            if (((inv - 0x01010101u) & ~inv & 0x80808080u) == 0) {
                m_p[0] = static_cast<BYTE>(w >> 24);
                m_p[1] = static_cast<BYTE>(w >> 16);
                m_p[2] = static_cast<BYTE>(w >> 8);
                m_p[3] = static_cast<BYTE>(w);
                m_p += 4;
            } else {
                for (int shift = 24; shift >= 0; shift -= 8) PutStuffed(static_cast<BYTE>(w >> shift));
            }
        }
    }

    // Pads the last byte with 1 bits and writes what is left.
    void Flush() {
        while (m_count >= 8) {
            m_count -= 8;
            PutStuffed(static_cast<BYTE>(m_acc >> m_count));
        }
        if (m_count > 0) {
            const int pad = 8 - m_count;
            PutStuffed(static_cast<BYTE>(((m_acc << pad) | ((1u << pad) - 1)) & 0xFF));
            m_count = 0;
        }
    }

    bool HasRoomFor(DWORD cb) const { return static_cast<size_t>(m_pEnd - m_p) >= cb; }
    BYTE *Position() const { return m_p; }

private:
    void PutStuffed(BYTE b) {
        *m_p++ = b;
        if (b == 0xFF) *m_p++ = 0;
    }

    BYTE *m_p;
    BYTE *m_pEnd;
    unsigned long long m_acc;
    int m_count;
};

struct Component {
    const HuffCodes *pDc;
    const HuffCodes *pAc;
    const float *pMultipliers;  // zigzag order
    int predictor;
};

// Transforms, quantises and codes one block of level-shifted samples.
void EncodeBlock(float *block, Component *pComp, const BYTE *nbits, BitWriter *pWriter) {
    for (int row = 0; row < 8; ++row) Fdct8(block + row * 8, 1);
    for (int col = 0; col < 8; ++col) Fdct8(block + col, 8);

    int coef[64];
    int last = 0;
    for (int k = 0; k < 64; ++k) {
        coef[k] = RoundToInt(block[kJpegZigzag[k]] * pComp->pMultipliers[k]);
        if (coef[k] != 0) last = k;
    }

    int diff = coef[0] - pComp->predictor;
    pComp->predictor = coef[0];
    int mag = diff < 0 ? -diff : diff;
    if (mag > 2047) mag = 2047;
    int n = nbits[mag];
    DWORD value = static_cast<DWORD>(diff < 0 ? diff - 1 : diff) & ((1u << n) - 1);
    pWriter->Put((pComp->pDc->code[n] << n) | value, pComp->pDc->size[n] + n);

    const HuffCodes &ac = *pComp->pAc;
    int run = 0;
    for (int k = 1; k <= last; ++k) {
        const int v = coef[k];
        if (v == 0) {
            ++run;
            continue;
        }
        while (run > 15) {
            pWriter->Put(ac.code[0xF0], ac.size[0xF0]);
            run -= 16;
        }
        mag = v < 0 ? -v : v;
        if (mag > 1023) mag = 1023;
        n = nbits[mag];
        value = static_cast<DWORD>(v < 0 ? v - 1 : v) & ((1u << n) - 1);
        const int symbol = (run << 4) | n;
        pWriter->Put((ac.code[symbol] << n) | value, ac.size[symbol] + n);
        run = 0;
    }
    if (last < 63) pWriter->Put(ac.code[0x00], ac.size[0x00]);
}

// Multipliers that turn AAN output into quantised coefficients, zigzag order.
void BuildMultipliers(const BYTE quant[64], float multipliers[64]) {
    for (int k = 0; k < 64; ++k) {
        const int natural = kJpegZigzag[k];
        const float scale = kAanScale[natural / 8] * kAanScale[natural % 8] * 8.0f;
        multipliers[k] = 1.0f / (quant[natural] * scale);
    }
}

// Level shift per sample value: luma [0] and chroma [1].
void BuildLevelTables(BOOL studioRange, float levels[2][256]) {
    for (int v = 0; v < 256; ++v) {
        if (!studioRange) {
            levels[0][v] = static_cast<float>(v - 128);
            levels[1][v] = static_cast<float>(v - 128);
            continue;
        }
        float y = (v - 16) * (255.0f / 219.0f);
        if (y < 0.0f) y = 0.0f;
        if (y > 255.0f) y = 255.0f;
        levels[0][v] = y - 128.0f;
        float c = (v - 128) * (255.0f / 224.0f);
        if (c < -128.0f) c = -128.0f;
        if (c > 127.0f) c = 127.0f;
        levels[1][v] = c;
    }
}

class HeaderWriter {
public:
    explicit HeaderWriter(BYTE *p) : m_p(p) {}
    void Byte(int b) { *m_p++ = static_cast<BYTE>(b); }
    void Word(int w) {
        Byte(w >> 8);
        Byte(w & 0xFF);
    }
    void Bytes(const BYTE *p, int cb) {
        memcpy(m_p, p, cb);
        m_p += cb;
    }
    BYTE *Position() const { return m_p; }

private:
    BYTE *m_p;
};

int HuffSpecBytes(const JpegHuffmanSpec &table) { return 1 + 16 + table.valCount; }

void WriteHuffSpec(HeaderWriter *pW, int tableClassAndId, const JpegHuffmanSpec &table) {
    pW->Byte(tableClassAndId);
    pW->Bytes(table.bits, 16);
    pW->Bytes(table.vals, table.valCount);
}

// Everything up to and including SOS; JPEG_HEADER_BYTES long.
BYTE *WriteHeaders(BYTE *p, LONG width, LONG height, const BYTE lumaQuant[64], const BYTE chromaQuant[64]) {
    HeaderWriter w(p);
    w.Word(0xFFD8);  // SOI

    static const BYTE kJfif[] = {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
    w.Word(0xFFE0);  // APP0
    w.Word(2 + sizeof(kJfif));
    w.Bytes(kJfif, sizeof(kJfif));

    w.Word(0xFFDB);  // DQT, both tables, 8-bit, zigzag order
    w.Word(2 + 2 * 65);
    const BYTE *tables[2] = {lumaQuant, chromaQuant};
    for (int t = 0; t < 2; ++t) {
        w.Byte(t);
        for (int k = 0; k < 64; ++k) w.Byte(tables[t][kJpegZigzag[k]]);
    }

    w.Word(0xFFC0);  // SOF0
    w.Word(8 + 3 * 3);
    w.Byte(8);
    w.Word(height);
    w.Word(width);
    w.Byte(3);
    w.Byte(1);
    w.Byte(0x21);
    w.Byte(0);  // Y: 2x1, table 0
    w.Byte(2);
    w.Byte(0x11);
    w.Byte(1);  // Cb
    w.Byte(3);
    w.Byte(0x11);
    w.Byte(1);  // Cr

    w.Word(0xFFC4);  // DHT, all four tables
    w.Word(2 + HuffSpecBytes(kJpegLumaDc) + HuffSpecBytes(kJpegLumaAc) + HuffSpecBytes(kJpegChromaDc) +
           HuffSpecBytes(kJpegChromaAc));
    WriteHuffSpec(&w, 0x00, kJpegLumaDc);
    WriteHuffSpec(&w, 0x10, kJpegLumaAc);
    WriteHuffSpec(&w, 0x01, kJpegChromaDc);
    WriteHuffSpec(&w, 0x11, kJpegChromaAc);

    w.Word(0xFFDA);  // SOS
    w.Word(6 + 2 * 3);
    w.Byte(3);
    w.Byte(1);
    w.Byte(0x00);
    w.Byte(2);
    w.Byte(0x11);
    w.Byte(3);
    w.Byte(0x11);
    w.Byte(0);
    w.Byte(63);
    w.Byte(0);
    return w.Position();
}

// Row pointers of one MCU row, the last row repeated past the bottom.
void McuRows(const BYTE *const *ppRows, LONG height, LONG y0, const BYTE *rows[8]) {
    for (int r = 0; r < 8; ++r) rows[r] = ppRows[y0 + r < height ? y0 + r : height - 1];
}

// Fills the four blocks of the MCU from 8 rows of 8 YUY2 groups (16 pixels).
void GatherMcu(const BYTE *const groupRows[8], const float levels[2][256], float *y0, float *y1, float *cb, float *cr) {
    for (int r = 0; r < 8; ++r) {
        const BYTE *s = groupRows[r];
        float *left = y0 + r * 8;
        float *right = y1 + r * 8;
        for (int g = 0; g < 4; ++g) {
            left[2 * g] = levels[0][s[4 * g]];
            left[2 * g + 1] = levels[0][s[4 * g + 2]];
            right[2 * g] = levels[0][s[16 + 4 * g]];
            right[2 * g + 1] = levels[0][s[16 + 4 * g + 2]];
        }
        for (int g = 0; g < 8; ++g) {
            cb[r * 8 + g] = levels[1][s[4 * g + 1]];
            cr[r * 8 + g] = levels[1][s[4 * g + 3]];
        }
    }
}

// Row pointers to the 8 YUY2 groups of the MCU that starts at firstGroup.
// The right-most MCU of a width that is not a multiple of 16 repeats the
// last group, copied into padded.
void McuGroupRows(const BYTE *const rows[8], LONG firstGroup, LONG groupsPerRow, BYTE padded[8][32],
                  const BYTE *groupRows[8]) {
    if (firstGroup + 8 <= groupsPerRow) {
        for (int r = 0; r < 8; ++r) groupRows[r] = rows[r] + firstGroup * 4;
        return;
    }
    for (int r = 0; r < 8; ++r) {
        for (int g = 0; g < 8; ++g) {
            LONG src = firstGroup + g;
            if (src >= groupsPerRow) src = groupsPerRow - 1;
            memcpy(padded[r] + g * 4, rows[r] + src * 4, 4);
        }
        groupRows[r] = padded[r];
    }
}

}  // namespace

DWORD JpegEncodeYuy2(const BYTE *pSrc, LONG width, LONG height, LONG stride, BOOL studioRange, int quality, BYTE *pDst,
                     DWORD cbDst) {
    if (!pSrc || width <= 0 || width > JPEG_MAX_DIMENSION || height <= 0 || height > JPEG_MAX_DIMENSION ||
        stride < width * 2) {
        return 0;
    }
    const BYTE **ppRows = static_cast<const BYTE **>(malloc(static_cast<size_t>(height) * sizeof(BYTE *)));
    if (!ppRows) return 0;
    for (LONG y = 0; y < height; ++y) ppRows[y] = pSrc + static_cast<size_t>(y) * stride;
    const DWORD cb = JpegEncodeYuy2Rows(ppRows, width, height, studioRange, quality, pDst, cbDst);
    free(ppRows);
    return cb;
}

DWORD JpegEncodeYuy2Rows(const BYTE *const *ppRows, LONG width, LONG height, BOOL studioRange, int quality, BYTE *pDst,
                         DWORD cbDst) {
    if (!ppRows || !pDst || width <= 0 || height <= 0 || (width & 1) != 0 || width > JPEG_MAX_DIMENSION ||
        height > JPEG_MAX_DIMENSION) {
        return 0;
    }
    if (cbDst < JPEG_HEADER_BYTES + kMaxMcuBytes + 2) return 0;

    const EncoderTables &tables = Tables();
    BYTE lumaQuant[64], chromaQuant[64];
    JpegScaleQuant(kJpegLumaQuant, quality, lumaQuant);
    JpegScaleQuant(kJpegChromaQuant, quality, chromaQuant);
    float lumaMul[64], chromaMul[64];
    BuildMultipliers(lumaQuant, lumaMul);
    BuildMultipliers(chromaQuant, chromaMul);
    float levels[2][256];
    BuildLevelTables(studioRange, levels);

    BYTE *p = WriteHeaders(pDst, width, height, lumaQuant, chromaQuant);
    // Room for EOI is kept back from the entropy-coded data.
    BitWriter writer(p, pDst + cbDst - 2);

    Component y = {&tables.dc[0], &tables.ac[0], lumaMul, 0};
    Component cb = {&tables.dc[1], &tables.ac[1], chromaMul, 0};
    Component cr = {&tables.dc[1], &tables.ac[1], chromaMul, 0};

    const LONG mcuCols = (width + 15) / 16;
    const LONG mcuRows = (height + 7) / 8;
    const LONG groupsPerRow = width / 2;
    float blockY0[64], blockY1[64], blockCb[64], blockCr[64];
    BYTE padded[8][32];  // the right-most MCU when the width is not a multiple of 16
    const BYTE *rows[8];
    const BYTE *groupRows[8];

    for (LONG my = 0; my < mcuRows; ++my) {
        McuRows(ppRows, height, my * 8, rows);
        for (LONG mx = 0; mx < mcuCols; ++mx) {
            if (!writer.HasRoomFor(kMaxMcuBytes)) return 0;
            McuGroupRows(rows, mx * 8, groupsPerRow, padded, groupRows);
            GatherMcu(groupRows, levels, blockY0, blockY1, blockCb, blockCr);
            EncodeBlock(blockY0, &y, tables.nbits, &writer);
            EncodeBlock(blockY1, &y, tables.nbits, &writer);
            EncodeBlock(blockCb, &cb, tables.nbits, &writer);
            EncodeBlock(blockCr, &cr, tables.nbits, &writer);
        }
    }
    writer.Flush();
    p = writer.Position();
    *p++ = 0xFF;  // EOI
    *p++ = 0xD9;
    return static_cast<DWORD>(p - pDst);
}
