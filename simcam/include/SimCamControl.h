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
#ifndef KOR_SIMCAM_INCLUDE_SIMCAMCONTROL_H
#define KOR_SIMCAM_INCLUDE_SIMCAMCONTROL_H

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

/* Operations, as logged and as targets of fault injection: the component's
   calls and the DirectShow calls of the capture filter, in one sequence. */
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
    /* The capture filter. "pin" is SIMCAM_PIN_CAPTURE or SIMCAM_PIN_STILL. */
    SIM_OP_FILTER_JOIN = 12,     /* IBaseFilter::JoinFilterGraph   arg0 1 join, 0 leave             */
    SIM_OP_FILTER_PAUSE = 13,    /* IMediaFilter::Pause            arg0 state before (FILTER_STATE) */
    SIM_OP_FILTER_RUN = 14,      /* IMediaFilter::Run              arg0 state before               */
    SIM_OP_FILTER_STOP = 15,     /* IMediaFilter::Stop             arg0 state before               */
    SIM_OP_PIN_CONNECT = 16,     /* IPin::Connect                  arg0 pin                        */
    SIM_OP_GET_CAPS_COUNT = 17,  /* IAMStreamConfig::GetNumberOfCapabilities  arg0 pin, arg1 count, arg2 size */
    SIM_OP_GET_STREAM_CAPS = 18, /* IAMStreamConfig::GetStreamCaps arg0 pin, arg1 index            */
    SIM_OP_GET_FORMAT = 19,      /* IAMStreamConfig::GetFormat     arg0 pin                        */
    SIM_OP_SET_FORMAT = 20,      /* IAMStreamConfig::SetFormat     arg0 pin, arg1 subtype Data1 (the FOURCC),
                                     arg2 biCompression; data: biWidth, biHeight, biSizeImage as three
                                     LONGs (dataLen 12; 0 without a VIDEOINFOHEADER)                */
    SIM_OP_SET_MODE = 21,        /* IAMVideoControl::SetMode       arg0 pin, arg1 mode flags       */
    SIM_OP_GET_MODE = 22,        /* IAMVideoControl::GetMode       arg0 pin, arg1 mode read        */
    SIM_OP_GET_VC_CAPS = 23,     /* IAMVideoControl::GetCaps       arg0 pin, arg1 caps read        */
    SIM_OP_PIN_CATEGORY = 24,    /* IKsPropertySet::Get            arg0 pin, arg1 property id      */
    SIM_OP_PROCAMP_GET = 25,     /* IAMVideoProcAmp::Get           arg0 property, arg1 value, arg2 flags */
    SIM_OP_PROCAMP_RANGE = 26,   /* IAMVideoProcAmp::GetRange      arg0 property, arg1 min, arg2 max */
    SIM_OP_CAMCTRL_GET = 27,     /* IAMCameraControl::Get          arg0 property, arg1 value, arg2 flags */
    SIM_OP_CAMCTRL_RANGE = 28,   /* IAMCameraControl::GetRange     arg0 property, arg1 min, arg2 max */
    SIM_OP_COUNT = 29
} SimOp;

/* Pin numbers in log entries and fault filters. */
#define SIMCAM_PIN_CAPTURE 0
#define SIMCAM_PIN_STILL   1

/* Filter states in SimCameraState::filterState (FILTER_STATE values). */
#define SIMCAM_FILTER_STOPPED 0
#define SIMCAM_FILTER_PAUSED  1
#define SIMCAM_FILTER_RUNNING 2

/* One logged call. Fields not used by an operation are 0; values read by a
   call (arg1/arg2 of GET_MODE, PROCAMP_GET ...) are filled only on success. */
typedef struct SimLogEntry {
    DWORD seq;      /* 1, 2, 3 ... since the last SimLogClear (keeps counting when the ring wraps) */
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
    /* The capture filter, as the last state change of any filter of this
       camera left it, and how many filter objects for it exist right now
       (made and not yet destroyed, in every process of the prefix). */
    LONG filterState; /* SIMCAM_FILTER_STOPPED / _PAUSED / _RUNNING */
    LONG filtersAlive;
    LONG stillTriggers; /* still triggers accepted (SetMode with VideoControlFlag_Trigger) */
    /* Each pin's current format: what it delivers, or will on its next
       connection. subtype is the FOURCC ('YUY2', 'MJPG', 'I420'). */
    DWORD captureSubtype;
    LONG captureWidth;
    LONG captureHeight;
    DWORD stillSubtype;
    LONG stillWidth;
    LONG stillHeight;
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
/* The same, limited to the calls of one camera (camera >= 0; -1 any) and to
   the calls whose log entry holds argValue in arg[argIndex] (argIndex 0..2;
   -1 any call): a register address or selector of a component transfer
   (arg0), a pin (arg0), a capability index (arg1 of GET_STREAM_CAPS), a
   property (arg0 of the PROCAMP and CAMCTRL operations). nth counts only the
   calls that match. Limits apply to the component's transfers (GET_XU ...
   READ_INFO) and to every filter operation; the component's creation,
   enumeration, open and bind calls only take faults without limits. Returns 1, or 0 for a bad op, nth or argIndex or when 16
   faults are in place. */
SIMCAM_API int SimInjectFaultFor(int op, int nth, LONG result, int camera, int argIndex, DWORD argValue);
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

/* The call log: a ring of the latest SIMCAM_MAX_LOG calls. Once it is full
   the oldest entries are overwritten; seq keeps counting. */
SIMCAM_API DWORD SimLogCount(void);                         /* entries held (at most SIMCAM_MAX_LOG) */
SIMCAM_API int SimLogRead(DWORD index, SimLogEntry *entry); /* 0-based, oldest held first; 0 when out of range */
SIMCAM_API void SimLogClear(void);
SIMCAM_API DWORD SimLogLastSeq(void); /* seq of the newest entry; 0 when the log is empty */
/* The entries of one operation among those held (op 0: every entry). */
SIMCAM_API DWORD SimLogCountOp(int op);
SIMCAM_API int SimLogReadOp(int op, DWORD index, SimLogEntry *entry); /* 0-based, oldest first */
/* The oldest held entry of op (0: any) with seq > afterSeq: 1 found, else 0. */
SIMCAM_API int SimLogFind(int op, DWORD afterSeq, SimLogEntry *entry);

#ifdef __cplusplus
}
#endif

#endif /* KOR_SIMCAM_INCLUDE_SIMCAMCONTROL_H */
