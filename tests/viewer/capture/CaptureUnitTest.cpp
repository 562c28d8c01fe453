// CaptureUnitTest.cpp - the capture subsystem's parts that need no camera:
// the still files (names, JPEG and bitmap routes, the pixel formula, the
// failures), the status bar and its timer, the still completion, preview
// fitting on recording fakes, the format sort and the Running Object Table
// name.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <strsafe.h>

#include <string>
#include <thread>
#include <vector>

#include "CaptureTestSupport.h"
#include "DebugPrint.h"
#include "Dshow.h"
#include "MessageBoxSeam.h"
#include "SampleGrabberCallback.h"
#include "Yuy2Convert.h"
#include "common/DebugCapture.h"

namespace {

// Every test starts from the process's start-up state.
class CaptureUnit : public ::testing::Test {
protected:
    void SetUp() override { ResetCaptureProcessState(); }
    void TearDown() override { ResetCaptureProcessState(); }
    ComApartment m_com;
};

int g_DoneCalls = 0;
int g_DoneElapsed = -1;
void RecordDone(int *pElapsed) {
    ++g_DoneCalls;
    g_DoneElapsed = pElapsed ? *pElapsed : -1;
}

std::wstring NameFor(const SYSTEMTIME &st) {
    wchar_t sz[32];
    StringCchPrintfW(sz, 32, L"%04u%02u%02u%02u%02u%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute,
                     st.wSecond);
    return sz;
}

// A YUY2 picture filled with one four-byte group.
std::vector<BYTE> Yuy2Picture(int width, int height, BYTE y0, BYTE u, BYTE y1, BYTE v) {
    std::vector<BYTE> bytes(static_cast<size_t>(width) * height * 2);
    for (size_t i = 0; i + 3 < bytes.size(); i += 4) {
        bytes[i] = y0;
        bytes[i + 1] = u;
        bytes[i + 2] = y1;
        bytes[i + 3] = v;
    }
    return bytes;
}

// The formula written out plainly, for one pixel.
void ReferencePixel(int Y, int U, int V, BYTE out[3]) {
    int y = Y - 16, u = U - 128, v = V - 128;
    auto shr = [](int x) { return x >> 14; };  // arithmetic on this compiler
    int b = shr(y * 19070) + shr(u * 33062);
    int g = shr(y * 19070) - shr(v * 13320) - shr(u * 6406);
    int r = shr(y * 19070) + shr(v * 26148);
    auto clamp = [](int x) { return static_cast<BYTE>(x < 0 ? 0 : x > 255 ? 255 : x); };
    out[0] = clamp(b);
    out[1] = clamp(g);
    out[2] = clamp(r);
}

}  // namespace

// ---------------------------------------------------------------------------
// Still files

TEST_F(CaptureUnit, JpegStillIsWrittenAsDeliveredAndNamedAfterTheLocalTime) {
    TempFolder folder;
    DebugCapture debug;
    g_FlashEnabled = 0;
    g_DoneCalls = 0;
    g_SampleGrabberCB.SetStillPath(folder.Path().c_str());
    std::vector<BYTE> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3, 4, 5, 0xFF, 0xD9};
    SYSTEMTIME before, after;
    GetLocalTime(&before);
    g_SampleGrabberCB.ConfigureStill(0, GetTickCount() - 1234, 2592, 1944, RecordDone);
    EXPECT_EQ(S_OK, g_SampleGrabberCB.BufferCB(0.0, jpeg.data(), static_cast<LONG>(jpeg.size())));
    GetLocalTime(&after);

    std::vector<std::wstring> files = folder.Files();
    ASSERT_EQ(1u, files.size());
    EXPECT_TRUE(files[0] == NameFor(before) + L".jpg" || files[0] == NameFor(after) + L".jpg") << files[0];
    EXPECT_EQ(jpeg, folder.Read(files[0]));
    EXPECT_EQ(1, g_DoneCalls);
    EXPECT_GE(g_DoneElapsed, 1234);
    EXPECT_LT(g_DoneElapsed, 1999);
    EXPECT_TRUE(debug.Contains(L"Still Captured in 1 seconds \r\n"));
    EXPECT_TRUE(debug.Contains(L"FilePath = " + folder.Path() + L"\\" + files[0]));
    // The flash is off: the strobe is left alone.
    EXPECT_FALSE(debug.Contains(L"Strobe Disable Failed\n"));
}

TEST_F(CaptureUnit, AStillNeverReplacesAnEarlierFileOfTheSameSecond) {
    TempFolder folder;
    g_FlashEnabled = 0;
    g_SampleGrabberCB.SetStillPath(folder.Path().c_str());
    // Files for this second and the next few are there already.
    SYSTEMTIME st;
    GetLocalTime(&st);
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    std::vector<std::wstring> taken;
    for (int s = 0; s < 4; ++s) {
        ULARGE_INTEGER t = {{ft.dwLowDateTime, ft.dwHighDateTime}};
        t.QuadPart += static_cast<ULONGLONG>(s) * 10000000ull;
        FILETIME ft2 = {t.LowPart, t.HighPart};
        SYSTEMTIME st2;
        FileTimeToSystemTime(&ft2, &st2);
        std::wstring name = NameFor(st2) + L".jpg";
        HANDLE h =
            CreateFileW((folder.Path() + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        DWORD dw;
        WriteFile(h, "old", 3, &dw, nullptr);
        CloseHandle(h);
        taken.push_back(name);
    }
    BYTE first[] = {1, 2, 3}, second[] = {4, 5};
    g_SampleGrabberCB.ConfigureStill(0, GetTickCount(), 0, 0, nullptr);
    EXPECT_EQ(S_OK, g_SampleGrabberCB.BufferCB(0.0, first, 3));
    EXPECT_EQ(S_OK, g_SampleGrabberCB.BufferCB(0.0, second, 2));

    std::vector<std::wstring> files = folder.Files();
    ASSERT_EQ(6u, files.size());
    for (const std::wstring &name : taken) EXPECT_EQ(std::vector<BYTE>({'o', 'l', 'd'}), folder.Read(name));
    int added = 0;
    for (const std::wstring &name : files) {
        if (name.find(L"_2.jpg") != std::wstring::npos) {
            ++added;
            EXPECT_EQ(14u + 6u, name.size()) << name;
        }
        if (name.find(L"_3.jpg") != std::wstring::npos) ++added;
    }
    EXPECT_EQ(2, added);
}

TEST_F(CaptureUnit, Yuy2StillBecomesATopDown24BitBitmap) {
    TempFolder folder;
    g_FlashEnabled = 0;
    g_DoneCalls = 0;
    g_SampleGrabberCB.SetStillPath(folder.Path().c_str());
    std::vector<BYTE> yuy2 = Yuy2Picture(640, 480, 16, 128, 235, 128);
    // The top row differs: white.
    for (int x = 0; x < 640 * 2; x += 4) yuy2[x] = yuy2[x + 2] = 255;
    g_SampleGrabberCB.ConfigureStill(1, GetTickCount(), 640, 480, RecordDone);
    EXPECT_EQ(S_OK, g_SampleGrabberCB.BufferCB(0.0, yuy2.data(), static_cast<LONG>(yuy2.size())));
    std::vector<std::wstring> files = folder.Files();
    ASSERT_EQ(1u, files.size());
    EXPECT_EQ(L".bmp", files[0].substr(14));
    std::vector<BYTE> bmp = folder.Read(files[0]);
    ASSERT_EQ(54u + 921600u, bmp.size());
    EXPECT_EQ('B', bmp[0]);
    EXPECT_EQ('M', bmp[1]);
    auto dword = [&](size_t at) { return *reinterpret_cast<const LONG *>(&bmp[at]); };
    auto word = [&](size_t at) { return *reinterpret_cast<const WORD *>(&bmp[at]); };
    EXPECT_EQ(54 + 921600, dword(2));
    EXPECT_EQ(0, dword(6));
    EXPECT_EQ(54, dword(10));
    EXPECT_EQ(40, dword(14));
    EXPECT_EQ(640, dword(18));
    EXPECT_EQ(-480, dword(22));
    EXPECT_EQ(1, word(26));
    EXPECT_EQ(24, word(28));
    EXPECT_EQ(0, dword(30));
    EXPECT_EQ(921600, dword(34));
    for (size_t at : {38u, 42u, 46u, 50u}) EXPECT_EQ(0, dword(at));
    // First row is the top of the picture (white), the next the black/white pairs.
    EXPECT_EQ(255, bmp[54]);
    EXPECT_EQ(255, bmp[54 + 2]);
    const BYTE *row1 = &bmp[54 + 1920];
    EXPECT_EQ(0, row1[0]);
    EXPECT_EQ(0, row1[1]);
    EXPECT_EQ(0, row1[2]);
    EXPECT_EQ(254, row1[3]);
    EXPECT_EQ(254, row1[4]);
    EXPECT_EQ(254, row1[5]);
    EXPECT_EQ(1, g_DoneCalls);
}

TEST_F(CaptureUnit, ConversionFollowsTheFixedPointFormulaWithPaddedRows) {
    struct Case {
        BYTE y, u, v;
        BYTE b, g, r;
    } cases[] = {{255, 128, 128, 255, 255, 255}, {0, 0, 0, 0, 137, 0}, {255, 255, 128, 255, 229, 255}};
    for (const Case &c : cases) {
        std::vector<BYTE> src = Yuy2Picture(2, 1, c.y, c.u, c.y, c.v);
        BYTE dst[8] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
        g_SampleGrabberCB.ConvertYUY2ToBGR24(src.data(), dst, 2, 1);
        EXPECT_EQ(c.b, dst[0]);
        EXPECT_EQ(c.g, dst[1]);
        EXPECT_EQ(c.r, dst[2]);
        EXPECT_EQ(0, dst[6]);  // row padding to a multiple of four
        EXPECT_EQ(0, dst[7]);
    }
    // Every Y with a spread of U and V against the plain formula, on a width
    // whose rows need padding.
    const int width = 6, height = 1;
    for (int Y = 0; Y < 256; ++Y) {
        for (int U = 0; U < 256; U += 17) {
            for (int V = 0; V < 256; V += 15) {
                std::vector<BYTE> src = Yuy2Picture(width, height, static_cast<BYTE>(Y), static_cast<BYTE>(U),
                                                    static_cast<BYTE>(255 - Y), static_cast<BYTE>(V));
                BYTE dst[20];
                memset(dst, 0xAA, sizeof(dst));
                g_SampleGrabberCB.ConvertYUY2ToBGR24(src.data(), dst, width, height);
                BYTE p0[3], p1[3];
                ReferencePixel(Y, U, V, p0);
                ReferencePixel(255 - Y, U, V, p1);
                ASSERT_EQ(0, memcmp(dst, p0, 3)) << Y << " " << U << " " << V;
                ASSERT_EQ(0, memcmp(dst + 3, p1, 3)) << Y << " " << U << " " << V;
                ASSERT_EQ(0, dst[18]);
                ASSERT_EQ(0, dst[19]);
            }
        }
    }
}

// The still files' writes: the n-th from now fails, or with g_bShortWrite
// writes half its bytes and succeeds (-1: none does); the largest single
// write is kept.
int g_WritesBeforeFailure = -1;
bool g_bShortWrite = false;
DWORD g_LargestWrite = 0;
BOOL WINAPI CountingWrite(HANDLE hFile, LPCVOID pData, DWORD cb, LPDWORD pdwWritten, LPOVERLAPPED pOverlapped) {
    g_LargestWrite = cb > g_LargestWrite ? cb : g_LargestWrite;
    if (g_WritesBeforeFailure >= 0 && g_WritesBeforeFailure-- == 0) {
        if (g_bShortWrite) return WriteFile(hFile, pData, cb / 2, pdwWritten, pOverlapped);
        *pdwWritten = 0;
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    return WriteFile(hFile, pData, cb, pdwWritten, pOverlapped);
}

// The still writes go through CountingWrite for the guard's lifetime.
struct CountingWrites {
    CountingWrites() { g_pfnStillWriteFile = CountingWrite; }
    ~CountingWrites() { g_pfnStillWriteFile = WriteFile; }
};

// A still that cannot be saved: the streaming thread returns at once with
// its result and posts the failure to the report window, whose thread shows
// the box; no file is left, the completion function is not called.
TEST_F(CaptureUnit, StillsThatCannotBeSavedAreReportedOnTheWindowThread) {
    TempFolder folder;
    TestMainWindow window;
    g_FlashEnabled = 0;
    CountingWrites writes;
    // A folder that exists, too long for a still's name (the path's guard).
    std::wstring longFolder = folder.Path() + L"\\";
    while (longFolder.size() < 245) longFolder += L'a';
    ASSERT_TRUE(CreateDirectoryW(longFolder.c_str(), nullptr));
    struct Case {
        const char *pszWhat;
        int bitmap, width, height;
        std::wstring folder;
        int failingWrite;
        HRESULT expected;
        bool bEmpty = false;  // a sample of zero bytes
        bool bShort = false;  // the failing write is short instead
    } cases[] = {
        {"short YUY2 sample", 1, 640, 480, folder.Path(), -1, S_FALSE},
        {"missing folder", 0, 0, 0, folder.Path() + L"\\missing\\deeper", -1, E_FAIL},
        {"path too long", 0, 0, 0, longFolder, -1, E_FAIL},
        {"JPEG write", 0, 0, 0, folder.Path(), 0, S_FALSE},
        {"bitmap header write", 1, 64, 48, folder.Path(), 1, S_FALSE},
        {"bitmap pixel write", 1, 1366, 200, folder.Path(), 3, S_FALSE},
        {"empty JPEG sample", 0, 0, 0, folder.Path(), -1, S_FALSE, true},
        {"empty bitmap sample", 1, 64, 48, folder.Path(), -1, S_FALSE, true},
        {"short JPEG write", 0, 0, 0, folder.Path(), 0, S_FALSE, false, true},
        {"short bitmap pixel write", 1, 1366, 200, folder.Path(), 2, S_FALSE, false, true},
    };
    for (const Case &c : cases) {
        BoxRecorder boxes;
        DebugCapture debug;
        g_DoneCalls = 0;
        g_WritesBeforeFailure = c.failingWrite;
        g_bShortWrite = c.bShort;
        g_SampleGrabberCB.SetStillPath(c.folder.c_str());
        g_SampleGrabberCB.SetReportWindow(window.Window());
        g_SampleGrabberCB.ConfigureStill(c.bitmap, GetTickCount(), c.width, c.height, RecordDone);
        std::vector<BYTE> sample = Yuy2Picture(c.width ? c.width : 2, c.height ? c.height : 2, 16, 128, 235, 128);
        if (c.failingWrite < 0 && c.bitmap) sample.pop_back();
        HRESULT hr = E_UNEXPECTED;
        const LONG cbSample = c.bEmpty ? 0 : static_cast<LONG>(sample.size());
        std::thread streaming([&] { hr = g_SampleGrabberCB.BufferCB(0.0, sample.data(), cbSample); });
        streaming.join();
        EXPECT_EQ(c.expected, hr) << c.pszWhat;
        EXPECT_EQ(c.expected == E_FAIL, debug.Contains(L"File Creation Failed\r\n")) << c.pszWhat;
        if (c.folder == longFolder) {
            for (const std::wstring &line : debug.Lines())
                EXPECT_NE(0u, line.rfind(L"FilePath = ", 0)) << "refused by the length guard, before any name";
        }
        EXPECT_TRUE(folder.Files().empty()) << c.pszWhat;
        EXPECT_EQ(0, g_DoneCalls) << c.pszWhat;
        EXPECT_EQ(0u, boxes.Count()) << c.pszWhat << ": no box on the streaming thread";
        MSG msg;
        ASSERT_TRUE(PeekMessageW(&msg, window.Window(), kStillNotSavedMessage, kStillNotSavedMessage, PM_REMOVE))
            << c.pszWhat;
        OnStillNotSaved();
        std::vector<RecordedBox> shown = boxes.Boxes();
        ASSERT_EQ(1u, shown.size()) << c.pszWhat;
        EXPECT_EQ(L"Sorry image cannot be captured", shown[0].text);
        EXPECT_EQ(L"Image Capture", shown[0].caption);
        EXPECT_EQ(static_cast<UINT>(MB_OK), shown[0].uType);
        EXPECT_EQ(nullptr, shown[0].hWndOwner);
        EXPECT_EQ(GetCurrentThreadId(), shown[0].threadId);
    }
    RemoveDirectoryW(longFolder.c_str());
}

// The bitmap is converted and written a band of rows at a time, with the
// bytes of headers plus the whole picture converted at once; rows padded by
// two bytes, and a last band shorter than the others.
TEST_F(CaptureUnit, BitmapWrittenInBandsHasTheBytesOfTheWholeConversion) {
    TempFolder folder;
    g_FlashEnabled = 0;
    const int width = 1366, height = 200;
    std::vector<BYTE> yuy2(static_cast<size_t>(width) * height * 2);
    for (size_t i = 0; i < yuy2.size(); ++i) yuy2[i] = static_cast<BYTE>((i * 7) ^ (i >> 9));
    g_SampleGrabberCB.SetStillPath(folder.Path().c_str());
    g_SampleGrabberCB.ConfigureStill(1, GetTickCount(), width, height, nullptr);
    g_LargestWrite = 0;
    {
        CountingWrites writes;
        EXPECT_EQ(S_OK, g_SampleGrabberCB.BufferCB(0.0, yuy2.data(), static_cast<LONG>(yuy2.size())));
    }
    // Rows of 1366 x 3 = 4098 bytes padded to 4100: 820000 pixel bytes.
    const size_t cbPixels = 820000;
    std::vector<BYTE> expected(54 + cbPixels);
    // File size 820054, pixels at 54; width 1366, height -200, 24 bits.
    const BYTE kHeaders[54] = {'B', 'M', 0x56, 0x83, 0x0C, 0,    0, 0, 0,  0, 54, 0, 0, 0, 40,   0,    0,    0, 0x56, 5,
                               0,   0,   0x38, 0xFF, 0xFF, 0xFF, 1, 0, 24, 0, 0,  0, 0, 0, 0x20, 0x83, 0x0C, 0};
    memcpy(&expected[0], kHeaders, sizeof(kHeaders));
    Yuy2ToBgr24(yuy2.data(), &expected[54], width, height);
    std::vector<std::wstring> files = folder.Files();
    ASSERT_EQ(1u, files.size());
    EXPECT_TRUE(expected == folder.Read(files[0]));
    EXPECT_LT(g_LargestWrite, cbPixels / 2) << "the picture was written in bands";
}

TEST_F(CaptureUnit, WithoutAStillFolderStillsGoToTheDesktop) {
    DebugCapture debug;
    g_FlashEnabled = 1;  // the library has no session here: the strobe-off call fails
    g_SampleGrabberCB.ConfigureStill(0, GetTickCount(), 0, 0, nullptr);
    BYTE jpeg[4] = {0xFF, 0xD8, 0xFF, 0xD9};
    ASSERT_EQ(S_OK, g_SampleGrabberCB.BufferCB(0.0, jpeg, sizeof(jpeg)));
    EXPECT_TRUE(debug.Contains(L"Get the current desktop path\r\n"));
    EXPECT_TRUE(debug.Contains(L"Strobe Disable Failed\n"));
    WCHAR szDesktop[MAX_PATH] = L"";
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, szDesktop, CSIDL_DESKTOPDIRECTORY, FALSE));
    std::wstring written;
    for (const std::wstring &line : debug.Lines())
        if (line.rfind(L"FilePath = ", 0) == 0) written = line.substr(11);
    ASSERT_EQ(0u, written.rfind(std::wstring(szDesktop) + L"\\", 0)) << written;
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(written.c_str()));
    DeleteFileW(written.c_str());
}

TEST_F(CaptureUnit, CallbackComSlotsCountNothing) {
    void *pv = reinterpret_cast<void *>(1);
    EXPECT_EQ(E_POINTER, g_SampleGrabberCB.QueryInterface(IID_IUnknown, nullptr));
    EXPECT_EQ(S_OK, g_SampleGrabberCB.QueryInterface(IID_ISampleGrabberCB, &pv));
    EXPECT_EQ(static_cast<ISampleGrabberCB *>(&g_SampleGrabberCB), pv);
    EXPECT_EQ(S_OK, g_SampleGrabberCB.QueryInterface(IID_IUnknown, &pv));
    EXPECT_EQ(E_NOTIMPL, g_SampleGrabberCB.QueryInterface(IID_IBaseFilter, &pv));
    EXPECT_EQ(1u, g_SampleGrabberCB.AddRef());
    EXPECT_EQ(2u, g_SampleGrabberCB.Release());
    DebugCapture debug;
    EXPECT_EQ(E_NOTIMPL, g_SampleGrabberCB.SampleCB(0.0, nullptr));
    EXPECT_TRUE(debug.Contains(L"SampleCB...\r\n"));
}

// ---------------------------------------------------------------------------
// Completion, status bar and timer

TEST_F(CaptureUnit, CapturedTimeShowsOnFiveStatusUpdatesThenClears) {
    TestMainWindow window(900, 500);
    DShowManager *pManager = DShowManager::GetInstance();
    ASSERT_NE(nullptr, pManager);
    pManager->SetMainWindow(window.Window());
    pManager->SetStatusBar(window.StatusBar());
    // Completion without a timer target changes nothing.
    int elapsed = 1234;
    TriggeredOnStillCapture(&elapsed);
    EXPECT_EQ(0, pManager->GetStillState());
    EXPECT_EQ(0, pManager->StartFrameRateTimer());
    EXPECT_EQ(pManager, g_pTimerTarget);
    pManager->SetStillState(1);
    pManager->UpdateStatusBar();
    EXPECT_EQ(L"Capturing image...", window.StatusText(2));

    std::thread streaming([&] { TriggeredOnStillCapture(&elapsed); });
    streaming.join();
    EXPECT_EQ(2, pManager->GetStillState());
    EXPECT_EQ(1234u, pManager->GetStillTimeMs());
    for (int i = 0; i < 5; ++i) {
        pManager->UpdateStatusBar();
        EXPECT_EQ(L"Still Captured in 1.2 s", window.StatusText(2)) << i;
        EXPECT_EQ(2, pManager->GetStillState());
    }
    pManager->UpdateStatusBar();
    EXPECT_EQ(L"", window.StatusText(2));
    EXPECT_EQ(0, pManager->GetStillState());
    EXPECT_EQ(0, g_StillShownTicks);

    // Parts: thirds of the window's outer width.
    RECT rc;
    GetWindowRect(window.Window(), &rc);
    int w = (rc.right - rc.left) / 3;
    std::vector<int> parts = window.StatusParts();
    ASSERT_EQ(3u, parts.size());
    EXPECT_EQ(w, parts[0]);
    EXPECT_EQ(2 * w, parts[1]);
    EXPECT_EQ(-1, parts[2]);
    EXPECT_EQ(L"Resolution : 0x0", window.StatusText(0));
    EXPECT_EQ(L"", window.StatusText(1));

    // A null pointer stores 0.
    TriggeredOnStillCapture(nullptr);
    EXPECT_EQ(0u, pManager->GetStillTimeMs());

    // The timer procedure refreshes the bar by itself, also after a change.
    DShowManagerTestAccess::SetVideoSize(*pManager, 1280, 960);
    EXPECT_TRUE(PumpUntil([&] { return window.StatusText(0) == L"Resolution : 1280x960"; }, 3000));
    delete pManager;
    EXPECT_EQ(nullptr, g_pTimerTarget);
    StatusTimerProc(window.Window(), WM_TIMER, kStatusTimerId, 0);  // no target: nothing happens
}

// ---------------------------------------------------------------------------
// Preview fitting

namespace {

struct FitCase {
    int clientWidth, clientHeight;  // as the examples give them with a 20-pixel status bar
    long srcW, srcH;
    bool sourceCall;
    long expW, expH;
    long windowW, windowH;  // with a 20-pixel status bar
};

}  // namespace

TEST_F(CaptureUnit, PreviewIsCroppedToTheClientAreaRatio) {
    TestMainWindow window(640, 500);
    DShowManager *pManager = DShowManager::GetInstance();
    pManager->SetMainWindow(window.Window());
    pManager->SetStatusBar(window.StatusBar());
    const int S = window.StatusHeight();
    ASSERT_GT(S, 0);
    const FitCase cases[] = {
        {640, 500, 640, 480, true, 640, 480, 640, 480}, {800, 600, 640, 480, true, 640, 463, 800, 580},
        {400, 420, 640, 480, true, 480, 480, 400, 400}, {1000, 420, 640, 480, true, 640, 256, 1000, 400},
        {640, 30, 640, 480, true, 640, 30, 640, 10},    {2592, 1964, 2592, 1944, true, 2592, 1944, 2592, 1944},
        {640, 500, 640, 480, true, 640, 480, 640, 480},
    };
    for (const FitCase &c : cases) {
        // The same client area above the status bar as in the examples.
        int clientHeight = c.clientHeight - 20 + S;
        if (c.clientHeight <= 40) clientHeight = c.clientHeight * S / 20;  // keep A <= S
        window.SetClientSize(c.clientWidth, clientHeight);
        RECT rc;
        GetClientRect(window.Window(), &rc);
        ASSERT_EQ(c.clientWidth, rc.right) << c.clientWidth;
        FakeBasicVideo basic(c.srcW, c.srcH);
        FakeVideoWindow videoWindow;
        DShowManagerTestAccess::SetVideoInterfaces(*pManager, &basic, &videoWindow);
        DShowManagerTestAccess::Initialized(*pManager) = TRUE;
        pManager->ReSizePreview();
        DShowManagerTestAccess::SetVideoInterfaces(*pManager, nullptr, nullptr);
        DShowManagerTestAccess::Initialized(*pManager) = FALSE;
        ASSERT_EQ(2u, basic.calls.size()) << c.clientWidth << "x" << c.clientHeight;
        EXPECT_EQ("SetSourcePosition", basic.calls[1].what);
        if (c.clientHeight > 40) {
            EXPECT_EQ(c.expW, basic.calls[1].c) << c.clientWidth << "x" << c.clientHeight;
            EXPECT_EQ(c.expH, basic.calls[1].d) << c.clientWidth << "x" << c.clientHeight;
        } else {
            EXPECT_EQ(640, basic.calls[1].c);
            EXPECT_EQ(clientHeight, basic.calls[1].d);  // the whole client height counts
        }
        ASSERT_EQ(1u, videoWindow.calls.size());
        EXPECT_EQ(c.clientWidth, videoWindow.calls[0].c);
        EXPECT_EQ(clientHeight - S, videoWindow.calls[0].d);
        if (c.clientHeight > 40) {
            EXPECT_EQ(c.windowH, videoWindow.calls[0].d);
        }
        EXPECT_EQ(1, basic.Refs());
        EXPECT_EQ(1, videoWindow.Refs());
    }

    // Not ready, no IBasicVideo, a failed GetVideoSize, a minimised window:
    // the video window is not placed.
    FakeBasicVideo basic(640, 480);
    FakeVideoWindow videoWindow;
    DShowManagerTestAccess::SetVideoInterfaces(*pManager, &basic, &videoWindow);
    pManager->ReSizePreview();
    EXPECT_TRUE(basic.calls.empty());
    DShowManagerTestAccess::Initialized(*pManager) = TRUE;
    basic.hrVideoSize = E_FAIL;
    pManager->ReSizePreview();
    EXPECT_EQ(1u, basic.calls.size());
    EXPECT_TRUE(videoWindow.calls.empty());
    basic.hrVideoSize = S_OK;
    basic.calls.clear();
    ShowWindow(window.Window(), SW_MINIMIZE);
    pManager->ReSizePreview();
    for (const auto &call : basic.calls) EXPECT_NE("SetSourcePosition", call.what);
    EXPECT_TRUE(videoWindow.calls.empty());
    ShowWindow(window.Window(), SW_RESTORE);

    // A failed SetSourcePosition still places the window.
    window.SetClientSize(800, 600);
    basic.calls.clear();
    basic.hrSource = E_FAIL;
    DebugCapture debug;
    pManager->ReSizePreview();
    EXPECT_EQ(1u, videoWindow.calls.size());
    EXPECT_TRUE(debug.Contains(L"SetSourcePosition failed 80004005\r\n"));
    DShowManagerTestAccess::SetVideoInterfaces(*pManager, nullptr, nullptr);
    DShowManagerTestAccess::Initialized(*pManager) = FALSE;

    // Fit the window to a 640 x 480 video: the client is the video plus the bar.
    DShowManagerTestAccess::SetVideoSize(*pManager, 640, 480);
    pManager->SizeWindowToVideo();
    RECT rc;
    GetClientRect(window.Window(), &rc);
    EXPECT_EQ(640, rc.right);
    EXPECT_EQ(480 + S, rc.bottom);
    delete pManager;
}

TEST_F(CaptureUnit, ToleranceTests) {
    EXPECT_TRUE(EssentiallyEqual(0.0f, 0.0f, 0.0001f));
    EXPECT_FALSE(EssentiallyEqual(0.0f, 1e-9f, 0.0001f));
    EXPECT_TRUE(EssentiallyEqual(1.3333f, 1.33335f, 0.0001f));
    EXPECT_FALSE(EssentiallyEqual(1.3333f, 1.3350f, 0.0001f));
    EXPECT_TRUE(DefinitelyGreater(1.5f, 1.3f, 0.0001f));
    EXPECT_FALSE(DefinitelyGreater(1.33334f, 1.33333f, 0.0001f));
    EXPECT_TRUE(DefinitelyLess(1.3f, 1.5f, 0.0001f));
    EXPECT_FALSE(DefinitelyLess(1.33333f, 1.33334f, 0.0001f));
}

// ---------------------------------------------------------------------------
// Formats

TEST_F(CaptureUnit, FormatsSortByWidthLargestFirstAndStable) {
    StillFormat formats[] = {
        {L"MJPG", 1280, 960}, {L"MJPG", 640, 480}, {L"MJPG", 2592, 1944}, {L"MJPG", 1280, 720}, {L"MJPG", 1920, 1080}};
    SortFormatsByWidth(formats, 5);
    int widths[] = {2592, 1920, 1280, 1280, 640};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(widths[i], formats[i].Width);
    EXPECT_EQ(960, formats[2].Height);  // equal widths keep their order
    EXPECT_EQ(720, formats[3].Height);
    SortFormatsByWidth(formats, 0);
    StillFormat target = {L"", 0, 0};
    StillFormat source = {L"YUY2", 320, 240};
    CopyFormat(&target, &source);
    EXPECT_STREQ(L"YUY2", target.Compression);
    EXPECT_EQ(320, target.Width);
    EXPECT_EQ(240, target.Height);
}

// ---------------------------------------------------------------------------
// Running Object Table

TEST_F(CaptureUnit, GraphRegistrationNameAndRevocation) {
    FakeVideoWindow object;  // any COM object stands for the graph
    DWORD cookie = 0;
    EXPECT_EQ(E_POINTER, RegisterGraphInRot(nullptr, &cookie));
    EXPECT_EQ(E_POINTER, RegisterGraphInRot(&object, nullptr));
    std::vector<std::wstring> before = GraphRotEntries();
    ASSERT_TRUE(SUCCEEDED(RegisterGraphInRot(&object, &cookie)));
    EXPECT_NE(0u, cookie);
    std::vector<std::wstring> during = GraphRotEntries();
    EXPECT_EQ(before.size() + 1, during.size());
    std::wstring expected = RotNameFor(&object);
    bool found = false;
    for (const std::wstring &name : during) found = found || name == expected;
    EXPECT_TRUE(found) << expected;
    // The same name twice is a success too.
    DWORD second = 0;
    EXPECT_TRUE(SUCCEEDED(RegisterGraphInRot(&object, &second)));
    RevokeGraphFromRot(second);
    RevokeGraphFromRot(cookie);
    EXPECT_EQ(before, GraphRotEntries());
    EXPECT_EQ(1, object.Refs());
}
