// JpegBitReader.cpp - Huffman table construction and the bit reader's slow
// paths (see JpegBitReader.h).
#include "JpegBitReader.h"

#include <string.h>

#include "JpegDecoder.h"

BOOL JpegBuildHuffTable(const BYTE bits[16], const BYTE *pSymbols, int nSymbols, JpegHuffTable *pTable) {
    pTable->bDefined = FALSE;
    int nTotal = 0;
    for (int i = 0; i < 16; ++i) nTotal += bits[i];
    if (nTotal != nSymbols || nTotal > 256) return FALSE;

    memset(pTable->lookLength, 0, sizeof(pTable->lookLength));
    memcpy(pTable->symbols, pSymbols, static_cast<size_t>(nSymbols));

    // Canonical codes (C.2): consecutive values within a length, doubled on
    // each step to the next length.
    LONG lCode = 0;
    int k = 0;
    pTable->maxCode[0] = -1;
    pTable->valOffset[0] = 0;
    for (int nLen = 1; nLen <= 16; ++nLen) {
        pTable->valOffset[nLen] = k - lCode;
        for (int i = 0; i < bits[nLen - 1]; ++i) {
            if (lCode >= (1L << nLen)) return FALSE;
            if (nLen <= JPEG_HUFF_LOOKAHEAD) {
                const int nShift = JPEG_HUFF_LOOKAHEAD - nLen;
                const LONG lFirst = lCode << nShift;
                for (LONG j = 0; j < (1L << nShift); ++j) {
                    pTable->lookLength[lFirst + j] = static_cast<BYTE>(nLen);
                    pTable->lookSymbol[lFirst + j] = pSymbols[k];
                }
            }
            ++lCode;
            ++k;
        }
        pTable->maxCode[nLen] = bits[nLen - 1] ? lCode - 1 : -1;
        lCode <<= 1;
    }

    // Whole AC coefficients within the look-ahead: code, then magnitude bits.
    for (int i = 0; i < (1 << JPEG_HUFF_LOOKAHEAD); ++i) {
        pTable->fastAc[i] = 0;
        const int nLen = pTable->lookLength[i];
        const int rs = pTable->lookSymbol[i];
        const int nSize = rs & 15;
        if (nLen == 0 || nSize == 0 || nLen + nSize > JPEG_HUFF_LOOKAHEAD) continue;
        int v = (i >> (JPEG_HUFF_LOOKAHEAD - nLen - nSize)) & ((1 << nSize) - 1);
        if (v < (1 << (nSize - 1))) v -= (1 << nSize) - 1;
        pTable->fastAc[i] = static_cast<LONG>(v * 256 + (rs & 0xF0) + nLen + nSize);
    }
    pTable->bDefined = TRUE;
    return TRUE;
}

void JpegBitReader::Start(const BYTE *pData, const BYTE *pEnd) {
    m_p = pData;
    m_pEnd = pEnd;
    m_uBits = 0;
    m_nCount = 0;
    m_nPadBits = 0;
    m_bStopped = FALSE;
}

void JpegBitReader::Fill() {
    while (m_nCount <= kBufferBits - 8) {
        ULONG_PTR uByte = 0;
        if (!m_bStopped && m_p < m_pEnd) {
            if (*m_p != 0xFF) {
                uByte = *m_p++;
            } else if (m_p + 1 < m_pEnd && m_p[1] == 0x00) {
                uByte = 0xFF;  // stuffed data byte
                m_p += 2;
            } else {
                m_bStopped = TRUE;  // a marker (or FF as the last byte): stay on it
            }
        } else {
            m_bStopped = TRUE;
        }
        if (m_bStopped) m_nPadBits += 8;
        m_uBits |= uByte << (kBufferBits - 8 - m_nCount);
        m_nCount += 8;
    }
}

HRESULT JpegBitReader::Restart(int n) {
    m_uBits = 0;
    m_nCount = 0;
    m_nPadBits = 0;
    m_bStopped = FALSE;
    // The encoder ends the interval on a byte boundary, so the marker follows
    // at once; skip anything before it all the same.
    while (m_p + 1 < m_pEnd) {
        if (m_p[0] == 0xFF && m_p[1] != 0x00 && m_p[1] != 0xFF) {
            if (m_p[1] != 0xD0 + n) return JPEG_E_CORRUPT;
            m_p += 2;
            return S_OK;
        }
        ++m_p;
    }
    return JPEG_E_TRUNCATED;
}
