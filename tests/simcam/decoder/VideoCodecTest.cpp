// VideoCodecTest.cpp - the video decompressor as applications reach it:
// through the Video Compression Manager (ICLocate, ICDecompress ...) with
// simcam.dll registered in the prefix, and its Drivers32 registration.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>
#include <vfw.h>

#include <string.h>

#include <string>
#include <vector>

#include "TestPictures.h"
#include "CodecRegistration.h"

namespace {

const DWORD kFccYuy2 = mmioFOURCC('Y', 'U', 'Y', '2');
const DWORD kFccMjpg = mmioFOURCC('M', 'J', 'P', 'G');
const WCHAR kDrivers32[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";

BITMAPINFOHEADER Header(DWORD dwCompression, LONG lWidth, LONG lHeight, WORD wBitCount, DWORD cbImage) {
    BITMAPINFOHEADER bih = {};
    bih.biSize = sizeof(bih);
    bih.biWidth = lWidth;
    bih.biHeight = lHeight;
    bih.biPlanes = 1;
    bih.biBitCount = wBitCount;
    bih.biCompression = dwCompression;
    bih.biSizeImage = cbImage;
    return bih;
}

BITMAPINFOHEADER Rgb(LONG lWidth, LONG lHeight, WORD wBitCount) {
    const LONG lStride = ((lWidth * wBitCount + 31) / 32) * 4;
    return Header(BI_RGB, lWidth, lHeight, wBitCount, static_cast<DWORD>(lStride * (lHeight < 0 ? -lHeight : lHeight)));
}

// An open decompressor found the way the AVI Decompressor finds one.
class OpenCodec {
public:
    explicit OpenCodec(const BITMAPINFOHEADER &in)
        : m_hic(ICLocate(ICTYPE_VIDEO, in.biCompression, const_cast<BITMAPINFOHEADER *>(&in), nullptr,
                         ICMODE_DECOMPRESS)) {}
    ~OpenCodec() {
        if (m_hic) ICClose(m_hic);
    }
    HIC Get() const { return m_hic; }

private:
    OpenCodec(const OpenCodec &) = delete;
    OpenCodec &operator=(const OpenCodec &) = delete;
    HIC m_hic;
};

// ICDecompress hands the driver's LRESULT back as a DWORD.
LONG Decompress(HIC hic, BITMAPINFOHEADER in, const void *pIn, BITMAPINFOHEADER out, void *pOut) {
    return static_cast<LONG>(ICDecompress(hic, 0, &in, const_cast<void *>(pIn), &out, pOut));
}

// --- Registration in the prefix ----------------------------------------------

std::wstring ReadDriverValue(const WCHAR *pszValue) {
    WCHAR szData[MAX_PATH] = L"";
    DWORD cb = sizeof(szData) - sizeof(WCHAR);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kDrivers32, pszValue, RRF_RT_REG_SZ, nullptr, szData, &cb) != ERROR_SUCCESS)
        return std::wstring();
    return szData;
}

bool NamesSimcam(const std::wstring &path) {
    const size_t nSlash = path.find_last_of(L"\\/");
    const std::wstring file = nSlash == std::wstring::npos ? path : path.substr(nSlash + 1);
    return lstrcmpiW(file.c_str(), L"simcam.dll") == 0;
}

TEST(VideoCodec, RegisteredAsTheInstallableDriverForYuy2AndMjpg) {
    const std::wstring yuy2 = ReadDriverValue(L"vidc.YUY2");
    const std::wstring mjpg = ReadDriverValue(L"vidc.MJPG");
    EXPECT_TRUE(NamesSimcam(yuy2)) << "vidc.YUY2 is '" << std::string(yuy2.begin(), yuy2.end()) << "'";
    EXPECT_TRUE(NamesSimcam(mjpg));
    EXPECT_EQ(std::wstring::npos, yuy2.find(L' ')) << "the driver loader cuts the value at a blank";
}

TEST(VideoCodec, IcLocateFindsItForBothFormats) {
    const BITMAPINFOHEADER inputs[] = {Header(kFccYuy2, 640, 480, 16, 640 * 480 * 2),
                                       Header(kFccMjpg, 640, 480, 24, 100000)};
    for (const BITMAPINFOHEADER &in : inputs) {
        OpenCodec codec(in);
        ASSERT_NE(nullptr, codec.Get());
        ICINFO info = {};
        info.dwSize = sizeof(info);
        ASSERT_EQ(static_cast<LRESULT>(sizeof(info)), ICGetInfo(codec.Get(), &info, sizeof(info)));
        EXPECT_STREQ(L"SimCam", info.szName);
        EXPECT_EQ(ICTYPE_VIDEO, info.fccType);

        // The AVI Decompressor asks with the media type's major type ('vids').
        BITMAPINFOHEADER copy = in;
        HIC hic = ICLocate(streamtypeVIDEO, in.biCompression, &copy, nullptr, ICMODE_DECOMPRESS);
        EXPECT_NE(nullptr, hic);
        if (hic) ICClose(hic);
    }
    // Nothing for a format it does not know, and no compressor.
    BITMAPINFOHEADER other = Header(mmioFOURCC('U', 'Y', 'V', 'Y'), 64, 64, 16, 64 * 64 * 2);
    HIC hic = ICLocate(ICTYPE_VIDEO, mmioFOURCC('U', 'Y', 'V', 'Y'), &other, nullptr, ICMODE_DECOMPRESS);
    if (hic) {
        ICINFO info = {};
        ICGetInfo(hic, &info, sizeof(info));
        EXPECT_STRNE(L"SimCam", info.szName);
        ICClose(hic);
    }
    BITMAPINFOHEADER rgb = Rgb(64, 64, 24);
    BITMAPINFOHEADER yuy2 = Header(kFccYuy2, 64, 64, 16, 64 * 64 * 2);
    hic = ICLocate(ICTYPE_VIDEO, kFccYuy2, &rgb, &yuy2, ICMODE_COMPRESS);
    if (hic) {
        ICINFO info = {};
        ICGetInfo(hic, &info, sizeof(info));
        EXPECT_STRNE(L"SimCam", info.szName);
        ICClose(hic);
    }
}

// --- Formats -------------------------------------------------------------------

TEST(VideoCodec, DecompressQueryAcceptsRgb24And32OfTheSameSizeOnly) {
    BITMAPINFOHEADER in = Header(kFccYuy2, 64, 48, 16, 64 * 48 * 2);
    OpenCodec codec(in);
    ASSERT_NE(nullptr, codec.Get());
    HIC hic = codec.Get();

    BITMAPINFOHEADER out;
    EXPECT_EQ(ICERR_OK, ICDecompressQuery(hic, &in, nullptr));
    for (WORD bits : {24, 32}) {
        out = Rgb(64, 48, bits);
        EXPECT_EQ(ICERR_OK, ICDecompressQuery(hic, &in, &out)) << bits;
        out = Rgb(64, -48, bits);
        EXPECT_EQ(ICERR_OK, ICDecompressQuery(hic, &in, &out)) << "top-down " << bits;
    }
    out = Rgb(64, 48, 16);
    EXPECT_NE(ICERR_OK, ICDecompressQuery(hic, &in, &out));
    out = Rgb(32, 48, 24);
    EXPECT_NE(ICERR_OK, ICDecompressQuery(hic, &in, &out));
    out = Header(kFccYuy2, 64, 48, 16, 64 * 48 * 2);
    EXPECT_NE(ICERR_OK, ICDecompressQuery(hic, &in, &out));

    BITMAPINFOHEADER odd = Header(kFccYuy2, 63, 48, 16, 0);
    EXPECT_NE(ICERR_OK, ICDecompressQuery(hic, &odd, nullptr)) << "YUY2 needs whole pixel pairs";
    BITMAPINFOHEADER mjpg = Header(kFccMjpg, 64, 48, 24, 5000);
    EXPECT_EQ(ICERR_OK, ICDecompressQuery(hic, &mjpg, nullptr)) << "one instance serves both formats";
    BITMAPINFOHEADER other = Header(mmioFOURCC('H', '2', '6', '4'), 64, 48, 24, 5000);
    EXPECT_NE(ICERR_OK, ICDecompressQuery(hic, &other, nullptr));

    // Begin judges the input only: Wine's AVI Decompressor begins with its
    // input format in place of the output. Frames still check both.
    EXPECT_EQ(ICERR_OK, static_cast<LONG>(ICDecompressBegin(hic, &in, &in)));
    EXPECT_NE(ICERR_OK, static_cast<LONG>(ICDecompressBegin(hic, &other, nullptr)));
    EXPECT_EQ(ICERR_OK, static_cast<LONG>(ICDecompressEnd(hic)));
}

TEST(VideoCodec, ProposesBottomUpRgb24) {
    BITMAPINFOHEADER in = Header(kFccMjpg, 640, 480, 24, 50000);
    OpenCodec codec(in);
    ASSERT_NE(nullptr, codec.Get());
    EXPECT_EQ(static_cast<LONG>(sizeof(BITMAPINFOHEADER)), ICDecompressGetFormatSize(codec.Get(), &in));
    BITMAPINFOHEADER out = {};
    ASSERT_EQ(ICERR_OK, ICDecompressGetFormat(codec.Get(), &in, &out));
    EXPECT_EQ(640, out.biWidth);
    EXPECT_EQ(480, out.biHeight);
    EXPECT_EQ(24, out.biBitCount);
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), out.biCompression);
    EXPECT_EQ(640u * 480u * 3u, out.biSizeImage);
}

// --- Frames ----------------------------------------------------------------------

TEST(VideoCodec, Yuy2FrameBecomesABottomUpDib) {
    // 4x2 YUY2: top row red, bottom row blue.
    const BYTE yuy2[2 * 8] = {81, 90, 81, 240, 81, 90, 81, 240, 41, 240, 41, 110, 41, 240, 41, 110};
    const BITMAPINFOHEADER in = Header(kFccYuy2, 4, 2, 16, sizeof(yuy2));
    OpenCodec codec(in);
    ASSERT_NE(nullptr, codec.Get());

    BYTE dib[2 * 16];
    memset(dib, 0xEE, sizeof(dib));
    ASSERT_EQ(ICERR_OK, Decompress(codec.Get(), in, yuy2, Rgb(4, 2, 32), dib));
    EXPECT_NEAR(255, dib[16 + 2], 2) << "red top row is last in memory";
    EXPECT_NEAR(0, dib[16 + 0], 2);
    EXPECT_NEAR(255, dib[0], 2) << "blue bottom row first";
    EXPECT_NEAR(0, dib[2], 2);

    memset(dib, 0xEE, sizeof(dib));
    ASSERT_EQ(ICERR_OK, Decompress(codec.Get(), in, yuy2, Rgb(4, -2, 32), dib));
    EXPECT_NEAR(255, dib[2], 2) << "a negative height asks for top-down";
}

TEST(VideoCodec, MjpgFrameMatchesTheReferenceDecoding) {
    const std::vector<BYTE> jpeg = LoadTestData(L"SCENE_420_JPG");
    RgbPicture reference;
    ASSERT_TRUE(ParsePnm(LoadTestData(L"SCENE_420_PPM"), &reference));
    const BITMAPINFOHEADER in = Header(kFccMjpg, 67, 45, 24, static_cast<DWORD>(jpeg.size()));
    OpenCodec codec(in);
    ASSERT_NE(nullptr, codec.Get());

    for (WORD bits : {24, 32}) {
        const BITMAPINFOHEADER out = Rgb(67, 45, bits);
        const LONG lStride = static_cast<LONG>(out.biSizeImage / 45);
        std::vector<BYTE> dib(out.biSizeImage);
        ASSERT_EQ(ICERR_OK, Decompress(codec.Get(), in, jpeg.data(), out, dib.data()));
        const RgbPicture pic = FromBgr(dib.data() + lStride * 44, -lStride, bits / 8, 67, 45);
        EXPECT_LE(MaxChannelDifference(pic, reference), 1) << bits;
    }
}

TEST(VideoCodec, DamagedOrIncompleteFramesAreReportedNotRead) {
    const std::vector<BYTE> jpeg = LoadTestData(L"SCENE_422_JPG");
    BITMAPINFOHEADER in = Header(kFccMjpg, 67, 45, 24, static_cast<DWORD>(jpeg.size() / 2));
    OpenCodec codec(in);
    ASSERT_NE(nullptr, codec.Get());
    const BITMAPINFOHEADER out = Rgb(67, 45, 24);
    std::vector<BYTE> dib(out.biSizeImage);

    // Half a JPEG: biSizeImage is the sample's length and bounds the read.
    EXPECT_EQ(ICERR_ERROR, Decompress(codec.Get(), in, jpeg.data(), out, dib.data()));
    in.biSizeImage = 0;
    EXPECT_EQ(ICERR_BADSIZE, Decompress(codec.Get(), in, jpeg.data(), out, dib.data()));
    std::vector<BYTE> garbage(4000, 0x5A);
    in.biSizeImage = static_cast<DWORD>(garbage.size());
    EXPECT_EQ(ICERR_ERROR, Decompress(codec.Get(), in, garbage.data(), out, dib.data()));

    // A YUY2 sample shorter than its frame.
    std::vector<BYTE> yuy2(67 * 45 * 2);
    const BITMAPINFOHEADER shortYuy2 = Header(kFccYuy2, 66, 45, 16, 66 * 44 * 2);
    EXPECT_EQ(ICERR_BADSIZE, Decompress(codec.Get(), shortYuy2, yuy2.data(), Rgb(66, 45, 24), dib.data()));
    // Output of another size than the input.
    in.biSizeImage = static_cast<DWORD>(jpeg.size());
    EXPECT_EQ(ICERR_BADFORMAT, Decompress(codec.Get(), in, jpeg.data(), Rgb(640, 480, 24), dib.data()));
    // And whole frames still decode afterwards.
    EXPECT_EQ(ICERR_OK, Decompress(codec.Get(), in, jpeg.data(), out, dib.data()));
}

// --- Registration steps (in a private stand-in for HKLM) -------------------------

class CodecRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                 &m_hScratch, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_hScratch));
    }
    void TearDown() override {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        if (m_hScratch) RegCloseKey(m_hScratch);
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
    }

    static void SetDriver(const WCHAR *pszValue, const WCHAR *pszData) {
        HKEY hKey = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kDrivers32, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                                 &hKey, nullptr));
        RegSetValueExW(hKey, pszValue, 0, REG_SZ, reinterpret_cast<const BYTE *>(pszData),
                       static_cast<DWORD>((wcslen(pszData) + 1) * sizeof(WCHAR)));
        RegCloseKey(hKey);
    }

    static constexpr const WCHAR *kScratch = L"Software\\KORViewerTests\\DecoderRegistration";
    HKEY m_hScratch = nullptr;
};

TEST_F(CodecRegistrationTest, RegistersBothValuesAndRemovesThem) {
    ASSERT_EQ(S_OK, SimRegisterVideoCodec(L"C:\\kor\\simcam.dll"));
    EXPECT_EQ(L"C:\\kor\\simcam.dll", ReadDriverValue(L"vidc.YUY2"));
    EXPECT_EQ(L"C:\\kor\\simcam.dll", ReadDriverValue(L"vidc.MJPG"));
    // Registering again, from another folder, replaces our own entries.
    ASSERT_EQ(S_OK, SimRegisterVideoCodec(L"D:\\build\\SIMCAM.DLL"));
    EXPECT_EQ(L"D:\\build\\SIMCAM.DLL", ReadDriverValue(L"vidc.MJPG"));

    ASSERT_EQ(S_OK, SimUnregisterVideoCodec(L"D:\\build\\SIMCAM.DLL"));
    EXPECT_EQ(L"", ReadDriverValue(L"vidc.YUY2"));
    EXPECT_EQ(L"", ReadDriverValue(L"vidc.MJPG"));
    EXPECT_EQ(S_OK, SimUnregisterVideoCodec(L"D:\\build\\simcam.dll")) << "undoing twice is harmless";
}

TEST_F(CodecRegistrationTest, LeavesAnotherDriversFormatAlone) {
    SetDriver(L"vidc.YUY2", L"msyuv.dll");
    EXPECT_EQ(S_FALSE, SimRegisterVideoCodec(L"C:\\kor\\simcam.dll"));
    EXPECT_EQ(L"msyuv.dll", ReadDriverValue(L"vidc.YUY2"));
    EXPECT_EQ(L"C:\\kor\\simcam.dll", ReadDriverValue(L"vidc.MJPG"));

    EXPECT_EQ(S_OK, SimUnregisterVideoCodec(L"C:\\kor\\simcam.dll"));
    EXPECT_EQ(L"msyuv.dll", ReadDriverValue(L"vidc.YUY2"));
    EXPECT_EQ(L"", ReadDriverValue(L"vidc.MJPG"));
}

TEST_F(CodecRegistrationTest, PathWithBlanksIsWrittenInShortForm) {
    WCHAR szTemp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, szTemp));
    const std::wstring dir = std::wstring(szTemp) + L"kor decoder test";
    const std::wstring file = dir + L"\\simcam.dll";
    CreateDirectoryW(dir.c_str(), nullptr);
    HANDLE hFile = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
    CloseHandle(hFile);

    const HRESULT hr = SimRegisterVideoCodec(file.c_str());
    const std::wstring value = ReadDriverValue(L"vidc.YUY2");
    EXPECT_EQ(S_OK, SimUnregisterVideoCodec(file.c_str()));
    DeleteFileW(file.c_str());
    RemoveDirectoryW(dir.c_str());

    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(std::wstring::npos, value.find(L' ')) << "value is '" << std::string(value.begin(), value.end()) << "'";
    EXPECT_TRUE(NamesSimcam(value));
}

}  // namespace
