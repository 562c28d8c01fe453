// ScenarioTest.cpp - the scenario text: defaults, every kind of value, and
// the texts it must refuse without touching the state.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "Scenario.h"
#include "SensorModel.h"
#include "ModelTestSupport.h"

namespace {

const WCHAR kDefaultPath[] =
    L"\\\\?\\usb#vid_2c7a&pid_04e1&mi_00#6&2f3a8c1&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

bool SameCap(const SimCapability &cap, DWORD subtype, LONG width, LONG height) {
    return cap.subtype == subtype && cap.width == width && cap.height == height;
}

TEST(Scenario, DefaultTextDescribesTheTessalineCamera) {
    StatePtr pState = NewState();
    ASSERT_TRUE(SimParseScenario(pState.get(), SimDefaultScenarioText())) << pState->lastError;
    ASSERT_EQ(1, pState->cameraCount);
    const SimCamera &cam = pState->cameras[0];
    EXPECT_STREQ(L"Tessaline 5MPixel Cam", cam.name);
    EXPECT_STREQ(kDefaultPath, cam.devicePath);
    EXPECT_STREQ(L"@device:pnp:", cam.recordPrefix);
    EXPECT_EQ(0x2C7A, cam.vendorId);
    EXPECT_EQ(0x04E1, cam.productId);
    EXPECT_EQ(1, cam.present);
    EXPECT_EQ(1, cam.hasStillPin);
    EXPECT_EQ(1, cam.hasVideoControl);
    EXPECT_EQ(128, cam.capsSize);
    EXPECT_EQ(1, cam.flashConnected);

    // Still pin: 2592x1944 MJPG first; capture pin: YUY2 and MJPG at the
    // three sizes the viewer offers.
    ASSERT_GE(cam.stillCapCount, 1);
    EXPECT_TRUE(SameCap(cam.stillCaps[0], SIM_FOURCC_MJPG, 2592, 1944));
    EXPECT_TRUE(SameCap(cam.stillFormat, SIM_FOURCC_MJPG, 2592, 1944));
    const LONG kSizes[3][2] = {{640, 480}, {1280, 960}, {2592, 1944}};
    for (DWORD subtype : {SIM_FOURCC_YUY2, SIM_FOURCC_MJPG}) {
        for (const auto &size : kSizes) {
            bool bFound = false;
            for (LONG i = 0; i < cam.captureCapCount; ++i) {
                bFound = bFound || SameCap(cam.captureCaps[i], subtype, size[0], size[1]);
            }
            EXPECT_TRUE(bFound) << subtype << " " << size[0] << "x" << size[1];
        }
    }
    EXPECT_TRUE(
        SameCap(cam.captureFormat, cam.captureCaps[0].subtype, cam.captureCaps[0].width, cam.captureCaps[0].height));

    // Firmware 2013.5.21 version 7, sensor 0x5640, chip ID in byte 3.
    EXPECT_EQ(13, cam.info[0]);
    EXPECT_EQ(5, cam.info[1]);
    EXPECT_EQ(21, cam.info[2]);
    EXPECT_EQ(7, cam.info[3]);
    EXPECT_EQ(7, cam.firmwareVersion);
    EXPECT_EQ(0x56, cam.sensor[0x300A]);
    EXPECT_EQ(0x40, cam.sensor[0x300B]);
    EXPECT_EQ(0x17, cam.chipIdBytes[3]);

    // Power-up: manual focus, lens away from the best position, ready.
    EXPECT_EQ(SIM_AF_STATE_MANUAL, cam.sensor[SIM_REG_AF_STATE]);
    EXPECT_EQ(40, cam.lensPosition);
    EXPECT_EQ(160, cam.bestPosition);
    EXPECT_TRUE(SimSensorReady(&cam));
    EXPECT_EQ(-1, cam.holdSensorState);
    EXPECT_EQ(-1, cam.holdFocusState);

    for (int i = 0; i < SIM_PA_COUNT; ++i) {
        EXPECT_EQ(kSimProcAmpRanges[i].lDefault, cam.procAmp[i].value) << i;
        EXPECT_EQ(kSimProcAmpRanges[i].lDefaultFlags, cam.procAmp[i].flags) << i;
    }
    EXPECT_EQ(kSimExposureRange.lDefault, cam.exposure.value);
}

TEST(Scenario, EmptySectionsTakeTheDefaultsWithPathsOfTheirOwn) {
    StatePtr pDefault = NewState();
    ASSERT_TRUE(SimParseScenario(pDefault.get(), SimDefaultScenarioText()));
    StatePtr pState = NewState();
    ASSERT_TRUE(SimParseScenario(pState.get(), "[camera]\n[CAMERA]\n")) << pState->lastError;
    ASSERT_EQ(2, pState->cameraCount);
    const SimCamera &first = pState->cameras[0];
    const SimCamera &def = pDefault->cameras[0];
    EXPECT_STREQ(def.name, first.name);
    EXPECT_STREQ(def.devicePath, first.devicePath);
    EXPECT_EQ(def.stillCapCount, first.stillCapCount);
    EXPECT_EQ(def.captureCapCount, first.captureCapCount);
    EXPECT_EQ(0, memcmp(def.info, first.info, sizeof(def.info)));
    EXPECT_EQ(0, memcmp(def.chipIdBytes, first.chipIdBytes, sizeof(def.chipIdBytes)));
    EXPECT_EQ(def.bestPosition, first.bestPosition);
    EXPECT_EQ(def.lensPosition, first.lensPosition);
    EXPECT_NE(0, wcscmp(first.devicePath, pState->cameras[1].devicePath));
    EXPECT_NE(nullptr, wcsstr(pState->cameras[1].devicePath, L"&0001#"));
}

TEST(Scenario, EveryKindOfValue) {
    const char kText[] =
        "\xEF\xBB\xBF# leading byte-order mark, comments and blank lines\r\n"
        "\r\n"
        "; another comment\r\n"
        "  [ camera ]  \r\n"
        "  NAME   =   Integrated HD Webcam  \r\n"
        "path = \\\\?\\USB#VID_AB12&PID_3C4D&MI_00#7&1B4E92A&0&0000#{x}\\GLOBAL\r\n"
        "record_prefix = @dev:\r\n"
        "present = off\r\n"
        "still_pin = false\r\n"
        "video_control = 0\r\n"
        "caps_size = 64\r\n"
        "capture = MJPG 1920x1080,yuy2 320 x 240\r\n"
        "still =\r\n"
        "firmware = 0x4\r\n"
        "firmware_date = 9.12.31\r\n"
        "flash = no\r\n"
        "sensor_id = 0x1234\r\n"
        "chip_id = 200\r\n"
        "best_focus = 255\r\n"
        "lens = 0\r\n"
        "sticky_ack = yes\r\n"
        "brightness = 255\r\n"
        "hue = -180\r\n"
        "white_balance = 2800\r\n"
        "white_balance_auto = no\r\n"
        "exposure = -11\r\n"
        "exposure_auto = no\r\n"
        "sensor_reg = 0x3B00:0xC3\r\n"
        "sensor_reg = 0x3029 : 0x20\r\n"
        "chip_reg = 0xB03C:0x22\r\n"
        "[camera]\n"
        "vid = 1a2B\n"
        "pid = 00ff\n"
        "name = \xC3\x9C"
        "ber Cam\n";
    StatePtr pState = NewState();
    ASSERT_TRUE(SimParseScenario(pState.get(), kText)) << pState->lastError;
    ASSERT_EQ(2, pState->cameraCount);
    SimCamera &cam = pState->cameras[0];
    EXPECT_STREQ(L"Integrated HD Webcam", cam.name);
    EXPECT_STREQ(L"@dev:", cam.recordPrefix);
    EXPECT_EQ(0xAB12, cam.vendorId);  // from the path, in capitals
    EXPECT_EQ(0x3C4D, cam.productId);
    EXPECT_EQ(0, cam.present);
    EXPECT_EQ(0, cam.hasStillPin);
    EXPECT_EQ(0, cam.hasVideoControl);
    EXPECT_EQ(64, cam.capsSize);
    ASSERT_EQ(2, cam.captureCapCount);
    EXPECT_TRUE(SameCap(cam.captureCaps[0], SIM_FOURCC_MJPG, 1920, 1080));
    EXPECT_TRUE(SameCap(cam.captureCaps[1], SIM_FOURCC_YUY2, 320, 240));
    EXPECT_EQ(0, cam.stillCapCount);
    EXPECT_EQ(9, cam.info[0]);
    EXPECT_EQ(12, cam.info[1]);
    EXPECT_EQ(31, cam.info[2]);
    EXPECT_EQ(4, cam.info[3]);
    EXPECT_EQ(0, cam.flashConnected);
    EXPECT_EQ(0x12, cam.sensor[0x300A]);
    EXPECT_EQ(0x34, cam.sensor[0x300B]);
    EXPECT_EQ(200, cam.chipIdBytes[3]);
    EXPECT_EQ(255, cam.bestPosition);
    EXPECT_EQ(0, cam.lensPosition);
    EXPECT_EQ(1, cam.stickyAck);
    EXPECT_EQ(255, cam.procAmp[SIM_PA_BRIGHTNESS].value);
    EXPECT_EQ(-180, cam.procAmp[SIM_PA_HUE].value);
    EXPECT_EQ(2800, cam.procAmp[SIM_PA_WHITEBALANCE].value);
    EXPECT_EQ(2, cam.procAmp[SIM_PA_WHITEBALANCE].flags);
    EXPECT_EQ(-11, cam.exposure.value);
    EXPECT_EQ(2, cam.exposure.flags);
    EXPECT_EQ(SIM_STROBE_ON, cam.sensor[SIM_REG_STROBE]);
    EXPECT_EQ(0x20, SimSensorRead(&cam, SIM_REG_AF_STATE));
    EXPECT_TRUE(SimStrobeOn(&cam));

    // IDs without a path make the path.
    const SimCamera &second = pState->cameras[1];
    EXPECT_EQ(0x1A2B, second.vendorId);
    EXPECT_EQ(0x00FF, second.productId);
    EXPECT_NE(nullptr, wcsstr(second.devicePath, L"vid_1a2b&pid_00ff"));
    EXPECT_STREQ(
        L"\x00DC"
        L"ber Cam",
        second.name);
}

TEST(Scenario, TextWithoutCamerasHasNone) {
    StatePtr pState = NewState();
    ASSERT_TRUE(SimParseScenario(pState.get(), SimDefaultScenarioText()));
    ASSERT_TRUE(SimParseScenario(pState.get(), "# nothing plugged in\n\n"));
    EXPECT_EQ(0, pState->cameraCount);
    EXPECT_STREQ("", pState->lastError);
}

TEST(Scenario, SensorStartsUpForNotReadyMs) {
    StatePtr pState = NewState();
    ASSERT_TRUE(SimParseScenario(pState.get(), "[camera]\nnot_ready_ms = 150\n"));
    SimCamera &cam = pState->cameras[0];
    EXPECT_FALSE(SimSensorReady(&cam));
    EXPECT_EQ(SIM_SENSOR_STATE_BUSY, SimChipRead(&cam, SIM_CHIP_SENSOR_STATE));
    Sleep(250);
    EXPECT_TRUE(SimSensorReady(&cam));
    EXPECT_EQ(SIM_SENSOR_STATE_READY, SimChipRead(&cam, SIM_CHIP_SENSOR_STATE));
}

struct BadText {
    const char *pszText;
    const char *pszMessage;  // expected start of the error
};

TEST(Scenario, BadTextsAreRefusedAndLeaveTheStateAlone) {
    static const BadText kBad[] = {
        {"name = x\n", "line 1: key outside a [camera] section 'name'"},
        {"[camera]\nfirmwre = 7\n", "line 2: unknown key 'firmwre'"},
        {"[camera]\n[lens]\n", "line 2: unknown section 'lens'"},
        {"[camera\n", "line 1: bad section header '[camera'"},
        {"[camera]\njust words\n", "line 2: expected KEY = VALUE, not 'just words'"},
        {"[camera]\nflash = maybe\n", "line 2: expected yes or no, not 'maybe'"},
        {"[camera]\nfirmware = 7a\n", "line 2: bad number '7a'"},
        {"[camera]\nfirmware = 65536\n", "line 2: bad number '65536'"},
        {"[camera]\nbest_focus = 256\n", "line 2: bad number '256'"},
        {"[camera]\nlens = -1\n", "line 2: bad number '-1'"},
        {"[camera]\nbrightness = 300\n", "line 2: bad number '300'"},
        {"[camera]\nnot_ready_ms = 99999999999\n", "line 2: bad number"},
        {"[camera]\ncapture = RGB3 640x480\n", "line 2: bad format 'RGB3 640x480'"},
        {"[camera]\ncapture = YUY2 641x480\n", "line 2: bad format 'YUY2 641x480'"},
        {"[camera]\nstill = MJPG 640x\n", "line 2: bad format 'MJPG 640x'"},
        {"[camera]\nstill = MJPG 640x480,,MJPG 320x240\n", "line 2: bad format ''"},
        {"[camera]\nfirmware_date = 13.5\n", "line 2: expected YY.M.D, not '13.5'"},
        {"[camera]\nvid = 2C7\n", "line 2: expected 4 hex digits, not '2C7'"},
        {"[camera]\nsensor_reg = 0x3029\n", "line 2: expected ADDRESS:VALUE, not '0x3029'"},
        {"[camera]\nsensor_reg = 0x3029:0x100\n", "line 2: expected ADDRESS:VALUE"},
        {"[camera]\nname = \xC3\n", "line 2: text too long or not UTF-8"},
    };
    StatePtr pState = NewState();
    ASSERT_TRUE(SimParseScenario(pState.get(), SimDefaultScenarioText()));
    const LONG lGeneration = pState->generation;
    for (const BadText &bad : kBad) {
        EXPECT_FALSE(SimParseScenario(pState.get(), bad.pszText)) << bad.pszText;
        EXPECT_EQ(0, strncmp(pState->lastError, bad.pszMessage, strlen(bad.pszMessage)))
            << bad.pszText << " gave: " << pState->lastError;
        EXPECT_EQ(1, pState->cameraCount);
        EXPECT_STREQ(kDefaultPath, pState->cameras[0].devicePath);
    }
    EXPECT_EQ(lGeneration, pState->generation);
}

TEST(Scenario, LimitsOnCamerasFormatsAndLineLength) {
    StatePtr pState = NewState();
    std::string seventeen;
    for (int i = 0; i < 17; ++i) seventeen += "[camera]\n";
    EXPECT_FALSE(SimParseScenario(pState.get(), seventeen.c_str()));
    EXPECT_STREQ("line 17: more than 16 cameras at '[camera]'", pState->lastError);
    EXPECT_TRUE(SimParseScenario(pState.get(), seventeen.c_str() + strlen("[camera]\n")));
    EXPECT_EQ(16, pState->cameraCount);

    std::string caps = "[camera]\ncapture = MJPG 16x16";
    for (int i = 1; i < SIM_MAX_CAPS; ++i) caps += ", MJPG 16x16";
    EXPECT_TRUE(SimParseScenario(pState.get(), caps.c_str())) << pState->lastError;
    EXPECT_EQ(SIM_MAX_CAPS, pState->cameras[0].captureCapCount);
    caps += ", MJPG 16x16";
    EXPECT_FALSE(SimParseScenario(pState.get(), caps.c_str()));
    EXPECT_STREQ("line 2: more than 16 formats", pState->lastError);

    std::string longLine = "[camera]\nname = " + std::string(2000, 'x') + "\n";
    EXPECT_FALSE(SimParseScenario(pState.get(), longLine.c_str()));
    EXPECT_EQ(0, strncmp(pState->lastError, "line 2: line too long", 21)) << pState->lastError;
    std::string longName = "[camera]\nname = " + std::string(200, 'x') + "\n";
    EXPECT_FALSE(SimParseScenario(pState.get(), longName.c_str()));
    EXPECT_EQ(0, strncmp(pState->lastError, "line 2: text too long", 21)) << pState->lastError;
}

TEST(Scenario, ChipRegisterSettingsReachTheInputs) {
    StatePtr pState = NewState();
    ASSERT_TRUE(SimParseScenario(pState.get(), "[camera]\nflash = yes\nchip_reg = 0x8107:0x0007\n"));
    SimCamera &cam = pState->cameras[0];
    EXPECT_EQ(0, cam.flashConnected);  // bit 1: no flash
    EXPECT_EQ(1, cam.gpiLatch);
    EXPECT_EQ(0x0007, SimChipRead(&cam, SIM_CHIP_GPI));
}

// The scenario files shipped beside simcam.dll all load; default.txt is the
// built-in camera, field for field.
TEST(Scenario, ShippedScenarioFilesLoad) {
    const std::string dir = SIMCAM_SCENARIO_DIR;
    WIN32_FIND_DATAA found;
    HANDLE hFind = FindFirstFileA((dir + "/*.txt").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFind) << dir;
    int iFiles = 0;
    bool bSawDefault = false;
    do {
        std::ifstream file(dir + "/" + found.cFileName, std::ios::binary);
        ASSERT_TRUE(file.good()) << found.cFileName;
        std::stringstream text;
        text << file.rdbuf();
        StatePtr pState = NewState();
        EXPECT_TRUE(SimParseScenario(pState.get(), text.str().c_str())) << found.cFileName << ": " << pState->lastError;
        ++iFiles;
        if (strcmp(found.cFileName, "default.txt") == 0) {
            bSawDefault = true;
            StatePtr pBuiltIn = NewState();
            ASSERT_TRUE(SimParseScenario(pBuiltIn.get(), SimDefaultScenarioText()));
            ASSERT_EQ(1, pState->cameraCount);
            // Every field, but the power-up times (taken from the clock).
            SimCamera *pA = &pState->cameras[0];
            SimCamera *pB = &pBuiltIn->cameras[0];
            for (SimCamera *pCam : {pA, pB}) {
                pCam->readyAtTick = pCam->afStartTick = pCam->ackClearTick = pCam->lensMoveTick = 0;
            }
            EXPECT_STREQ(pB->name, pA->name);
            EXPECT_STREQ(pB->devicePath, pA->devicePath);
            EXPECT_EQ(0, memcmp(pB, pA, sizeof(SimCamera))) << "default.txt differs from the built-in camera";
        }
    } while (FindNextFileA(hFind, &found));
    FindClose(hFind);
    EXPECT_GT(iFiles, 0);
    EXPECT_TRUE(bSawDefault);
}

}  // namespace
