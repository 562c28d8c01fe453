// PageResources.h - dialog and control identifiers of the property pages,
// shared by simcam.rc and the page code.
#ifndef KOR_SIMCAM_PAGES_PAGERESOURCES_H
#define KOR_SIMCAM_PAGES_PAGERESOURCES_H

#define IDD_SIM_IMAGEPAGE  200
#define IDD_SIM_FORMATPAGE 201

// Image page: one row per property, row r uses the identifiers base + r.
#define SIM_IMAGE_ROWS  7
#define IDC_IMG_LABEL0  1100  // property name
#define IDC_IMG_TRACK0  1110  // msctls_trackbar32
#define IDC_IMG_VALUE0  1120  // value text
#define IDC_IMG_AUTO0   1130  // "Auto" check box (white balance and exposure rows only)
#define IDC_IMG_DEFAULT 1140  // "Default" button
#define IDC_IMG_STATUS  1141  // failure text

// Format page.
#define IDC_FMT_SUBTYPE       1200  // drop-down list of subtypes
#define IDC_FMT_SIZE          1201  // drop-down list of sizes
#define IDC_FMT_STATUS        1202  // result of the last Apply
#define IDC_FMT_SUBTYPE_LABEL 1203
#define IDC_FMT_SIZE_LABEL    1204

#endif  // KOR_SIMCAM_PAGES_PAGERESOURCES_H
