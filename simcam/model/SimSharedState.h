// SimSharedState.h - the one camera state behind everything in simcam.dll.
//
// The extension-unit component, the video-input filter, the picture renderer,
// the property pages and the control API all read and write the cameras
// through this block. It lives in named shared memory, so every process of
// the Wine prefix (the viewer, a test, the control tool) sees the same
// cameras. Its name carries the environment variable SIMCAM_INSTANCE, so test
// programs running side by side each get a state of their own.
//
// Access: take the lock with SimStateGuard, touch the fields, let it go. Keep
// the lock short: never call into DirectShow, COM or the window system while
// holding it, and never hold it while sleeping or waiting for frames.
#ifndef KOR_SIMCAM_MODEL_SIMSHAREDSTATE_H
#define KOR_SIMCAM_MODEL_SIMSHAREDSTATE_H

#include <windows.h>

#include "SimCamControl.h"
#include "SimCamDefaults.h"
#include "SimControls.h"

#define SIM_STATE_MAGIC   0x4D434D53u  // "SMCM"
#define SIM_STATE_VERSION 1u

#define SIM_MAX_CAPS      16
#define SIM_MAX_CHIP_REGS 32
#define SIM_MAX_FAULTS    16

// The still pin's third subtype: planar 4:2:0, a flat grey picture.
#define SIM_FOURCC_I420 0x30323449u  // 'I','4','2','0'

// One stream capability of a pin. subtype is a FOURCC ('YUY2', 'MJPG', or
// 'I420', which the still pin may offer as a third kind).
struct SimCapability {
    DWORD subtype;
    LONG width;
    LONG height;
};

struct SimChipRegister {
    WORD address;
    WORD value;
};

struct SimCamera {
    LONG present;            // plugged in: listed by the enumerators
    WCHAR name[128];         // FriendlyName
    WCHAR devicePath[256];   // DevicePath, e.g. \\?\usb#vid_2c7a&pid_04e1&mi_00#...\global
    WCHAR recordPrefix[32];  // the first string of the component's record is
                             // recordPrefix + devicePath; normally "@device:pnp:"
    WORD vendorId;
    WORD productId;

    // Video device.
    LONG hasStillPin;
    LONG hasVideoControl;  // IAMVideoControl on the filter
    LONG capsSize;         // size GetNumberOfCapabilities reports (128 normally)
    LONG captureCapCount;
    SimCapability captureCaps[SIM_MAX_CAPS];
    LONG stillCapCount;
    SimCapability stillCaps[SIM_MAX_CAPS];
    SimCapability captureFormat;  // what the capture pin delivers (SetFormat)
    SimCapability stillFormat;    // what the still pin delivers (SetFormat)
    SimControlValue procAmp[SIM_PA_COUNT];
    SimControlValue exposure;  // CameraControl_Exposure (log2 seconds, -11..-1)

    // Bridge chip and extension unit.
    LONG firmwareVersion;  // information index 153
    WORD info[4];          // information indexes 150..153
    BYTE chipIdBytes[4];   // extension-unit control 7
    LONG chipRegCount;
    SimChipRegister chipRegs[SIM_MAX_CHIP_REGS];
    LONG flashConnected;  // 0x8107 bit 1 is set while no flash is connected
    LONG gpiLatch;        // 0x8107 bit 0, cleared by the write-back

    // Sensor.
    BYTE sensor[65536];    // 16-bit addressed, 8-bit register file
    DWORD readyAtTick;     // 0xB306 reads 4 once GetTickCount passes this
    LONG holdSensorState;  // -1, or the value 0xB306 reads
    LONG holdFocusState;   // -1, or the value 0x3029 reads
    LONG stickyAck;        // 0x3023 never clears
    LONG lensPosition;     // 0..255
    LONG bestPosition;     // where the scene is sharp
    LONG afRunning;        // a single trigger is in progress
    DWORD afStartTick;     // when it started

    // Sensor model internals (SensorModel.cpp); times are GetTickCount values.
    LONG initialLens;       // lens position after power-up and reset
    DWORD notReadyMs;       // sensor not ready this long after power-up
    DWORD resetNotReadyMs;  // ... and after a reset through chip register 0xB005
    LONG ackPending;        // 0x3023 drops to 0 at ackClearTick
    DWORD ackClearTick;
    LONG lensMoving;  // the lens travels from lensFrom to lensTo
    LONG lensFrom;
    LONG lensTo;
    DWORD lensMoveTick;                 // start of the travel
    DWORD lensMoveMs;                   // its duration
    LONG xuAnnounced;                   // length announced through 0x8102; 0 once a transfer used it
    BYTE xuPacket[SIM_XU_PACKET_SIZE];  // last control-16 packet; a read's reply carries the value

    // Counters for tests and the control tool.
    LONG stillsDelivered;
    LONG framesDelivered;
    LONG stillsWithStrobe;

    // Test switch (set by poking chip register SIM_CHIP_TEST_ANNOUNCE_STALL):
    // every 0x8102 announce returns this many milliseconds late, after the
    // state lock is given back, so another thread's call can come in between
    // an announce and its packet unless the caller serialises them.
    LONG announceStallMs;
    LONG stillTriggers;  // triggers the still pin accepted

    // Video-device variations (scenario keys); zero is the normal camera.
    LONG pinCapsSizeSet;  // bit 0: captureCapsSize holds, bit 1: stillCapsSize holds
    LONG captureCapsSize;
    LONG stillCapsSize;
    DWORD captureCapsFailMask;  // bit i: GetStreamCaps(i) fails on that pin
    DWORD stillCapsFailMask;
    LONG noProcAmp;            // the filter does not answer IAMVideoProcAmp
    LONG noCameraControl;      // ... nor IAMCameraControl
    LONG stillsLost;           // triggers are accepted, but no still is ever delivered
    LONG decoderRefuses;       // the video decompressor refuses every format
    LONG triggerWhileStopped;  // the still pin accepts a trigger while the filter is not running
    // Per-control ranges replacing SimControls.h's: bit i of rangeSetMask
    // for procAmp i, bit SIM_PA_COUNT for exposure.
    LONG rangeSetMask;
    SimControlRange procAmpRange[SIM_PA_COUNT];
    SimControlRange exposureRange;
};

struct SimFault {
    LONG op;        // SimOp
    LONG nth;       // 0 every call; n the n-th matching call counted from injection
    LONG calls;     // matching calls of op seen since injection
    LONG result;    // what the failing call returns
    LONG camera;    // -1 any camera, else only calls of this camera
    LONG argIndex;  // -1 any call, else only calls whose arg[argIndex] == argValue
    DWORD argValue;
};

struct SimShared {
    DWORD magic;
    DWORD version;
    DWORD structSize;  // sizeof(SimShared) of the DLL that made the block
    LONG cameraCount;
    SimCamera cameras[SIMCAM_MAX_CAMERAS];
    LONG faultCount;
    SimFault faults[SIM_MAX_FAULTS];
    LONG enumerateOverreport;
    DWORD logCount;                   // entries written since the last clear (the newest seq)
    SimLogEntry log[SIMCAM_MAX_LOG];  // a ring: entry seq lives at (seq - 1) % SIMCAM_MAX_LOG
    char lastError[256];
    LONG generation;  // bumped by every scenario load and plug change
    // Capture filters per camera index; kept across scenario loads, since
    // the filter objects outlive them.
    LONG filtersAlive[SIMCAM_MAX_CAMERAS];
    LONG filterState[SIMCAM_MAX_CAMERAS];  // FILTER_STATE of the last change
};

// Maps the block on first use (loading the default scenario into a new one)
// and takes the process-shared lock. Returns null when the block cannot be
// mapped or the lock cannot be taken; the reason is on the debugger output
// and SimStateError gives it back.
SimShared *SimStateLock();
// Why the state is not available: the mapping's failure, else E_UNEXPECTED.
// The result for a call that found no state.
HRESULT SimStateError();
void SimStateUnlock();
// Gives the mapping back (dynamic unload of the DLL only).
void SimStateShutdown();

class SimStateGuard {
public:
    SimStateGuard() : m_pState(SimStateLock()) {}
    ~SimStateGuard() {
        if (m_pState) SimStateUnlock();
    }
    SimStateGuard(const SimStateGuard &) = delete;
    SimStateGuard &operator=(const SimStateGuard &) = delete;
    SimShared *operator->() const { return m_pState; }
    SimShared *Get() const { return m_pState; }
    // The camera at index, or null when the index is out of range.
    SimCamera *Camera(int index) const;

private:
    SimShared *m_pState;
};

// Index of the camera whose devicePath equals path (exactly), or -1.
int SimFindCameraByPath(const SimShared *pState, const WCHAR *path);

// The effective range of a control (lock held): the camera's own when the
// scenario gave one. iControl is a SimProcAmp index or SIM_PA_COUNT for exposure.
inline const SimControlRange &SimRangeOf(const SimCamera *pCam, int iControl) {
    bool bOwn = (pCam->rangeSetMask & (1L << iControl)) != 0;
    if (iControl >= SIM_PA_COUNT) return bOwn ? pCam->exposureRange : kSimExposureRange;
    return bOwn ? pCam->procAmpRange[iControl] : kSimProcAmpRanges[iControl];
}

// Called (without the lock) after a scenario load or a plug change: brings
// the video-input device registration in line with the present cameras.
// Does nothing when the environment variable SIMCAM_DEVICES is "0".
void SimOnCamerasChanged();

#endif  // KOR_SIMCAM_MODEL_SIMSHAREDSTATE_H
