// JpegTables.h - the fixed tables of baseline JPEG, shared by the encoder and
// the decoder: zigzag order, the example quantisation tables and the standard
// Huffman tables (ITU-T T.81 Annex K).
#ifndef KOR_SIMCAM_JPEG_JPEGTABLES_H
#define KOR_SIMCAM_JPEG_JPEGTABLES_H

#include <windows.h>

// kJpegZigzag[k] is the natural (row-major) index of the k-th coefficient in
// zigzag order; kJpegNaturalToZigzag is its inverse.
extern const BYTE kJpegZigzag[64];
extern const BYTE kJpegNaturalToZigzag[64];

// Example quantisation tables for quality 50, natural (row-major) order.
extern const BYTE kJpegLumaQuant[64];
extern const BYTE kJpegChromaQuant[64];

// Standard Huffman tables as they appear in a DHT segment: bits[i] is the
// number of codes of length i + 1 (16 entries), vals the symbols in code order.
struct JpegHuffmanSpec {
    const BYTE *bits;  // 16 counts
    const BYTE *vals;  // sum(bits) symbols
    int valCount;
};

extern const JpegHuffmanSpec kJpegLumaDc;
extern const JpegHuffmanSpec kJpegLumaAc;
extern const JpegHuffmanSpec kJpegChromaDc;
extern const JpegHuffmanSpec kJpegChromaAc;

// Scales a base table to a quality of 1..100 the way the IJG library does
// (50 keeps the base table); values are clamped to 1..255 so the result fits
// an 8-bit DQT. Output in the same (natural) order as the input.
void JpegScaleQuant(const BYTE base[64], int quality, BYTE out[64]);

#endif  // KOR_SIMCAM_JPEG_JPEGTABLES_H
