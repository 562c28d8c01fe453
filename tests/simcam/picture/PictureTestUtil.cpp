// PictureTestUtil.cpp - inputs and measurements shared by the picture tests.
#include "PictureTestUtil.h"

#include <gtest/gtest.h>
#include <stdlib.h>

SimPictureInput DefaultInput() { return SimDefaultPictureInput(120); }

std::vector<BYTE> Render(const SimPictureInput &input, DWORD subtype, LONG width, LONG height) {
    const DWORD cb = SimFrameBufferSize(subtype, width, height);
    EXPECT_NE(0u, cb);
    std::vector<BYTE> bytes(cb);
    const DWORD written = SimRenderFrame(input, subtype, width, height, bytes.data(), cb);
    EXPECT_NE(0u, written);
    bytes.resize(written);
    return bytes;
}

Yuy2Frame Yuy2Frame::Of(const SimPictureInput &input, LONG width, LONG height) {
    return Yuy2Frame(Render(input, SIM_FOURCC_YUY2, width, height), width, height);
}

Yuv Yuy2Frame::At(LONG x, LONG y) const {
    const size_t pair = (static_cast<size_t>(y) * m_width + (x & ~1L)) * 2;
    Yuv p = {m_bytes[pair + ((x & 1) ? 2 : 0)], m_bytes[pair + 1], m_bytes[pair + 3]};
    return p;
}

Yuv Yuy2Frame::AtFraction(float fx, float fy) const {
    return At(static_cast<LONG>(fx * m_width), static_cast<LONG>(fy * m_height));
}

Yuv Yuy2Frame::Patch(int row, int col) const {
    // The documented centres: x 0.11 + 0.155 col, y 0.14 + 0.18 row.
    return AtFraction(0.11f + 0.155f * col, 0.14f + 0.18f * row);
}

double Yuy2Frame::MeanLuma(float left, float top, float right, float bottom) const {
    double sum = 0;
    long count = 0;
    for (LONG y = static_cast<LONG>(top * m_height); y < static_cast<LONG>(bottom * m_height); ++y) {
        for (LONG x = static_cast<LONG>(left * m_width); x < static_cast<LONG>(right * m_width); ++x) {
            sum += At(x, y).y;
            ++count;
        }
    }
    return count ? sum / count : 0.0;
}

double Yuy2Frame::Detail(float left, float top, float right, float bottom) const {
    double sum = 0;
    for (LONG y = static_cast<LONG>(top * m_height); y + 1 < static_cast<LONG>(bottom * m_height); ++y) {
        for (LONG x = static_cast<LONG>(left * m_width); x + 1 < static_cast<LONG>(right * m_width); ++x) {
            const int here = At(x, y).y;
            sum += abs(At(x + 1, y).y - here) + abs(At(x, y + 1).y - here);
        }
    }
    return sum;
}

double FocusDetail(const Yuy2Frame &frame) {
    return frame.Detail(0.04f, 0.47f, 0.36f, 0.81f) + frame.Detail(0.40f, 0.45f, 0.96f, 0.69f);
}

bool WriteBytes(const wchar_t *pszName, const std::vector<BYTE> &bytes) {
    HANDLE hFile = CreateFileW(pszName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return false;
    DWORD cbWritten = 0;
    const BOOL ok = WriteFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &cbWritten, nullptr);
    CloseHandle(hFile);
    return ok && cbWritten == bytes.size();
}

JpegLayout ParseJpeg(const std::vector<BYTE> &s) {
    JpegLayout layout;
    if (s.size() < 4 || s[0] != 0xFF || s[1] != 0xD8) return layout;
    layout.markers.push_back(0xD8);
    size_t pos = 2;
    for (;;) {
        if (pos + 4 > s.size() || s[pos] != 0xFF) return layout;
        const BYTE marker = s[pos + 1];
        const size_t length = (static_cast<size_t>(s[pos + 2]) << 8) | s[pos + 3];
        if (length < 2 || pos + 2 + length > s.size()) return layout;
        layout.markers.push_back(marker);
        const BYTE *seg = &s[pos + 4];
        const size_t cb = length - 2;
        if (marker == 0xDB) {
            for (size_t i = 0; i + 65 <= cb; i += 65) ++layout.quantTableCount;
        } else if (marker == 0xC0 && cb >= 6) {
            layout.precision = seg[0];
            layout.height = (seg[1] << 8) | seg[2];
            layout.width = (seg[3] << 8) | seg[4];
            layout.componentCount = seg[5];
            for (int c = 0; c < 3 && c < layout.componentCount && 6u + 3 * c + 2 < cb; ++c) {
                layout.componentIds[c] = seg[6 + 3 * c];
                layout.sampling[c] = seg[7 + 3 * c];
                layout.quantTables[c] = seg[8 + 3 * c];
            }
        } else if (marker == 0xC4) {
            size_t i = 0;
            while (i + 17 <= cb) {
                int count = 0;
                for (int k = 0; k < 16; ++k) count += seg[i + 1 + k];
                layout.huffmanTables.push_back(seg[i]);
                layout.huffmanSymbols.push_back(count);
                i += 17 + count;
            }
        }
        pos += 2 + length;
        if (marker == 0xDA) break;
    }
    layout.entropyStart = pos;
    // Entropy-coded data: 0xFF only as a stuffed 0xFF 0x00, up to EOI at the end.
    for (size_t i = pos; i + 1 < s.size(); ++i) {
        if (s[i] != 0xFF) continue;
        if (s[i + 1] == 0x00) {
            ++i;
            continue;
        }
        if (s[i + 1] == 0xD9 && i + 2 == s.size()) {
            layout.markers.push_back(0xD9);
            layout.wellFormed = true;
        }
        return layout;
    }
    return layout;
}
