// Resource identifiers of the module: the send options dialog and the string
// table.
#pragma once

#define IDD_SEND_OPTIONS 135

#define IDC_SYSTEM_LIST 1003
#define IDC_SIZE_LABEL 1005
#define IDC_RESOLUTION_LABEL 1006
#define IDC_FORMAT_LABEL 1007
#define IDC_FORMAT_COMBO 1008
#define IDC_RESOLUTION_COMBO 1010
#define IDC_SIZE_TEXT 1011
#define IDC_SHRINK_PHOTOS 1012

#define IDS_ORIGINAL_FILE 1
#define IDS_SIZE_FORMAT 2
#define IDS_GRAY_256 3
#define IDS_TRUE_COLOR 4
#define IDS_INDEX_256 5
#define IDS_INDEX_16 6
#define IDS_BLACK_WHITE 7
#define IDS_GRAY_16 8
#define IDS_READ_ONLY 9
#define IDS_JPG 10
#define IDS_APP_TITLE 57344
