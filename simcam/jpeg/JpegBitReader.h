// JpegBitReader.h - Huffman tables and the bit reader of a JPEG scan's
// entropy-coded data: byte stuffing (FF 00), markers inside the data, and
// detection of a scan that runs past its data.
#ifndef KOR_SIMCAM_JPEG_JPEGBITREADER_H
#define KOR_SIMCAM_JPEG_JPEGBITREADER_H

#include <windows.h>

// Codes of up to this many bits are decoded with one table look-up.
#define JPEG_HUFF_LOOKAHEAD 9

struct JpegHuffTable {
    BYTE lookLength[1 << JPEG_HUFF_LOOKAHEAD];  // 0: the code is longer
    BYTE lookSymbol[1 << JPEG_HUFF_LOOKAHEAD];
    // For AC tables: a coefficient whose code and magnitude bits both fit
    // the look-ahead, decoded at once: value << 8 | run << 4 | bits used.
    // 0 where that does not apply (longer codes, end of block, ZRL).
    LONG fastAc[1 << JPEG_HUFF_LOOKAHEAD];
    LONG maxCode[17];    // largest code of each length, -1 when there is none
    LONG valOffset[17];  // code + valOffset[length] indexes symbols
    BYTE symbols[256];
    BOOL bDefined;
};

// Builds a decoding table from DHT-style counts (bits[i] codes of length
// i + 1) and symbols. FALSE when the counts do not describe a prefix code or
// do not match nSymbols; the table is then left undefined.
BOOL JpegBuildHuffTable(const BYTE bits[16], const BYTE *pSymbols, int nSymbols, JpegHuffTable *pTable);

class JpegBitReader {
public:
    void Start(const BYTE *pData, const BYTE *pEnd);

    // Next Huffman symbol, or -1 when the bits match no code of the table.
    int DecodeSymbol(const JpegHuffTable &table) {
        if (m_nCount < 16) Fill();
        const UINT uIndex = static_cast<UINT>(m_uBits >> (kBufferBits - JPEG_HUFF_LOOKAHEAD));
        const int nLength = table.lookLength[uIndex];
        if (nLength) {
            Skip(nLength);
            return table.lookSymbol[uIndex];
        }
        const LONG lCode16 = static_cast<LONG>(m_uBits >> (kBufferBits - 16));
        for (int nLen = JPEG_HUFF_LOOKAHEAD + 1; nLen <= 16; ++nLen) {
            const LONG lCode = lCode16 >> (16 - nLen);
            if (lCode <= table.maxCode[nLen]) {
                Skip(nLen);
                return table.symbols[lCode + table.valOffset[nLen]];
            }
        }
        return -1;
    }

    // The table's fastAc entry for the next bits (0: decode the slow way).
    // A nonzero entry's bits must then be skipped with Skip(entry & 15).
    LONG PeekFastAc(const JpegHuffTable &table) {
        if (m_nCount < 16) Fill();
        return table.fastAc[m_uBits >> (kBufferBits - JPEG_HUFF_LOOKAHEAD)];
    }

    // Reads an s-bit magnitude category value and sign-extends it (F.2.2.1).
    int ReceiveExtend(int s) {
        if (s == 0) return 0;
        if (m_nCount < s) Fill();
        const int v = static_cast<int>(m_uBits >> (kBufferBits - s));
        Skip(s);
        return v < (1 << (s - 1)) ? v - (1 << s) + 1 : v;
    }

    void Skip(int n) {
        m_uBits <<= n;
        m_nCount -= n;
    }

    // TRUE once decoding has used bits that are not in the data (past its end
    // or past a marker): the scan is truncated or corrupt.
    BOOL Overrun() const { return m_nPadBits > m_nCount; }
    // TRUE when the data ended rather than a marker cutting the scan short.
    BOOL AtEnd() const { return m_p >= m_pEnd || (m_p + 1 >= m_pEnd && *m_p == 0xFF); }

    // Drops the buffered bits and consumes the restart marker RSTn expected
    // next. S_OK, or JPEG_E_CORRUPT / JPEG_E_TRUNCATED.
    HRESULT Restart(int n);

private:
    // The bit buffer is a machine word: 64 bits on x64, 32 on x86.
    static const int kBufferBits = static_cast<int>(sizeof(ULONG_PTR) * 8);

    void Fill();

    const BYTE *m_p = nullptr;
    const BYTE *m_pEnd = nullptr;
    ULONG_PTR m_uBits = 0;    // next bit is the top bit
    int m_nCount = 0;         // valid bits in m_uBits
    int m_nPadBits = 0;       // zero bits fed after the data stopped
    BOOL m_bStopped = FALSE;  // at a marker or at the end
};

#endif  // KOR_SIMCAM_JPEG_JPEGBITREADER_H
