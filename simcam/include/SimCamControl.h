/*
 * SimCamControl.h - control interface of the simulated camera (simcam.dll).
 *
 * simcam.dll is the test double for the camera and its vendor extension-unit
 * component. Besides its COM classes it exports these plain C functions, so a
 * test (or the control tool) can load a scenario, inject faults and read back
 * what the component was asked to do.
 *
 * The camera state lives in one named shared-memory block, so every process
 * of the Wine prefix sees the same cameras. The block's name carries the
 * value of the environment variable SIMCAM_INSTANCE (empty when unset), so
 * test programs that run side by side can each have a camera of their own.
 *
 * Camera indexes are 0-based positions in the active scenario. Functions that
 * take a camera index return 0 (or -1 for value reads) when it is out of range.
 */
#ifndef SIMCAM_CONTROL_H
#define SIMCAM_CONTROL_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifdef SIMCAM_BUILDING_DLL
#define SIMCAM_API __declspec(dllexport)
#else
#define SIMCAM_API __declspec(dllimport)
#endif

#define SIMCAM_MAX_CAMERAS 16
#define SIMCAM_MAX_LOG     4096

/* Component operations, as logged and as targets of fault injection. */
typedef enum SimOp {
    SIM_OP_NONE = 0,
    SIM_OP_CREATE_VMDEVICE = 1,  /* class factory CreateInstance of CVMDevice   */
    SIM_OP_CREATE_XUCONTROL = 2, /* class factory CreateInstance of CXUVMControl */
    SIM_OP_ENUMERATE = 3,        /* CVMDevice slot 3  EnumerateDevices  */
    SIM_OP_OPEN = 4,             /* CVMDevice slot 4  OpenDevice        */
    SIM_OP_GET_XU = 5,           /* CXUVMControl slot 6  GetXUControl   */
    SIM_OP_SET_XU = 6,           /* CXUVMControl slot 7  SetXUControl   */
    SIM_OP_WRITE_CHIP = 7,       /* CXUVMControl slot 9  WriteChipRegister */
    SIM_OP_READ_CHIP = 8,        /* CXUVMControl slot 10 ReadChipRegister  */
    SIM_OP_READ_INFO = 9,        /* CXUVMControl slot 14 ReadInfoValue     */
    SIM_OP_BIND_VALUE = 10,      /* CXUVMControl slot 21 BindDeviceValue   */
    SIM_OP_BIND_OBJECT = 11,     /* CXUVMControl slot 22 BindDeviceObject  */
    SIM_OP_COUNT = 12
} SimOp;

/* One component call. Fields not used by an operation are 0. */
typedef struct SimLogEntry {
    DWORD seq;      /* 1, 2, 3 ... since the last SimLogClear */
    DWORD op;       /* SimOp */
    DWORD threadId; /* GetCurrentThreadId of the caller */
    LONG camera;    /* camera index the call reached, -1 if none */
    DWORD arg[3];   /* selector, length | address, value | bus, index | device value */
    DWORD dataLen;  /* bytes in data[] (packet sent by Set, reply of Get) */
    BYTE data[16];
    LONG result; /* what the call returned */
} SimLogEntry;

/* A snapshot of one camera, for tests and the control tool. */
typedef struct SimCameraState {
    LONG present; /* plugged in */
    LONG flashConnected;
    LONG strobeOutput;    /* GPO 8: 1 on (0xB03C = 0x22), 0 off */
    LONG strobeLed;       /* sensor 0x3B00 == 0xC3 */
    LONG lensPosition;    /* 0..255 */
    LONG bestPosition;    /* the scene's best lens position */
    LONG focusState;      /* current value of sensor register 0x3029 */
    LONG firmwareVersion; /* information index 153 */
    LONG stillsDelivered;
    LONG framesDelivered;
    WCHAR name[128];
    WCHAR devicePath[256];
} SimCameraState;

/* Scenarios. A scenario replaces every camera and clears faults and the log.
   Returns 1 on success; 0 with a message in SimLastError on a bad text. */
SIMCAM_API int SimLoadScenarioText(const char *text);
SIMCAM_API int SimLoadScenarioFile(const WCHAR *path);
SIMCAM_API void SimLoadDefaultScenario(void);
SIMCAM_API const char *SimLastError(void);
SIMCAM_API int SimCameraCount(void);

/* Fault injection. nth = 0: every call of op fails from now on; nth = n > 0:
   only the n-th call of op counted from now fails. result is what the failing
   call returns (an HRESULT or the component's non-zero code). */
SIMCAM_API int SimInjectFault(int op, int nth, LONG result);
SIMCAM_API void SimClearFaults(void);
/* Enumeration reports this many records beyond those it fills (0 = honest). */
SIMCAM_API void SimSetEnumerateOverreport(int extra);

/* Register files of one camera. */
SIMCAM_API int SimSetSensorRegister(int camera, WORD address, BYTE value);
SIMCAM_API int SimGetSensorRegister(int camera, WORD address); /* -1 bad index */
SIMCAM_API int SimSetChipRegister(int camera, WORD address, WORD value);
SIMCAM_API int SimGetChipRegister(int camera, WORD address); /* -1 bad index */
SIMCAM_API int SimSetInfoValue(int camera, WORD index, WORD value);
SIMCAM_API int SimSetXUControlBytes(int camera, DWORD selector, const BYTE *data, DWORD length);

/* Sensor behaviour. */
SIMCAM_API int SimSetStickyAck(int camera, int sticky);       /* 0x3023 never clears */
SIMCAM_API int SimHoldSensorState(int camera, int value);     /* 0xB306 reads value; -1 releases */
SIMCAM_API int SimSetSensorNotReadyFor(int camera, DWORD ms); /* not ready for ms from now */
SIMCAM_API int SimHoldFocusState(int camera, int value);      /* 0x3029 reads value; -1 releases */
SIMCAM_API int SimSetBestFocus(int camera, int position);

/* Hot-plug and flash. */
SIMCAM_API int SimPlug(int camera, int present);
SIMCAM_API int SimSetFlash(int camera, int connected);
SIMCAM_API int SimGetCameraState(int camera, SimCameraState *state);
/* Announces a plug change the way Windows does: WM_DEVICECHANGE with
   DBT_DEVICEARRIVAL (arrived != 0) or DBT_DEVICEREMOVECOMPLETE and a
   DEV_BROADCAST_DEVICEINTERFACE_W for KSCATEGORY_CAPTURE naming the camera's
   device path, sent to every top-level window (SendMessageTimeout). SimPlug
   only changes the state; call this after it. Windows of other processes get
   a copy of the record. Returns 1, or 0 for a bad index. */
SIMCAM_API int SimBroadcastDeviceChange(int camera, int arrived);
/* The same with options: SIM_NOTIFY_UPPERCASE sends the device path in
   capitals, as Windows itself reports interface paths; SIM_NOTIFY_TWICE
   announces the change twice, as a device with two capture interfaces does. */
#define SIM_NOTIFY_UPPERCASE 0x1
#define SIM_NOTIFY_TWICE     0x2
SIMCAM_API int SimBroadcastDeviceChangeEx(int camera, int arrived, DWORD flags);

/* The component call log. */
SIMCAM_API DWORD SimLogCount(void);
SIMCAM_API int SimLogRead(DWORD index, SimLogEntry *entry); /* 0-based; 0 when out of range */
SIMCAM_API void SimLogClear(void);

#ifdef __cplusplus
}
#endif

#endif /* SIMCAM_CONTROL_H */
