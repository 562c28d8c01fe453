// SimCamDefaults.h - fixed numbers of the simulated camera: stream subtypes,
// the bridge chip's and the sensor's registers, and the timing of the bridge
// chip and the sensor's autofocus firmware. The control ranges are in
// include/SimControls.h.
#ifndef KOR_SIMCAM_MODEL_SIMCAMDEFAULTS_H
#define KOR_SIMCAM_MODEL_SIMCAMDEFAULTS_H

#include <windows.h>

// FOURCCs of the two stream subtypes.
#define SIM_FOURCC_YUY2 0x32595559u  // 'Y','U','Y','2'
#define SIM_FOURCC_MJPG 0x47504A4Du  // 'M','J','P','G'

// Extension-unit controls of the bridge.
#define SIM_XU_CHIP_ID     7u   // 4 bytes, byte 3 is the chip ID
#define SIM_XU_SENSOR      16u  // the 9-byte sensor command packet
#define SIM_XU_PACKET_SIZE 9

// Bridge-chip registers.
#define SIM_CHIP_ANNOUNCE     0x8102u  // write the length (9) before each control-16 transfer
#define SIM_CHIP_GPI          0x8107u  // input bits: 0 latch, 1 no flash connected
#define SIM_CHIP_RESET        0xB005u  // write 0x80: reset
#define SIM_CHIP_GPO8         0xB03Cu  // output 8: 0x22 on, 0x20 off
#define SIM_CHIP_SENSOR_STATE 0xB306u  // 4 ready
// Not a register of the camera: poking it (control API or chip_reg) sets how
// many milliseconds each 0x8102 announce stalls (0 = none), for tests.
#define SIM_CHIP_TEST_ANNOUNCE_STALL 0xFFF0u

#define SIM_SENSOR_STATE_READY 4
#define SIM_SENSOR_STATE_BUSY  3  // what 0xB306 reads while the sensor starts up
#define SIM_GPO8_ON            0x22
#define SIM_GPO8_OFF           0x20
#define SIM_RESET_VALUE        0x80

// Sensor registers.
#define SIM_REG_STROBE_MODE    0x3016u
#define SIM_REG_SENSOR_ID_HIGH 0x300Au
#define SIM_REG_SENSOR_ID_LOW  0x300Bu
#define SIM_REG_AF_COMMAND     0x3022u
#define SIM_REG_AF_ACK         0x3023u
#define SIM_REG_AF_PARAM       0x3027u
#define SIM_REG_AF_LENS        0x3028u
#define SIM_REG_AF_STATE       0x3029u
#define SIM_REG_STROBE         0x3B00u
#define SIM_STROBE_ON          0xC3

// Autofocus commands and states.
#define SIM_AF_CMD_SINGLE     0x03
#define SIM_AF_CMD_RELEASE    0x08
#define SIM_AF_CMD_MOVE       0x1A
#define SIM_AF_CMD_REPORT     0x1B
#define SIM_AF_STATE_FOCUSING 0x00
#define SIM_AF_STATE_FOCUSED  0x10
#define SIM_AF_STATE_MANUAL   0x70

// Failures of extension-unit transfers.
#define SIM_E_NOT_ANNOUNCED HRESULT_FROM_WIN32(ERROR_BAD_COMMAND)           // control 16 without a fresh 0x8102 = 9
#define SIM_E_SENSOR_BUSY   HRESULT_FROM_WIN32(ERROR_NOT_READY)             // control 16 while the sensor starts up
#define SIM_E_BAD_PACKET    HRESULT_FROM_WIN32(ERROR_INVALID_DATA)          // not a sensor command the bridge knows
#define SIM_E_NO_CONTROL    HRESULT_FROM_WIN32(ERROR_NOT_FOUND)             // no such extension-unit control
#define SIM_E_READ_ONLY     HRESULT_FROM_WIN32(ERROR_INVALID_FUNCTION)      // Set on a read-only control
#define SIM_E_NOT_BOUND     E_HANDLE                                        // CXUVMControl not bound to a camera
#define SIM_E_UNPLUGGED     HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED)  // the bound camera is gone

// Timing (milliseconds).
#define SIM_AF_ACK_MS          30   // single trigger: acknowledge clears
#define SIM_AF_SETTLE_MS       300  // single trigger: focused, lens at best
#define SIM_CMD_ACK_MS         5    // other commands: acknowledge clears
#define SIM_LENS_MOVE_MS       40   // a manual move travels this long
#define SIM_RESET_NOT_READY_MS 300  // sensor not ready after a reset

#endif  // KOR_SIMCAM_MODEL_SIMCAMDEFAULTS_H
