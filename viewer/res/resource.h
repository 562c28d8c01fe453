// resource.h - identifiers of the viewer's resources: icons, menu,
// accelerators, string table, dialog templates and their controls.
//
// Several dialogs reuse a control number that another dialog also uses
// (1096, 1102, 1107, 1108); each use has a name of its own here.
#ifndef KOR_VIEWER_RES_RESOURCE_H
#define KOR_VIEWER_RES_RESOURCE_H

// String table.
#define IDS_APP_TITLE 103  // "KOR Viewer"
#define IDC_KORVIEWER 109  // "RAVIRU5RI"; also menu 109 and accelerator table 109

// Icon groups.
#define IDI_KORVIEWER 107
#define IDI_SMALL     108
#define IDI_KORLENS   1130

// Menu commands (menu 109).
#define IDM_ABOUT                     104
#define IDM_EXIT                      105
#define ID_DEVICES_FIRST              1015  // Devices entries are built at run time from here up
#define ID_OPTIONS_VIDEORENDERER      32772
#define ID_OPTIONS_VIDEOCAPTUREFILTER 32773
#define ID_OPTIONS_VIDEOCAPTUREPIN    32774
#define ID_OPTIONS_STILLCAPTUREPIN    32775
#define ID_OPTIONS_CURRENTSETTINGS    32776
#define ID_CAPTURE_GETSTILL           32777
#define ID_CAPTURE_STILLFILEPATH      32778
#define ID_UVC_EXTENSION              32779
#define ID_NOTHING                    32780  // no menu entry; does nothing
#define ID_UNUSED_32781               32781  // no menu entry; default processing
#define ID_UNUSED_32782               32782  // no menu entry; default processing
#define ID_RESET_CAMERA               32783  // no menu entry; ResetUSBCamera
#define ID_FOCUS_TRIGGERAUTOFOCUS     32784

// Dialog templates.
#define IDD_ABOUTBOX             103
#define IDD_FOCUS_MODE           132
#define IDD_UVC_EXTENSION        134
#define IDD_STILL_PATH           135
#define IDD_STILL_PIN_PROPERTIES 136
#define IDD_CURRENT_SETTINGS     138

// About (103).
#define IDC_ABOUT_ICON    107
#define IDC_ABOUT_VERSION 1096

// Focus Mode (132).
#define IDC_LBL_MANUAL_FOCUS   1033
#define IDC_RADIO_AUTO_FOCUS   1034
#define IDC_RADIO_MANUAL_FOCUS 1035
#define IDC_FOCUS_TRACKBAR     1036
#define IDC_FOCUS_EDIT         1037
#define IDC_FOCUS_APPLY        1038
#define IDC_FOCUS_CLOSE        1039

// UVC Extension Controls (134).
#define IDC_AF_STATUS         1040
#define IDC_AF_TRIGGER        1041
#define IDC_FOCUS_MODE        1042
#define IDC_LBL_AUTO_FOCUS    1044
#define IDC_SENSOR_ID         1046
#define IDC_FIRMWARE_VER      1049
#define IDC_LBL_DEBUG_CONTROL 1051
#define IDC_LBL_FLASH_CONTROL 1102
#define IDC_FLASH_ON          1107
#define IDC_FLASH_OFF         1108

// Still Path (135).
#define IDC_STILL_PATH_EDIT   1058
#define IDC_STILL_PATH_BROWSE 1059
#define IDC_LBL_PATH          1060
#define IDC_STILL_PATH_OK     1061

// Still Pin Properties (136).
#define IDC_CBO_COMPRESSION   1064
#define IDC_CBO_OUTPUT_SIZE   1065
#define IDC_LBL_COMPRESSION   1067
#define IDC_LBL_OUTPUT_SIZE   1068
#define IDC_LBL_STILL_CAPTURE 1069
#define IDC_STILL_PIN_OK      1070
#define IDC_STILL_PIN_CANCEL  1071
#define IDC_STILL_PIN_APPLY   1072

// Current Settings (138): labels.
#define IDC_LBL_STILL_RESOLUTION 1098
#define IDC_LBL_VIDEO_RESOLUTION 1099
#define IDC_LBL_STILL_PATH       1100
#define IDC_LBL_FOCUS_MODE       1101
#define IDC_LBL_FIRMWARE_VERSION 1102
#define IDC_LBL_STILL_FORMAT     1103
#define IDC_LBL_VIDEO_FORMAT     1104
#define IDC_LBL_BRIGHTNESS       1112
#define IDC_LBL_CONTRAST         1113
#define IDC_LBL_SATURATION       1114
#define IDC_LBL_SHARPNESS        1115
#define IDC_LBL_GAMMA            1116
#define IDC_LBL_WHITE_BALANCE    1117
#define IDC_LBL_SENSOR_ID        1124
#define IDC_LBL_EXPOSURE         1128
// Current Settings (138): values and the button.
#define IDC_SETTINGS_OK          1096
#define IDC_VAL_STILL_RESOLUTION 1105
#define IDC_VAL_VIDEO_RESOLUTION 1106
#define IDC_VAL_STILL_PATH       1107
#define IDC_VAL_FOCUS_MODE       1108
#define IDC_VAL_FIRMWARE_VERSION 1109
#define IDC_VAL_STILL_FORMAT     1110
#define IDC_VAL_VIDEO_FORMAT     1111
#define IDC_VAL_BRIGHTNESS       1118
#define IDC_VAL_CONTRAST         1119
#define IDC_VAL_SATURATION       1120
#define IDC_VAL_SHARPNESS        1121
#define IDC_VAL_GAMMA            1122
#define IDC_VAL_WHITE_BALANCE    1123
#define IDC_VAL_SENSOR_ID        1125
#define IDC_VAL_FOCUS            1127
#define IDC_VAL_EXPOSURE         1129

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#endif  // KOR_VIEWER_RES_RESOURCE_H
