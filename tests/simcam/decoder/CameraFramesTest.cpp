// CameraFramesTest.cpp - the simulated camera's own frames through the
// registered decompressor: the same scene as YUY2 and as MJPG must show the
// same picture, and MJPG frames must decode fast enough for live preview.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>
#include <vfw.h>

#include <stdio.h>

#include <vector>

#include "CameraScene.h"
#include "TestPictures.h"
#include "Picture.h"

namespace {

// Decompresses one 640x480 frame to a bottom-up RGB32 DIB with the codec
// that ICLocate finds for its format.
class FrameDecoder {
public:
    explicit FrameDecoder(DWORD dwFourcc) {
        m_in.biSize = sizeof(m_in);
        m_in.biWidth = 640;
        m_in.biHeight = 480;
        m_in.biPlanes = 1;
        m_in.biBitCount = dwFourcc == SIM_FOURCC_YUY2 ? 16 : 24;
        m_in.biCompression = dwFourcc;
        m_out = m_in;
        m_out.biBitCount = 32;
        m_out.biCompression = BI_RGB;
        m_out.biSizeImage = 640 * 480 * 4;
        m_dib.resize(m_out.biSizeImage);
        m_hic = ICLocate(ICTYPE_VIDEO, dwFourcc, &m_in, &m_out, ICMODE_DECOMPRESS);
    }
    ~FrameDecoder() {
        if (m_hic) ICClose(m_hic);
    }
    bool IsOpen() const { return m_hic != nullptr; }

    LONG Decode(const std::vector<BYTE> &frame) {
        m_in.biSizeImage = static_cast<DWORD>(frame.size());
        return static_cast<LONG>(ICDecompress(m_hic, 0, &m_in, const_cast<BYTE *>(frame.data()), &m_out, m_dib.data()));
    }
    RgbPicture Picture() const { return FromBgr(m_dib.data() + 640 * 4 * 479, -640 * 4, 4, 640, 480); }

private:
    FrameDecoder(const FrameDecoder &) = delete;
    FrameDecoder &operator=(const FrameDecoder &) = delete;

    BITMAPINFOHEADER m_in = {};
    BITMAPINFOHEADER m_out = {};
    std::vector<BYTE> m_dib;
    HIC m_hic = nullptr;
};

TEST(CameraFrames, Yuy2AndMjpgOfOneSceneShowTheSamePicture) {
    const std::vector<BYTE> yuy2 = RenderCameraFrame(SIM_FOURCC_YUY2, 7);
    const std::vector<BYTE> mjpg = RenderCameraFrame(SIM_FOURCC_MJPG, 7);
    ASSERT_EQ(640u * 480u * 2u, yuy2.size());
    ASSERT_GT(mjpg.size(), 1000u);

    FrameDecoder yuy2Decoder(SIM_FOURCC_YUY2), mjpgDecoder(SIM_FOURCC_MJPG);
    ASSERT_TRUE(yuy2Decoder.IsOpen());
    ASSERT_TRUE(mjpgDecoder.IsOpen());
    ASSERT_EQ(ICERR_OK, yuy2Decoder.Decode(yuy2));
    ASSERT_EQ(ICERR_OK, mjpgDecoder.Decode(mjpg));

    const RgbPicture a = yuy2Decoder.Picture();
    const RgbPicture b = mjpgDecoder.Picture();
    // Only JPEG's quantisation separates them; a range or orientation
    // mistake on either path costs far more than this.
    const double dPsnr = Psnr(a, b);
    printf("YUY2 vs MJPG decode of the same frame: %.1f dB\n", dPsnr);
    EXPECT_GT(dPsnr, 30.0);
}

TEST(CameraFrames, MjpgFramesDecodeFastEnoughForThirtyPerSecond) {
    std::vector<std::vector<BYTE>> frames;
    size_t cbTotal = 0;
    for (DWORD i = 0; i < 8; ++i) {
        frames.push_back(RenderCameraFrame(SIM_FOURCC_MJPG, i * 4));
        cbTotal += frames.back().size();
    }
    FrameDecoder decoder(SIM_FOURCC_MJPG);
    ASSERT_TRUE(decoder.IsOpen());
    ASSERT_EQ(ICERR_OK, decoder.Decode(frames[0]));

    const int nRounds = 8;
    const double msStart = ThreadCpuMilliseconds();
    for (int r = 0; r < nRounds; ++r)
        for (const std::vector<BYTE> &frame : frames) ASSERT_EQ(ICERR_OK, decoder.Decode(frame));
    const double ms = (ThreadCpuMilliseconds() - msStart) / (nRounds * frames.size());
    printf("camera MJPG 640x480 (about %u bytes): %.2f ms CPU per frame\n",
           static_cast<unsigned>(cbTotal / frames.size()), ms);
    EXPECT_LT(ms, 10.0);
}

}  // namespace
